// The INI reader on any file bytes, through the same calls the programs make:
// no crash, values within their limit. The input's first two lines name the
// section and the key asked for; the rest is the file. When the names are
// plain words, a value written is read back unchanged and the other bytes of
// the file keep their place.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/private_profile.h"

namespace {

std::string takeLine(std::string& rest) {
    size_t end = rest.find('\n');
    std::string line = rest.substr(0, end);
    rest.erase(0, end == std::string::npos ? rest.size() : end + 1);
    return line;
}

bool plainWord(const std::string& name) {
    if (name.empty() || name.size() > 32) return false;
    for (unsigned char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

const std::string& scratchFile() {
    static const std::string path = [] {
        char name[] = "/tmp/ini_fuzzer.XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string rest(reinterpret_cast<const char*>(data), size);
    const std::string section = takeLine(rest);
    const std::string key = takeLine(rest);
    const std::string& path = scratchFile();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(rest.data(), 1, rest.size(), file);
    std::fclose(file);

    std::string value = platform::getPrivateProfileString(section.c_str(), key.c_str(), "", path.c_str(), 4096);
    if (value.size() > 4095) std::abort();
    platform::getPrivateProfileInt(section.c_str(), key.c_str(), 7, path.c_str());

    if (plainWord(section) && plainWord(key)) {
        if (!platform::writePrivateProfileString(section.c_str(), key.c_str(), "1 3 4 0", path.c_str())) return 0;
        if (platform::getPrivateProfileString(section.c_str(), key.c_str(), "", path.c_str(), 4096) != "1 3 4 0") std::abort();
    }
    return 0;
}
