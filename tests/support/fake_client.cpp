// A stand-in for the user's BitTorrent client in launch tests. It records
// the arguments it got in "<argv[0]>.args" and exits: each argument as its
// byte count, a colon and its bytes, so arguments holding spaces, quotes or
// line ends come back exactly. The file appears whole (written under another
// name first), so a test may wait for it to exist.
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 1) return 2;
    std::string record;
    for (int i = 0; i < argc; ++i) {
        std::string argument = argv[i];
        record += std::to_string(argument.size()) + ":" + argument;
    }
    const std::string target = std::string(argv[0]) + ".args";
    const std::string partial = target + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return 1;
    bool ok = std::fwrite(record.data(), 1, record.size(), file) == record.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(partial.c_str(), target.c_str()) != 0) return 1;
    return 0;
}
