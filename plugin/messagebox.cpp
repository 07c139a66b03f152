#include "messagebox.h"

#include "windowdialog.h"

#include <QAbstractButton>

namespace Mimicry {
namespace Internal {

MessageBox::MessageBox(QObject *parent)
    : QmlDialog(parent)
{}

std::unique_ptr<QDialog> MessageBox::createDialog()
{
    return std::make_unique<WindowDialog<QMessageBox>>(
        windowOfQmlObject(this), QMessageBox::Icon(m_icon), title(), m_text,
        QMessageBox::StandardButtons(m_standardButtons), nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
}

bool MessageBox::isAccepted(QDialog *dialog, int)
{
    auto box = static_cast<QMessageBox *>(dialog);
    const QMessageBox::ButtonRole role = box->buttonRole(box->clickedButton());
    return role == QMessageBox::AcceptRole || role == QMessageBox::YesRole || role == QMessageBox::ApplyRole;
}

} // namespace Internal
} // namespace Mimicry
