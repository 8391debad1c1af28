#include <winsock2.h>

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

int bindEphemeral(SOCKET s) {
    sockaddr_in address = loopbackAddress(0);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) throw std::runtime_error("bind failed");
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace

LoopbackListener::LoopbackListener() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
    fd_ = static_cast<long long>(s);
    port_ = bindEphemeral(s);
    if (listen(s, 128) != 0) throw std::runtime_error("listen failed");
}

LoopbackListener::~LoopbackListener() {
    for (long long client : clients_) closesocket(static_cast<SOCKET>(client));
    closesocket(static_cast<SOCKET>(fd_));
    WSACleanup();
}

std::string LoopbackListener::url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/announce"; }

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

std::string refusedUrl() { return "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/announce"; }

}  // namespace testing_support
