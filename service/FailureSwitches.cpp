#include "FailureSwitches.h"

#include <QStringList>

namespace fotoria::service {

bool FailureSwitches::isKnownMode(const QString &mode)
{
    static const QStringList modes{QStringLiteral("http_error"), QStringLiteral("empty"),
                                   QStringLiteral("malformed"), QStringLiteral("redirect"),
                                   QStringLiteral("redirect_loop"), QStringLiteral("redirect_to"),
                                   QStringLiteral("redirect_chain"), QStringLiteral("hang"),
                                   QStringLiteral("status"), QStringLiteral("slow"),
                                   QStringLiteral("huge"), QStringLiteral("drip")};
    return modes.contains(mode);
}

void FailureSwitches::set(const QString &path, const Failure &failure)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failures.insert(path, failure);
}

void FailureSwitches::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failures.clear();
}

std::optional<Failure> FailureSwitches::take(const QString &path, bool redirectedRequest)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_failures.find(path);
    if (it == m_failures.end())
        return std::nullopt;
    if (redirectedRequest && it->mode == QLatin1String("redirect"))
        return std::nullopt;
    Failure failure = *it;
    if (it->remaining > 0 && --it->remaining == 0)
        m_failures.erase(it);
    return failure;
}

} // namespace fotoria::service
