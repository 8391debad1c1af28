#include "platform/windows1251_text.h"

#include <cstdint>
#include <vector>

namespace platform {

namespace {

// The code points of bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F
// in order. 0x98 is unassigned and shows as U+FFFD.
constexpr uint16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// KOI8-R keeps the 32 letters of each case (without Ё) in the order of
// their Latin sound-alikes: the letter's place in а..я (0 to 31) for each
// byte from 0xC0 (lower case) and from 0xE0 (upper case).
constexpr uint8_t kKoi8Order[32] = {30, 0,  1,  22, 4,  5,  20, 3,  21, 8,  9,  10, 11, 12, 13, 14,
                                    15, 31, 16, 17, 18, 19, 6,  2,  28, 27, 7,  24, 29, 25, 23, 26};

uint32_t windows1251CodePoint(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte < 0xC0) return kHighHalf[byte - 0x80];
    return 0x0410u + (byte - 0xC0u);
}

void appendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// One character in a single-byte set; '?' where the set has none.
char singleByte(uint32_t codePoint, Charset charset) {
    if (codePoint < 0x80) return static_cast<char>(codePoint);
    if (charset == Charset::Windows1251) {
        if (codePoint >= 0x0410 && codePoint <= 0x044F) return static_cast<char>(0xC0 + (codePoint - 0x0410));
        for (int i = 0; i < 64; ++i)
            if (kHighHalf[i] == codePoint && codePoint != 0xFFFD) return static_cast<char>(0x80 + i);
    }
    if (charset == Charset::Koi8r) {
        if (codePoint == 0x0451) return '\xA3';  // ё
        if (codePoint == 0x0401) return '\xB3';  // Ё
        const bool upper = codePoint >= 0x0410 && codePoint <= 0x042F;
        const bool lower = codePoint >= 0x0430 && codePoint <= 0x044F;
        if (upper || lower) {
            const uint32_t place = codePoint - (upper ? 0x0410u : 0x0430u);
            for (int i = 0; i < 32; ++i)
                if (kKoi8Order[i] == place) return static_cast<char>((upper ? 0xE0 : 0xC0) + i);
        }
    }
    return '?';
}

void append(std::string& out, uint32_t codePoint, Charset charset) {
    if (charset == Charset::Utf8)
        appendUtf8(out, codePoint);
    else
        out += singleByte(codePoint, charset);
}

// The Windows-1251 byte of a code point; 0 when there is none (NUL itself
// never reaches here as a character to convert).
unsigned char windows1251Byte(uint32_t codePoint) {
    if (codePoint < 0x80) return static_cast<unsigned char>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F) return static_cast<unsigned char>(0xC0 + (codePoint - 0x0410));
    if (codePoint == 0xFFFD) return 0;
    for (unsigned i = 0; i < 64; ++i)
        if (kHighHalf[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
    return 0;
}

// The code point of the UTF-8 sequence at `at`, which advances past it; false
// for a malformed, overlong or surrogate sequence.
bool nextCodePoint(std::string_view text, size_t& at, uint32_t& codePoint) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t follow = 0;
    uint32_t least = 0;
    if (lead < 0x80) {
        codePoint = lead;
        ++at;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF) follow = 1, least = 0x80, codePoint = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) follow = 2, least = 0x800, codePoint = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) follow = 3, least = 0x10000, codePoint = lead & 0x07;
    else return false;
    if (text.size() - at <= follow) return false;
    for (size_t k = 1; k <= follow; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return false;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return false;
    at += follow + 1;
    return true;
}

// The code points of UTF-8 text; each byte of a malformed sequence gives '?'.
std::vector<uint32_t> utf8CodePoints(std::string_view text) {
    std::vector<uint32_t> points;
    size_t at = 0;
    while (at < text.size()) {
        uint32_t point = 0;
        if (!nextCodePoint(text, at, point)) {
            point = '?';
            ++at;
        }
        points.push_back(point);
    }
    return points;
}

std::string lowerAsciiLetters(std::string_view text) {
    std::string lower;
    for (char c : text)
        if (c != '-' && c != '_') lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

}  // namespace

Charset charsetNamed(std::string_view codeset) {
    const std::string name = lowerAsciiLetters(codeset);
    if (name == "utf8") return Charset::Utf8;
    if (name == "koi8r") return Charset::Koi8r;
    if (name == "cp1251" || name == "windows1251" || name == "microsoftcp1251") return Charset::Windows1251;
    return Charset::Ascii;
}

bool utf8ToWindows1251(std::string_view text, std::string& out, size_t& at) {
    out.clear();
    out.reserve(text.size());
    at = 0;
    while (at < text.size()) {
        size_t next = at;
        uint32_t codePoint = 0;
        if (!nextCodePoint(text, next, codePoint)) return false;
        const unsigned char byte = windows1251Byte(codePoint);
        if (byte == 0 && codePoint != 0) return false;
        out += static_cast<char>(byte);
        at = next;
    }
    return true;
}

std::string windows1251ToUtf8(std::string_view text) { return windows1251ToCharset(text, Charset::Utf8); }

std::string windows1251ToCharset(std::string_view text, Charset charset) {
    if (charset == Charset::Windows1251) return std::string(text);
    std::string result;
    result.reserve(text.size() * 2);
    for (char c : text) append(result, windows1251CodePoint(static_cast<unsigned char>(c)), charset);
    return result;
}

std::string utf8ToCharset(std::string_view text, Charset charset) {
    std::string result;
    result.reserve(text.size());
    for (uint32_t point : utf8CodePoints(text)) append(result, point, charset);
    return result;
}

}  // namespace platform
