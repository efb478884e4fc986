#pragma once

#include <httplib.h>

#include <atomic>

namespace fotoria::service {

// Holds a request without answering until the client gives up or the
// service stops, then cuts the connection so no reply ever reaches it.
// cpp-httplib does not hand the socket to handlers, so the socket is found
// among our own descriptors by its two port numbers.
void holdUntilClosed(const httplib::Request &req, const std::atomic<bool> &stopping);

} // namespace fotoria::service
