#include "inspectadaptor.h"

namespace Guest {

InspectAdaptor::InspectAdaptor(QObject *object, const StateFunction &state)
    : QDBusAbstractAdaptor(object)
    , m_state(state)
{
}

QString InspectAdaptor::interfaceName()
{
    return QStringLiteral("org.mimicry.Inspect");
}

QVariantMap InspectAdaptor::state() const
{
    return m_state ? m_state() : QVariantMap();
}

} // namespace Guest
