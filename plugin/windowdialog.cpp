#include "windowdialog.h"

#include <QQuickItem>
#include <QQuickWindow>

namespace Mimicry {
namespace Internal {

QWindow *windowOfQmlObject(const QObject *object)
{
    for (QObject *ancestor = object->parent(); ancestor; ancestor = ancestor->parent()) {
        if (auto item = qobject_cast<QQuickItem *>(ancestor))
            return item->window();
    }
    return nullptr;
}

} // namespace Internal
} // namespace Mimicry
