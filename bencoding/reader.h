// Reading a bencoding document into a BValue tree.
//
// Viewed: byte strings and keys point into the document, which must stay
// readable and unchanged while the tree lives. Built: a node for each value
// outside the root's "info" and for each of its own values; the lists and
// dictionaries in "info" are checked in full and held as their bytes
// (`bytesOnly`, read through BView). "info" is written back as read, since a
// torrent is identified by the SHA-1 of its bytes.
//
// Budget: kMaxValues nodes, about 160 bytes each with its place in its
// parent at the peak of reading (a dictionary being sorted, keys of 40
// bytes): the tree stays within 64 MiB beside the document, and a document
// that needs more is refused. A torrent needs tens, plus one per tracker, web
// seed and (v2) file in "piece layers".
//
// Failures: null (logged "Bad torrent") when the document is empty, a value
// does not begin with a value byte, an integer lacks its "e", or the data end
// before a list or dictionary does; BadInput ("Bad input data") when a
// byte-string length is not followed by ":", is negative or exceeds the bytes
// left, the nesting is deeper than kMaxNestingDepth, or the document needs
// more than kMaxValues nodes (with a message naming the budget). The reader
// never reads past the document, prints nothing, and keeps no missing child.
// Keys may come in any order and repeat; the value read last is kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bencoding/bvalue.h"

constexpr int kMaxNestingDepth = 512;  // instead of exhausting the stack
constexpr size_t kMaxValues = size_t{1} << 18;

// Reads the value at the start of the document. Trailing bytes are ignored:
// when `tail` is given it receives the count of bytes left after the root, or
// after the point where reading stopped when the result is null (0 for an
// empty document). It is not set when BadInput is thrown.
//
// `contentSize` receives the torrent's size, gathered while the root's
// "info" is checked: its "length", else the sum of "length" of each element
// of "files", else the sum of the lengths of the files of "file tree" (a
// dictionary under the empty key holding "length"; any other key names a
// subtree), wrapping in 64 bits. None where the shape is wrong or unusual
// (keys out of order in the file tree): the caller then walks it with BView.
BValuePtr parseDocument(const char* data, int32_t size, int32_t* tail = nullptr,
                        std::optional<int64_t>* contentSize = nullptr);

// One value at the cursor; null when none could be read. `depth` is the
// number of lists and dictionaries that enclose it.
BValuePtr parseValue(const char*& cursor, int32_t& remaining, int depth = 0);

// A length, ":" and that many bytes. Throws BadInput.
void readByteString(const char*& cursor, int32_t& remaining, std::string& out);

// The decimal conversion shared by integers and lengths: optional white
// space, optional sign, digits (leading zeros allowed), clamped to the signed
// 64-bit range. Without a digit it yields 0 and consumes nothing.
int64_t readInteger(const char*& cursor, int32_t& remaining);
