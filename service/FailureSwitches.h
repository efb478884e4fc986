#pragma once

#include <QMap>
#include <QtGlobal>
#include <QString>

#include <mutex>
#include <optional>

namespace fotoria::service {

// A failure that tests ask the service to play for one path.
struct Failure {
    QString mode;     // http_error, empty, malformed, redirect, redirect_loop, redirect_to, redirect_chain,
                      // hang, status, slow, huge, drip
    int status = 0;   // 0: the mode's own default
    QString message;
    QString body;
    QString location; // redirect_to: the Location sent, taken as given
    int remaining = -1; // requests left; -1 until cleared
    int delayMs = 2000; // slow: the wait before the normal answer; drip: between bytes
    qint64 size = 200 * 1024 * 1024; // huge: the body's bytes; drip: the bytes before it ends
    bool chunked = false; // huge: without Content-Length
    bool announced = false; // drip: with Content-Length
    int hops = 10; // redirect_chain: the redirects before the normal answer
};

class FailureSwitches
{
public:
    static bool isKnownMode(const QString &mode);

    void set(const QString &path, const Failure &failure);
    void clear();

    // The failure for this request, consuming one of its count. The request
    // that follows a "redirect" (marked by the query) answers normally.
    std::optional<Failure> take(const QString &path, bool redirectedRequest);

private:
    std::mutex m_mutex;
    QMap<QString, Failure> m_failures;
};

} // namespace fotoria::service
