#pragma once

#include <QObject>

#include <memory>

namespace Mimicry {
namespace Internal {

class WindowMessageBox;

// A message box for QML that, unlike the one of QtQuick.Dialogs, is centred
// on the window it is about (see WindowMessageBox). It does not wait for
// an answer: open() returns at once.
class MessageBox : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    // The values of QMessageBox::Icon and QMessageBox::StandardButton, as
    // are those of QtQuick.Dialogs' StandardIcon and StandardButton.
    Q_PROPERTY(int icon READ icon WRITE setIcon NOTIFY iconChanged)
    Q_PROPERTY(int standardButtons READ standardButtons WRITE setStandardButtons NOTIFY standardButtonsChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)

public:
    explicit MessageBox(QObject *parent = nullptr);
    ~MessageBox() override;

    QString title() const { return m_title; }
    void setTitle(const QString &title);
    QString text() const { return m_text; }
    void setText(const QString &text);
    int icon() const { return m_icon; }
    void setIcon(int icon);
    int standardButtons() const { return m_standardButtons; }
    void setStandardButtons(int buttons);
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
    int m_standardButtons = 0x400; // QMessageBox::Ok
    std::unique_ptr<WindowMessageBox> m_box;
};

} // namespace Internal
} // namespace Mimicry
