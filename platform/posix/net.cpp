#include "platform/net.h"

#include "platform/dns_message.h"

#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <arpa/inet.h>
#include <cstdio>
#include <random>
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

// A ".local" name the system would send to multicast DNS only is asked of
// the unicast name servers directly, each type for at most this long, with
// one resend of the question after kNameServerResendMs.
constexpr int kNameServerWaitMs = 1500;
constexpr int kNameServerResendMs = 700;
// As many servers as the C library's resolver asks.
constexpr size_t kNameServersMax = 3;
constexpr size_t kDnsReplyMax = 1232;
constexpr const char* kResolvConf = "/etc/resolv.conf";
// systemd-resolved's stub answers ".local" from multicast DNS only; the
// servers it asks itself are listed here.
constexpr const char* kResolvedUplinks = "/run/systemd/resolve/resolv.conf";
constexpr const char* kResolvedStub = "127.0.0.53";

std::string fileText(const char* path) {
    std::string text;
    if (FILE* file = std::fopen(path, "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < 65536) text.append(buffer, got);
        std::fclose(file);
    }
    return text;
}

std::vector<std::string> unicastNameServers() {
    std::vector<std::string> servers = nameServersIn(fileText(kResolvConf));
    bool onlyStub = !servers.empty();
    for (const std::string& server : servers) onlyStub = onlyStub && server == kResolvedStub;
    if (onlyStub) servers = nameServersIn(fileText(kResolvedUplinks));
    if (servers.size() > kNameServersMax) servers.resize(kNameServersMax);
    return servers;
}

uint32_t monotonicMs();

// Asks every server for the name's address of one type. Address: the first
// valid answer; NoAddress: every server that answered said there is none;
// Invalid: none answered in time.
DnsReply askNameServers(const std::vector<std::string>& servers, const std::string& host, DnsType type) {
    thread_local std::mt19937 random{std::random_device{}()};
    const auto id = static_cast<uint16_t>(random());
    const std::vector<unsigned char> query = dnsQuery(id, host, type);
    DnsReply result;
    if (query.empty()) return result;
    struct Server {
        int fd;
        bool done;
    };
    std::vector<Server> asked;
    for (const std::string& server : servers) {
        addrinfo hints{};
        hints.ai_flags = AI_NUMERICHOST;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* address = nullptr;
        if (getaddrinfo(server.c_str(), "53", &hints, &address) != 0) continue;
        const int fd = socket(address->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
        if (fd >= 0 && connect(fd, address->ai_addr, address->ai_addrlen) == 0 &&
            send(fd, query.data(), query.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(query.size())) {
            asked.push_back({fd, false});
        } else if (fd >= 0) {
            close(fd);
        }
        freeaddrinfo(address);
    }
    const uint32_t start = monotonicMs();
    bool resent = false;
    bool denied = false;
    for (;;) {
        const int elapsed = static_cast<int>(monotonicMs() - start);
        std::vector<pollfd> fds;
        std::vector<size_t> which;
        for (size_t i = 0; i < asked.size(); ++i) {
            if (asked[i].done) continue;
            fds.push_back({asked[i].fd, POLLIN, 0});
            which.push_back(i);
        }
        if (fds.empty() || elapsed >= kNameServerWaitMs || result.outcome == DnsReply::Address) break;
        if (!resent && elapsed >= kNameServerResendMs) {
            for (const pollfd& fd : fds) send(fd.fd, query.data(), query.size(), MSG_NOSIGNAL);
            resent = true;
        }
        const int until = resent ? kNameServerWaitMs : kNameServerResendMs;
        if (poll(fds.data(), fds.size(), until - elapsed) < 0 && errno != EINTR) break;
        for (size_t k = 0; k < fds.size(); ++k) {
            if (fds[k].revents == 0) continue;
            Server& server = asked[which[k]];
            unsigned char reply[kDnsReplyMax];
            const ssize_t got = recv(server.fd, reply, sizeof reply, MSG_DONTWAIT);
            if (got < 0) {
                // A closed port or an unreachable server: it will not answer.
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) server.done = true;
                continue;
            }
            const DnsReply read = readDnsReply(reply, static_cast<size_t>(got), id, host, type);
            if (read.outcome == DnsReply::Address) result = read;
            if (read.outcome == DnsReply::NoAddress) {
                denied = true;
                server.done = true;
            }
        }
    }
    for (const Server& server : asked) close(server.fd);
    if (result.outcome != DnsReply::Address && denied) result.outcome = DnsReply::NoAddress;
    return result;
}

// The unicast name servers' answer for a ".local" name the system's
// resolver did not find: true with `address` set (IPv4 asked first).
bool resolveByNameServers(const std::string& host, const std::string& port, SocketAddress& address) {
    const std::vector<std::string> servers = unicastNameServers();
    if (servers.empty()) return false;
    char* end = nullptr;
    const unsigned long number = std::strtoul(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number > 65535) return false;
    for (const DnsType type : {DnsType::A, DnsType::Aaaa}) {
        const DnsReply reply = askNameServers(servers, host, type);
        if (reply.outcome != DnsReply::Address) continue;
        sockaddr_storage storage{};
        if (type == DnsType::A) {
            auto* ipv4 = reinterpret_cast<sockaddr_in*>(&storage);
            ipv4->sin_family = AF_INET;
            ipv4->sin_port = htons(static_cast<uint16_t>(number));
            std::memcpy(&ipv4->sin_addr, reply.address.data(), 4);
            address.length = sizeof(sockaddr_in);
        } else {
            auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&storage);
            ipv6->sin6_family = AF_INET6;
            ipv6->sin6_port = htons(static_cast<uint16_t>(number));
            std::memcpy(&ipv6->sin6_addr, reply.address.data(), 16);
            address.length = sizeof(sockaddr_in6);
        }
        std::memcpy(address.bytes, &storage, sizeof storage);
        return true;
    }
    return false;
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
            // The system may send ".local" to multicast DNS only, where the
            // provider's name server would have answered it.
            if (lookup.outcome != NameLookup::Found && isLocalName(lookup.host) &&
                resolveByNameServers(lookup.host, lookup.port, lookup.address)) {
                lookup.outcome = NameLookup::Found;
                lookup.fromNameServer = true;
            }
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

uint32_t tickCount() { return monotonicMs(); }

namespace {

uint32_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

}  // namespace

}  // namespace platform
