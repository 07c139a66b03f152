#include <plugin/warningdialog.h>

#include "modalanswerer.h"

#include <idehost.h>

#include <QApplication>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Mimicry::Internal::WarningDialog;

const char question[] = "The sensors values will be reset. Do you want to continue?";

class tst_WarningDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void answers_data();
    void answers();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
};

void tst_WarningDialog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    m_host = std::make_unique<IdeHost>(m_settings.get());
}

void tst_WarningDialog::answers_data()
{
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<bool>("withCheckBox");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QStringList>("outcome");

    const QMessageBox::StandardButtons okCancel = QMessageBox::Ok | QMessageBox::Cancel;
    const QMessageBox::StandardButtons applyDiscard = QMessageBox::Apply | QMessageBox::Discard;
    const QStringList acceptedChecked{"accepted true"};
    const QStringList acceptedUnchecked{"accepted false"};

    QTest::newRow("OK, box ticked") << okCancel << true << int(QMessageBox::Ok) << true << acceptedChecked;
    QTest::newRow("OK, box left") << okCancel << true << int(QMessageBox::Ok) << false << acceptedUnchecked;
    QTest::newRow("OK, hidden box ticked") << okCancel << false << int(QMessageBox::Ok) << true << acceptedUnchecked;
    QTest::newRow("Cancel, box ticked") << okCancel << true << int(QMessageBox::Cancel) << true
                                        << QStringList{"rejected"};
    QTest::newRow("closed without a button") << okCancel << true << int(QMessageBox::Close) << true << QStringList();
    QTest::newRow("Apply, box ticked") << applyDiscard << true << int(QMessageBox::Apply) << true << acceptedChecked;
    QTest::newRow("Discard") << applyDiscard << false << int(QMessageBox::Discard) << false << QStringList{"rejected"};
}

void tst_WarningDialog::answers()
{
    QFETCH(QMessageBox::StandardButtons, buttons);
    QFETCH(bool, withCheckBox);
    QFETCH(int, answer);
    QFETCH(bool, tick);
    QFETCH(QStringList, outcome);

    WarningDialog dialog;
    dialog.setText(QLatin1String(question));
    dialog.setStandardButtons(buttons);
    dialog.setWithDoNotShowAgainCheckBox(withCheckBox);
    QStringList emitted;
    connect(&dialog, &WarningDialog::accepted, this, [&emitted](bool doNotShowAgain) {
        emitted << QStringLiteral("accepted %1").arg(QVariant(doNotShowAgain).toString());
    });
    connect(&dialog, &WarningDialog::rejected, this, [&emitted] { emitted << QStringLiteral("rejected"); });

    ModalAnswerer answerer;
    answerer.setAnswer(QMessageBox::StandardButton(answer));
    answerer.setTickCheckBox(tick);
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

    QCOMPARE(emitted, outcome);
    QCOMPARE(answerer.boxes().size(), 1);
    const ModalAnswerer::Box box = answerer.boxes().constFirst();
    QCOMPARE(box.title, QStringLiteral("Warning"));
    QCOMPARE(box.text, QLatin1String(question));
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons, buttons);
    QCOMPARE(box.checkBoxVisible, withCheckBox);
    // Modal over the IDE, and gone once answered.
    QCOMPARE(parent, static_cast<QWidget *>(m_host->mainWindow()));
    QVERIFY(flags.testFlag(Qt::Dialog));
    QVERIFY(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(m_host->mainWindow()->findChildren<QMessageBox *>().isEmpty());
}

QTEST_MAIN(tst_WarningDialog)
#include "tst_warningdialog.moc"
