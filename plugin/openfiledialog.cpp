#include "openfiledialog.h"

namespace Mimicry {
namespace Internal {

OpenFileDialog::OpenFileDialog(QObject *parent)
    : QObject(parent)
{}

OpenFileDialog::~OpenFileDialog() = default;

void OpenFileDialog::open()
{
    close();
    m_dialog = std::make_unique<WindowDialog<QFileDialog>>(windowOfQmlObject(this), nullptr, m_title);
    m_dialog->setNameFilters(m_nameFilters);
    m_dialog->setFileMode(QFileDialog::ExistingFile);
    // Like the dialogs of QtQuick.Dialogs: the window waits, the IDE does not.
    m_dialog->setWindowModality(Qt::WindowModal);
    connect(m_dialog.get(), &QDialog::finished, this, &OpenFileDialog::handleFinished);
    m_dialog->show();
    emit visibleChanged();
}

void OpenFileDialog::close()
{
    if (!m_dialog)
        return;
    m_dialog->disconnect(this);
    m_dialog.reset();
    emit visibleChanged();
}

void OpenFileDialog::handleFinished(int result)
{
    // The dialog goes once its signal has returned.
    QFileDialog *dialog = m_dialog.release();
    dialog->disconnect(this);
    dialog->deleteLater();
    emit visibleChanged();
    if (result != QDialog::Accepted || dialog->selectedUrls().isEmpty()) {
        emit rejected();
        return;
    }
    m_fileUrl = dialog->selectedUrls().constFirst();
    emit fileUrlChanged();
    emit accepted();
}

} // namespace Internal
} // namespace Mimicry
