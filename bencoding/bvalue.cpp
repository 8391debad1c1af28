#include "bencoding/bvalue.h"

#include <charconv>
#include <cstring>

BValue::BValue(BKind kind) : kind(kind) {}

BValue::BValue(std::string bytes) : kind(BStr), text(std::move(bytes)) {}

// Destroys deep lists iteratively enough for any tree the reader accepts;
// the reader bounds nesting, so plain recursion through unique_ptr is fine.
BValue::~BValue() = default;

std::string BValue::asString() const {
    if (kind != BStr) throw BadType{};
    return text;
}

int64_t BValue::asInt() const {
    if (kind != BInt) throw BadType{};
    return integer;
}

const std::vector<BValuePtr>& BValue::asList() const {
    if (kind != BList) throw BadType{};
    return elements;
}

BValue* BValue::find(const char* key) const {
    if (kind != BDict) throw BadType{};
    auto it = entries.find(key);
    return it == entries.end() ? nullptr : it->second.get();
}

void BValue::set(const char* key, BValuePtr child) {
    if (kind != BDict) throw BadType{};
    entries[key] = std::move(child);
}

void BValue::append(BValuePtr child) {
    if (kind != BList) throw BadType{};
    elements.push_back(std::move(child));
}

namespace {

// Decimal digits of a signed 64-bit value, as "%d" / "%I64d" would print it.
size_t decimalLength(int64_t value) {
    char digits[24];
    return static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
}

void putDecimal(char*& cursor, int64_t value) {
    cursor = std::to_chars(cursor, cursor + 24, value).ptr;
}

void putBytes(char*& cursor, const std::string& bytes) {
    if (!bytes.empty()) std::memcpy(cursor, bytes.data(), bytes.size());
    cursor += bytes.size();
}

}  // namespace

void BValue::write(char*& cursor) const {
    if (!verbatim.empty()) {
        putBytes(cursor, verbatim);
        return;
    }
    switch (kind) {
    case BStr:
        putDecimal(cursor, static_cast<int64_t>(text.size()));
        *cursor++ = ':';
        putBytes(cursor, text);
        break;
    case BInt:
        *cursor++ = 'i';
        putDecimal(cursor, integer);
        *cursor++ = 'e';
        break;
    case BList:
        *cursor++ = 'l';
        for (const auto& element : elements) element->write(cursor);
        *cursor++ = 'e';
        break;
    case BDict:
        *cursor++ = 'd';
        for (const auto& [key, value] : entries) {
            putDecimal(cursor, static_cast<int64_t>(key.size()));
            *cursor++ = ':';
            putBytes(cursor, key);
            value->write(cursor);
        }
        *cursor++ = 'e';
        break;
    }
}

size_t BValue::encodedSize() const {
    if (!verbatim.empty()) return verbatim.size();
    switch (kind) {
    case BStr:
        return decimalLength(static_cast<int64_t>(text.size())) + 1 + text.size();
    case BInt:
        return decimalLength(integer) + 2;
    case BList: {
        size_t size = 2;
        for (const auto& element : elements) size += element->encodedSize();
        return size;
    }
    case BDict: {
        size_t size = 2;
        for (const auto& [key, value] : entries)
            size += decimalLength(static_cast<int64_t>(key.size())) + 1 + key.size() + value->encodedSize();
        return size;
    }
    }
    return 0;
}

BValuePtr listOfString(const std::string& text) {
    auto list = std::make_unique<BValue>(BList);
    if (!text.empty()) list->append(std::make_unique<BValue>(text));
    return list;
}
