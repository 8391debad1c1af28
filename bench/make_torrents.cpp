// Writes the benchmark torrents into a directory: make_bench_torrents DIR.
#include <cstdio>
#include <string>

#include "bench/torrent_shapes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    for (const bench::TorrentShape& shape : bench::torrentShapes()) {
        const std::string path = std::string(argv[1]) + "/" + shape.name;
        const std::string bytes = bench::makeTorrent(shape);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s %zu\n", path.c_str(), bytes.size());
    }
    return 0;
}
