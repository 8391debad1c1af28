#include "bench/torrent_shapes.h"

#include <cstdint>
#include <cstdio>

namespace bench {

const std::vector<TorrentShape>& torrentShapes() {
    static const std::vector<TorrentShape> shapes = {
        {"files-300.torrent", 300, 0, 24'000},
        {"pieces-2800.torrent", 0, 2'800, 0},
        {"files-20000.torrent", 20'000, 0, 1'200'000},
        {"pieces-1048576.torrent", 0, 1'048'576, 0},
        {"files-100000.torrent", 100'000, 0, 5'900'000},
        {"descending-40000.torrent", 0, 100, 0, 40'000},
        {"descending-100000.torrent", 0, 100, 0, 100'000},
        {"descending-200000.torrent", 0, 100, 0, 200'000},
    };
    return shapes;
}

namespace {

// xorshift64: fixed seed, so every run produces the same bytes.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

void putString(std::string& out, const std::string& bytes) {
    out += std::to_string(bytes.size());
    out += ':';
    out += bytes;
}

void putInt(std::string& out, int64_t value) {
    out += 'i';
    out += std::to_string(value);
    out += 'e';
}

std::string word(Random& random, size_t length) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string text;
    for (size_t i = 0; i < length; ++i) text += letters[random.next() % (sizeof letters - 1)];
    return text;
}

}  // namespace

std::string makeTorrent(const TorrentShape& shape) {
    Random random;
    const std::string announce = "http://tracker.example.org:6969/announce";
    std::string head = "d8:announce";
    putString(head, announce);
    head += "13:announce-listll";
    putString(head, announce);
    head += "el";
    putString(head, "udp://backup.example.net:80/announce");
    head += "ee7:comment";
    putString(head, "Benchmark torrent " + std::string(shape.name));
    head += "10:created by";
    putString(head, "bench 1.0");
    head += "13:creation date";
    putInt(head, 1700000000);
    head += "4:infod";

    std::string files;
    if (shape.files > 0) {
        files += "5:filesl";
        for (int i = 0; i < shape.files; ++i) {
            int64_t length = static_cast<int64_t>(random.next() % 50'000'000) + 1;
            files += "d6:length";
            putInt(files, length);
            files += "4:pathl";
            putString(files, "Disc " + std::to_string(i / 1000));
            putString(files, std::to_string(i) + "-" + word(random, 3 + random.next() % 4) + ".flac");
            files += "ee";
        }
        files += 'e';
    } else {
        if (shape.descendingKeys > 0) {
            // "8:k0199999i1e": 13 bytes an entry.
            files += "4:keysd";
            char key[16];
            for (int i = shape.descendingKeys - 1; i >= 0; --i) {
                std::snprintf(key, sizeof key, "k%07d", i);
                putString(files, key);
                putInt(files, 1);
            }
            files += 'e';
        }
        files += "6:length";
    }

    const int64_t pieceLength = 1 << 18;
    std::string middle = "4:name";
    putString(middle, shape.files > 0 ? "Benchmark collection" : "benchmark-image.iso");
    middle += "12:piece length";
    putInt(middle, pieceLength);
    middle += "6:pieces";
    const std::string tail = "ee";

    // Without a piece count, take as many pieces as bring the document to
    // the wanted size (the count's digits take part in the size).
    size_t pieces = shape.pieces;
    if (pieces == 0) {
        size_t fixed = head.size() + files.size() + middle.size() + tail.size();
        size_t room = shape.size > fixed ? shape.size - fixed : 0;
        pieces = room / 20;
        while (pieces > 0 && std::to_string(pieces * 20).size() + 1 + pieces * 20 > room) --pieces;
    }

    std::string document;
    document.reserve(shape.size + 64);
    document += head;
    if (shape.files > 0) {
        document += files;
    } else {
        document += files;
        putInt(document, static_cast<int64_t>(pieces) * pieceLength);
    }
    document += middle;
    document += std::to_string(pieces * 20);
    document += ':';
    for (size_t i = 0; i < pieces * 20; i += 8) {
        uint64_t bits = random.next();
        for (size_t b = 0; b < 8 && i + b < pieces * 20; ++b) document += static_cast<char>(bits >> (8 * b));
    }
    document += tail;
    return document;
}

}  // namespace bench
