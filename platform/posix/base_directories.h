// The freedesktop base-directory rules, apart from the environment so that
// a table can check them.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/user_folders.h"

namespace platform {

// The value of an environment variable, null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_DATA_HOME when set to an absolute
// path; otherwise $HOME/.config, $HOME/.local/state and $HOME/.local/share.
// Relative and empty values are ignored as if unset. Nothing when a folder
// falls back on HOME and HOME is not absolute.
std::optional<UserFolders> baseDirectoriesFrom(const EnvironmentLookup& lookup);

}  // namespace platform
