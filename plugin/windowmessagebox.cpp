#include "windowmessagebox.h"

#include <coreplugin/icore.h>

#include <QMainWindow>
#include <QQuickItem>
#include <QQuickWindow>
#include <QShowEvent>

namespace Mimicry {
namespace Internal {

namespace {

QWidget *parentWidgetFor(const QWindow *window)
{
    return window && window->isVisible() ? nullptr : Core::ICore::mainWindow();
}

} // namespace

WindowMessageBox::WindowMessageBox(Icon icon, const QString &title, const QString &text,
                                   StandardButtons buttons, QWindow *window)
    : QMessageBox(icon, title, text, buttons, parentWidgetFor(window),
                  Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    if (parentWidget())
        return;
    m_window = window;
    // The native window must exist before it can name its transient parent.
    winId();
    windowHandle()->setTransientParent(window);
}

QWindow *WindowMessageBox::windowOf(const QObject *qmlObject)
{
    for (QObject *object = qmlObject->parent(); object; object = object->parent()) {
        if (auto item = qobject_cast<QQuickItem *>(object))
            return item->window();
    }
    return nullptr;
}

void WindowMessageBox::showEvent(QShowEvent *event)
{
    // Lays the box out at its final size first.
    QMessageBox::showEvent(event);
    if (!m_window || event->spontaneous())
        return;
    // The frames are alike, so centring the contents centres the frames.
    QRect contents(QPoint(), size());
    contents.moveCenter(m_window->geometry().center());
    move(contents.topLeft());
}

} // namespace Internal
} // namespace Mimicry
