// TCP connects for the retracker probe: Winsock on Windows, BSD sockets with
// poll() on Linux. Results are translated here into what the probe needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// WSAStartup(2.2) / WSACleanup. On Linux startup raises the soft limit of
// open files to the hard limit (every probe socket stays open for the run),
// and cleanup closes every socket that openTcpSocket created.
void netStartup();
void netCleanup();

using SocketHandle = intptr_t;
constexpr SocketHandle kNoSocket = -1;

// An IPv4 socket address in its 16-byte sockaddr_in form.
struct Ipv4Address {
    unsigned char bytes[16];
};

// getaddrinfo(host, port, AF_INET, SOCK_STREAM, IPPROTO_TCP): the first
// address, or false when resolution failed or gave none.
bool resolveIpv4(const std::string& host, const std::string& port, Ipv4Address& address);

// A TCP socket, or kNoSocket. On Linux an unanswered connect on it gives up
// after about 20 seconds, as Windows does.
SocketHandle openTcpSocket();

void setNonBlocking(SocketHandle socket);

enum class ConnectStart { Connected, Pending, Failed };
ConnectStart startConnect(SocketHandle socket, const Ipv4Address& address);

// What select() with a read, a write and an exception set reports for a
// socket with a connect in progress: writable once the connection is
// established, exception once the attempt failed.
struct Readiness {
    bool readable = false;
    bool writable = false;
    bool exception = false;
};

// Waits up to `timeoutMs` until one of the sockets (at most 64) is ready and
// fills `ready` (same size as `sockets`). On Linux a finished connect is
// decided with SO_ERROR: 0 is writable, anything else an exception.
void waitForConnects(const std::vector<SocketHandle>& sockets, int timeoutMs, std::vector<Readiness>& ready);

// Milliseconds since some fixed point, 32 bits, wrapping (GetTickCount).
uint32_t tickCount();

}  // namespace platform
