// Replacing a file keeps what the user set up around it: links stay links,
// permissions and attributes stay, and a read-only file is refused alike on
// both systems.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/file_io.h"
#include "tests/support/sandbox.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using testing_support::Sandbox;
namespace fs = std::filesystem;

namespace {

// Every file name under the sandbox, so a temporary file left anywhere shows.
std::set<std::string> namesUnder(const Sandbox& box) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(box.dir())) {
        const std::u8string name = entry.path().lexically_relative(box.dir()).generic_u8string();
        names.emplace(name.begin(), name.end());
    }
    return names;
}

#ifdef _WIN32
constexpr int kAccessDenied = ERROR_ACCESS_DENIED;

DWORD attributesOf(const fs::path& path) { return GetFileAttributesW(path.c_str()); }

// Wine keeps DOS attributes only where the file system holds extended attributes.
bool attributesAreKept(const Sandbox& box) {
    const fs::path probe = box.dir() / "probe";
    testing_support::writeFile(probe.string(), "");
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const bool kept = attributesOf(probe) & FILE_ATTRIBUTE_HIDDEN;
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove(probe);
    return kept;
}
#else
constexpr int kAccessDenied = EACCES;

unsigned modeOf(const fs::path& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}
#endif

struct Replacement {
    const char* what;
    // Makes the files; returns the path to replace.
    fs::path (*arrange)(const Sandbox&);
    int error;                       // 0: replaced
    const char* holder;              // the file that must hold the new (or, refused, the old) bytes
    std::set<std::string> names;     // every name under the sandbox afterwards
    void (*check)(const Sandbox&);   // what else must hold, or null
};

fs::path plain(const Sandbox& box) {
    box.write("Settings.ini", "old");
    return box.dir() / "Settings.ini";
}

