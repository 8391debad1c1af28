#include "platform/net.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// Windows retries an unanswered SYN for about 21 s (1 s, doubling, five SYNs).
constexpr int kConnectGiveUpMs = 21000;

}  // namespace

static_assert(sizeof(sockaddr_storage) == sizeof(SocketAddress::bytes));
static_assert(sizeof(SOCKET) <= sizeof(SocketHandle));

bool netStartup(int* errorCode) {
    WSADATA data;
    const int result = WSAStartup(MAKEWORD(2, 2), &data);
    if (errorCode) *errorCode = result;
    return result == 0;
}

// WSACleanup closes every socket the process still holds.
void netCleanup() { WSACleanup(); }

void closeSocket(SocketHandle handle) { closesocket(static_cast<SOCKET>(handle)); }

// Winsock counts no descriptors against sockets.
size_t socketsAvailable() { return SIZE_MAX; }

namespace {

// The lookups of one resolveAll, shared by its resolver threads. A thread
// still resolving when the bound ends keeps it alive until it finishes.
struct SharedLookups {
    std::vector<NameLookup> lookups;
    std::vector<std::atomic<bool>> done;
    std::atomic<size_t> next{0};
    explicit SharedLookups(const std::vector<NameLookup>& from) : lookups(from), done(from.size()) {}
};

DWORD WINAPI resolverThread(void* parameter) {
    std::shared_ptr<SharedLookups> shared = *static_cast<std::shared_ptr<SharedLookups>*>(parameter);
    delete static_cast<std::shared_ptr<SharedLookups>*>(parameter);
    for (size_t i; (i = shared->next.fetch_add(1)) < shared->lookups.size();) {
        NameLookup& lookup = shared->lookups[i];
        lookup.outcome = resolveAddress(lookup.host, lookup.port, lookup.transport, lookup.address)
                             ? NameLookup::Found
                             : NameLookup::Failed;
        shared->done[i].store(true);
    }
    return 0;
}

// A few threads, each resolving one name after another: enough that a slow
// name does not hold the others up.
constexpr size_t kResolverThreads = 8;

}  // namespace

void resolveAll(std::vector<NameLookup>& lookups, int timeoutMs) {
    if (lookups.empty()) return;
    auto shared = std::make_shared<SharedLookups>(lookups);
    std::vector<HANDLE> threads;
    for (size_t t = 0; t < kResolverThreads && t < lookups.size(); ++t) {
        auto* parameter = new std::shared_ptr<SharedLookups>(shared);
        HANDLE thread = CreateThread(nullptr, 0, resolverThread, parameter, 0, nullptr);
        if (thread) {
            threads.push_back(thread);
        } else {
            delete parameter;
        }
    }
    if (threads.empty()) {
        resolverThread(new std::shared_ptr<SharedLookups>(shared));  // no thread: here, one at a time
    } else {
        WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE,
                               static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 0));
        for (HANDLE thread : threads) CloseHandle(thread);
    }
    for (size_t i = 0; i < lookups.size(); ++i) {
        if (!shared->done[i].load()) continue;  // unanswered in time
        lookups[i].outcome = shared->lookups[i].outcome;
        lookups[i].address = shared->lookups[i].address;
    }
}

bool resolveAddress(const std::string& host, const std::string& port, Transport transport, SocketAddress& address) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = transport == Transport::Udp ? SOCK_DGRAM : SOCK_STREAM;
    hints.ai_protocol = transport == Transport::Udp ? IPPROTO_UDP : IPPROTO_TCP;
    addrinfo* result = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &result) != 0) return false;
    const bool found = result && result->ai_addr && (result->ai_family == AF_INET || result->ai_family == AF_INET6) &&
                       result->ai_addrlen <= sizeof address.bytes;
    if (found) {
        std::memset(address.bytes, 0, sizeof address.bytes);
        std::memcpy(address.bytes, result->ai_addr, result->ai_addrlen);
        address.length = static_cast<uint32_t>(result->ai_addrlen);
    }
    if (result) freeaddrinfo(result);
    return found;
}

std::string addressText(const SocketAddress& address) {
    if (address.length == 0) return {};
    sockaddr_storage storage{};
    std::memcpy(&storage, address.bytes, sizeof storage);
    char text[64] = {};
    const void* raw = nullptr;
    if (storage.ss_family == AF_INET) raw = &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr;
    if (storage.ss_family == AF_INET6) raw = &reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr;
    if (!raw || !inet_ntop(storage.ss_family, raw, text, sizeof text)) return {};
    return text;
}

