#include "probe/udp_connect.h"

namespace {

constexpr uint64_t kProtocolId = 0x41727101980ULL;
constexpr uint32_t kActionConnect = 0;
constexpr uint32_t kActionError = 3;
constexpr size_t kConnectReplySize = 16;
constexpr size_t kErrorReplySize = 8;

void putBigEndian(unsigned char* out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<unsigned char>(value & 0xFF);
        value >>= 8;
    }
}

uint32_t bigEndian32(const unsigned char* in) {
    return static_cast<uint32_t>(in[0]) << 24 | static_cast<uint32_t>(in[1]) << 16 |
           static_cast<uint32_t>(in[2]) << 8 | static_cast<uint32_t>(in[3]);
}

}  // namespace

std::array<unsigned char, 16> udpConnectRequest(uint32_t transactionId) {
    std::array<unsigned char, 16> request{};
    putBigEndian(request.data(), kProtocolId, 8);
    putBigEndian(request.data() + 8, kActionConnect, 4);
    putBigEndian(request.data() + 12, transactionId, 4);
    return request;
}

bool isUdpConnectReply(const unsigned char* data, size_t size, uint32_t transactionId) {
    if (size < kErrorReplySize || bigEndian32(data + 4) != transactionId) return false;
    const uint32_t action = bigEndian32(data);
    return (action == kActionConnect && size >= kConnectReplySize) || action == kActionError;
}
