#include <windows.h>

#include <stdexcept>

#include "platform/command_line.h"
#include "tests/support/sandbox.h"

namespace testing_support {

namespace {

struct Handle {
    HANDLE value = nullptr;
    ~Handle() { reset(); }
    void reset() {
        if (value) CloseHandle(value);
        value = nullptr;
    }
};

std::wstring wideOf(UINT codePage, const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}

// Starts the program with the command line in `codePage`: CP_ACP as a
// program using CreateProcessA would, CP_UTF8 for names outside it.
RunResult runCommandLine(UINT codePage, const std::string& program, const std::string& commandLine,
                         const std::string& workingDir) {
    std::wstring commandBuffer = wideOf(codePage, commandLine);

    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    Handle readEnd, writeEnd;
    if (!CreatePipe(&readEnd.value, &writeEnd.value, &inheritable, 0)) throw std::runtime_error("CreatePipe failed");
    // Only the write end goes to the child.
    SetHandleInformation(readEnd.value, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.value;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(wideOf(codePage, program).c_str(), commandBuffer.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        wideOf(codePage, workingDir).c_str(), &startup, &process)) {
        throw std::runtime_error("CreateProcessW failed for " + program + " with code " +
                                 std::to_string(GetLastError()));
    }
    Handle processHandle{process.hProcess};
    Handle threadHandle{process.hThread};
    // The parent's copy must go, or the pipe never reports its end.
    writeEnd.reset();

    RunResult result;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd.value, buffer, sizeof buffer, &got, nullptr) && got > 0) result.output.append(buffer, got);
    WaitForSingleObject(processHandle.value, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.value, &exitCode);
    result.exitCode = static_cast<int>(exitCode);
    return result;
}

RunResult run(UINT codePage, const std::string& program, const std::vector<std::string>& arguments,
              const std::string& workingDir) {
    using platform::Quotes, platform::quotedWindowsArgument;
    std::string commandLine = quotedWindowsArgument(program, Quotes::WhenNeeded);
    for (const auto& argument : arguments) commandLine += " " + quotedWindowsArgument(argument, Quotes::WhenNeeded);
    return runCommandLine(codePage, program, commandLine, workingDir);
}

}  // namespace

RunResult runProgramWithCommandLine(const std::string& program, const std::string& arguments,
                                    const std::string& workingDir) {
    return runCommandLine(CP_ACP, program, platform::quotedWindowsArgument(program, platform::Quotes::WhenNeeded) + " " + arguments, workingDir);
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDir) {
    return run(CP_ACP, program, arguments, workingDir);
}

RunResult runProgramUtf8(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDir) {
    return run(CP_UTF8, program, arguments, workingDir);
}

}  // namespace testing_support
