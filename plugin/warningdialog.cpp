#include "warningdialog.h"

#include "windowdialog.h"

#include <QCheckBox>

namespace Mimicry {
namespace Internal {

WarningDialog::WarningDialog(QObject *parent)
    : QObject(parent)
{}

void WarningDialog::setText(const QString &text)
{
    m_text = text;
    emit textChanged();
}

void WarningDialog::setStandardButtons(QMessageBox::StandardButtons buttons)
{
    m_standardButtons = buttons;
    emit standardButtonsChanged();
}

void WarningDialog::setWithDoNotShowAgainCheckBox(bool with)
{
    m_withDoNotShowAgainCheckBox = with;
    emit withDoNotShowAgainCheckBoxChanged();
}

void WarningDialog::show()
{
    WindowDialog<QMessageBox> box(windowOfQmlObject(this), QMessageBox::Question, tr("Warning"), m_text,
                                  m_standardButtons, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    // Read once: QML may change the property while the box is open.
    const bool withCheckBox = m_withDoNotShowAgainCheckBox;
    auto checkBox = new QCheckBox(tr("Do not show again"), &box);
    box.setCheckBox(checkBox);
    checkBox->setVisible(withCheckBox);

    const int answer = box.exec();
    switch (answer) {
    case QMessageBox::Ok:
    case QMessageBox::Apply:
        emit accepted(withCheckBox && checkBox->isChecked());
        break;
    case QMessageBox::Cancel:
    case QMessageBox::Discard:
        emit rejected();
        break;
    default:
        break;
    }
}

} // namespace Internal
} // namespace Mimicry
