#include "nmeatrackparser.h"

#include "gpsemulationmanager.h"
#include "trackpointmodel.h"

#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QtConcurrent>

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

NmeaTrackParser::Result failure(const QString &message, int line)
{
    NmeaTrackParser::Result result;
    result.errorMessage = message;
    result.errorLine = line;
    return result;
}

// Values per point in the worker script's array, in its order.
enum Value { LatitudeValue, LongitudeValue, AltitudeValue, TimeValue, IntervalValue, ValueCount };

} // namespace

NmeaTrackParser::NmeaTrackParser(QObject *parent)
    : QObject(parent)
{}

// A parse still running finishes on the pool; its watcher, a child, is gone
// and nobody hears of it.
NmeaTrackParser::~NmeaTrackParser() = default;

void NmeaTrackParser::setModel(TrackPointModel *model)
{
    if (m_model == model)
        return;
    m_model = model;
    emit modelChanged();
}

NmeaTrackParser::Result NmeaTrackParser::parseText(const QString &text)
{
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(parserComponent, QUrl(QStringLiteral("qrc:/mimicry/NmeaTrackParser.qml")));
    const std::unique_ptr<QObject> parser(component.create());
    if (!parser)
        return failure(component.errorString(), 0);
    QVariant returned;
    QMetaObject::invokeMethod(parser.get(), "parse", Q_RETURN_ARG(QVariant, returned), Q_ARG(QVariant, text));
    const QVariantMap parsed = returned.toMap();
    const QVariant error = parsed.value(QStringLiteral("error"));
    if (error.isValid()) {
        const QVariantMap details = error.toMap();
        return failure(details.value(QStringLiteral("message")).toString(),
                       details.value(QStringLiteral("incorrectLine")).toInt());
    }
    const QByteArray values = parsed.value(QStringLiteral("values")).toByteArray();
    const int count = values.size() / int(sizeof(double) * ValueCount);

    Result result;
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

void NmeaTrackParser::parse(const QString &text)
{
    cancel();
    m_watcher = new QFutureWatcher<Result>(this);
    QFutureWatcher<Result> *watcher = m_watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        Result result = watcher->result();
        m_watcher->deleteLater();
        m_watcher = nullptr;
        emit finished(apply(std::move(result)));
    });
    watcher->setFuture(QtConcurrent::run(&NmeaTrackParser::parseText, text));
}

QVariantMap NmeaTrackParser::parseNow(const QString &text)
{
    return apply(parseText(text));
}

void NmeaTrackParser::cancel()
{
    if (!m_watcher)
        return;
    m_watcher->disconnect(this);
    m_watcher->deleteLater();
    m_watcher = nullptr;
}

QVariantMap NmeaTrackParser::apply(Result result)
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

