#pragma once

#include <QObject>
#include <QSettings>

QT_BEGIN_NAMESPACE
class QMainWindow;
class QWidget;
QT_END_NAMESPACE

namespace Core {

// Access to the IDE's main window and settings. The host creates the one
// instance once its main window exists.
class ICore : public QObject
{
    Q_OBJECT

public:
    explicit ICore(QMainWindow *mainWindow);
    ~ICore() override;

    static ICore *instance();
    static QMainWindow *mainWindow();
    static QWidget *dialogParent();
    static QSettings *settings(QSettings::Scope scope = QSettings::UserScope);

private:
    QMainWindow *m_mainWindow = nullptr;
};

} // namespace Core
