#pragma once

#include <QByteArray>
#include <QString>

class QUrl;

// Makes text fit for the log and for problem reports, which leave the
// machine: addresses lose what may carry a secret (user-info, query,
// fragment), reply bodies lose tokens, passwords and e-mail addresses.
namespace LogScrub {

// The address without user-info, query and fragment.
QString url(const QUrl &address);

// Every address in the text (a reply's errorString names the whole URL)
// reduced as url() does.
QString text(const QString &message);

// The user-info of every address in the text replaced by "<hidden>",
// the rest kept: "http://bob:pw@proxy:3128" → "http://<hidden>@proxy:3128".
// Also "bob:pw@proxy" without a scheme.
QString credentials(const QString &text);

// A JSON body with the values of token, password, secret and e-mail keys
// masked; anything that is not JSON is told only by its size.
QByteArray json(const QByteArray &body);

// A reply body for the log: json(), cut to its first kBodyBytes with the
// whole size told after it.
constexpr int kBodyBytes = 2048;
QByteArray body(const QByteArray &body);

} // namespace LogScrub
