#include <TestMain.h>

#include <systray/ADownloadUpdateDialog.h>
#include <systray/AutoUpdate.h>

#include <core/Settings.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

class UpdateTest : public QObject
{
    Q_OBJECT

private slots:
    void versionComparison_data();
    void versionComparison();
    void installerFileName_data();
    void installerFileName();
    void dialogStates();
    void launchWithoutScriptKeepsRunning();
};

void UpdateTest::versionComparison_data()
{
    QTest::addColumn<QString>("available");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("newer");

    struct Row { const char *name; const char *version; bool mode0, mode1, mode2; };
    const Row rows[] = {
        {"third number higher", "1.4.1.0", false, true, true},
        {"fourth number higher", "1.4.0.20", false, false, true},
        {"fourth number lower", "1.4.0.18", false, false, true},
        {"same version", "1.4.0.19", false, false, false},
        {"older minor", "1.3.9.99", false, false, false},
        {"major higher, rest lower", "2.0.0.0", false, true, true},
        {"numbers compared as numbers", "1.10.0.0", false, true, true},
        {"three parts", "1.5.0", false, false, false},
        {"five parts", "1.5.0.0.0", false, false, false},
        {"empty", "", false, false, false},
        {"empty part", "1.5..0", false, true, true},
        {"not a number counts as zero", "x.4.1.0", false, false, false},
        {"letters in the fourth part", "1.4.0.beta", false, false, true},
    };
    for (const Row &row : rows) {
        QTest::addRow("%s, mode 0", row.name) << QString::fromLatin1(row.version) << 0 << row.mode0;
        QTest::addRow("%s, mode 1", row.name) << QString::fromLatin1(row.version) << 1 << row.mode1;
        QTest::addRow("%s, mode 2", row.name) << QString::fromLatin1(row.version) << 2 << row.mode2;
    }
    QTest::newRow("unknown mode 3") << "9.9.9.9" << 3 << false;
    QTest::newRow("negative mode") << "9.9.9.9" << -1 << false;
}

void UpdateTest::versionComparison()
{
    QFETCH(QString, available);
    QFETCH(int, mode);
    QFETCH(bool, newer);
    QCOMPARE(AutoUpdate::isNewerVersion(available, QStringLiteral("1.4.0.19"), mode), newer);
}

void UpdateTest::installerFileName_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain") << "https://example.com/files/setup.exe" << "setup.exe";
    QTest::newRow("deep path") << "http://127.0.0.1:8080/downloads/v2/fotoria-1.5.0.0.deb"
                               << "fotoria-1.5.0.0.deb";
    QTest::newRow("query left out") << "https://example.com/setup.exe?sig=a/b" << "setup.exe";
    QTest::newRow("fragment left out") << "https://example.com/setup.exe#x" << "setup.exe";
    QTest::newRow("no name") << "https://example.com/downloads/" << "fotoria-update-installer";
    QTest::newRow("dot dot") << "https://example.com/a/.." << "fotoria-update-installer";
    QTest::newRow("encoded slashes cannot climb out") << "https://example.com/a%2F..%2Fevil" << "evil";
}

void UpdateTest::installerFileName()
{
    QFETCH(QString, link);
    QFETCH(QString, name);
    QCOMPARE(AutoUpdate::installerFileName(link), name);
}

void UpdateTest::dialogStates()
{
    AutoUpdate update;
    ADownloadUpdateDialog dialog(&update);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Downloading update"));
    QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Message"));

    dialog.prepare();
    QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Downloading update..."));
    QVERIFY(dialog.buttonBox()->button(QDialogButtonBox::Ok)->isHidden());
    QVERIFY(!dialog.buttonBox()->button(QDialogButtonBox::Cancel)->isHidden());

    emit update.ProgressMaximum(1000);
    emit update.Progress(250);
    QCOMPARE(dialog.progressBar()->maximum(), 1000);
    QCOMPARE(dialog.progressBar()->value(), 250);

    emit update.UpdateDownloaded(true);
    QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Update downloaded"));
    QPushButton *apply = dialog.buttonBox()->button(QDialogButtonBox::Ok);
    QVERIFY(!apply->isHidden());
    QCOMPARE(apply->text(), QStringLiteral("Apply"));

    // A second download after a failed one starts from the same state.
    dialog.prepare();
    QCOMPARE(dialog.progressBar()->value(), 0);
    emit update.UpdateDownloaded(false);
    QVERIFY(dialog.messageLabel()->text().startsWith(QStringLiteral("Error: ")));
    QVERIFY(!dialog.buttonBox()->button(QDialogButtonBox::Ok));
    QVERIFY(dialog.buttonBox()->button(QDialogButtonBox::Cancel));
}

void UpdateTest::launchWithoutScriptKeepsRunning()
{
    // No hand-over script beside the test program: the client must not quit
    // with nothing installed.
    AutoUpdate update;
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QVERIFY(!update.LaunchUpdate());
    QTest::qWait(0);
    QCOMPARE(quitting.count(), 0);
}

FOTORIA_TEST_MAIN(UpdateTest)
#include "UpdateTest.moc"
