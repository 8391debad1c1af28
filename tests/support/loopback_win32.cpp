#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

#include "tests/support/loopback.h"

namespace testing_support {

namespace {

// Keeps Winsock started while a listener lives (WSAStartup counts its calls).
struct WinsockUse {
    WinsockUse() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    }
    ~WinsockUse() { WSACleanup(); }
};

sockaddr_in loopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int bindEphemeral(SOCKET s, bool ipv6 = false) {
    sockaddr_in6 address6{};
    address6.sin6_family = AF_INET6;
    address6.sin6_addr = in6addr_loopback;
    sockaddr_in address = loopbackAddress(0);
    sockaddr* bound = ipv6 ? reinterpret_cast<sockaddr*>(&address6) : reinterpret_cast<sockaddr*>(&address);
    int length = ipv6 ? sizeof address6 : sizeof address;
    if (bind(s, bound, length) != 0) throw std::runtime_error("bind failed");
    getsockname(s, bound, &length);
    return ntohs(ipv6 ? address6.sin6_port : address.sin_port);
}

}  // namespace

LoopbackListener::LoopbackListener(bool ipv6) : ipv6_(ipv6) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    SOCKET s = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        WSACleanup();
        throw std::runtime_error("socket failed");
    }
    fd_ = static_cast<long long>(s);
    try {
        port_ = bindEphemeral(s, ipv6);
    } catch (...) {
        closesocket(s);
        WSACleanup();
        throw;
    }
    if (listen(s, 128) != 0) throw std::runtime_error("listen failed");
}

LoopbackListener::~LoopbackListener() {
    for (long long client : clients_) closesocket(static_cast<SOCKET>(client));
    closesocket(static_cast<SOCKET>(fd_));
    WSACleanup();
}

std::string LoopbackListener::url() const {
    return (ipv6_ ? "http://[::1]:" : "http://127.0.0.1:") + std::to_string(port_) + "/announce";
}

void LoopbackListener::fillQueue() {
    // With the backlog lowered to 0 a connection or two fill the queue
    // (Wine passes this on to the host's sockets).
    listen(static_cast<SOCKET>(fd_), 0);
    for (int i = 0; i < 4; ++i) {
        SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        clients_.push_back(static_cast<long long>(client));
        u_long on = 1;
        ioctlsocket(client, FIONBIO, &on);
        sockaddr_in address = loopbackAddress(port_);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fd_set writeSet, exceptSet;
        FD_ZERO(&writeSet);
        FD_ZERO(&exceptSet);
        FD_SET(client, &writeSet);
        FD_SET(client, &exceptSet);
        timeval wait{0, 200000};
        // Once a connect stays unanswered the queue is full.
        if (select(0, nullptr, &writeSet, &exceptSet, &wait) == 0) return;
    }
    throw std::runtime_error("accept queue did not fill");
}

int closedLoopbackPort() {
    WinsockUse winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
    const int port = bindEphemeral(s);
    closesocket(s);
    return port;
}

LoopbackUdpPeer::LoopbackUdpPeer(Reply reply) : reply_(reply) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
    fd_ = static_cast<long long>(s);
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    port_ = bindEphemeral(s);
}

LoopbackUdpPeer::~LoopbackUdpPeer() {
    closesocket(static_cast<SOCKET>(fd_));
    WSACleanup();
}

std::string LoopbackUdpPeer::url() const { return "udp://127.0.0.1:" + std::to_string(port_) + "/announce"; }

void LoopbackUdpPeer::answer() {
    unsigned char request[2048];
    for (;;) {
        sockaddr_storage from{};
        int length = sizeof from;
        const int size = recvfrom(static_cast<SOCKET>(fd_), reinterpret_cast<char*>(request), sizeof request, 0,
                                  reinterpret_cast<sockaddr*>(&from), &length);
        // A refused reply of an earlier round shows as WSAECONNRESET: skip it.
        if (size < 0 && WSAGetLastError() == WSAECONNRESET) continue;
        if (size < 0) return;
        ++requests_;
        for (const std::string& reply : udpPeerReplies(reply_, request, static_cast<size_t>(size)))
            sendto(static_cast<SOCKET>(fd_), reply.data(), static_cast<int>(reply.size()), 0,
                   reinterpret_cast<sockaddr*>(&from), length);
    }
}

std::string refusedUdpUrl() {
    WinsockUse winsock;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
    const int port = bindEphemeral(s);
    closesocket(s);
    return "udp://127.0.0.1:" + std::to_string(port) + "/announce";
}

std::string refusedUrl() { return "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/announce"; }

}  // namespace testing_support
