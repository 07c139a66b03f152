#include "trackfileparser.h"

#include "gpsemulationmanager.h"
#include "trackpointmodel.h"
#include "xmltrackreader.h"

#include <QQmlComponent>
#include <QQmlEngine>

#include <atomic>
#include <memory>

namespace Mimicry {
namespace Internal {

namespace {

// A QML engine rather than a plain QJSEngine: it runs the parser about twice
// as fast. The parser is imported as the page imports it.
const char parserComponent[] = R"(
import QtQml 2.15
import "qrc:/mimicry/js/nmea-parsing-worker.js" as Worker

QtObject {
    function parse(text) { return Worker.parseTrack(text) }
}
)";

TrackFileParser::Result failure(const QString &message, int line)
{
    TrackFileParser::Result result;
    result.errorMessage = message;
    result.errorLine = line;
    return result;
}

// Values per point in the worker script's array, in its order.
enum Value { LatitudeValue, LongitudeValue, AltitudeValue, TimeValue, IntervalValue, ValueCount };

std::unique_ptr<QObject> createParser(QQmlEngine *engine, QString *error)
{
    QQmlComponent component(engine);
    component.setData(parserComponent, QUrl(QStringLiteral("qrc:/mimicry/TrackFileParser.qml")));
    std::unique_ptr<QObject> parser(component.create());
    if (!parser)
        *error = component.errorString();
    return parser;
}

// The text as a GPX or KML document; false if it is neither.
bool parseXml(const QString &text, const std::atomic<bool> *stop, TrackFileParser::Result *result)
{
    XmlTrackReader::Result read = XmlTrackReader::read(text, stop);
    if (read.format == XmlTrackReader::OtherText)
        return false;
    if (!read.ok) {
        *result = failure(read.errorMessage, read.errorLine);
        return true;
    }
    result->points = std::move(read.points);
    result->withoutDateTime = read.withoutDateTime;
    result->trackArgument = GPSEmulationManager::trackArgument(result->points);
    result->ok = true;
    return true;
}

TrackFileParser::Result parseWith(QObject *parser, const QString &text)
{
    QVariant returned;
    QMetaObject::invokeMethod(parser, "parse", Q_RETURN_ARG(QVariant, returned), Q_ARG(QVariant, text));
    const QVariantMap parsed = returned.toMap();
    const QVariant error = parsed.value(QStringLiteral("error"));
    if (error.isValid()) {
        const QVariantMap details = error.toMap();
        return failure(details.value(QStringLiteral("message")).toString(),
                       details.value(QStringLiteral("incorrectLine")).toInt());
    }
    const QByteArray values = parsed.value(QStringLiteral("values")).toByteArray();
    const int count = values.size() / int(sizeof(double) * ValueCount);

    TrackFileParser::Result result;
    result.points.resize(count);
    const double *value = reinterpret_cast<const double *>(values.constData());
    for (int i = 0; i < count; ++i, value += ValueCount) {
        TrackPoint &point = result.points[i];
        point.latitude = value[LatitudeValue];
        point.longitude = value[LongitudeValue];
        point.altitude = value[AltitudeValue];
        point.time = value[TimeValue];
        point.interval = value[IntervalValue];
    }
    result.withoutDateTime = parsed.value(QStringLiteral("withoutDateTime")).toBool();
    result.trackArgument = GPSEmulationManager::trackArgument(result.points);
    result.ok = true;
    return result;
}

// Lives on the parser's thread with an engine made there on first use: a
// warm engine parses the next file a quarter faster than a fresh one.
class Worker : public QObject
{
public:
    TrackFileParser::Result parse(const QString &text)
    {
        m_stop = false;
        TrackFileParser::Result result;
        if (parseXml(text, &m_stop, &result))
            return result;
        if (!m_engine) {
            m_engine = std::make_unique<QQmlEngine>();
            QString error;
            m_parser = createParser(m_engine.get(), &error);
            if (!m_parser)
                return failure(error, 0);
            m_interruptible = m_engine.get();
        }
        m_engine->setInterrupted(false);
        result = parseWith(m_parser.get(), text);
        // The text's strings and the point objects are garbage now; an idle
        // engine should not hold a large file's worth of them.
        m_engine->collectGarbage();
        return result;
    }

    // From any thread; the engine lives until the thread ends.
    void interrupt()
    {
        m_stop = true;
        if (QJSEngine *engine = m_interruptible)
            engine->setInterrupted(true);
    }

private:
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QObject> m_parser;
    std::atomic<QJSEngine *> m_interruptible{nullptr};
    std::atomic<bool> m_stop{false};
};

} // namespace

TrackFileParser::TrackFileParser(QObject *parent)
    : QObject(parent)
{}

// A parse still running is stopped, so leaving the page never waits for a
// large file.
TrackFileParser::~TrackFileParser()
{
    if (!m_worker)
        return;
    static_cast<Worker *>(m_worker)->interrupt();
    m_thread.quit();
    m_thread.wait();
}

void TrackFileParser::setModel(TrackPointModel *model)
{
    if (m_model == model)
        return;
    m_model = model;
    emit modelChanged();
}

TrackFileParser::Result TrackFileParser::parseText(const QString &text)
{
    Result result;
    if (parseXml(text, nullptr, &result))
        return result;
    QQmlEngine engine;
    QString error;
    const std::unique_ptr<QObject> parser = createParser(&engine, &error);
    return parser ? parseWith(parser.get(), text) : failure(error, 0);
}

void TrackFileParser::parse(const QString &text)
{
    cancel();
    if (!m_worker) {
        auto worker = new Worker;
        worker->moveToThread(&m_thread);
        // The engine goes with its thread.
        connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
        m_thread.setObjectName(QStringLiteral("TrackFileParser"));
        m_thread.start();
        m_worker = worker;
    }
    const quint64 generation = m_generation;
    auto worker = static_cast<Worker *>(m_worker);
    QMetaObject::invokeMethod(worker, [this, worker, text, generation] {
        // Another file was chosen while this one waited.
        if (generation != m_generation)
            return;
        Result result = worker->parse(text);
        // The destructor waits for this thread, so this object outlives the
        // call; what it posts goes with it.
        QMetaObject::invokeMethod(this, [this, generation, result = std::move(result)]() mutable {
            if (generation == m_generation)
                emit finished(apply(std::move(result)));
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

QVariantMap TrackFileParser::parseNow(const QString &text)
{
    return apply(parseText(text));
}

void TrackFileParser::cancel()
{
    ++m_generation;
    if (m_worker)
        static_cast<Worker *>(m_worker)->interrupt();
}

QVariantMap TrackFileParser::apply(Result result)
{
    if (!result.ok) {
        return {{QStringLiteral("error"), QVariantMap{{QStringLiteral("message"), result.errorMessage},
                                                      {QStringLiteral("incorrectLine"), result.errorLine}}}};
    }
    if (m_model)
        m_model->setTrack(std::move(result.points), std::move(result.trackArgument));
    return {{QStringLiteral("withoutDateTime"), result.withoutDateTime}};
}

} // namespace Internal
} // namespace Mimicry

