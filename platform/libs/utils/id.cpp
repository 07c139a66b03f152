#include "id.h"

#include <QHash>
#include <QVector>

namespace Utils {

namespace {

// Ids are interned: each distinct name gets a number once, for the whole run.
struct IdRegistry
{
    QHash<QByteArray, quintptr> numbers;
    QVector<QByteArray> names{QByteArray()};

    quintptr intern(const QByteArray &name)
    {
        if (name.isEmpty())
            return 0;
        auto it = numbers.constFind(name);
        if (it != numbers.constEnd())
            return it.value();
        const quintptr number = quintptr(names.size());
        names.append(name);
        numbers.insert(name, number);
        return number;
    }
};

IdRegistry &registry()
{
    static IdRegistry theRegistry;
    return theRegistry;
}

} // namespace

Id::Id(const char *name)
    : m_id(registry().intern(QByteArray(name)))
{}

Id Id::fromString(const QString &name)
{
    return Id(registry().intern(name.toUtf8()));
}

Id Id::fromName(const QByteArray &name)
{
    return Id(registry().intern(name));
}

QByteArray Id::name() const
{
    return registry().names.value(int(m_id));
}

QString Id::toString() const
{
    return QString::fromUtf8(name());
}

} // namespace Utils
