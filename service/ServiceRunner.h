#pragma once

#include "ServiceContext.h"

#include <QStringList>

namespace fotoria::service {

// Reads the command line; false with a message for anything it does not know.
bool parseOptions(const QStringList &arguments, ServiceOptions *options, QString *error);

// Binds both ports, prints "http_port=", "https_port=" and "ready", serves
// until SIGTERM or SIGINT and returns the exit status. SIGTERM and SIGINT
// must already be blocked in the calling thread (and so in every thread).
int runService(const ServiceOptions &options);

} // namespace fotoria::service
