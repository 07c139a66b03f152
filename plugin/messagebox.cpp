#include "messagebox.h"

#include <QAbstractButton>

namespace Mimicry {
namespace Internal {

MessageBox::MessageBox(QObject *parent)
    : QObject(parent)
{}

MessageBox::~MessageBox() = default;

void MessageBox::open()
{
    close();
    m_box = std::make_unique<WindowDialog<QMessageBox>>(
        windowOfQmlObject(this), QMessageBox::Icon(m_icon), m_title, m_text,
        QMessageBox::StandardButtons(m_standardButtons), nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    // Like the dialogs of QtQuick.Dialogs: the window waits, the IDE does not.
    m_box->setWindowModality(Qt::WindowModal);
    connect(m_box.get(), &QDialog::finished, this, &MessageBox::handleFinished);
    m_box->show();
    emit visibleChanged();
}

void MessageBox::close()
{
    if (!m_box)
        return;
    m_box->disconnect(this);
    m_box.reset();
    emit visibleChanged();
}

void MessageBox::handleFinished()
{
    // The box goes once its signal has returned.
    QMessageBox *box = m_box.release();
    box->disconnect(this);
    box->deleteLater();
    const QMessageBox::ButtonRole role = box->buttonRole(box->clickedButton());
    emit visibleChanged();
    if (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole || role == QMessageBox::ApplyRole)
        emit accepted();
    else
        emit rejected();
}

} // namespace Internal
} // namespace Mimicry
