#include "platform/net.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
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

// Descriptors kept free for the files the run still writes (Settings.ini
// and its replacement) and for whatever the C library opens meanwhile.
constexpr size_t kDescriptorReserve = 32;

// Every socket of the run not yet closed by closeSocket, closed together at
// cleanup as WSACleanup does.
std::unordered_set<int>& openSockets() {
    static std::unordered_set<int> sockets;
    return sockets;
}

// The descriptors the process holds now, or 0 when they cannot be counted.
size_t openDescriptors() {
    DIR* directory = opendir("/proc/self/fd");
    if (!directory) return 0;
    size_t count = 0;
    while (const dirent* entry = readdir(directory))
        if (entry->d_name[0] != '.') ++count;
    closedir(directory);
    return count > 0 ? count - 1 : 0;  // the directory's own descriptor
}

// The names of one resolveAll, shared by its resolver threads. A thread
// still resolving when the bound ends keeps it alive until it finishes.
struct SharedLookups {
    std::mutex mutex;
    std::condition_variable finishedOne;
    std::vector<NameLookup> lookups;
    std::vector<bool> done;
    size_t next = 0;
    size_t finished = 0;
};

// A few threads, each resolving one name after another: enough that a name
// server that never answers holds up only the names in its threads' hands.
constexpr size_t kResolverThreads = 8;

addrinfo hintsFor(Transport transport, int flags) {
    addrinfo hints{};
    hints.ai_flags = flags;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = transport == Transport::Udp ? SOCK_DGRAM : SOCK_STREAM;
    hints.ai_protocol = transport == Transport::Udp ? IPPROTO_UDP : IPPROTO_TCP;
    return hints;
}

// Takes the first usable address of a resolver's result; false when none is.
bool firstAddress(const addrinfo* result, SocketAddress& address) {
    if (!result || (result->ai_family != AF_INET && result->ai_family != AF_INET6) || !result->ai_addr ||
        result->ai_addrlen > sizeof address.bytes) {
        return false;
    }
    std::memset(address.bytes, 0, sizeof address.bytes);
    std::memcpy(address.bytes, result->ai_addr, result->ai_addrlen);
    address.length = static_cast<uint32_t>(result->ai_addrlen);
    return true;
}

// What a resolver's error code says: a reply that the name has no address,
// or no reply at all (the resolver was not reached, or timed out).
NameLookup::Outcome outcomeOf(int code, const addrinfo* result, SocketAddress& address) {
    if (code == 0) return firstAddress(result, address) ? NameLookup::Found : NameLookup::Failed;
    switch (code) {
    case EAI_AGAIN:
    case EAI_SYSTEM:
    case EAI_MEMORY: return NameLookup::Unanswered;
    default: return NameLookup::Failed;
    }
}

void pause(int ms) {
    timespec wait{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

}  // namespace

bool netStartup(int* errorCode) {
    // A long retracker list wants as many sockets at once as the system
    // allows; the probe opens the rest as earlier ones close.
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

void closeSocket(SocketHandle socket) {
    if (openSockets().erase(static_cast<int>(socket)) > 0) close(static_cast<int>(socket));
}

size_t socketsAvailable() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    const size_t used = openDescriptors() + kDescriptorReserve;
    return limit.rlim_cur > used ? static_cast<size_t>(limit.rlim_cur) - used : 0;
}

void resolveAll(std::vector<NameLookup>& lookups, int timeoutMs) {
    // Address literals need no resolver: they are read at once.
    auto shared = std::make_shared<SharedLookups>();
    std::vector<size_t> asked;  // position in `lookups` of each shared lookup
    for (size_t i = 0; i < lookups.size(); ++i) {
        NameLookup& lookup = lookups[i];
        const addrinfo numeric = hintsFor(lookup.transport, AI_NUMERICHOST);
        addrinfo* result = nullptr;
        const int code = getaddrinfo(lookup.host.c_str(), lookup.port.c_str(), &numeric, &result);
        if (code != EAI_NONAME) {
            lookup.outcome = outcomeOf(code, result, lookup.address);
            if (result) freeaddrinfo(result);
            continue;
        }
        asked.push_back(i);
        shared->lookups.push_back(lookup);
    }
    if (asked.empty()) return;
    shared->done.assign(asked.size(), false);
    auto resolveShared = [shared] {
        for (;;) {
            size_t i;
            NameLookup lookup;
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                if (shared->next == shared->lookups.size()) return;
                i = shared->next++;
                lookup = shared->lookups[i];
            }
            const addrinfo hints = hintsFor(lookup.transport, 0);
            addrinfo* result = nullptr;
            const int code = getaddrinfo(lookup.host.c_str(), lookup.port.c_str(), &hints, &result);
            lookup.outcome = outcomeOf(code, result, lookup.address);
            if (code == 0 && result) freeaddrinfo(result);
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                shared->lookups[i] = lookup;
                shared->done[i] = true;
                ++shared->finished;
            }
            shared->finishedOne.notify_all();
        }
    };
    std::vector<std::thread> threads;
    try {
        for (size_t t = 0; t < kResolverThreads && t < asked.size(); ++t) threads.emplace_back(resolveShared);
    } catch (const std::system_error&) {
        if (threads.empty()) resolveShared();  // no thread at all: here, one name at a time
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    const bool allDone =
        shared->finishedOne.wait_for(lock, std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0),
                                     [&] { return shared->finished == shared->lookups.size(); });
    for (size_t k = 0; k < asked.size(); ++k)
        if (shared->done[k]) lookups[asked[k]] = shared->lookups[k];  // the others stay Unanswered
    lock.unlock();
    // Threads still waiting for a name server are left to it; the rest end here.
    for (std::thread& thread : threads) {
        if (allDone)
            thread.join();
        else
            thread.detach();
    }
}

bool resolveAddress(const std::string& host, const std::string& port, Transport transport, SocketAddress& address) {
    const addrinfo hints = hintsFor(transport, 0);
    addrinfo* result = nullptr;
    // EAI_NONAME, EAI_AGAIN (resolver unreachable) and every other error
    // alike mean the host cannot be reached by name.
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &result) != 0) return false;
    const bool found = firstAddress(result, address);
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
    openSockets().insert(fd);
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
    return errno == ENETUNREACH ? ConnectStart::NoRoute : ConnectStart::Failed;
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
