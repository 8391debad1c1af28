#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/loopback.h"

namespace testing_support {

namespace {

sockaddr_in loopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A socket bound to 127.0.0.1 (or ::1) on a port the system picks; returns the port.
int bindEphemeral(int fd, bool ipv6 = false) {
    sockaddr_in6 address6{};
    address6.sin6_family = AF_INET6;
    address6.sin6_addr = in6addr_loopback;
    sockaddr_in address = loopbackAddress(0);
    sockaddr* bound = ipv6 ? reinterpret_cast<sockaddr*>(&address6) : reinterpret_cast<sockaddr*>(&address);
    socklen_t length = ipv6 ? sizeof address6 : sizeof address;
    if (bind(fd, bound, length) != 0) throw std::runtime_error("bind failed");
    getsockname(fd, bound, &length);
    return ntohs(ipv6 ? address6.sin6_port : address.sin_port);
}

}  // namespace

LoopbackListener::LoopbackListener(bool ipv6) : ipv6_(ipv6) {
    int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    fd_ = fd;
    try {
        port_ = bindEphemeral(fd, ipv6);
    } catch (...) {
        close(fd);
        throw;
    }
    if (listen(fd, 128) != 0) throw std::runtime_error("listen failed");
}

LoopbackListener::~LoopbackListener() {
    for (long long client : clients_) close(static_cast<int>(client));
    close(static_cast<int>(fd_));
}

std::string LoopbackListener::url() const {
    return (ipv6_ ? "http://[::1]:" : "http://127.0.0.1:") + std::to_string(port_) + "/announce";
}

void LoopbackListener::fillQueue() {
    // Linux keeps backlog + 1 completed connections; with the backlog
    // lowered to 0 a single one fills the queue.
    listen(static_cast<int>(fd_), 0);
    for (int i = 0; i < 4; ++i) {
        int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        clients_.push_back(client);
        sockaddr_in address = loopbackAddress(port_);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd waiter{client, POLLOUT, 0};
        // Once a connect stays unanswered the queue is full.
        if (poll(&waiter, 1, 200) == 0) return;
    }
    throw std::runtime_error("accept queue did not fill");
}

int closedLoopbackPort() {
    // Bound and never listening: a connect is refused, and the socket stays
    // open for the rest of the process so that no later listener of the same
    // test is given this port.
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    return bindEphemeral(fd);
}

LoopbackUdpPeer::LoopbackUdpPeer(Reply reply) : reply_(reply) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    fd_ = fd;
    port_ = bindEphemeral(fd);
}

LoopbackUdpPeer::~LoopbackUdpPeer() { close(static_cast<int>(fd_)); }

std::string LoopbackUdpPeer::url() const { return "udp://127.0.0.1:" + std::to_string(port_) + "/announce"; }

void LoopbackUdpPeer::answer() {
    unsigned char request[2048];
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    for (ssize_t size; (size = recvfrom(static_cast<int>(fd_), request, sizeof request, 0,
                                        reinterpret_cast<sockaddr*>(&from), &length)) >= 0;
         length = sizeof from) {
        ++requests_;
        for (const std::string& reply : udpPeerReplies(reply_, request, static_cast<size_t>(size)))
            sendto(static_cast<int>(fd_), reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
}

std::string refusedUdpUrl() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    const int port = bindEphemeral(fd);
    close(fd);
    return "udp://127.0.0.1:" + std::to_string(port) + "/announce";
}

std::string refusedUrl() { return "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/announce"; }

}  // namespace testing_support
