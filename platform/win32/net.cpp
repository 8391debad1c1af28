#include "platform/net.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

namespace platform {

void netStartup() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

// WSACleanup closes every socket the process still holds.
void netCleanup() { WSACleanup(); }

bool resolveIpv4(const std::string& host, const std::string& port, Ipv4Address& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* result = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &result) != 0) return false;
    bool found = result && result->ai_addr && result->ai_addrlen >= sizeof address.bytes;
    if (found) std::memcpy(address.bytes, result->ai_addr, sizeof address.bytes);
    if (result) freeaddrinfo(result);
    return found;
}

static_assert(sizeof(sockaddr_in) == sizeof(Ipv4Address::bytes));
static_assert(sizeof(SOCKET) <= sizeof(SocketHandle));

SocketHandle openTcpSocket() {
    SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return handle == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(handle);
}

void setNonBlocking(SocketHandle handle) {
    u_long on = 1;
    ioctlsocket(static_cast<SOCKET>(handle), FIONBIO, &on);
}

ConnectStart startConnect(SocketHandle handle, const Ipv4Address& address) {
    sockaddr_in target;
    std::memcpy(&target, address.bytes, sizeof target);
    if (connect(static_cast<SOCKET>(handle), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        return ConnectStart::Connected;
    }
    return WSAGetLastError() == WSAEWOULDBLOCK ? ConnectStart::Pending : ConnectStart::Failed;
}

void waitForConnects(const std::vector<SocketHandle>& sockets, int timeoutMs, std::vector<Readiness>& ready) {
    ready.assign(sockets.size(), Readiness{});
    fd_set readSet, writeSet, exceptSet;
    FD_ZERO(&readSet);
    FD_ZERO(&writeSet);
    FD_ZERO(&exceptSet);
    // FD_SET ignores handles beyond the set's 64 places.
    for (SocketHandle handle : sockets) {
        FD_SET(static_cast<SOCKET>(handle), &readSet);
        FD_SET(static_cast<SOCKET>(handle), &writeSet);
        FD_SET(static_cast<SOCKET>(handle), &exceptSet);
    }
    // Winsock refuses a select whose sets are all empty instead of waiting.
    if (readSet.fd_count == 0) return;
    timeval timeout;
    timeout.tv_sec = timeoutMs / 1000;
    timeout.tv_usec = (timeoutMs % 1000) * 1000;
    // The result is not needed: the sets say what is ready.
    select(0, &readSet, &writeSet, &exceptSet, &timeout);
    for (size_t i = 0; i < sockets.size(); ++i) {
        SOCKET handle = static_cast<SOCKET>(sockets[i]);
        ready[i].readable = FD_ISSET(handle, &readSet) != 0;
        ready[i].writable = FD_ISSET(handle, &writeSet) != 0;
        ready[i].exception = FD_ISSET(handle, &exceptSet) != 0;
    }
}

uint32_t tickCount() { return GetTickCount(); }

}  // namespace platform
