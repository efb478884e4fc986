#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

namespace fotoria::service {

struct Account {
    QString email;
    QString username;
    QString password;
    QString uuid;
    QString name;
    bool confirmed = true;
    bool serviceAccount = false;
};

// The fixed accounts of the stand-in service, and the tokens and web
// sessions handed out while the process runs.
class Accounts
{
public:
    enum class SignIn { Ok, WrongCredentials, Unconfirmed };

    static const char *const kServiceEmail;
    static const char *const kServicePassword;
    static const char *const kDemoEmail;
    static const char *const kDemoUsername;
    static const char *const kDemoPassword;
    static const char *const kUnconfirmedEmail;

    Accounts();

    // login is an e-mail (any case) or a user name.
    SignIn signIn(const QString &login, const QString &password, Account *account, QString *token);
    std::optional<Account> byToken(const QString &token) const;
    std::optional<Account> byUuid(const QString &uuid) const;

    // Empty on success, else the reason.
    QString changeEmail(const QString &uuid, const QString &email);

    QString newSession(const QString &uuid);
    std::optional<Account> bySession(const QString &session) const;

    // The "user" object of the REST replies.
    static QJsonObject toJson(const Account &account, const QString &base);

private:
    static QString randomHex(int bytes);
    int indexOf(const QString &login) const;
    // The account with this uuid; the caller holds the lock.
    std::optional<Account> byUuidLocked(const QString &uuid) const;

    mutable std::mutex m_mutex;
    QList<Account> m_accounts;
    QHash<QString, QString> m_tokens;   // token -> uuid
    QHash<QString, QString> m_sessions; // session -> uuid
};

} // namespace fotoria::service
