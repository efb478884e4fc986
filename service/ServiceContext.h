#pragma once

#include "Accounts.h"
#include "FailureSwitches.h"
#include "HttpUtil.h"
#include "Journal.h"
#include "Onboarding.h"
#include "PhotoCatalog.h"
#include "PhotoStore.h"
#include "ServiceConfig.h"

#include <QByteArray>
#include <QString>

#include <atomic>

namespace fotoria::service {

struct ServiceOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;    // 0: a free port
    int tlsPort = 0; // 0: a free port
    QString dataDir; // empty: nothing kept on disk
    bool warmUp = false;
    bool exitWithParent = false; // for test harnesses: never outlive the test
};

// Everything the request handlers share. Each member guards itself.
struct ServiceContext {
    explicit ServiceContext(const ServiceOptions &opts);

    RequestInfo info(const httplib::Request &req, bool tls) const;
    // The installer: deterministic bytes of the configured size.
    static QByteArray installerBytes(qint64 size);

    ServiceOptions options;
    std::atomic<int> httpPort{0};
    std::atomic<int> httpsPort{0};
    std::atomic<bool> stopping{false};
    Journal journal;
    FailureSwitches failures;
    ServiceConfig config;
    Accounts accounts;
    PhotoCatalog catalog;
    PhotoStore photos;
    Onboarding onboarding;
    QByteArray certificatePem;
};

} // namespace fotoria::service
