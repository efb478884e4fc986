#include "ConnectionWatch.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace fotoria::service {

namespace {

int port(const sockaddr_storage &addr)
{
    if (addr.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in &>(addr).sin_port);
    if (addr.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(addr).sin6_port);
    return -1;
}

int findSocket(int localPort, int remotePort)
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int found = -1;
    while (dirent *e = readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (!end || *end != '\0' || e->d_name[0] == '\0')
            continue;
        sockaddr_storage local{}, peer{};
        socklen_t l1 = sizeof local, l2 = sizeof peer;
        if (getsockname(int(fd), reinterpret_cast<sockaddr *>(&local), &l1) != 0)
            continue;
        if (getpeername(int(fd), reinterpret_cast<sockaddr *>(&peer), &l2) != 0)
            continue;
        if (port(local) == localPort && port(peer) == remotePort) {
            found = int(fd);
            break;
        }
    }
    closedir(dir);
    return found;
}

} // namespace

void holdUntilClosed(const httplib::Request &req, const std::atomic<bool> &stopping)
{
    const int fd = findSocket(req.local_port, req.remote_port);
    // An hour at most, so a forgotten switch cannot pin a thread forever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::hours(1);
    while (!stopping && std::chrono::steady_clock::now() < deadline) {
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        pollfd p{fd, POLLRDHUP, 0};
        const int n = poll(&p, 1, 100);
        if (n > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)))
            break;
    }
    if (fd >= 0)
        shutdown(fd, SHUT_RDWR);
}

} // namespace fotoria::service
