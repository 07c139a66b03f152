#include <plugin/warningdialog.h>

#include "modalanswerer.h"

#include <idehost.h>

#include <QApplication>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Mimicry::Internal::WarningDialog;

// The pages' tests answer the dialog with every button, with and without its
// check box; what they cannot see is checked here.
class tst_WarningDialog : public QObject
{
    Q_OBJECT

private slots:
    void hiddenCheckBoxCountsAsUnticked();
};

void tst_WarningDialog::hiddenCheckBoxCountsAsUnticked()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    IdeHost host(&settings);
    WarningDialog dialog;
    dialog.setText(QStringLiteral("Continue?"));
    dialog.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    dialog.setWithDoNotShowAgainCheckBox(false);
    QSignalSpy accepted(&dialog, &WarningDialog::accepted);

    ModalAnswerer answerer;
    answerer.setAnswer(QMessageBox::Ok);
    answerer.setTickCheckBox(true);
    // Looks at the box while it is open, before the answerer's first turn.
    QWidget *parent = nullptr;
    Qt::WindowFlags flags;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, this, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            parent = modal->parentWidget();
            flags = modal->windowFlags();
        }
    });
    probe.start();
    dialog.show();
    probe.stop();

    QCOMPARE(accepted.size(), 1);
    QCOMPARE(accepted.at(0).at(0).toBool(), false);
    QCOMPARE(answerer.boxes().size(), 1);
    const ModalAnswerer::Box box = answerer.boxes().constFirst();
    QCOMPARE(box.title, QStringLiteral("Warning"));
    QCOMPARE(box.icon, QMessageBox::Question);
    // Modal over the IDE, and gone once answered.
    QCOMPARE(parent, static_cast<QWidget *>(host.mainWindow()));
    QVERIFY(flags.testFlag(Qt::Dialog));
    QVERIFY(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(host.mainWindow()->findChildren<QMessageBox *>().isEmpty());
}

QTEST_MAIN(tst_WarningDialog)
#include "tst_warningdialog.moc"
