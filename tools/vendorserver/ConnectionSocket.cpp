#include "vendorserver/ConnectionSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <httplib.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int portOf(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

bool isConnection(int fd, const httplib::Request& request)
{
    sockaddr_storage local{}, peer{};
    socklen_t localLength = sizeof local, peerLength = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0 ||
        getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0)
        return false;
    return portOf(local) == request.local_port && portOf(peer) == request.remote_port;
}

int plainSocketOf(const httplib::Request& request)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        if (isConnection(fd, request))
            return fd;
    }
    if (!error)
        return -1;
    const long limit = std::min(sysconf(_SC_OPEN_MAX), 65536L); // no /proc: try every descriptor
    for (int fd = 0; fd < limit; ++fd) {
        if (isConnection(fd, request))
            return fd;
    }
    return -1;
}

} // namespace

void shutdownConnection(const httplib::Request& request)
{
    int fd = -1;
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    if (request.ssl)
        fd = SSL_get_fd(request.ssl);
#endif
    if (fd < 0)
        fd = plainSocketOf(request);
    if (fd >= 0)
        shutdown(fd, SHUT_RDWR);
}
