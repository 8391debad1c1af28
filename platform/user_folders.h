// The per-user folders a program installed for all users keeps its files in,
// and making them. No OS header is included here.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The user's base folders, each a full path ending in a separator.
struct UserFolders {
    std::string config;  // settings the user edits
    std::string state;   // logs and other state kept between runs
    std::string data;    // files the user's other programs read later
};

// The running user's base folders, from the environment. Nothing where the
// programs keep every file beside themselves (Windows), or when no absolute
// folder can be found for one of the three.
std::optional<UserFolders> userFolders();

// True when something (a file, a folder, a link even if dangling) has this name.
bool pathExists(const std::string& path);

// Makes the folder and every missing parent, each new one with the
// permission bits `mode` (ignored where there are none). True when the path
// is a folder afterwards.
bool makeFolders(const std::string& path, unsigned mode);

// Copies `from` to a new file `to`; never replaces an existing `to`, and
// leaves no partial `to` behind. True when `to` was made.
bool copyToNewFile(const std::string& from, const std::string& to);

}  // namespace platform
