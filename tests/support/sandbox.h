// Test support: a fresh temporary directory, files in it, and running the
// built programs inside it as a user would.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A new empty directory, removed with everything in it at destruction.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // Copies a built program into the sandbox (as the relative name `as`
    // when given); returns its path there.
    std::string install(const std::string& program, const std::string& as = "") const;

private:
    std::filesystem::path dir_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

struct RunResult {
    int exitCode = -1;
    std::string output;  // standard output
};

// Runs the program with the arguments in `workingDir` and waits for it. On
// Linux its HOME is userHomeFor(program), and no XDG_*_HOME is set; a run
// still going after two minutes is ended by SIGALRM (exit code 142).
RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDir);

// Windows: the same with the program path, the arguments and the directory
// in UTF-8, for names outside the ANSI code page.
RunResult runProgramUtf8(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDir);

// Windows: the program started with `arguments` as the rest of its command
// line, as given, the way a registered handler such as "Tavrin.exe" "%1"
// starts it.
RunResult runProgramWithCommandLine(const std::string& program, const std::string& arguments,
                                    const std::string& workingDir);

// The same with `input` as the program's standard input (POSIX only).
RunResult runProgramWithInput(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& workingDir, const std::string& input);

// The home folder a program run by runProgram gets on Linux: "home" beside
// the program (so in its sandbox). Its default user folders are
// home/.config, home/.local/state and home/.local/share.
std::string userHomeFor(const std::string& program);

// The lines of a log or console text, without their line ends (LF or CR LF).
std::vector<std::string> splitLines(const std::string& text);

// A log line without its "Tue Dec 08 06:00:35 2026 " time prefix; the
// prefix's form is checked at the same time (an empty result on mismatch).
std::string withoutTimestamp(const std::string& line);

}  // namespace testing_support