SocketHandle openSocket(const SocketAddress& address, Transport transport) {
    sockaddr_storage target;
    std::memcpy(&target, address.bytes, sizeof target);
    const bool udp = transport == Transport::Udp;
    SOCKET handle = socket(target.ss_family, udp ? SOCK_DGRAM : SOCK_STREAM, udp ? IPPROTO_UDP : IPPROTO_TCP);
    return handle == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(handle);
}

void setNonBlocking(SocketHandle handle) {
    u_long on = 1;
    ioctlsocket(static_cast<SOCKET>(handle), FIONBIO, &on);
}

ConnectStart startConnect(SocketHandle handle, const SocketAddress& address) {
    sockaddr_storage target;
    std::memcpy(&target, address.bytes, sizeof target);
    if (connect(static_cast<SOCKET>(handle), reinterpret_cast<const sockaddr*>(&target),
                static_cast<int>(address.length)) == 0) {
        return ConnectStart::Connected;
    }
    switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK: return ConnectStart::Pending;
    case WSAENETUNREACH:
    case WSAENETDOWN: return ConnectStart::NoRoute;
    default: return ConnectStart::Failed;
    }
}

bool sendDatagram(SocketHandle handle, const unsigned char* data, size_t size) {
    const int sent = sendto(static_cast<SOCKET>(handle), reinterpret_cast<const char*>(data), static_cast<int>(size), 0,
                            nullptr, 0);
    return sent == static_cast<int>(size);
}

Receive receiveDatagram(SocketHandle handle, unsigned char* buffer, size_t capacity, size_t& size) {
    size = 0;
    const int received =
        recvfrom(static_cast<SOCKET>(handle), reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0, nullptr,
                 nullptr);
    if (received >= 0) {
        size = static_cast<size_t>(received);
        return Receive::Datagram;
    }
    switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK: return Receive::Nothing;
    // A longer datagram was cut to the buffer: what arrived is still there.
    case WSAEMSGSIZE: size = capacity; return Receive::Datagram;
    // Windows reports a port unreachable answer to an earlier datagram as
    // WSAECONNRESET; Wine passes the host's refusal on.
    default: return Receive::Failed;
    }
}

bool waitForSockets(const std::vector<WatchedSocket>& sockets, int timeoutMs, std::vector<Readiness>& ready) {
    ready.assign(sockets.size(), Readiness{});
    fd_set readSet, writeSet, exceptSet;
    FD_ZERO(&readSet);
    FD_ZERO(&writeSet);
    FD_ZERO(&exceptSet);
    // FD_SET ignores handles beyond the set's 64 places. A UDP socket can
    // always be written to; only what arrives counts.
    for (const WatchedSocket& watched : sockets) {
        const SOCKET handle = static_cast<SOCKET>(watched.socket);
        FD_SET(handle, &readSet);
        if (watched.transport == Transport::Udp) continue;
        FD_SET(handle, &writeSet);
        FD_SET(handle, &exceptSet);
    }
    // Winsock refuses a select whose sets are all empty instead of waiting.
    if (readSet.fd_count == 0) return true;
    timeval timeout;
    timeout.tv_sec = timeoutMs / 1000;
    timeout.tv_usec = (timeoutMs % 1000) * 1000;
    const uint32_t started = GetTickCount();
    if (select(0, &readSet, &writeSet, &exceptSet, &timeout) == SOCKET_ERROR) {
        // The sets hold no results now. Wait out the rest of the timeout.
        const uint32_t spent = GetTickCount() - started;
        if (spent < static_cast<uint32_t>(timeoutMs)) Sleep(static_cast<DWORD>(timeoutMs) - spent);
        return false;
    }
    for (size_t i = 0; i < sockets.size(); ++i) {
        const SOCKET handle = static_cast<SOCKET>(sockets[i].socket);
        ready[i].readable = FD_ISSET(handle, &readSet) != 0;
        ready[i].writable = FD_ISSET(handle, &writeSet) != 0;
        ready[i].exception = FD_ISSET(handle, &exceptSet) != 0;
    }
    return true;
}

int connectGiveUpMs() { return kConnectGiveUpMs; }

uint32_t tickCount() { return GetTickCount(); }

}  // namespace platform
