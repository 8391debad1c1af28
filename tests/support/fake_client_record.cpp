#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/fake_client.h"
#include "tests/support/sandbox.h"

namespace testing_support {

std::optional<std::vector<std::string>> waitForClientRecord(const std::string& clientPath, int timeoutMs, bool utf8) {
    const std::string recordPath = clientPath + ".args";
    const std::string wideRecordPath = clientPath + ".wargs";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string record;
    for (;;) {
        // Under Wine a file just renamed into place can show before it opens.
        try {
            if (std::filesystem::exists(recordPath)) {
                // The wide record is complete before the narrow one appears.
                record = readFile(utf8 ? wideRecordPath : recordPath);
                break;
            }
        } catch (const std::exception&) {
        }
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::filesystem::remove(recordPath);
    std::filesystem::remove(wideRecordPath);
    // A bencoded list of byte strings.
    if (record.size() < 2 || record.front() != 'l' || record.back() != 'e') return std::nullopt;
    std::vector<std::string> arguments;
    size_t at = 1;
    while (at < record.size() - 1) {
        size_t colon = record.find(':', at);
        if (colon == std::string::npos) return std::nullopt;
        size_t length = std::stoul(record.substr(at, colon - at));
        if (colon + 1 + length > record.size() - 1) return std::nullopt;
        arguments.push_back(record.substr(colon + 1, length));
        at = colon + 1 + length;
    }
    return arguments;
}

}  // namespace testing_support
