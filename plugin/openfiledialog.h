#pragma once

#include "qmldialog.h"

#include <QUrl>

namespace Mimicry {
namespace Internal {

// A dialog for QML that picks one existing file, with the properties of the
// one of QtQuick.Dialogs that the pages use, but centred on the window it is
// about.
class OpenFileDialog : public QmlDialog
{
    Q_OBJECT
    // Takes effect when the dialog opens.
    Q_PROPERTY(QStringList nameFilters MEMBER m_nameFilters NOTIFY nameFiltersChanged)
    Q_PROPERTY(QUrl fileUrl READ fileUrl NOTIFY fileUrlChanged)

public:
    explicit OpenFileDialog(QObject *parent = nullptr);

    QUrl fileUrl() const { return m_fileUrl; }

signals:
    void nameFiltersChanged();
    void fileUrlChanged();

private:
    std::unique_ptr<QDialog> createDialog() override;
    bool isAccepted(QDialog *dialog, int result) override;

    QStringList m_nameFilters;
    QUrl m_fileUrl;
};

} // namespace Internal
} // namespace Mimicry
