#include "TestEnvironment.h"

#include <QByteArray>
#include <QDir>

#include <cstdlib>
#include <stdlib.h>

namespace fotoria::test {

namespace {

QString g_home;

void removeHomeAtExit()
{
    if (qEnvironmentVariableIsSet("FOTORIA_KEEP_TEST_HOME"))
        return;
    removeTestFolder(g_home);
}

void setEnv(const char *name, const QString &value)
{
    qputenv(name, QFile::encodeName(value));
}

} // namespace

QString isolateEnvironment()
{
    if (!g_home.isEmpty())
        return g_home;

    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray templ = base + "/fotoria-test-XXXXXX";
    if (!mkdtemp(templ.data()))
        qFatal("cannot create a test home under %s", base.constData());
    g_home = QFile::decodeName(templ);

    const QString config = g_home + "/.config";
    const QString data = g_home + "/.local/share";
    const QString cache = g_home + "/.cache";
    const QString runtime = g_home + "/run";
    const QString tmp = g_home + "/tmp";
    for (const QString &dir : {config, data, cache, runtime, tmp, g_home + "/Documents"})
        QDir().mkpath(dir);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    setEnv("HOME", g_home);
    setEnv("XDG_CONFIG_HOME", config);
    setEnv("XDG_DATA_HOME", data);
    setEnv("XDG_CACHE_HOME", cache);
    setEnv("XDG_RUNTIME_DIR", runtime);
    setEnv("TMPDIR", tmp);
    qunsetenv("XDG_DOCUMENTS_DIR");
    // Settings files are read by tests as text; keep the desktop detection neutral.
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    qunsetenv("KDE_FULL_SESSION");
    qunsetenv("SWAYSOCK");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("GSETTINGS_BACKEND", "memory");
    // Tests run as root, for whom Chromium will not start its sandbox.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The web views draw in software, as in the program (WebProfile).
    qputenv("QT_QUICK_BACKEND", "software");

    std::atexit(removeHomeAtExit);
    return g_home;
}

QString testHome()
{
    return g_home;
}

bool removeTestFolder(const QString &path)
{
    if (path.isEmpty() || g_home.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    // Better safe than sorry: only ever delete inside our own test home.
    if (!clean.startsWith(g_home) || !clean.contains("/fotoria-test-"))
        return false;
    return QDir(clean).removeRecursively();
}

QProcessEnvironment homeEnvironment(QProcessEnvironment base, const QString &home, const QString &tmp)
{
    base.insert("HOME", home);
    base.insert("XDG_CONFIG_HOME", home + "/.config");
    base.insert("XDG_DATA_HOME", home + "/.local/share");
    base.insert("XDG_CACHE_HOME", home + "/.cache");
    base.insert("TMPDIR", tmp.isEmpty() ? home + "/tmp" : tmp);
    return base;
}

} // namespace fotoria::test
