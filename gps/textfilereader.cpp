#include "textfilereader.h"

#include <QFile>
#include <QFileInfo>
#include <QtConcurrent>

namespace Mimicry {
namespace Internal {

namespace {

TextFileReader::Result readWholeFile(const QUrl &url)
{
    if (!url.isLocalFile())
        return {false, TextFileReader::tr("Only local files can be opened: %1").arg(url.toDisplayString())};
    const QString path = url.toLocalFile();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {false, TextFileReader::tr("Could not open the file %1: %2")
                           .arg(QFileInfo(path).fileName(), file.errorString())};
    }
    if (file.size() > TextFileReader::maximumSize()) {
        return {false, TextFileReader::tr("The file %1 is larger than %2 MB.")
                           .arg(QFileInfo(path).fileName())
                           .arg(TextFileReader::maximumSize() / (1024 * 1024))};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return {false, TextFileReader::tr("Could not read the file %1: %2")
                           .arg(QFileInfo(path).fileName(), file.errorString())};
    }
    // Invalid sequences become replacement characters; the parser rejects
    // the lines that hold them.
    return {true, QString::fromUtf8(bytes)};
}

} // namespace

TextFileReader::TextFileReader(QObject *parent)
    : QObject(parent)
{}

// A read still running finishes on the pool; its watcher, a child, is gone
// and nobody hears of it.
TextFileReader::~TextFileReader() = default;

qint64 TextFileReader::maximumSize()
{
    return qint64(256) * 1024 * 1024;
}

void TextFileReader::read(const QUrl &url)
{
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
    }
    m_watcher = new QFutureWatcher<Result>(this);
    QFutureWatcher<Result> *watcher = m_watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        deliver(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(readWholeFile, url));
}

void TextFileReader::deliver(const Result &result)
{
    m_watcher->deleteLater();
    m_watcher = nullptr;
    if (result.ok)
        emit finished(result.text);
    else
        emit failed(result.text);
}

} // namespace Internal
} // namespace Mimicry
