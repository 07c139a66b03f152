#pragma once

#include <QDBusAbstractAdaptor>
#include <QVariantMap>

#include <functional>

namespace Guest {

// The org.mimicry.Inspect interface of a service object. It lets tests and
// the machine read what the plug-in has set, without adding methods to the
// interface that the plug-in talks to.
class InspectAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mimicry.Inspect")

public:
    using StateFunction = std::function<QVariantMap()>;

    // The adaptor becomes a child of the object; it is exported with it when
    // the object is registered with QDBusConnection::ExportAdaptors.
    InspectAdaptor(QObject *object, const StateFunction &state);

    static QString interfaceName();

public slots:
    QVariantMap state() const;

private:
    StateFunction m_state;
};

} // namespace Guest
