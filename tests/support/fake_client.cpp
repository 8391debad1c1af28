// A stand-in BitTorrent client for launch tests: records the arguments it
// was started with into "<argv[0]>.args" as a bencoded list of byte strings
// (so arguments holding quotes or newlines survive), then exits.
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::string record = "l";
    for (int i = 0; i < argc; ++i) {
        record += std::to_string(std::strlen(argv[i])) + ":" + argv[i];
    }
    record += "e";
    // Written under a temporary name and renamed, so a reader never sees half a record.
    const std::string target = std::string(argv[0]) + ".args";
    const std::string temporary = target + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return 1;
    std::fwrite(record.data(), 1, record.size(), file);
    std::fclose(file);
    return std::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : 1;
}
