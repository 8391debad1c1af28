// The built Keswel under a hostile network: fewer descriptors than
// retrackers, a name server that never answers, no network at all. The last
// two run in new network and mount namespaces (root only; skipped elsewhere).
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/probe/probe_lines.h"
#include "tests/support/cp1251_words.h"
#include "tests/support/loopback.h"
#include "tests/support/sandbox.h"

namespace testing_support {
namespace {

// How the namespaces of an isolated run are set up.
struct Isolation {
    bool loopbackUp = false;
    int silentDnsPort = 0;        // a UDP socket bound here on 127.0.0.1 never answers
    int listenerPort = 0;         // a TCP listener on 127.0.0.1, when not 0
    std::string resolvConf;       // bound over /etc/resolv.conf, when not empty
};

constexpr int kCannotIsolate = 125;

// The child's side: builds the namespaces, then runs the program. Every
// socket made here is inherited by the program and stays open with it.
[[noreturn]] void isolateAndRun(const Isolation& isolation, const std::string& program) {
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) _exit(kCannotIsolate);
    if (mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0) _exit(kCannotIsolate);
    if (isolation.loopbackUp) {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        ifreq request{};
        std::snprintf(request.ifr_name, sizeof request.ifr_name, "lo");
        if (fd < 0 || ioctl(fd, SIOCGIFFLAGS, &request) != 0) _exit(kCannotIsolate);
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (ioctl(fd, SIOCSIFFLAGS, &request) != 0) _exit(kCannotIsolate);
    }
    auto bound = [](int type, int port) {
        const int fd = socket(AF_INET, type, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) _exit(kCannotIsolate);
        return fd;
    };
    if (isolation.silentDnsPort) bound(SOCK_DGRAM, isolation.silentDnsPort);
    if (isolation.listenerPort && listen(bound(SOCK_STREAM, isolation.listenerPort), 128) != 0)
        _exit(kCannotIsolate);
    if (!isolation.resolvConf.empty() &&
        mount(isolation.resolvConf.c_str(), "/etc/resolv.conf", "none", MS_BIND, nullptr) != 0) {
        _exit(kCannotIsolate);
    }
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

// Runs the program (no arguments, in its own folder) isolated as asked, or
// nothing when namespaces cannot be made here.
std::optional<RunResult> runIsolated(const std::string& program, const Isolation& isolation) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        if (chdir(program.substr(0, program.rfind('/')).c_str()) != 0) _exit(kCannotIsolate);
        isolateAndRun(isolation, program);
    }
    close(pipeFds[1]);
    RunResult result;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        result.output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (result.exitCode == kCannotIsolate && result.output.empty()) return std::nullopt;
    return result;
}

class KeswelNetwork : public ::testing::Test {
protected:
    Sandbox box;
    std::string keswel = box.install(KESWEL_EXE);

    // One city, one provider, the given retracker URLs numbered from 1.
    void writeDirectory(const std::vector<std::string>& urls) {
        std::string text = "[" CP1251_CITY "]\r\n1=Town\r\n[" CP1251_PROVIDERS " Town]\r\n1=Net\r\n[" CP1251_RETRACKERS
                           " Town Net]\r\n" CP1251_COUNT "=" + std::to_string(urls.size()) + "\r\n";
        for (size_t i = 0; i < urls.size(); ++i) text += std::to_string(i + 1) + "=" + urls[i] + "\r\n";
        box.write("retrackers.ini", text);
        box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=7 0\r\n");
    }
};

