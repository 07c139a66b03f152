#pragma once

#include "sensormodel.h"

namespace Mimicry {
namespace Internal {

// Storage shared by the three-axis sensors. moc cannot handle templates, so the
// properties and signals live in the Int/Double subclasses.
template<typename T>
class XYZModel : public SensorModel
{
public:
    XYZModel(QObject *parent, T x, T y, T z)
        : SensorModel(parent)
        , m_x(x)
        , m_y(y)
        , m_z(z)
    {
    }

    T x() const { return m_x; }
    T y() const { return m_y; }
    T z() const { return m_z; }

    virtual void setX(T x) = 0;
    virtual void setY(T y) = 0;
    virtual void setZ(T z) = 0;

protected:
    T m_x;
    T m_y;
    T m_z;
};

} // namespace Internal
} // namespace Mimicry
