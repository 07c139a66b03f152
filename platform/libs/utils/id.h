#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace Utils {

// A cheap identifier made from a string: menus, commands and contexts are
// looked up by it.
class Id
{
public:
    Id() = default;
    Id(const char *name);

    static Id fromString(const QString &name);
    static Id fromName(const QByteArray &name);

    QByteArray name() const;
    QString toString() const;
    bool isValid() const { return m_id != 0; }
    quintptr uniqueIdentifier() const { return m_id; }

    bool operator==(Id other) const { return m_id == other.m_id; }
    bool operator!=(Id other) const { return m_id != other.m_id; }
    bool operator<(Id other) const { return m_id < other.m_id; }

private:
    explicit Id(quintptr id) : m_id(id) {}

    quintptr m_id = 0;
};

inline uint qHash(Id id) { return static_cast<uint>(id.uniqueIdentifier()); }

} // namespace Utils

Q_DECLARE_METATYPE(Utils::Id)
