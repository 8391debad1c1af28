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
constexpr int kSynRetriesGiveUpMs = 20000;

static_assert(sizeof(sockaddr_storage) == sizeof(SocketAddress::bytes));

// Every socket of the run, closed together at cleanup as WSACleanup does.
std::vector<int>& openSockets() {
    static std::vector<int> sockets;
    return sockets;
}

void pause(int ms) {
    timespec wait{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

}  // namespace

bool netStartup(int* errorCode) {
    // Every probe socket stays open until the end of the run, so a long
    // retracker list needs as many descriptors as the system allows.
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    if (errorCode) *errorCode = 0;
    return true;
}

void netCleanup() {
    for (int fd : openSockets()) close(fd);
    openSockets().clear();
}

bool resolveAddress(const std::string& host, const std::string& port, Transport transport, SocketAddress& address) {
    addrinfo hints{};
    hints.ai_flags = 0;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = transport == Transport::Udp ? SOCK_DGRAM : SOCK_STREAM;
    hints.ai_protocol = transport == Transport::Udp ? IPPROTO_UDP : IPPROTO_TCP;
    addrinfo* result = nullptr;
    // EAI_NONAME, EAI_AGAIN (resolver unreachable) and every other error
    // alike mean the host cannot be reached by name.
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &result) != 0) return false;
    bool found = false;
    if (result && (result->ai_family == AF_INET || result->ai_family == AF_INET6) && result->ai_addr &&
        result->ai_addrlen <= sizeof address.bytes) {
        std::memset(address.bytes, 0, sizeof address.bytes);
        std::memcpy(address.bytes, result->ai_addr, result->ai_addrlen);
        address.length = static_cast<uint32_t>(result->ai_addrlen);
        found = true;
    }
    freeaddrinfo(result);
    return found;
}

SocketHandle openSocket(const SocketAddress& address, Transport transport) {
    sockaddr_storage target{};
    std::memcpy(&target, address.bytes, sizeof target);
    const bool udp = transport == Transport::Udp;
    int fd = socket(target.ss_family, (udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, udp ? IPPROTO_UDP : IPPROTO_TCP);
    if (fd < 0) return kNoSocket;
    if (!udp) setsockopt(fd, IPPROTO_TCP, TCP_SYNCNT, &kSynRetries, sizeof kSynRetries);
    openSockets().push_back(fd);
    return fd;
}

void setNonBlocking(SocketHandle socket) {
    int fd = static_cast<int>(socket);
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

ConnectStart startConnect(SocketHandle socket, const SocketAddress& address) {
    sockaddr_storage target{};
    std::memcpy(&target, address.bytes, sizeof target);
    if (connect(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&target), address.length) == 0)
        return ConnectStart::Connected;
    // An interrupted non-blocking connect goes on in the background.
    if (errno == EINPROGRESS || errno == EINTR) return ConnectStart::Pending;
    return ConnectStart::Failed;
}

bool sendDatagram(SocketHandle socket, const unsigned char* data, size_t size) {
    ssize_t sent;
    do {
        sent = send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(size);
}

Receive receiveDatagram(SocketHandle socket, unsigned char* buffer, size_t capacity, size_t& size) {
    size = 0;
    ssize_t received;
    do {
        received = recv(static_cast<int>(socket), buffer, capacity, MSG_DONTWAIT);
    } while (received < 0 && errno == EINTR);
    if (received >= 0) {
        size = static_cast<size_t>(received);
        return Receive::Datagram;
    }
    // A port unreachable answer to an earlier datagram shows here as ECONNREFUSED.
    return errno == EAGAIN || errno == EWOULDBLOCK ? Receive::Nothing : Receive::Failed;
}

bool waitForSockets(const std::vector<WatchedSocket>& sockets, int timeoutMs, std::vector<Readiness>& ready) {
    ready.assign(sockets.size(), Readiness{});
    if (sockets.empty()) return true;
    std::vector<pollfd> fds(sockets.size());
    for (size_t i = 0; i < sockets.size(); ++i) {
        fds[i].fd = static_cast<int>(sockets[i].socket);
        // A UDP socket can always be written to; only what arrives counts.
        fds[i].events = sockets[i].transport == Transport::Udp ? POLLIN : POLLIN | POLLOUT;
    }
    const int count = poll(fds.data(), fds.size(), timeoutMs);
    // An interrupted wait reports nothing; the caller's next pass waits again.
    if (count < 0 && errno == EINTR) return true;
    if (count < 0) {
        pause(timeoutMs);
        return false;
    }
    if (count == 0) return true;
    for (size_t i = 0; i < sockets.size(); ++i) {
        const short events = fds[i].revents;
        if (sockets[i].transport == Transport::Udp) {
            // The datagram or the pending error is read by receiveDatagram.
            if (events & (POLLIN | POLLERR | POLLHUP)) ready[i].readable = true;
            if (events & POLLNVAL) ready[i].exception = true;
            continue;
        }
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
    return true;
}

int connectGiveUpMs() { return kSynRetriesGiveUpMs; }

uint32_t tickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

}  // namespace platform
