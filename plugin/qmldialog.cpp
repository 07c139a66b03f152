#include "qmldialog.h"

namespace Mimicry {
namespace Internal {

QmlDialog::QmlDialog(QObject *parent)
    : QObject(parent)
{}

QmlDialog::~QmlDialog() = default;

void QmlDialog::open()
{
    close();
    m_dialog = createDialog();
    // Like the dialogs of QtQuick.Dialogs: the window waits, the IDE does not.
    m_dialog->setWindowModality(Qt::WindowModal);
    connect(m_dialog.get(), &QDialog::finished, this, &QmlDialog::handleFinished);
    m_dialog->show();
    emit visibleChanged();
}

void QmlDialog::close()
{
    if (!m_dialog)
        return;
    m_dialog->disconnect(this);
    m_dialog.reset();
    emit visibleChanged();
}

void QmlDialog::handleFinished(int result)
{
    // The dialog goes once its signal has returned.
    QDialog *dialog = m_dialog.release();
    dialog->disconnect(this);
    dialog->deleteLater();
    emit visibleChanged();
    if (isAccepted(dialog, result))
        emit accepted();
    else
        emit rejected();
}

} // namespace Internal
} // namespace Mimicry
