#pragma once

#include <QMessageBox>
#include <QPointer>

QT_BEGIN_NAMESPACE
class QWindow;
QT_END_NAMESPACE

namespace Mimicry {
namespace Internal {

// A message box of the plug-in. While the window it is about is shown, the
// box is transient for that window and centred on it: over the IDE's main
// window, the window manager would raise the IDE above the plug-in's window
// and leave it there. Otherwise the box belongs to the IDE's main window.
class WindowMessageBox : public QMessageBox
{
    Q_OBJECT

public:
    WindowMessageBox(Icon icon, const QString &title, const QString &text, StandardButtons buttons,
                     QWindow *window);

    // The window of the item that a QML object was declared in.
    static QWindow *windowOf(const QObject *qmlObject);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPointer<QWindow> m_window;
};

} // namespace Internal
} // namespace Mimicry
