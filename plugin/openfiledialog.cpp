#include "openfiledialog.h"

#include "windowdialog.h"

#include <QFileDialog>

namespace Mimicry {
namespace Internal {

OpenFileDialog::OpenFileDialog(QObject *parent)
    : QmlDialog(parent)
{}

std::unique_ptr<QDialog> OpenFileDialog::createDialog()
{
    auto dialog = std::make_unique<WindowDialog<QFileDialog>>(windowOfQmlObject(this), nullptr, title());
    dialog->setNameFilters(m_nameFilters);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog;
}

bool OpenFileDialog::isAccepted(QDialog *dialog, int result)
{
    const QList<QUrl> urls = static_cast<QFileDialog *>(dialog)->selectedUrls();
    if (result != QDialog::Accepted || urls.isEmpty())
        return false;
    m_fileUrl = urls.constFirst();
    emit fileUrlChanged();
    return true;
}

} // namespace Internal
} // namespace Mimicry
