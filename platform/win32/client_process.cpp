#include "platform/client_process.h"

#include <windows.h>

#include <vector>

#include "platform/command_line.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {
// The longest command line CreateProcess accepts, terminator included.
constexpr size_t kCommandLineLimit = 32767;

// The command line in UTF-16. The launch path and the template come from
// Settings.ini in the ANSI code page, the torrent path is UTF-8: all are made
// UTF-8 before the line is built.
std::wstring wideCommandLine(const ClientLaunch& launch) {
    std::optional<std::string_view> torrentPath;
    if (launch.torrentPath) torrentPath = *launch.torrentPath;
    return wideFromUtf8(clientCommandLine(utf8FromWide(wideFromAnsi(launch.launchPath)),
                                          utf8FromWide(wideFromAnsi(launch.argumentsTemplate)), torrentPath));
}

}  // namespace
StartResult startClient(const ClientLaunch& launch) {
    // CreateProcessW may write into the command line, so it gets a copy of
    // its own, sized from the text: nothing is cut and nothing overflows.
    const std::wstring line = wideCommandLine(launch);
    if (line.size() + 1 > kCommandLineLimit) return {false, ERROR_FILENAME_EXCED_RANGE};
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The application name is the launch path itself (even when empty), so
    // the system neither searches for it nor adds an extension.
    const std::wstring application = wideFromAnsi(launch.launchPath);
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return {false, static_cast<int>(GetLastError())};
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return {true, 0};
}

}  // namespace platform
