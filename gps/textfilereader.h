#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QUrl>

namespace Mimicry {
namespace Internal {

// Reads a whole text file on a worker thread, so that a large log never
// freezes the window; the result comes back on the reader's thread. Only
// the newest read reports: starting another one drops the older result.
class TextFileReader : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        bool ok = false;
        QString text;
    };

    explicit TextFileReader(QObject *parent = nullptr);
    ~TextFileReader() override;

    // Files beyond this size are refused instead of exhausting memory.
    static qint64 maximumSize();

    Q_INVOKABLE void read(const QUrl &url);

signals:
    void finished(const QString &text);
    void failed(const QString &errorString);

private:
    void deliver(const Result &result);

    QFutureWatcher<Result> *m_watcher = nullptr;
};

} // namespace Internal
} // namespace Mimicry
