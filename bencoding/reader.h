// Reading a bencoding document into a BValue tree.
//
// The reader never looks at a byte at or past the end of the document. Its
// two failure signals are a null result (the main flow reports "Bad torrent")
// and BadInput ("Bad input data"):
//   null     - the document is empty, or a value (the root, a list element,
//              a dictionary value) does not begin with a value byte, an
//              integer lacks its "e", or the data end before a list or
//              dictionary reaches its "e";
//   BadInput - a byte-string length is not followed by ":", is negative or is
//              larger than the bytes left, or the nesting is deeper than
//              kMaxNestingDepth.
// A missing child is never kept in the tree.
//
// The root's "info" value, when its bytes are not already canonical, keeps
// them verbatim so that the writer reproduces them exactly: a torrent is
// identified by the SHA-1 of those bytes.
#pragma once

#include <cstdint>
#include <string>

#include "bencoding/bvalue.h"

// Lists and dictionaries nested deeper than this are rejected as bad input
// instead of exhausting the stack.
constexpr int kMaxNestingDepth = 512;

// Reads the value at the start of the document. Trailing bytes are ignored
// and reported on standard output as "Bad torrent: size %d, tail %d\n".
BValuePtr parseDocument(const char* data, int32_t size);

// Told, as reading moves on, that the bytes before `end` are no longer
// needed in memory; a caller that mapped the document uses it to drop the
// pages it has passed, so that the document and its tree are never both
// resident in full. The bytes must stay readable: those of a non-canonical
// "info" are read once more at its end. Called at least every kPassedStep bytes.
struct BReadProgress {
    void (*passed)(const char* end, void* context);
    void* context;
};
constexpr int32_t kPassedStep = 1 << 20;
BValuePtr parseDocument(const char* data, int32_t size, const BReadProgress& progress);

// One value at the cursor; null when none could be read. `depth` is the
// number of lists and dictionaries that enclose it.
BValuePtr parseValue(const char*& cursor, int32_t& remaining, int depth = 0);

// A length, ":" and that many bytes. Throws BadInput.
void readByteString(const char*& cursor, int32_t& remaining, std::string& out);

// The decimal conversion shared by integers and lengths: optional white
// space, optional sign, digits (leading zeros allowed), clamped to the signed
// 64-bit range. Without a digit it yields 0 and consumes nothing.
int64_t readInteger(const char*& cursor, int32_t& remaining);
