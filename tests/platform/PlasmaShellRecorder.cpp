// Stands in for plasmashell on a test's private session bus: it runs the
// scripts sent to org.kde.PlasmaShell.evaluateScript against fake desktops,
// the way Plasma's desktop scripting does, and writes every desktop's plugin
// and config to a JSON file after each script.
//
// plasma-shell-recorder [--first-line=TEXT] [--screens=X,Y;...] <state.json> <wallpaper plugin of each
// desktop>...
// --first-line: a line of Plasma's own printed before each script's output.
// --screens: desktop i is on screen i, whose top-left corner is the i-th X,Y.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QJSEngine>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QQmlEngine>
#include <QSaveFile>
#include <QTextStream>

namespace {

class FakeDesktop : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString wallpaperPlugin MEMBER m_plugin)
    Q_PROPERTY(QStringList currentConfigGroup MEMBER m_group)

public:
    FakeDesktop(const QString &plugin, QObject *parent)
        : QObject(parent)
        , m_plugin(plugin)
    {
    }

    Q_INVOKABLE void writeConfig(const QString &key, const QJSValue &value)
    {
        const QString group = m_group.join(QLatin1Char('/'));
        QJsonObject entries = m_config.value(group).toObject();
        entries.insert(key, QJsonValue::fromVariant(value.toVariant()));
        m_config.insert(group, entries);
    }

    Q_INVOKABLE QJSValue readConfig(const QString &key, const QJSValue &fallback) const
    {
        const QJsonValue value = m_config.value(m_group.join(QLatin1Char('/'))).toObject().value(key);
        return value.isUndefined() ? fallback : qjsEngine(this)->toScriptValue(value.toVariant());
    }

    QJsonObject state() const
    {
        return { { QStringLiteral("plugin"), m_plugin }, { QStringLiteral("config"), m_config } };
    }

private:
    QString m_plugin;
    QStringList m_group;
    QJsonObject m_config; // "Wallpaper/org.kde.image/General" -> { key: value }
};

// The global functions of Plasma's scripting API.
class ScriptApi : public QObject
{
    Q_OBJECT

public:
    ScriptApi(QJSEngine *engine, const QList<FakeDesktop *> &desktops, const QList<QPoint> &screens)
        : m_engine(engine)
        , m_desktops(desktops)
        , m_screens(screens)
    {
    }

    Q_INVOKABLE QJSValue desktopForScreen(int screen) const
    {
        return screen >= 0 && screen < m_desktops.size() ? m_engine->newQObject(m_desktops.at(screen))
                                                         : QJSValue(QJSValue::NullValue);
    }

    Q_INVOKABLE QJSValue screenGeometry(int screen) const
    {
        const QPoint corner = m_screens.value(screen);
        QJSValue rect = m_engine->newObject();
        rect.setProperty(QStringLiteral("x"), corner.x());
        rect.setProperty(QStringLiteral("y"), corner.y());
        return rect;
    }

    Q_INVOKABLE QJSValue desktops() const
    {
        QJSValue list = m_engine->newArray(uint(m_desktops.size()));
        for (int i = 0; i < m_desktops.size(); ++i)
            list.setProperty(quint32(i), m_engine->newQObject(m_desktops.at(i)));
        return list;
    }

    // Plasma adds no line break between prints.
    Q_INVOKABLE void print(const QJSValue &text) { m_output += text.toString(); }

    QString output() const { return m_output; }

private:
    QJSEngine *m_engine;
    QList<FakeDesktop *> m_desktops;
    QList<QPoint> m_screens;
    QString m_output;
};

class PlasmaShell : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    PlasmaShell(const QString &stateFile, const QStringList &plugins, const QString &firstLine,
        const QList<QPoint> &screens)
        : m_stateFile(stateFile)
        , m_firstLine(firstLine)
        , m_screens(screens)
    {
        for (const QString &plugin : plugins)
            m_desktops.append(new FakeDesktop(plugin, this));
    }

    bool saveState() const
    {
        QJsonArray desktops;
        for (const FakeDesktop *desktop : m_desktops)
            desktops.append(desktop->state());
        QSaveFile file(m_stateFile);
        return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(desktops).toJson()) > 0
            && file.commit();
    }

public slots:
    // As Plasma: a fresh engine per script, its printed text as the answer,
    // a script error as an error reply.
    QString evaluateScript(const QString &script)
    {
        QJSEngine engine;
        ScriptApi api(&engine, m_desktops, m_screens);
        QQmlEngine::setObjectOwnership(&api, QQmlEngine::CppOwnership);
        const QJSValue apiValue = engine.newQObject(&api);
        engine.globalObject().setProperty(QStringLiteral("screenCount"), m_screens.size());
        for (const char *name : { "desktops", "print", "desktopForScreen", "screenGeometry" })
            engine.globalObject().setProperty(QLatin1String(name), apiValue.property(QLatin1String(name)));
        const QJSValue result = engine.evaluate(script);
        saveState();
        if (result.isError()) {
            sendErrorReply(QDBusError::Failed, result.toString());
            return QString();
        }
        return m_firstLine + api.output();
    }

private:
    QString m_stateFile;
    QString m_firstLine; // with its line break
    QList<FakeDesktop *> m_desktops;
    QList<QPoint> m_screens;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QTextStream err(stderr);
    const QString firstLineOption = QStringLiteral("--first-line=");
    QString firstLine;
    if (!arguments.isEmpty() && arguments.first().startsWith(firstLineOption))
        firstLine = arguments.takeFirst().mid(firstLineOption.size()) + QLatin1Char('\n');
    QList<QPoint> screens;
    if (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--screens="))) {
        const QStringList corners = arguments.takeFirst().mid(10).split(QLatin1Char(';'));
        for (const QString &corner : corners)
            screens.append(QPoint(
                corner.section(QLatin1Char(','), 0, 0).toInt(), corner.section(QLatin1Char(','), 1).toInt()));
    }
    if (arguments.isEmpty()) {
        err << "usage: plasma-shell-recorder [--first-line=TEXT] <state.json> <wallpaper plugin>...\n";
        return 2;
    }
    PlasmaShell shell(arguments.takeFirst(), arguments, firstLine, screens);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/PlasmaShell"), &shell, QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.kde.plasmashell"))) {
        err << "cannot offer org.kde.plasmashell: " << bus.lastError().message() << '\n';
        return 1;
    }
    // The state file appearing tells the test that the service is there.
    if (!shell.saveState()) {
        err << "cannot write the state file\n";
        return 1;
    }
    return app.exec();
}

#include "PlasmaShellRecorder.moc"
