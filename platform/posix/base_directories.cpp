#include "platform/posix/base_directories.h"

namespace platform {

namespace {

std::string withSeparator(std::string path) {
    if (path.back() != '/') path += '/';
    return path;
}

bool absolute(const char* value) { return value && value[0] == '/'; }

// One base folder: the variable when it is absolute, else HOME's default.
std::optional<std::string> baseFolder(const EnvironmentLookup& lookup, const char* variable, const char* fallback) {
    const char* value = lookup(variable);
    if (absolute(value)) return withSeparator(value);
    const char* home = lookup("HOME");
    if (!absolute(home)) return std::nullopt;
    return withSeparator(home) + fallback;
}

}  // namespace

std::optional<UserFolders> baseDirectoriesFrom(const EnvironmentLookup& lookup) {
    std::optional<std::string> config = baseFolder(lookup, "XDG_CONFIG_HOME", ".config/");
    std::optional<std::string> state = baseFolder(lookup, "XDG_STATE_HOME", ".local/state/");
    std::optional<std::string> data = baseFolder(lookup, "XDG_DATA_HOME", ".local/share/");
    if (!config || !state || !data) return std::nullopt;
    return UserFolders{*config, *state, *data};
}

}  // namespace platform