// 1,100 live retrackers and a limit of 1,024 open files that Keswel cannot
// raise: every one gets its line and its place in TrackerCheck.
TEST_F(KeswelNetwork, MoreRetrackersThanDescriptors) {
    constexpr int kEntries = 1100;
    constexpr int kPerListener = 100;  // within a listener's accept queue
    std::vector<std::unique_ptr<LoopbackListener>> listeners;
    std::vector<std::string> urls;
    for (int i = 0; i < kEntries; ++i) {
        if (i % kPerListener == 0) listeners.push_back(std::make_unique<LoopbackListener>());
        urls.push_back(listeners.back()->url() + "?n=" + std::to_string(i + 1));
    }
    writeDirectory(urls);
    const RunResult result =
        runProgram("/bin/sh", {"-c", "ulimit -n 1024 && exec ./" + keswel.substr(keswel.rfind('/') + 1)},
                   box.dir().string());
    ASSERT_EQ(result.exitCode, 0) << result.output.substr(result.output.size() > 2000 ? result.output.size() - 2000 : 0);
    std::string expected;
    for (int i = 1; i <= kEntries; ++i) expected += (i > 1 ? " " : "") + std::to_string(i);
    const std::vector<std::string> lines = splitLines(result.output);
    size_t connected = 0;
    for (const std::string& line : lines) connected += line.ends_with(" connected ok");
    EXPECT_EQ(connected, static_cast<size_t>(kEntries));
    EXPECT_EQ(lines.back(), "TrackerCheck=" + expected + " 0");
    EXPECT_NE(box.read("Settings.ini").find("TrackerCheck=" + expected + " 0\r\n"), std::string::npos);
}

// Four names that a silent name server never answers and one live address:
// the run keeps its bound, prints a true total and stores the live one.
TEST_F(KeswelNetwork, SilentNameServerCannotHoldTheRun) {
    box.write("resolv.conf", "nameserver 127.0.0.1\noptions timeout:30 attempts:5\n");
    Isolation isolation;
    isolation.loopbackUp = true;
    isolation.silentDnsPort = 53;
    isolation.listenerPort = 2710;
    isolation.resolvConf = box.path("resolv.conf");
    writeDirectory({"http://127.0.0.1:2710/announce", "http://one.tracker.example/announce",
                    "udp://two.tracker.example:6969/announce", "http://three.tracker.example:81/",
                    "https://four.tracker.example/"});
    const auto started = std::chrono::steady_clock::now();
    const std::optional<RunResult> result = runIsolated(keswel, isolation);
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    if (!result) GTEST_SKIP() << "network and mount namespaces cannot be made here (needs root)";
    EXPECT_EQ(result->exitCode, 0) << result->output;
    const std::vector<std::string> lines = splitLines(result->output);
    ASSERT_GE(lines.size(), 3u) << result->output;
    EXPECT_EQ(lines.back(), "TrackerCheck=1 0");
    // Within the run's bound, and the lookups well inside it.
    EXPECT_LT(spent, 25000);
    EXPECT_LT(spent, 15000);
    int total = -1;
    EXPECT_EQ(std::sscanf(lines[lines.size() - 2].c_str(), "Total %d msec", &total), 1) << result->output;
    EXPECT_GE(total, 0);
    EXPECT_LE(total, spent);
    EXPECT_NE(result->output.find("http://127.0.0.1:2710/announce connected ok\n"), std::string::npos);
}

// No network at all: the loopback is down and the name server cannot be
// reached. Not one retracker could be tried, so the stored list stays.
TEST_F(KeswelNetwork, NoNetworkKeepsTheStoredList) {
    writeDirectory({"http://127.0.0.1:2710/announce", "udp://127.0.0.1:6969/announce",
                    "http://tracker.example/announce"});
    const std::string before = box.read("Settings.ini");
    const std::optional<RunResult> result = runIsolated(keswel, Isolation{});
    if (!result) GTEST_SKIP() << "a network namespace cannot be made here (needs root)";
    EXPECT_EQ(result->exitCode, 1);
    EXPECT_EQ(splitLines(result->output).back(),
              "Network unreachable: no retracker could be tried; TrackerCheck left as it was")
        << result->output;
    EXPECT_EQ(box.read("Settings.ini"), before);
}

}  // namespace
}  // namespace testing_support
