#include "platform/net.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// Windows gives up on an unanswered connect after about 21 s; Linux would
// retry its SYN for about two minutes. Three retries end it after 19.5 s
// (measured on loopback with a full accept queue).
constexpr int kSynRetries = 3;

// Every socket of the run, closed together at cleanup as WSACleanup does.
std::vector<int>& openSockets() {
    static std::vector<int> sockets;
    return sockets;
}

}  // namespace

void netStartup() {
    // Every probe socket stays open until the end of the run, so a long
    // retracker list needs as many descriptors as the system allows.
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void netCleanup() {
    for (int fd : openSockets()) close(fd);
    openSockets().clear();
}

bool resolveIpv4(const std::string& host, const std::string& port, Ipv4Address& address) {
    addrinfo hints{};
    hints.ai_flags = 0;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* result = nullptr;
    // EAI_NONAME, EAI_AGAIN (resolver unreachable) and every other error
    // alike mean the host cannot be reached by name.
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &result) != 0) return false;
    bool found = false;
    if (result && result->ai_family == AF_INET && result->ai_addr &&
        result->ai_addrlen >= sizeof(sockaddr_in)) {
        static_assert(sizeof(sockaddr_in) == sizeof address.bytes);
        std::memcpy(address.bytes, result->ai_addr, sizeof address.bytes);
        found = true;
    }
    freeaddrinfo(result);
    return found;
}

SocketHandle openTcpSocket() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return kNoSocket;
    setsockopt(fd, IPPROTO_TCP, TCP_SYNCNT, &kSynRetries, sizeof kSynRetries);
    openSockets().push_back(fd);
    return fd;
}

void setNonBlocking(SocketHandle socket) {
    int fd = static_cast<int>(socket);
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

ConnectStart startConnect(SocketHandle socket, const Ipv4Address& address) {
    sockaddr_in target{};
    std::memcpy(&target, address.bytes, sizeof target);
    if (connect(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0)
        return ConnectStart::Connected;
    // An interrupted non-blocking connect goes on in the background.
    if (errno == EINPROGRESS || errno == EINTR) return ConnectStart::Pending;
    return ConnectStart::Failed;
}

void waitForConnects(const std::vector<SocketHandle>& sockets, int timeoutMs, std::vector<Readiness>& ready) {
    ready.assign(sockets.size(), Readiness{});
    if (sockets.empty()) return;
    std::vector<pollfd> fds(sockets.size());
    for (size_t i = 0; i < sockets.size(); ++i) {
        fds[i].fd = static_cast<int>(sockets[i]);
        fds[i].events = POLLIN | POLLOUT;
    }
    // An interrupted wait reports nothing; the caller's next pass waits again.
    if (poll(fds.data(), fds.size(), timeoutMs) <= 0) return;
    for (size_t i = 0; i < sockets.size(); ++i) {
        const short events = fds[i].revents;
        if (events & (POLLOUT | POLLERR | POLLHUP)) {
            // Linux shows a finished connect as writable (with POLLERR when it
            // failed); only SO_ERROR tells the two apart, and reading it clears
            // it, so it is read exactly once.
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(fds[i].fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
            if (error == 0)
                ready[i].writable = true;
            else
                ready[i].exception = true;
        } else if (events & POLLNVAL) {
            ready[i].exception = true;  // not an open socket: it can never connect
        } else if (events & POLLIN) {
            ready[i].readable = true;
        }
    }
}

uint32_t tickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

}  // namespace platform
