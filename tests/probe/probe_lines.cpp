#include "tests/probe/probe_lines.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <regex>

#include "tests/support/sandbox.h"

namespace probe_testing {

ProbeRun checkProbeLines(const std::string& text, const std::vector<std::string>& pendingBefore) {
    static const std::regex passStart(R"(<-----(\d+) remains (\d+))");
    static const std::regex passEnd(R"(>-----(\d+))");
    static const std::regex total(R"(Total (\d+) msec)");
    static const std::regex connected(R"((.*) connected ok)");
    static const std::regex failed(R"((.*) can't connected)");

    ProbeRun run;
    EXPECT_TRUE(text.empty() || text.back() == '\n') << "last line not ended";
    const std::vector<std::string> lines = testing_support::splitLines(text);
    std::vector<std::string> pending = pendingBefore;
    long lastTime = 0;
    auto timeOf = [&lastTime](const std::smatch& m) {
        const long t = std::stol(m[1].str());
        EXPECT_GE(t, lastTime) << "time went back";
        lastTime = t;
    };
    size_t at = 0;
    auto next = [&]() -> std::string { return at < lines.size() ? lines[at++] : std::string("<missing>"); };
    std::smatch m;
    for (;;) {
        std::string line = next();
        if (!std::regex_match(line, m, passStart)) {
            ADD_FAILURE() << "expected a pass start, got: " << line;
            return run;
        }
        timeOf(m);
        PassRecord pass;
        pass.remains = std::stoi(m[2].str());
        EXPECT_EQ(pass.remains, static_cast<int>(pending.size())) << line;
        const size_t batchSize = std::min<size_t>(pending.size(), 64);
        const std::vector<std::string> batch(pending.begin(), pending.begin() + batchSize);
        if (batchSize >= 10) {
            line = next();
            EXPECT_EQ(line, "Out of set size");
            pass.outOfSetSize = line == "Out of set size";
        }
        if (batchSize == 0) {
            run.passes.push_back(pass);
            line = next();
            EXPECT_TRUE(std::regex_match(line, m, total)) << line;
            if (std::regex_match(line, m, total)) timeOf(m);
            EXPECT_EQ(at, lines.size()) << "lines after the total";
            return run;
        }
        size_t lastPosition = 0;
        bool first = true;
        for (line = next(); !std::regex_match(line, m, passEnd); line = next()) {
            std::smatch r;
            std::string url, result;
            // A socket in the read set: Wine adds a refused connect to it in
            // most runs, besides the exception set.
            static const std::regex readLine("[0-9]+ read");
            if (std::regex_match(line, readLine)) continue;
            if (std::regex_match(line, r, connected)) {
                url = r[1].str();
                result = "connected ok";
            } else if (std::regex_match(line, r, failed)) {
                url = r[1].str();
                result = "can't connected";
            } else {
                ADD_FAILURE() << "unexpected line in a pass: " << line;
                return run;
            }
            const auto found = std::find(batch.begin(), batch.end(), url);
            if (found == batch.end()) {
                ADD_FAILURE() << "reported but not watched in this pass: " << line;
                return run;
            }
            const size_t position = static_cast<size_t>(found - batch.begin());
            EXPECT_TRUE(first || position > lastPosition) << "out of list order: " << line;
            first = false;
            lastPosition = position;
            pass.results.push_back(line);
            run.outcome[url] = result;
            pending.erase(std::find(pending.begin(), pending.end(), url));
        }
        timeOf(m);
        run.passes.push_back(pass);
    }
}

}  // namespace probe_testing

namespace probe_testing {

std::vector<std::string> withoutTimes(const std::string& text) {
    static const std::regex time(R"(^(<-----|>-----|Total )\d+)");
    std::vector<std::string> lines = testing_support::splitLines(text);
    for (std::string& line : lines) line = std::regex_replace(line, time, "$1T");
    return lines;
}

}  // namespace probe_testing
