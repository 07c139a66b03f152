#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the application's modal message boxes the way a user would, and
// remembers what each one said.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
        QString informativeText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        bool checkBoxVisible = false;
        QWidget *parent = nullptr;
        // The window that the window manager keeps the box over.
        QWindow *transientParent = nullptr;
    };

    explicit ModalAnswerer(QObject *parent = nullptr);

    // The button to press on the next boxes; a box without it is closed with
    // its escape button.
    void setAnswer(QMessageBox::StandardButton button) { m_answer = button; }
    // Ticks the box's check box before answering.
    void setTickCheckBox(bool tick) { m_tickCheckBox = tick; }

    QList<Box> boxes() const { return m_boxes; }
    QStringList texts() const;

signals:
    void answered();

private:
    void poll();

    QTimer m_timer;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    bool m_tickCheckBox = false;
    QList<Box> m_boxes;
};
