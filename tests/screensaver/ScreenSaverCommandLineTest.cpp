#include "TestMain.h"

#include <ScreenSaverCommandLine.h>

using Mode = ScreenSaverCommandLine::Mode;

class ScreenSaverCommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void modes_data();
    void modes();
    void usageText();
};

void ScreenSaverCommandLineTest::modes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<quintptr>("xscreensaverWindow");
    QTest::addColumn<int>("mode");
    QTest::addColumn<quintptr>("parentWindow");
    QTest::addColumn<bool>("usage");

    const auto A = [](std::initializer_list<const char *> list) {
        QStringList args { QStringLiteral("fotoria-screensaver") };
        for (const char *a : list)
            args << QString::fromLatin1(a);
        return args;
    };
    const quintptr none = 0;
    QTest::newRow("no argument") << A({}) << none << int(Mode::NoMode) << none << true;
    QTest::newRow("/s") << A({ "/s" }) << none << int(Mode::FullScreenMode) << none << false;
    QTest::newRow("/c") << A({ "/c" }) << none << int(Mode::ConfigurationMode) << none << false;
    QTest::newRow("/c:2034") << A({ "/c:2034" }) << none << int(Mode::ConfigurationMode) << none << false;
    // Substring tests: "/cs" holds "/c" but not "/s"; "/c/s" holds both and /s wins.
    QTest::newRow("/cs holds only /c")
        << A({ "/cs" }) << none << int(Mode::ConfigurationMode) << none << false;
    QTest::newRow("/c/s: /s is tested first")
        << A({ "/c/s" }) << none << int(Mode::FullScreenMode) << none << false;
    QTest::newRow("upper case /S matches nothing")
        << A({ "/S" }) << none << int(Mode::NoMode) << none << true;
    QTest::newRow("/x matches nothing") << A({ "/x" }) << none << int(Mode::NoMode) << none << true;
    QTest::newRow("/p 1234") << A({ "/p", "1234" }) << none << int(Mode::PreviewMode) << quintptr(1234)
                             << false;
    QTest::newRow("/p abc reads 0") << A({ "/p", "abc" }) << none << int(Mode::PreviewMode) << none << false;
    QTest::newRow("/p 12ab reads leading digits")
        << A({ "/p", "12ab" }) << none << int(Mode::PreviewMode) << quintptr(12) << false;
    QTest::newRow("/p -5: a negative handle names no window")
        << A({ "/p", "-5" }) << none << int(Mode::PreviewMode) << none << false;
    QTest::newRow("/s /x: only /p counts with two")
        << A({ "/s", "/x" }) << none << int(Mode::NoMode) << none << true;
    QTest::newRow("/p alone") << A({ "/p" }) << none << int(Mode::NoMode) << none << true;
    QTest::newRow("four arguments") << A({ "/p", "1", "2" }) << none << int(Mode::NoMode) << none << true;
    QTest::newRow("xscreensaver --root") << A({ "--root" }) << quintptr(0x1a00007)
                                         << int(Mode::FullScreenMode) << quintptr(0x1a00007) << false;
    QTest::newRow("xscreensaver -root without window")
        << A({ "-root" }) << none << int(Mode::FullScreenMode) << none << false;
    QTest::newRow("xscreensaver --window-id hex") << A({ "--window-id", "0x2c00003" }) << none
                                                  << int(Mode::PreviewMode) << quintptr(0x2c00003) << false;
    QTest::newRow("xscreensaver -window-id decimal")
        << A({ "-window-id", "4711" }) << none << int(Mode::PreviewMode) << quintptr(4711) << false;
}

void ScreenSaverCommandLineTest::modes()
{
    QFETCH(QStringList, args);
    QFETCH(quintptr, xscreensaverWindow);
    const ScreenSaverCommandLine parsed = ScreenSaverCommandLine::parse(args, xscreensaverWindow);
    QTEST(parsed.mode, "mode");
    QTEST(parsed.parentWindow, "parentWindow");
    QTEST(parsed.showUsage, "usage");
}

void ScreenSaverCommandLineTest::usageText()
{
    const QStringList lines = ScreenSaverCommandLine::usageLines();
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines.first(),
        QStringLiteral("ERROR! No parameters were passed to this screensaver. Program will exit!"));
    QCOMPARE(lines.at(7), QStringLiteral("\t Fotoria.scr /p <hwnd>"));
    QCOMPARE(lines.last(), QStringLiteral("\t Fotoria.scr <any other case>"));
    QCOMPARE(ScreenSaverCommandLine::kUsageExitCode, -1);
}

FOTORIA_TEST_GUILESS_MAIN(ScreenSaverCommandLineTest)
#include "ScreenSaverCommandLineTest.moc"
