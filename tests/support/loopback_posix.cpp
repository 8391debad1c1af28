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

// A socket bound to 127.0.0.1 on a port the system picks; returns the port.
int bindEphemeral(int fd) {
    sockaddr_in address = loopbackAddress(0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("bind failed");
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace

LoopbackListener::LoopbackListener() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    fd_ = fd;
    port_ = bindEphemeral(fd);
    if (listen(fd, 128) != 0) throw std::runtime_error("listen failed");
}

LoopbackListener::~LoopbackListener() {
    for (long long client : clients_) close(static_cast<int>(client));
    close(static_cast<int>(fd_));
}

std::string LoopbackListener::url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/announce"; }

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
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    const int port = bindEphemeral(fd);
    close(fd);
    return port;
}

std::string refusedUrl() { return "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/announce"; }

}  // namespace testing_support
