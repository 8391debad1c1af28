#include "platform/desktop_notice.h"

#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>

#include "platform/windows1251_text.h"
#include "platform/program_files.h"
#include "platform/utf8_text.h"

extern char** environ;

namespace platform {

namespace {

bool sessionBusPresent() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || *runtime != '/') return false;
    struct stat status {};
    return stat((std::string(runtime) + "/bus").c_str(), &status) == 0;
}

}  // namespace

bool showDesktopNotice(const std::string& title, const std::string& text) {
    if (!sessionBusPresent()) return false;
    const std::string program = findProgramOnPath("notify-send");
    if (program.empty()) return false;
    // Log lines carry the directory's names as Windows-1251 bytes; the
    // notification service takes UTF-8 only.
    std::string body = isUtf8(text) ? text : windows1251ToUtf8(text);
    std::string summary = title;
    std::string appName = "--app-name=" + title;
    std::string endOfOptions = "--";
    char* argv[] = {const_cast<char*>(program.c_str()), appName.data(), endOfOptions.data(), summary.data(),
                    body.data(), nullptr};
    pid_t child;
    return posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) == 0;
}

}  // namespace platform
