#pragma once

#include <utils/id.h>

#include <QList>

namespace Core {

class Context
{
public:
    Context() = default;
    explicit Context(Utils::Id c1) { add(c1); }

    bool contains(Utils::Id c) const { return m_ids.contains(c); }
    int size() const { return m_ids.size(); }
    bool isEmpty() const { return m_ids.isEmpty(); }
    Utils::Id at(int i) const { return m_ids.at(i); }
    void add(Utils::Id c) { m_ids.append(c); }

private:
    QList<Utils::Id> m_ids;
};

} // namespace Core