const Replacement kReplacements[] = {
    {"a missing target is created", [](const Sandbox& box) { return box.dir() / "new.torrent"; }, 0,
     "new.torrent", {"new.torrent"}, nullptr},
    {"a plain target is replaced", plain, 0, "Settings.ini", {"Settings.ini"}, nullptr},
    {"a directory is no file to replace",
     [](const Sandbox& box) {
         fs::create_directory(box.dir() / "target");
         return box.dir() / "target";
     },
     -1, nullptr, {"target"}, nullptr},
#ifdef _WIN32
    {"a read-only target is refused",
     [](const Sandbox& box) {
         fs::path target = plain(box);
         SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
         return target;
     },
     kAccessDenied, "Settings.ini", {"Settings.ini"},
     [](const Sandbox& box) {
         EXPECT_TRUE(attributesOf(box.dir() / "Settings.ini") & FILE_ATTRIBUTE_READONLY);
         SetFileAttributesW((box.dir() / "Settings.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
     }},
    {"a device is no file to replace", [](const Sandbox& box) { return box.dir() / "NUL"; },
     ERROR_INVALID_PARAMETER, nullptr, {}, nullptr},
    {"hidden and system attributes are kept",
     [](const Sandbox& box) {
         fs::path target = plain(box);
         SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
         return target;
     },
     0, "Settings.ini", {"Settings.ini"},
     [](const Sandbox& box) {
         const DWORD attributes = attributesOf(box.dir() / "Settings.ini");
         if (!attributesAreKept(box)) {
             std::printf("  (Wine keeps no attributes on this file system: not checked)\n");
             return;
         }
         EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                   DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
     }},
    {"a name outside the ANSI code page",
     [](const Sandbox& box) {
         fs::create_directory(box.dir() / u8"\u7535\u5f71");
         return box.dir() / u8"\u7535\u5f71" / u8"\u7535\u5f71.torrent";
     },
     0, "\xE7\x94\xB5\xE5\xBD\xB1/\xE7\x94\xB5\xE5\xBD\xB1.torrent",
     {"\xE7\x94\xB5\xE5\xBD\xB1", "\xE7\x94\xB5\xE5\xBD\xB1/\xE7\x94\xB5\xE5\xBD\xB1.torrent"}, nullptr},
#else
    {"the permission bits are kept",
     [](const Sandbox& box) {
         fs::path target = plain(box);
         chmod(target.c_str(), 0640);
         return target;
     },
     0, "Settings.ini", {"Settings.ini"},
     [](const Sandbox& box) { EXPECT_EQ(modeOf(box.dir() / "Settings.ini"), 0640u); }},
    {"a link is replaced through: its target gets the bytes and the link stays",
     [](const Sandbox& box) {
         fs::create_directory(box.dir() / "dotfiles");
         box.write("dotfiles/Settings.ini", "old");
         chmod(box.path("dotfiles/Settings.ini").c_str(), 0600);
         fs::create_symlink(box.dir() / "dotfiles/Settings.ini", box.dir() / "Settings.ini");
         return box.dir() / "Settings.ini";
     },
     0, "dotfiles/Settings.ini", {"Settings.ini", "dotfiles", "dotfiles/Settings.ini"},
     [](const Sandbox& box) {
         EXPECT_TRUE(fs::is_symlink(box.dir() / "Settings.ini"));
         EXPECT_EQ(modeOf(box.dir() / "dotfiles/Settings.ini"), 0600u);
     }},
    {"a chain of relative links is followed to its end",
     [](const Sandbox& box) {
         fs::create_directory(box.dir() / "a");
         fs::create_directory(box.dir() / "b");
         box.write("b/real.ini", "old");
         fs::create_symlink("../b/real.ini", box.dir() / "a/hop.ini");
         fs::create_symlink("a/hop.ini", box.dir() / "Settings.ini");
         return box.dir() / "Settings.ini";
     },
     0, "b/real.ini", {"Settings.ini", "a", "a/hop.ini", "b", "b/real.ini"},
     [](const Sandbox& box) { EXPECT_TRUE(fs::is_symlink(box.dir() / "a/hop.ini")); }},
    {"a dangling link gets its target made",
     [](const Sandbox& box) {
         fs::create_symlink("made.ini", box.dir() / "Settings.ini");
         return box.dir() / "Settings.ini";
     },
     0, "made.ini", {"Settings.ini", "made.ini"}, nullptr},
    {"a link loop is refused",
     [](const Sandbox& box) {
         fs::create_symlink("two", box.dir() / "one");
         fs::create_symlink("one", box.dir() / "two");
         return box.dir() / "one";
     },
     ELOOP, nullptr, {"one", "two"}, nullptr},
    {"a target without write permission is refused, even for root",
     [](const Sandbox& box) {
         fs::path target = plain(box);
         chmod(target.c_str(), 0444);
         return target;
     },
     kAccessDenied, "Settings.ini", {"Settings.ini"},
     [](const Sandbox& box) { EXPECT_EQ(modeOf(box.dir() / "Settings.ini"), 0444u); }},
    {"a read-only target behind a link is refused",
     [](const Sandbox& box) {
         box.write("real.ini", "old");
         chmod(box.path("real.ini").c_str(), 0444);
         fs::create_symlink("real.ini", box.dir() / "Settings.ini");
         return box.dir() / "Settings.ini";
     },
     kAccessDenied, "real.ini", {"Settings.ini", "real.ini"}, nullptr},
#endif
};

TEST(FileReplace, KeepsWhatTheUserSetUp) {
    for (const Replacement& row : kReplacements) {
        SCOPED_TRACE(row.what);
        Sandbox box;
        const fs::path target = row.arrange(box);
        const platform::ReplaceResult result =
            platform::replaceFile(reinterpret_cast<const char*>(target.u8string().c_str()), "new", 3);
        if (row.error == 0) {
            EXPECT_TRUE(result.ok) << result.errorCode;
        } else {
            EXPECT_FALSE(result.ok);
            if (row.error > 0) EXPECT_EQ(result.errorCode, row.error);
            else EXPECT_NE(result.errorCode, 0);
        }
        if (row.holder) {
            const fs::path holder = box.dir() / fs::path(reinterpret_cast<const char8_t*>(row.holder));
            std::ifstream in(holder, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(bytes, row.error == 0 ? "new" : "old");
        }
        EXPECT_EQ(namesUnder(box), row.names);
        if (row.check) row.check(box);
    }
}

// Before it writes, a replacement removes the temporary files that killed
// runs left beside its target (also earlier versions' forms), and only those.
TEST(FileReplace, RemovesTheTemporaryFilesOfEndedRunsOnly) {
    const char* const abandoned[] = {".out.torrent.replacing-k3x9q0zz", ".Settings.ini.replacing-0a1b2c3d",
                                     ".film.torrent.Ab12Cd", ".Settings.ini.x9Y8z7", "film.torrent.4120.1.tmp"};
    const char* const others[] = {".notes.txt.Ab12Cd", ".film.torrent.Ab12", "out.torrent.replacing-k3x9q0zz",
                                  ".out.torrent.replacing-K3X9", "film.txt.4120.1.tmp"};
    Sandbox box;
    const std::string live = ".live.torrent.replacing-7h2m4n8p";
    std::set<std::string> expected = {"out.torrent", ".folder.torrent.Ab12Cd", live};
    for (const char* name : abandoned) box.write(name, "left");
    for (const char* name : others) {
        box.write(name, "mine");
        expected.insert(name);
    }
    fs::create_directory(box.dir() / ".folder.torrent.Ab12Cd");
    // A running replacement's file: locked (Linux), open without sharing (Windows).
#ifdef _WIN32
    HANDLE held = CreateFileW((box.dir() / live).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
#else
    const int held = open(box.path(live).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    flock(held, LOCK_EX);
#endif
    EXPECT_TRUE(platform::replaceFile(box.path("out.torrent"), "new", 3).ok);
    EXPECT_EQ(namesUnder(box), expected);
#ifdef _WIN32
    CloseHandle(held);
#else
    close(held);
#endif
}

// Ranges of an input file go into the replacement between written pieces,
// whether the system copies them or they are written from memory.
TEST(FileReplace, CopiesRangesOfAnInputFile) {
    Sandbox box;
    std::string input(200000, '\0');
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>(i % 253);
    box.write("in.torrent", input);
    platform::InputFile file;
    ASSERT_TRUE(file.open(box.path("in.torrent")));
    {
        platform::FileReplacement replacement(box.path("out.torrent"));
        EXPECT_TRUE(replacement.write("<", 1));
        EXPECT_TRUE(replacement.copyFrom(file, 7, 150000));
        EXPECT_TRUE(replacement.copyFrom(file, 0, 0));
        EXPECT_TRUE(replacement.write(">", 1));
        EXPECT_TRUE(replacement.copyFrom(file, input.size() - 3, 3));
        EXPECT_TRUE(replacement.commit().ok);
    }
    EXPECT_EQ(box.read("out.torrent"), "<" + input.substr(7, 150000) + ">" + input.substr(input.size() - 3));
}

}  // namespace
