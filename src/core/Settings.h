#pragma once

#include <QString>
#include <QVariant>

class QWidget;

// The process-wide option store. Every write is synced at once; every call
// is safe from any thread.
class Settings
{
public:
    // Creates the store (the application's organisation and name select it)
    // and handles the first run.
    static void initialize();
    static bool isInitialized();

    // True when this start is the first one on this user account.
    static bool isFirstRun;
    // Whether the normal quit writes the main window's geometry back.
    static bool saveWindowStateOnExit;

    static bool getBool(const QString &key, bool defaultValue);
    static int getInt(const QString &key, int defaultValue);
    static QString getString(const QString &key, const QString &defaultValue = QString());
    static QVariant value(const QString &key, const QVariant &defaultValue = QVariant());
    static bool contains(const QString &key);
    static void setValue(const QString &key, const QVariant &value);
    // Several keys under one lock and one sync: a reader of the file sees
    // all of them or none.
    static void setValues(const QVariantMap &values);
    static void remove(const QString &key);

    // Group-scoped access for the parts that keep a named group ("cookies").
    static QVariant groupValue(const QString &group, const QString &key,
                               const QVariant &defaultValue = QVariant());
    static void setGroupValue(const QString &group, const QString &key, const QVariant &value);

    // Writes nothing while saveWindowStateOnExit is false (after a reset).
    static void saveWindowState(QWidget *window, const QString &group);
    static void restoreWindowState(QWidget *window, const QString &group);

    // Clears every key, deletes the local data except the downloaded photos
    // and the playlists, deletes the cookie file, then asks the application
    // to quit without writing the window geometry back.
    static void reset();
    // True once reset() has run: nothing may write local data back while the
    // quit it asked for is under way.
    static bool wasReset();

    // The backing file of the store (for diagnostics and tests).
    static QString fileName();

private:
    Settings() = delete;
};
