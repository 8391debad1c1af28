// Sockets for the retracker probe: TCP connects and UDP datagrams over IPv4
// and IPv6. Winsock on Windows, BSD sockets with poll() on Linux. Results are
// translated here into what the probe needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// WSAStartup(2.2) / WSACleanup. Returns false when the network layer could
// not start; `errorCode`, when given, then holds the system's code. On Linux
// startup raises the soft limit of open files to the hard limit (a long
// retracker list wants many sockets at once) and never fails, and cleanup
// closes every socket that openSocket created and closeSocket did not.
bool netStartup(int* errorCode = nullptr);
void netCleanup();

using SocketHandle = intptr_t;
constexpr SocketHandle kNoSocket = -1;

// Any socket address, IPv4 or IPv6, in the system's sockaddr_storage form.
struct SocketAddress {
    alignas(8) unsigned char bytes[128];
    uint32_t length = 0;  // bytes in use; 0 until set
};

enum class Transport { Tcp, Udp };

// getaddrinfo(host, port) for either family, with the socket type of the
// transport: the first address the resolver gives, or false when resolution
// failed or gave none. A bracketless IPv6 literal ("::1") resolves too.
bool resolveAddress(const std::string& host, const std::string& port, Transport transport, SocketAddress& address);

// One name of a resolution of many at once.
struct NameLookup {
    std::string host;
    std::string port;
    Transport transport = Transport::Tcp;
    enum Outcome {
        Unanswered,  // no answer in time, or the resolver could not be reached
        Failed,      // the resolver answered: no such name, or no address
        Found,       // `address` holds the first address, as resolveAddress gives it
    } outcome = Unanswered;
    SocketAddress address{};
    // Found by asking the unicast name servers directly: a ".local" name the
    // system's resolver did not find (Linux only). A client on this machine
    // cannot resolve it either.
    bool fromNameServer = false;
};

// Resolves every lookup at the same time and returns after at most
// `timeoutMs`; a lookup without an answer by then stays Unanswered (the
// system may go on with it in the background; its result is dropped).
// A few resolver threads, each calling getaddrinfo for one name after
// another; address literals are read at once without them. On Linux a
// ".local" name getaddrinfo does not find is asked of the name servers of
// /etc/resolv.conf (or, when it names only systemd-resolved's stub, of
// /run/systemd/resolve/resolv.conf) directly, in the same thread.
void resolveAll(std::vector<NameLookup>& lookups, int timeoutMs);

// The address without its port as text: "10.0.0.5", "fd00::5"; "" when unset.
std::string addressText(const SocketAddress& address);

// A socket of the address's family for the transport, or kNoSocket. On Linux
// an unanswered TCP connect on it gives up after about 20 seconds, as Windows
// does.
SocketHandle openSocket(const SocketAddress& address, Transport transport);

void setNonBlocking(SocketHandle socket);

// Closes a socket from openSocket at once.
void closeSocket(SocketHandle socket);

// How many more sockets the process can open now, with a reserve kept for
// the files the run still writes. Unlimited (a very large number) where the
// system counts no descriptors against sockets.
size_t socketsAvailable();

// On a UDP socket the connect only fixes the peer (so that only its
// datagrams arrive and a closed port is reported) and is Connected at once.
// NoRoute: failed at once because the network cannot be reached at all (no
// route, the network is down); other failures are Failed.
enum class ConnectStart { Connected, Pending, Failed, NoRoute };
ConnectStart startConnect(SocketHandle socket, const SocketAddress& address);

// Sends one datagram to the connected peer; false when the system refused it.
bool sendDatagram(SocketHandle socket, const unsigned char* data, size_t size);

// One datagram from the connected peer into `buffer` (longer ones are cut to
// `capacity`, `size` is what was stored). Nothing: none is waiting. Failed:
// the peer cannot be reached (a closed port reports so), or another error.
enum class Receive { Datagram, Nothing, Failed };
Receive receiveDatagram(SocketHandle socket, unsigned char* buffer, size_t capacity, size_t& size);

struct WatchedSocket {
    SocketHandle socket;
    Transport transport;
};

// What select() with a read, a write and an exception set reports. For a TCP
// socket with a connect in progress: writable once the connection is
// established, exception once the attempt failed. For a UDP socket only
// readable: a datagram or an error is waiting.
struct Readiness {
    bool readable = false;
    bool writable = false;
    bool exception = false;
};

// Waits up to `timeoutMs` until one of the sockets (at most 64) is ready and
// fills `ready` (same size as `sockets`). On Linux a finished connect is
// decided with SO_ERROR: 0 is writable, anything else an exception. Returns
// false when the wait itself failed: nothing is then reported ready, and the
// call has still taken `timeoutMs`, so a caller that tries again never spins.
bool waitForSockets(const std::vector<WatchedSocket>& sockets, int timeoutMs, std::vector<Readiness>& ready);

// About how long the system tries an unanswered TCP connect before it
// reports the attempt failed, in milliseconds.
int connectGiveUpMs();

// Milliseconds since some fixed point, 32 bits, wrapping (GetTickCount).
uint32_t tickCount();

}  // namespace platform
