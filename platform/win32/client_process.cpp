#include "platform/client_process.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {
// The longest command line CreateProcess accepts, terminator included.
constexpr size_t kCommandLineLimit = 32767;

// The command line in UTF-16. The launch path and the template come from
// Settings.ini in the ANSI code page; the torrent path is UTF-8 and takes the
// place of the first "%1", quoted, as in the narrow command line.
std::wstring wideCommandLine(const ClientLaunch& launch) {
    const size_t placeholder = launch.argumentsTemplate.find("%1");
    if (launch.torrentPath.empty() || placeholder == std::string::npos) return wideFromAnsi(launch.commandLine);
    const std::string& arguments = launch.argumentsTemplate;
    return L"\"" + wideFromAnsi(launch.launchPath) + L"\" " + wideFromAnsi(arguments.substr(0, placeholder)) + L"\"" +
           wideFromUtf8(launch.torrentPath) + L"\"" + wideFromAnsi(arguments.substr(placeholder + 2));
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
