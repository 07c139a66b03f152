#pragma once

#include "windowdialog.h"

#include <QFileDialog>
#include <QUrl>

#include <memory>

namespace Mimicry {
namespace Internal {

// A dialog for QML that picks one existing file, with the properties of the
// one of QtQuick.Dialogs that the pages use, but centred on the window it is
// about (see WindowDialog). open() returns at once.
class OpenFileDialog : public QObject
{
    Q_OBJECT
    // They take effect when the dialog opens.
    Q_PROPERTY(QString title MEMBER m_title NOTIFY titleChanged)
    Q_PROPERTY(QStringList nameFilters MEMBER m_nameFilters NOTIFY nameFiltersChanged)
    Q_PROPERTY(QUrl fileUrl READ fileUrl NOTIFY fileUrlChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)

public:
    explicit OpenFileDialog(QObject *parent = nullptr);
    ~OpenFileDialog() override;

    QUrl fileUrl() const { return m_fileUrl; }
    bool isVisible() const { return bool(m_dialog); }

    Q_INVOKABLE void open();
    // Takes the dialog away without a choice.
    Q_INVOKABLE void close();

signals:
    void titleChanged();
    void nameFiltersChanged();
    void fileUrlChanged();
    void visibleChanged();
    void accepted();
    void rejected();

private:
    void handleFinished(int result);

    QString m_title;
    QStringList m_nameFilters;
    QUrl m_fileUrl;
    std::unique_ptr<WindowDialog<QFileDialog>> m_dialog;
};

} // namespace Internal
} // namespace Mimicry
