#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// The running instance's end of the single-instance channel. It lives on the
// thread that makes it and wakes only when a client connects or sends. A
// message is everything one client writes before it closes its end, read as
// UTF-8; "CMD:" (any letter case) followed by a command name is a command.
class LocalServer : public QObject
{
    Q_OBJECT
public:
    // "com.fotoria.tessel" in a folder only this user can enter: the
    // runtime folder, else "fotoria-<uid>" in the temporary folder or in the
    // cache folder, created 0700. Empty when there is none.
    static QString defaultName();

    explicit LocalServer(const QString &name = defaultName(), QObject *parent = nullptr);
    ~LocalServer() override;

    // Takes the name, for this user only. What a crashed instance left there
    // (or a file squatting it), on which nothing answers, is replaced. False
    // when a live server holds the name or it cannot be taken (logged).
    bool listen();
    bool isListening() const;
    // Closes the server and every connection; the name is free again.
    void close();

    // The client's side: one message to the server answering on `name`.
    // False when nothing answers there.
    static bool send(const QString &name, const QByteArray &message, int timeoutMs = 1000);
    static bool answers(const QString &name, int timeoutMs = 100);

signals:
    void dataReceived(QString data);
    void privateDataReceived(QString data);
    void showUp();
    // "next", "previous", "pause", "resume" or "favorite".
    void commandReceived(QString command);

public slots:
    void slotNewConnection();
    void slotOnData(QString data);

private:
    // A file or folder squatting the name is renamed "<name>.unusable".
    static void setAsideWhatIsNoSocket(const QString &path);
    void read(QLocalSocket *socket);
    void finish(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server;
    // Accepted connections and what each has sent so far.
    QHash<QLocalSocket *, QByteArray> m_received;
};
