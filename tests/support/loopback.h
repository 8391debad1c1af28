// Loopback peers for the probe: TCP listeners and UDP sockets on 127.0.0.1
// (or ::1) standing for retrackers that answer, refuse or never answer.
// Nothing leaves the loopback addresses.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

// A TCP listener on 127.0.0.1 (::1 with `ipv6`) and an ephemeral port; it
// never accepts, the system completes connects into its queue. Throws when
// the address cannot be bound.
class LoopbackListener {
public:
    explicit LoopbackListener(bool ipv6 = false);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>/announce" or "http://[::1]:<port>/announce"
    std::string url() const;

    // Fills the accept queue so that further connection attempts are
    // dropped unanswered, as by a host that ignores SYNs.
    void fillQueue();

private:
    long long fd_;
    int port_;
    bool ipv6_;
    std::vector<long long> clients_;
};

// A UDP socket on 127.0.0.1 and an ephemeral port standing for a UDP
// tracker. It does nothing by itself: answer() handles the datagrams that
// wait, so a single-threaded test calls it from the probe's wait.
class LoopbackUdpPeer {
public:
    enum class Reply {
        Tracker,           // the 16-byte connect reply
        WrongTransaction,  // a reply with another transaction id
        Silent,            // nothing
        ShortError,        // an 8-byte error reply: the header without a message
        Flood,             // 100 replies with other transaction ids, then the connect reply
        WrongFlood,        // 100 replies with other transaction ids only
    };
    explicit LoopbackUdpPeer(Reply reply = Reply::Tracker);
    ~LoopbackUdpPeer();
    LoopbackUdpPeer(const LoopbackUdpPeer&) = delete;
    LoopbackUdpPeer& operator=(const LoopbackUdpPeer&) = delete;

    // "udp://127.0.0.1:<port>/announce"
    std::string url() const;
    // Reads every waiting datagram and replies as set up.
    void answer();
    int requestsSeen() const { return requests_; }

private:
    long long fd_;
    int port_;
    Reply reply_;
    int requests_ = 0;
};

// The datagrams LoopbackUdpPeer sends back for a request (none for a silent
// peer and for datagrams shorter than a connect request): action 0, the
// request's transaction id (or another one), a connection id; or action 3
// and the id alone.
inline std::vector<std::string> udpPeerReplies(LoopbackUdpPeer::Reply reply, const unsigned char* request,
                                               size_t size) {
    using Reply = LoopbackUdpPeer::Reply;
    if (reply == Reply::Silent || size < 16) return {};
    std::string answer(16, '\0');
    for (int i = 0; i < 4; ++i) answer[4 + i] = static_cast<char>(request[12 + i]);
    for (int i = 8; i < 16; ++i) answer[i] = static_cast<char>(0x11 * i);
    std::vector<std::string> replies;
    if (reply == Reply::ShortError) {
        answer[3] = 3;
        replies.push_back(answer.substr(0, 8));
        return replies;
    }
    for (int i = 1; i <= (reply == Reply::Flood || reply == Reply::WrongFlood ? 100 : 0); ++i) {
        replies.push_back(answer);
        replies.back()[7] = static_cast<char>(answer[7] + i);
    }
    if (reply == Reply::WrongFlood) return replies;
    replies.push_back(answer);
    if (reply == Reply::WrongTransaction) replies.back()[7] = static_cast<char>(answer[7] + 1);
    return replies;
}

// A loopback port with no listener: connects to it are refused. On Linux it
// stays bound, so no later listener gets it.
int closedLoopbackPort();

// A retracker URL with that port.
std::string refusedUrl();

// "udp://127.0.0.1:<port>/announce" with a UDP port that was bound and
// closed again: datagrams to it are refused.
std::string refusedUdpUrl();

}  // namespace testing_support
