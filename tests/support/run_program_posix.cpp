#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/sandbox.h"

namespace testing_support {

namespace {

constexpr unsigned kRunLimitSeconds = 120;

}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDir) {
    return runProgramWithInput(program, arguments, workingDir, "");
}

RunResult runProgramWithInput(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& workingDir, const std::string& input) {
    // The input goes through a file, so a program that reads less than all
    // of it cannot block the test.
    char inputName[] = "/tmp/run-input-XXXXXX";
    const int inputFd = mkstemp(inputName);
    if (inputFd < 0) throw std::runtime_error("mkstemp failed");
    unlink(inputName);
    if (write(inputFd, input.data(), input.size()) != static_cast<ssize_t>(input.size()) ||
        lseek(inputFd, 0, SEEK_SET) != 0)
        throw std::runtime_error("writing the input failed");
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    // A program without Settings.ini beside it uses the user's folders:
    // those of a home inside the program's sandbox, never the real one.
    const std::string home = userHomeFor(program);
    pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(inputFd, STDIN_FILENO);
        if (chdir(workingDir.c_str()) != 0) _exit(126);
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_STATE_HOME");
        unsetenv("XDG_DATA_HOME");
        // A program that hangs is ended (the alarm survives exec), so the
        // test fails instead of holding the suite.
        alarm(kRunLimitSeconds);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    close(inputFd);
    RunResult result;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        result.output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace testing_support
