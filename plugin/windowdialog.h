#pragma once

#include <coreplugin/icore.h>

#include <QMainWindow>
#include <QPointer>
#include <QShowEvent>
#include <QWindow>

#include <utility>

namespace Mimicry {
namespace Internal {

// The window of the item that a QML object was declared in.
QWindow *windowOfQmlObject(const QObject *object);

// A dialog of the plug-in. While the window it is about is shown, the dialog
// is transient for that window and centred on it: over the IDE's main
// window, the window manager would raise the IDE above the plug-in's window
// and leave it there. Otherwise the dialog belongs to the IDE's main window.
template<class Dialog>
class WindowDialog : public Dialog
{
public:
    // The arguments are those of the dialog's constructor, with no parent:
    // the window decides that.
    template<class... Arguments>
    explicit WindowDialog(QWindow *window, Arguments &&...arguments)
        : Dialog(std::forward<Arguments>(arguments)...)
    {
        if (!window || !window->isVisible()) {
            this->setParent(Core::ICore::mainWindow(), this->windowFlags());
            return;
        }
        m_window = window;
        // The native window must exist before it can name its transient parent.
        this->winId();
        this->windowHandle()->setTransientParent(window);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        // Lays the dialog out at its final size first, centred on the screen.
        Dialog::showEvent(event);
        if (!m_window || event->spontaneous())
            return;
        // The frames are alike, so centring the contents centres the frames.
        QRect contents(QPoint(), this->size());
        contents.moveCenter(m_window->geometry().center());
        this->move(contents.topLeft());
    }

private:
    QPointer<QWindow> m_window;
};

} // namespace Internal
} // namespace Mimicry
