#include "platform/dns_message.h"

namespace platform {

namespace {

constexpr size_t kHeaderSize = 12;
constexpr uint16_t kClassIn = 1;
constexpr uint16_t kTypeCname = 5;
constexpr size_t kLabelMax = 63;
constexpr size_t kNameMax = 253;
constexpr int kPointerJumpsMax = 32;
constexpr int kCnameChainMax = 8;

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (!a.empty() && a.back() == '.') a.remove_suffix(1);
    if (!b.empty() && b.back() == '.') b.remove_suffix(1);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowered(a[i]) != lowered(b[i])) return false;
    return true;
}

// Reads big-endian numbers and names with every access checked.
class Reader {
public:
    Reader(const unsigned char* data, size_t size) : data_(data), size_(size) {}

    bool u16(size_t& at, uint16_t& value) const {
        if (at > size_ || size_ - at < 2) return false;
        value = static_cast<uint16_t>(data_[at] << 8 | data_[at + 1]);
        at += 2;
        return true;
    }

    bool skip(size_t& at, size_t count) const {
        if (at > size_ || size_ - at < count) return false;
        at += count;
        return true;
    }

    // The dotted name at `at`; `at` moves past it where it lies (past the
    // first pointer of a compressed name). Pointers must point backwards.
    bool name(size_t& at, std::string& out) const {
        out.clear();
        size_t pos = at;
        bool jumped = false;
        for (int jumps = 0;;) {
            if (pos >= size_) return false;
            const unsigned char length = data_[pos];
            if (length == 0) {
                if (!jumped) at = pos + 1;
                return true;
            }
            if ((length & 0xC0) == 0xC0) {
                if (pos + 1 >= size_ || ++jumps > kPointerJumpsMax) return false;
                const size_t target = static_cast<size_t>((length & 0x3F) << 8 | data_[pos + 1]);
                if (target >= pos) return false;
                if (!jumped) at = pos + 2;
                jumped = true;
                pos = target;
                continue;
            }
            if ((length & 0xC0) != 0) return false;  // reserved label types
            if (size_ - pos - 1 < length) return false;
            if (!out.empty()) out += '.';
            out.append(reinterpret_cast<const char*>(data_ + pos + 1), length);
            if (out.size() > kNameMax + 1) return false;
            pos += 1 + length;
        }
    }

    const unsigned char* at(size_t pos) const { return data_ + pos; }

private:
    const unsigned char* data_;
    size_t size_;
};

}  // namespace

std::vector<unsigned char> dnsQuery(uint16_t id, std::string_view name, DnsType type) {
    if (!name.empty() && name.back() == '.') name.remove_suffix(1);
    if (name.empty() || name.size() > kNameMax) return {};
    std::vector<unsigned char> query = {static_cast<unsigned char>(id >> 8), static_cast<unsigned char>(id & 0xFF),
                                        0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0};
    size_t start = 0;
    for (;;) {
        const size_t dot = name.find('.', start);
        const std::string_view label = name.substr(start, dot == std::string_view::npos ? name.npos : dot - start);
        if (label.empty() || label.size() > kLabelMax) return {};
        query.push_back(static_cast<unsigned char>(label.size()));
        query.insert(query.end(), label.begin(), label.end());
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    const auto code = static_cast<uint16_t>(type);
    query.insert(query.end(), {0, static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF), 0,
                               static_cast<unsigned char>(kClassIn)});
    return query;
}

DnsReply readDnsReply(const unsigned char* data, size_t size, uint16_t id, std::string_view name, DnsType type) {
    DnsReply reply;
    const Reader reader(data, size);
    size_t at = 0;
    uint16_t replyId = 0, flags = 0, questions = 0, answers = 0;
    if (!reader.u16(at, replyId) || !reader.u16(at, flags) || !reader.u16(at, questions) ||
        !reader.u16(at, answers) || !reader.skip(at, 4)) {
        return reply;
    }
    const bool isResponse = (flags & 0x8000) != 0;
    const int opcode = (flags >> 11) & 0xF;
    const int rcode = flags & 0xF;
    if (replyId != id || !isResponse || opcode != 0 || questions != 1) return reply;
    std::string owner;
    uint16_t questionType = 0, questionClass = 0;
    if (!reader.name(at, owner) || !sameName(owner, name) || !reader.u16(at, questionType) ||
        !reader.u16(at, questionClass) || questionType != static_cast<uint16_t>(type) || questionClass != kClassIn) {
        return reply;
    }
    if (rcode == 3) {  // no such name
        reply.outcome = DnsReply::NoAddress;
        return reply;
    }
    if (rcode != 0) return reply;

    // The answers in order; a CNAME of the current name moves the name on.
    std::string current(name);
    int chain = 0;
    for (uint16_t i = 0; i < answers; ++i) {
        uint16_t recordType = 0, recordClass = 0, length = 0;
        if (!reader.name(at, owner) || !reader.u16(at, recordType) || !reader.u16(at, recordClass) ||
            !reader.skip(at, 4) || !reader.u16(at, length)) {
            return reply;
        }
        const size_t rdata = at;
        if (!reader.skip(at, length)) return reply;
        if (recordClass != kClassIn || !sameName(owner, current)) continue;
        if (recordType == kTypeCname) {
            size_t targetAt = rdata;
            std::string target;
            if (!reader.name(targetAt, target) || targetAt > rdata + length || ++chain > kCnameChainMax) return reply;
            current = target;
            continue;
        }
        const size_t wanted = type == DnsType::A ? 4 : 16;
        if (recordType != static_cast<uint16_t>(type) || length != wanted) continue;
        reply.outcome = DnsReply::Address;
        reply.address.assign(reader.at(rdata), reader.at(rdata) + length);
        return reply;
    }
    reply.outcome = DnsReply::NoAddress;
    return reply;
}

std::vector<std::string> nameServersIn(std::string_view resolvConf) {
    std::vector<std::string> servers;
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!resolvConf.empty()) {
        const size_t end = resolvConf.find('\n');
        std::string_view line = resolvConf.substr(0, end);
        resolvConf.remove_prefix(end == std::string_view::npos ? resolvConf.size() : end + 1);
        constexpr std::string_view kKey = "nameserver";
        if (line.substr(0, kKey.size()) != kKey || line.size() == kKey.size() || !isBlank(line[kKey.size()]))
            continue;
        line.remove_prefix(kKey.size());
        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        size_t stop = 0;
        while (stop < line.size() && !isBlank(line[stop]) && line[stop] != '#' && line[stop] != ';') ++stop;
        if (stop > 0) servers.emplace_back(line.substr(0, stop));
    }
    return servers;
}

bool isLocalName(std::string_view host) {
    if (!host.empty() && host.back() == '.') host.remove_suffix(1);
    constexpr std::string_view kSuffix = ".local";
    return host.size() > kSuffix.size() && sameName(host.substr(host.size() - kSuffix.size()), kSuffix);
}

}  // namespace platform
