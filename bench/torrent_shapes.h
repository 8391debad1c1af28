// Deterministic torrents in the shapes that matter for speed and memory:
// many files (a long "files" list of small dictionaries), many pieces (one
// long "pieces" byte string), and a hostile one whose "info" holds a
// dictionary with its keys in descending order. The same name always gives
// the same bytes.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct TorrentShape {
    const char* name;  // file name, also the benchmark's label
    int files;         // 0 for a single-file torrent
    size_t pieces;     // the piece count; 0 to fill the document up to `size`
    size_t size;       // the document's size in bytes when `pieces` is 0
    int descendingKeys = 0;  // entries of the descending "keys" dictionary in "info"
};

// The shapes: 20,000 files (1.2 MB), 1,048,576 pieces in one file (21 MB),
// 100,000 files (5.9 MB), two small ones of 300 files and 2,800 pieces, and
// 40,000, 100,000 and 200,000 descending keys (0.52, 1.3 and 2.6 MB).
const std::vector<TorrentShape>& torrentShapes();

// The canonical bencoding of a torrent of the shape.
std::string makeTorrent(const TorrentShape& shape);

}  // namespace bench
