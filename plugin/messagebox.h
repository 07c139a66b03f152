#pragma once

#include "qmldialog.h"

#include <QMessageBox>

namespace Mimicry {
namespace Internal {

// A message box for QML, centred on the window it is about.
class MessageBox : public QmlDialog
{
    Q_OBJECT
    // They take effect when the box opens.
    Q_PROPERTY(QString text MEMBER m_text NOTIFY textChanged)
    // The values of QMessageBox::Icon and QMessageBox::StandardButton, as
    // are those of QtQuick.Dialogs' StandardIcon and StandardButton.
    Q_PROPERTY(int icon MEMBER m_icon NOTIFY iconChanged)
    Q_PROPERTY(int standardButtons MEMBER m_standardButtons NOTIFY standardButtonsChanged)

public:
    explicit MessageBox(QObject *parent = nullptr);

signals:
    void textChanged();
    void iconChanged();
    void standardButtonsChanged();

private:
    std::unique_ptr<QDialog> createDialog() override;
    bool isAccepted(QDialog *dialog, int result) override;

    QString m_text;
    int m_icon = 0;
    int m_standardButtons = QMessageBox::Ok;
};

} // namespace Internal
} // namespace Mimicry
