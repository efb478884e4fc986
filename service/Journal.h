#pragma once

#include <httplib.h>

#include <QJsonArray>
#include <QJsonValue>

#include <mutex>

namespace fotoria::service {

// Every request the service answers, in arrival order, for tests to read.
// Bounded so a long interactive session cannot grow it without limit.
class Journal
{
public:
    static constexpr int kMaxEntries = 5000;

    void record(const httplib::Request &req, bool tls, const QJsonValue &decoded);
    QJsonArray entries() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    QJsonArray m_entries;
};

} // namespace fotoria::service
