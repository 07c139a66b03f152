#pragma once

#include <QMessageBox>
#include <QObject>

namespace Mimicry {
namespace Internal {

// A modal question for QML, with an optional "Do not show again" box.
class WarningDialog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QMessageBox::StandardButtons standardButtons READ standardButtons
                   WRITE setStandardButtons NOTIFY standardButtonsChanged)
    Q_PROPERTY(bool withDoNotShowAgainCheckBox READ withDoNotShowAgainCheckBox
                   WRITE setWithDoNotShowAgainCheckBox NOTIFY withDoNotShowAgainCheckBoxChanged)

public:
    explicit WarningDialog(QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QMessageBox::StandardButtons standardButtons() const { return m_standardButtons; }
    void setStandardButtons(QMessageBox::StandardButtons buttons);
    bool withDoNotShowAgainCheckBox() const { return m_withDoNotShowAgainCheckBox; }
    void setWithDoNotShowAgainCheckBox(bool with);

    Q_INVOKABLE void show();

signals:
    void textChanged();
    void standardButtonsChanged();
    void withDoNotShowAgainCheckBoxChanged();
    void accepted(bool doNotShowAgain);
    void rejected();

private:
    QString m_text;
    QMessageBox::StandardButtons m_standardButtons = QMessageBox::Ok | QMessageBox::Cancel;
    bool m_withDoNotShowAgainCheckBox = false;
};

} // namespace Internal
} // namespace Mimicry
