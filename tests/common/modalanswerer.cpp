#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QWindow>

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    m_timer.callOnTimeout(this, &ModalAnswerer::poll);
    m_timer.start(10);
}

QStringList ModalAnswerer::texts() const
{
    QStringList result;
    for (const Box &box : m_boxes)
        result.append(box.text);
    return result;
}

void ModalAnswerer::poll()
{
    auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool())
        return;
    box->setProperty("answered", true);

    m_boxes.append({box->windowTitle(), box->text(), box->informativeText(), box->icon(),
                    box->standardButtons(), box->checkBox() && box->checkBox()->isVisible(),
                    box->parentWidget(), box->windowHandle() ? box->windowHandle()->transientParent() : nullptr});

    if (m_tickCheckBox && box->checkBox())
        box->checkBox()->setChecked(true);
    QAbstractButton *button = box->button(m_answer);
    if (!button)
        button = box->escapeButton();
    if (button)
        button->click();
    else
        box->reject();
    emit answered();
}
