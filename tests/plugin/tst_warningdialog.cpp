#include <plugin/warningdialog.h>

#include "modalanswerer.h"

#include <idehost.h>

#include <QApplication>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Mimicry::Internal::WarningDialog;

// The pages' tests answer the dialog with every button that changes what
// they show; the rest is checked here.
class tst_WarningDialog : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void tst_WarningDialog::answers_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("emitted");
    // A check box the user could not see was not ticked by the user.
    QTest::newRow("OK, hidden box ticked") << int(QMessageBox::Ok) << QStringList{"accepted false"};
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringList{"rejected"};
}

void tst_WarningDialog::answers()
{
    QFETCH(int, answer);
    QFETCH(QStringList, emitted);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    IdeHost host(&settings);
    WarningDialog dialog;
    dialog.setText(QStringLiteral("Continue?"));
    dialog.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    dialog.setWithDoNotShowAgainCheckBox(false);
    QStringList seen;
    connect(&dialog, &WarningDialog::accepted, this, [&seen](bool doNotShowAgain) {
        seen << QStringLiteral("accepted %1").arg(QVariant(doNotShowAgain).toString());
    });
    connect(&dialog, &WarningDialog::rejected, this, [&seen] { seen << QStringLiteral("rejected"); });

    ModalAnswerer answerer;
    answerer.setAnswer(QMessageBox::StandardButton(answer));
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

    QCOMPARE(seen, emitted);
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
