// A DNS question for one name's IPv4 or IPv6 address over UDP, and a careful
// reading of the reply: for names ending in ".local", which the system's
// resolver may send to multicast DNS only, while the provider's own name
// server answers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class DnsType : uint16_t { A = 1, Aaaa = 28 };

// The query message: id, recursion desired, one question of class IN.
// Empty when the name cannot be asked (an empty label, a label over 63
// bytes, or a name over 253 bytes; one trailing dot is allowed).
std::vector<unsigned char> dnsQuery(uint16_t id, std::string_view name, DnsType type);

struct DnsReply {
    enum Outcome {
        Invalid,    // not a reply to this question: ignored, the wait goes on
        NoAddress,  // the server answered: no such name, or no address of the type
        Address,    // `address` holds the first address (4 or 16 bytes)
    } outcome = Invalid;
    std::vector<unsigned char> address;
};

// Reads a reply to dnsQuery(id, name, type). Every read is checked against
// the size; compressed names are followed backwards only; the question must
// be the one asked; an answer counts only when its owner is the name asked
// or the target of a CNAME chain from it, with the type and class asked.
// A server failure or refusal is Invalid (another server may answer).
DnsReply readDnsReply(const unsigned char* data, size_t size, uint16_t id, std::string_view name, DnsType type);

// The "nameserver" addresses of a resolv.conf text, in file order.
std::vector<std::string> nameServersIn(std::string_view resolvConf);

// True when the name ends in ".local" (any letter case, one trailing dot allowed).
bool isLocalName(std::string_view host);

}  // namespace platform
