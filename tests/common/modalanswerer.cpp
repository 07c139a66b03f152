#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
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

    Box seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.informativeText = box->informativeText();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    seen.checkBoxVisible = box->checkBox() && box->checkBox()->isVisible();
    m_boxes.append(seen);

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
