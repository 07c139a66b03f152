#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QVariantList>

#include <memory>

class ModalAnswerer;

// Lets the QML tests answer the modal message boxes (the WarningDialogs) and
// read what the non-modal ones (the QML message dialogs) show.
class DialogProbe : public QObject
{
    Q_OBJECT

public:
    explicit DialogProbe(QObject *parent = nullptr);
    ~DialogProbe() override;

    // From now on every modal box is answered with `button` (a
    // QMessageBox::StandardButton), after ticking its check box if asked.
    Q_INVOKABLE void answerWith(int button, bool tickCheckBox = false);
    // Modal boxes stay open again; what was answered is forgotten.
    Q_INVOKABLE void stopAnswering();
    // What the answered boxes said: text, buttons and checkBoxVisible.
    Q_INVOKABLE QVariantList answeredBoxes() const;

    // The text of each visible message box as the user reads it, that is
    // after any rich text was rendered.
    Q_INVOKABLE QStringList shownMessageBoxTexts() const;

private:
    std::unique_ptr<ModalAnswerer> m_answerer;
};
