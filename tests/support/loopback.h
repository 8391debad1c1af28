// Loopback peers for the connect probe: listeners on 127.0.0.1 standing for
// retrackers that answer, refuse or never answer. Nothing leaves 127.0.0.0/8.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

// A TCP listener on 127.0.0.1 and an ephemeral port; it never accepts, the
// system completes connects into its queue.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>/announce"
    std::string url() const;

    // Fills the accept queue so that further connection attempts are
    // dropped unanswered, as by a host that ignores SYNs.
    void fillQueue();

private:
    long long fd_;
    int port_;
    std::vector<long long> clients_;
};

// A loopback port that was bound and closed again: connects to it are refused.
int closedLoopbackPort();

// A retracker URL with that port.
std::string refusedUrl();

}  // namespace testing_support
