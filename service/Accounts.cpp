#include "Accounts.h"

#include <QRandomGenerator>

namespace fotoria::service {

const char *const Accounts::kServiceEmail = "desktop@fotoria.com";
const char *const Accounts::kServicePassword = "73051942kK";
const char *const Accounts::kDemoEmail = "demo@fotoria.com";
const char *const Accounts::kDemoUsername = "demo";
const char *const Accounts::kDemoPassword = "demo1234";
const char *const Accounts::kUnconfirmedEmail = "unconfirmed@fotoria.com";

Accounts::Accounts()
{
    Account service;
    service.email = QString::fromLatin1(kServiceEmail);
    service.username = QStringLiteral("desktop");
    service.password = QString::fromLatin1(kServicePassword);
    service.uuid = QStringLiteral("5f0c3a52-1d7e-4b8a-9c61-0e2d4f7a8b13");
    service.name = QStringLiteral("Fotoria Desktop");
    service.serviceAccount = true;

    Account demo;
    demo.email = QString::fromLatin1(kDemoEmail);
    demo.username = QString::fromLatin1(kDemoUsername);
    demo.password = QString::fromLatin1(kDemoPassword);
    demo.uuid = QStringLiteral("a3e1b7c4-62d9-4f05-8e3a-7b9c1d2e4f60");
    demo.name = QStringLiteral("Demo User");

    Account unconfirmed;
    unconfirmed.email = QString::fromLatin1(kUnconfirmedEmail);
    unconfirmed.username = QStringLiteral("unconfirmed");
    unconfirmed.password = QString::fromLatin1(kDemoPassword);
    unconfirmed.uuid = QStringLiteral("0b7d2e91-4c3a-4e58-a1f6-92c8d5e3b7a4");
    unconfirmed.name = QStringLiteral("New Member");
    unconfirmed.confirmed = false;

    m_accounts = {service, demo, unconfirmed};
}

QString Accounts::randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (int i = 0; i < bytes; ++i)
        raw[i] = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(raw.toHex());
}

int Accounts::indexOf(const QString &login) const
{
    for (int i = 0; i < m_accounts.size(); ++i) {
        const Account &a = m_accounts.at(i);
        if (login.compare(a.email, Qt::CaseInsensitive) == 0 || login == a.username)
            return i;
    }
    return -1;
}

Accounts::SignIn Accounts::signIn(const QString &login, const QString &password,
                                  Account *account, QString *token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int i = indexOf(login.trimmed());
    if (i < 0 || m_accounts.at(i).password != password)
        return SignIn::WrongCredentials;
    const Account &a = m_accounts.at(i);
    if (!a.confirmed)
        return SignIn::Unconfirmed;
    const QString t = randomHex(20);
    m_tokens.insert(t, a.uuid);
    if (account)
        *account = a;
    if (token)
        *token = t;
    return SignIn::Ok;
}

std::optional<Account> Accounts::byUuidLocked(const QString &uuid) const
{
    if (uuid.isEmpty())
        return std::nullopt;
    for (const Account &a : m_accounts)
        if (a.uuid == uuid)
            return a;
    return std::nullopt;
}

std::optional<Account> Accounts::byToken(const QString &token) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return byUuidLocked(m_tokens.value(token));
}

std::optional<Account> Accounts::byUuid(const QString &uuid) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return byUuidLocked(uuid);
}

QString Accounts::changeEmail(const QString &uuid, const QString &email)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QString clean = email.trimmed();
    const int at = clean.indexOf(QLatin1Char('@'));
    if (at <= 0 || at == clean.size() - 1 || clean.contains(QLatin1Char(' ')))
        return QStringLiteral("Please enter a valid email address.");
    const int other = indexOf(clean);
    for (Account &a : m_accounts) {
        if (a.uuid != uuid)
            continue;
        if (other >= 0 && m_accounts.at(other).uuid != uuid)
            return QStringLiteral("This email address is already in use.");
        a.email = clean;
        return QString();
    }
    return QStringLiteral("User not found.");
}

QString Accounts::newSession(const QString &uuid)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QString s = randomHex(16);
    m_sessions.insert(s, uuid);
    return s;
}

std::optional<Account> Accounts::bySession(const QString &session) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return byUuidLocked(m_sessions.value(session));
}

QJsonObject Accounts::toJson(const Account &account, const QString &base)
{
    return QJsonObject{
        {QStringLiteral("email"), account.email},
        {QStringLiteral("uuid"), account.uuid},
        {QStringLiteral("username"), account.username},
        {QStringLiteral("name"), account.name},
        {QStringLiteral("account_url"), base + QStringLiteral("/account/") + account.username},
        {QStringLiteral("confirmed"), account.confirmed},
        {QStringLiteral("created_at"), QStringLiteral("2014-02-11T09:30:00.000Z")},
    };
}

} // namespace fotoria::service
