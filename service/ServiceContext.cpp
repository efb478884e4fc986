#include "ServiceContext.h"

namespace fotoria::service {

ServiceContext::ServiceContext(const ServiceOptions &opts)
    : options(opts), photos(catalog, opts.dataDir)
{
}

RequestInfo ServiceContext::info(const httplib::Request &req, bool tls) const
{
    RequestInfo info;
    info.tls = tls;
    const QString host = hostOnly(req);
    info.base = (tls ? QStringLiteral("https://") : QStringLiteral("http://")) + host;
    // Pictures are always offered over plain HTTP: clients turn "https" into
    // "http" for downloads, which only works when the address is HTTP already.
    QString name = host;
    const int colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && colon > host.lastIndexOf(QLatin1Char(']')))
        name = host.left(colon);
    info.httpBase = QStringLiteral("http://%1:%2").arg(name).arg(httpPort.load());
    return info;
}

QByteArray ServiceContext::installerBytes(qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    static const char header[] = "FOTORIA-SETUP\x1a";
    quint32 state = 0x2545f491u;
    for (int i = 0; i < bytes.size(); ++i) {
        if (i < int(sizeof header) - 1) {
            bytes[i] = header[i];
            continue;
        }
        state = state * 1664525u + 1013904223u;
        bytes[i] = char(state >> 24);
    }
    return bytes;
}

} // namespace fotoria::service
