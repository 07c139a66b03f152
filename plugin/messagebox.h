#pragma once

#include "windowdialog.h"

#include <QMessageBox>

#include <memory>

namespace Mimicry {
namespace Internal {

// A message box for QML that, unlike the one of QtQuick.Dialogs, is centred
// on the window it is about (see WindowDialog). It does not wait for
// an answer: open() returns at once.
class MessageBox : public QObject
{
    Q_OBJECT
    // They take effect when the box opens.
    Q_PROPERTY(QString title MEMBER m_title NOTIFY titleChanged)
    Q_PROPERTY(QString text MEMBER m_text NOTIFY textChanged)
    // The values of QMessageBox::Icon and QMessageBox::StandardButton, as
    // are those of QtQuick.Dialogs' StandardIcon and StandardButton.
    Q_PROPERTY(int icon MEMBER m_icon NOTIFY iconChanged)
    Q_PROPERTY(int standardButtons MEMBER m_standardButtons NOTIFY standardButtonsChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)

public:
    explicit MessageBox(QObject *parent = nullptr);
    ~MessageBox() override;

    bool isVisible() const { return bool(m_box); }

    // Shows the box with the current properties.
    Q_INVOKABLE void open();
    // Takes the box away without an answer.
    Q_INVOKABLE void close();

signals:
    void titleChanged();
    void textChanged();
    void iconChanged();
    void standardButtonsChanged();
    void visibleChanged();
    void accepted();
    void rejected();

private:
    void handleFinished();

    QString m_title;
    QString m_text;
    int m_icon = 0;
    int m_standardButtons = QMessageBox::Ok;
    std::unique_ptr<WindowDialog<QMessageBox>> m_box;
};

} // namespace Internal
} // namespace Mimicry
