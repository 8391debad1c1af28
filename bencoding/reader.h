// Reading a bencoding document into a BValue tree.
//
// The reader never looks at a byte at or past the end of the document, and
// prints nothing. Its two failure signals are a null result (the main flow
// reports "Bad torrent") and BadInput ("Bad input data"):
//   null     - the document is empty, or a value (the root, a list element,
//              a dictionary value) does not begin with a value byte, an
//              integer lacks its "e", or the data end before a list or
//              dictionary reaches its "e";
//   BadInput - a byte-string length is not followed by ":", is negative or is
//              larger than the bytes left, or the nesting is deeper than
//              kMaxNestingDepth.
// A missing child is never kept in the tree.
//
// Dictionary keys may come in any order and more than once: the entries are
// collected as read, sorted once (stably) and a repeated key keeps the value
// read last, so a dictionary of n entries costs O(n log n) in any key order.
//
// The root's "info" value must come back byte for byte, since a torrent is
// identified by the SHA-1 of those bytes. It gets them in `verbatim`, which
// the writer emits instead of the canonical form.
//
// Two ways to read:
//   parseDocument        copies what it keeps: the tree does not refer to the
//                        document, and is built in full. "info" keeps a copy
//                        of its bytes only when writing its subtree would
//                        change them (keys out of order or repeated, a number
//                        with white space, a sign, leading zeros, no digits at
//                        all, or out of range).
//   parseDocumentInPlace copies nothing long: byte strings of more than
//                        BText::kInPlace bytes and the bytes of "info" are
//                        borrowed from the document, which must stay unchanged
//                        and readable for as long as the tree exists. A list
//                        or dictionary "info" is checked in full (same
//                        failures as above) but built one level only: a
//                        dictionary gets its entries at once, and each of its
//                        values that is a list or dictionary is held, then
//                        built in full when find() or asList() hands it out
//                        (a list "info" is held whole and built on asList()).
//                        A torrent's "info" is most of it, and typed access
//                        looks at little of it ("name", "length", "files"),
//                        so only that part costs nodes; BView (bview.h) reads
//                        a held value without building it. Iterating a held
//                        node's `entries` or `elements` directly sees them
//                        empty; reach "info"'s values through find().

#pragma once

#include <cstdint>
#include <string>

#include "bencoding/bvalue.h"

// Lists and dictionaries nested deeper than this are rejected as bad input
// instead of exhausting the stack.
constexpr int kMaxNestingDepth = 512;

// Reads the value at the start of the document. Trailing bytes are ignored:
// when `tail` is given it receives the count of bytes left after the root, or
// after the point where reading stopped when the result is null (0 for an
// empty document). It is not set when BadInput is thrown.
BValuePtr parseDocument(const char* data, int32_t size, int32_t* tail = nullptr);
BValuePtr parseDocumentInPlace(const char* data, int32_t size, int32_t* tail = nullptr);

// One value at the cursor; null when none could be read. `depth` is the
// number of lists and dictionaries that enclose it.
BValuePtr parseValue(const char*& cursor, int32_t& remaining, int depth = 0);

// A length, ":" and that many bytes. Throws BadInput.
void readByteString(const char*& cursor, int32_t& remaining, std::string& out);

// The decimal conversion shared by integers and lengths: optional white
// space, optional sign, digits (leading zeros allowed), clamped to the signed
// 64-bit range. Without a digit it yields 0 and consumes nothing.
int64_t readInteger(const char*& cursor, int32_t& remaining);
