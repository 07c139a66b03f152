#pragma once

#include <QDialog>

#include <memory>

namespace Mimicry {
namespace Internal {

// A dialog for QML that, unlike those of QtQuick.Dialogs, is centred on the
// window it is about (see WindowDialog). It does not wait for an answer:
// open() returns at once, and accepted() or rejected() follows.
class QmlDialog : public QObject
{
    Q_OBJECT
    // Takes effect when the dialog opens.
    Q_PROPERTY(QString title MEMBER m_title NOTIFY titleChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)

public:
    ~QmlDialog() override;

    bool isVisible() const { return bool(m_dialog); }

    // Shows the dialog with the current properties.
    Q_INVOKABLE void open();
    // Takes the dialog away without an answer.
    Q_INVOKABLE void close();

signals:
    void titleChanged();
    void visibleChanged();
    void accepted();
    void rejected();

protected:
    explicit QmlDialog(QObject *parent);

    QString title() const { return m_title; }

    // A WindowDialog made from the current properties.
    virtual std::unique_ptr<QDialog> createDialog() = 0;
    // Whether the dialog, finished with `result`, was answered yes.
    virtual bool isAccepted(QDialog *dialog, int result) = 0;

private:
    void handleFinished(int result);

    QString m_title;
    std::unique_ptr<QDialog> m_dialog;
};

} // namespace Internal
} // namespace Mimicry
