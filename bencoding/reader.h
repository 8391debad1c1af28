// Reading a bencoding document into a BValue tree.
//
// The tree views the document: its byte strings and keys point into it, so
// the document must stay readable and unchanged while the tree lives. What
// is built: a node for every value outside the root's "info". What is
// viewed: the root's "info", which is checked in full but built only when it
// is a string or an integer; as a list or dictionary it is a node with
// `bytesOnly` set, read through BView (bview.h). Either way the writer emits
// its exact bytes, since a torrent is identified by the SHA-1 of them. A
// list or dictionary read in canonical form keeps its bytes as well, so the
// writer can pass them on unchanged (see BValue::bytes).
//
// Memory: at most kMaxValues nodes. A node with its place in its parent
// takes about 150 bytes, so the tree stays within 64 MiB beside the
// document; a document that needs more is refused with BadInput. Real
// torrents need far fewer: "info" (the files) costs no node, and what lies
// outside it is tens of values plus one per tracker, web seed and, in a v2
// torrent, one per file in "piece layers".
//
// The reader never looks at a byte at or past the end of the document, and
// prints nothing. Its two failure signals are a null result (the main flow
// reports "Bad torrent") and BadInput ("Bad input data"):
//   null     - the document is empty, or a value (the root, a list element,
//              a dictionary value) does not begin with a value byte, an
//              integer lacks its "e", or the data end before a list or
//              dictionary reaches its "e";
//   BadInput - a byte-string length is not followed by ":", is negative or is
//              larger than the bytes left, the nesting is deeper than
//              kMaxNestingDepth, or the document needs more than kMaxValues
//              nodes (then with a message naming the budget).
// A missing child is never kept in the tree. Dictionary keys may come in any
// order and more than once: the entries are sorted once (stably) and a
// repeated key keeps the value read last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "bencoding/bvalue.h"

// Lists and dictionaries nested deeper than this are rejected as bad input
// instead of exhausting the stack.
constexpr int kMaxNestingDepth = 512;
constexpr size_t kMaxValues = size_t{1} << 18;

// Reads the value at the start of the document. Trailing bytes are ignored:
// when `tail` is given it receives the count of bytes left after the root, or
// after the point where reading stopped when the result is null (0 for an
// empty document). It is not set when BadInput is thrown.
//
// When `contentSize` is given it receives, from the check of the root's
// "info", the torrent's size: "length" of "info", else the sum of "length"
// of each element of "files", else the sum of the lengths of the files of
// "file tree" (a dictionary under the empty key holding "length"; any other
// key names a subtree), wrapping in 64 bits. None where the shape is
// unusual or wrong (no "info", a value of another kind, a file tree level
// with keys out of order): the caller then reads it through BView, which
// gives the answer or BadType.
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
