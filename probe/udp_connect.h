// The connect exchange of the UDP tracker protocol: the one request a UDP
// retracker must answer before anything else, and the test of its reply.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The 16-byte connect request, big-endian: protocol id 0x41727101980,
// action 0 (connect), the transaction id.
std::array<unsigned char, 16> udpConnectRequest(uint32_t transactionId);

// True for a datagram that carries `transactionId` and the action connect (0)
// in at least 16 bytes, or the action error (3) in at least 8 (the header; the
// message may be short or empty): either shows a tracker answering there.
bool isUdpConnectReply(const unsigned char* data, size_t size, uint32_t transactionId);
