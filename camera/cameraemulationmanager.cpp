#include "cameraemulationmanager.h"

CameraEmulationManager::CameraEmulationManager(QObject *parent)
    : QObject(parent)
{}

void CameraEmulationManager::initCameras()
{
}

void CameraEmulationManager::stopCameraStream()
{
    m_streamRunning = false;
    emit streamRunningChanged();
}

void CameraEmulationManager::stopVideoStream()
{
    m_streamRunning = false;
    emit streamRunningChanged();
}
