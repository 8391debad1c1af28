// Keswel --detect against loopback trackers: an HTTP tracker that answers
// any announce with a bencoded dictionary, a web server that answers with a
// page, and refused ports. Loopback counts as a provider's address.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/support/cp1251_words.h"
#include "tests/support/loopback.h"
#include "tests/support/sandbox.h"
#include "tests/support/scoped_env.h"

namespace testing_support {
namespace {

// Answers every request on 127.0.0.1:<port> with `reply`, from a thread of its own.
class HttpPeer {
public:
    explicit HttpPeer(std::string reply) : reply_(std::move(reply)) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 16) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on loopback");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~HttpPeer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/announce"; }

private:
    void serve() {
        while (!stop_) {
            pollfd wait{fd_, POLLIN, 0};
            if (poll(&wait, 1, 20) <= 0) continue;
            const int client = accept(fd_, nullptr, nullptr);
            if (client < 0) continue;
            std::string request;
            char buffer[1024];
            for (int i = 0; i < 50 && request.find("\r\n\r\n") == std::string::npos; ++i) {
                pollfd readable{client, POLLIN, 0};
                if (poll(&readable, 1, 20) <= 0) continue;
                const ssize_t got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<size_t>(got));
            }
            if (request.rfind("GET /announce?info_hash=", 0) == 0) send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
            close(client);
        }
    }
    std::string reply_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

const char* const kTracker = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nd14:failure reason13:not whiteliste";
const char* const kWebPage = "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>d</html>";

class KeswelDetect : public ::testing::Test {
protected:
    Sandbox box;
    std::string keswel = box.install(KESWEL_EXE);
    ScopedEnv locale{"LC_ALL", "C"};
    // A client is set, so the adoption that follows --detect leaves the file alone.
    static constexpr const char* kSettings =
        "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=1 0\r\nLaunchPath=/bin/sh\r\nLaunchArguments=%1\r\n";

    // Northtown: NetOne and Link Two; Southport: NetOne; each with the URLs given.
    void directory(const std::string& northOne, const std::string& northTwo, const std::string& south) {
        box.write("retrackers.ini", "[" CP1251_CITY "]\r\n1=Northtown\r\n2=Southport\r\n"
                                    "[" CP1251_PROVIDERS " Northtown]\r\n1=NetOne\r\n2=Link Two\r\n"
                                    "[" CP1251_PROVIDERS " Southport]\r\n1=NetOne\r\n"
                                    "[" CP1251_RETRACKERS " Northtown NetOne]\r\n" CP1251_COUNT "=9\r\n" + northOne +
                                        "[" CP1251_RETRACKERS " Northtown Link Two]\r\n" CP1251_COUNT "=9\r\n" +
                                        northTwo + "[" CP1251_RETRACKERS " Southport NetOne]\r\n" CP1251_COUNT
                                        "=9\r\n" + south);
        box.write("Settings.ini", kSettings);
    }
};

TEST_F(KeswelDetect, OneProviderAnsweringIsStoredAndProbed) {
    HttpPeer tracker(kTracker), web(kWebPage);
    // A web server proves nothing; https cannot be checked.
    directory("1=" + refusedUrl() + "\r\n2=" + tracker.url() + "\r\n3=https://127.0.0.1:1/\r\n",
              "1=" + web.url() + "\r\n", "1=" + refusedUdpUrl() + "\r\n");
    const RunResult result = runProgram(keswel, {"--detect", "--no-handler"}, box.dir().string());
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("1 https:// retrackers left out"), std::string::npos);
    EXPECT_NE(result.output.find("Detected: 1 1 Northtown, NetOne (1 answered)\n"), std::string::npos);
    EXPECT_EQ(result.output.find("Link Two ("), std::string::npos);
    EXPECT_NE(result.output.find("TrackerIniIndex=0 0 (Northtown, NetOne)\n"), std::string::npos);
    EXPECT_EQ(box.read("Settings.ini"), "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\n"
                                        "LaunchPath=/bin/sh\r\nLaunchArguments=%1\r\nTrackerCheck=2 0\r\n");
}

TEST_F(KeswelDetect, SeveralAnsweringAreListedMostFirstAndShownFirstByChoose) {
    HttpPeer one(kTracker), two(kTracker);
    directory("1=" + one.url() + "\r\n", "", "1=" + one.url() + "\r\n2=" + two.url() + "\r\n");
    const RunResult result = runProgram(keswel, {"--detect", "--no-handler"}, box.dir().string());
    EXPECT_EQ(result.exitCode, 0) << result.output;
    // Each URL is asked once, however many providers list it.
    EXPECT_NE(result.output.find("Detecting: 2 retrackers of 3 providers\n"), std::string::npos);
    const size_t south = result.output.find("Detected: 2 1 Southport, NetOne (2 answered)\n");
    const size_t north = result.output.find("Detected: 1 1 Northtown, NetOne (1 answered)\n");
    EXPECT_NE(south, std::string::npos) << result.output;
    EXPECT_LT(south, north);
    EXPECT_NE(result.output.find("Several providers answered; no choice stored"), std::string::npos);
    EXPECT_EQ(box.read("Settings.ini"), std::string(kSettings) + "DetectedProviders=2 1 1 1\r\n");
    // --choose shows them first.
    const RunResult choose = runProgramWithInput(keswel, {"--choose"}, box.dir().string(), "");
    EXPECT_EQ(choose.output.rfind("Detected: 2 1 Southport, NetOne\nDetected: 1 1 Northtown, NetOne\n", 0), 0u)
        << choose.output;
}

TEST_F(KeswelDetect, NoneAnsweringSaysSoInOneLine) {
    HttpPeer web(kWebPage);
    directory("1=" + refusedUrl() + "\r\n", "1=" + web.url() + "\r\n", "");
    const RunResult result = runProgram(keswel, {"--detect", "--no-handler"}, box.dir().string());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(splitLines(result.output).back(), "No provider's retracker answered; choose yours with keswel --choose");
    EXPECT_EQ(box.read("Settings.ini"), kSettings);
}

}  // namespace
}  // namespace testing_support
