#include "platform/client_process.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {
// The longest command line CreateProcess accepts, terminator included.
constexpr size_t kCommandLineLimit = 32767;
}  // namespace

StartResult startClient(const ClientLaunch& launch) {
    // CreateProcessA may write into the command line, so it gets a copy of
    // its own, sized from the text: nothing is cut and nothing overflows.
    if (launch.commandLine.size() + 1 > kCommandLineLimit) return {false, ERROR_FILENAME_EXCED_RANGE};
    std::vector<char> commandLine(launch.commandLine.begin(), launch.commandLine.end());
    commandLine.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The application name is the launch path itself (even when empty), so
    // the system neither searches for it nor adds an extension.
    if (!CreateProcessA(launch.launchPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return {false, static_cast<int>(GetLastError())};
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return {true, 0};
}

}  // namespace platform
