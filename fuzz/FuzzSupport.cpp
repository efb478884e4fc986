#include "FuzzSupport.h"

#include "TestEnvironment.h"

#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fuzz {

namespace {

[[maybe_unused]] void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

void setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    fotoria::test::isolateEnvironment();
    static int argc = 1;
    static char name[] = "fotoria-fuzz";
    static char *argv[] = { name, nullptr };
    // A GUI application as in tessel and the screensaver: settings values
    // of GUI types (pens, pictures) are read through it. No display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: libFuzzer ends the process with exit().
    new QGuiApplication(argc, argv);
#ifdef FOTORIA_FUZZ
    if (!qEnvironmentVariableIsSet("FOTORIA_FUZZ_VERBOSE"))
        qInstallMessageHandler(quiet);
#endif
}

QString scratch(const QString &name)
{
    const QString path = fotoria::test::testHome() + QStringLiteral("/fuzz/") + name;
    QDir().mkpath(path);
    return path;
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        // Someone cleaned the temporary folder under a long run.
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::abort();
        }
    }
    return file.write(content) == content.size();
}

} // namespace fuzz
