#pragma once

#include <QObject>
#include <QString>

class BackgroundFetch;

// Changes the signed-in account's e-mail address at the service. The request
// runs on a pool thread and is cancelled when this object goes (quitting
// never waits for the service); the outcome comes back on this object's
// thread as finished_Signal. After a change the account record is signed out, since
// the service ties the sign-in to the old address.
class EmailChange : public QObject
{
    Q_OBJECT

public:
    explicit EmailChange(QObject *parent = nullptr);

    // True while a person (not the built-in service account) is signed in
    // with a token and an account identifier.
    static bool canChange();

    // Nothing happens for an empty address, while no person is signed in or
    // while a change is under way; an address without "@" ends at once in
    // finished_Signal(false, reason). Returns whether finished_Signal follows.
    bool change(const QString &newEmail);
    bool isBusy() const;

signals:
    // `message` is for the user: the new address, or why it was not taken
    // (the service's own words when it gave any).
    void finished_Signal(bool changed, const QString &message);

private:
    void replied(const QVariant &result);

    BackgroundFetch *m_fetch;
    QString m_newEmail;
};
