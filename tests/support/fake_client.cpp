// A stand-in BitTorrent client for launch tests: records the arguments it
// was started with into "<argv[0]>.args" as a bencoded list of byte strings
// (so arguments holding quotes or newlines survive), then exits. On Windows
// it records them once more in UTF-8, from the wide command line, into
// "<argv[0]>.wargs", written before the ".args" record.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

bool record(const std::string& target, const std::vector<std::string>& arguments) {
    std::string bytes = "l";
    for (const auto& argument : arguments) bytes += std::to_string(argument.size()) + ":" + argument;
    bytes += "e";
    // Written under a temporary name and renamed, so a reader never sees half a record.
    const std::string temporary = target + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return std::rename(temporary.c_str(), target.c_str()) == 0;
}

#ifdef _WIN32
std::vector<std::string> wideArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide && i < count; ++i) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<size_t>(length > 0 ? length : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, utf8.data(), length, nullptr, nullptr);
        utf8.pop_back();
        arguments.push_back(utf8);
    }
    LocalFree(wide);
    return arguments;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const std::string target = std::string(argv[0]) + ".args";
#ifdef _WIN32
    if (!record(std::string(argv[0]) + ".wargs", wideArguments())) return 1;
#endif
    return record(target, std::vector<std::string>(argv, argv + argc)) ? 0 : 1;
}
