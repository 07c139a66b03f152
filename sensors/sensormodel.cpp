#include "sensormodel.h"

SensorModel::SensorModel(QObject *parent)
    : QObject(parent)
{
}
