#include "tests/support/sandbox.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

Sandbox::Sandbox() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() /
                             ("retrackers-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) {
            dir_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a sandbox directory");
}

Sandbox::~Sandbox() {
    std::error_code ignored;
    // Directories a test made read-only must become writable to be removed.
    for (auto it = fs::recursive_directory_iterator(dir_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
}

void Sandbox::write(const std::string& name, const std::string& bytes) const { writeFile(path(name), bytes); }

std::string Sandbox::read(const std::string& name) const { return readFile(path(name)); }

bool Sandbox::exists(const std::string& name) const { return fs::exists(dir_ / name); }

std::string Sandbox::install(const std::string& program, const std::string& as) const {
    fs::path target = dir_ / (as.empty() ? fs::path(program).filename() : fs::path(as));
    fs::copy_file(program, target, fs::copy_options::overwrite_existing);
    return target.string();
}

std::string userHomeFor(const std::string& program) {
    return (fs::path(program).parent_path() / "home").string();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string withoutTimestamp(const std::string& line) {
    static const std::regex kStamp(
        "^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "(0[1-9]|[12][0-9]|3[01]) ([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] [0-9]{4} ");
    std::smatch match;
    if (!std::regex_search(line, match, kStamp)) return {};
    return line.substr(match.length(0));
}

}  // namespace testing_support
