// Reading a whole file and replacing a file without holding either in
// memory twice. No OS header is included here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A whole file, readable in memory: mapped where the system can map files,
// read into a buffer elsewhere. Files of 2^31 bytes or more are refused,
// since a torrent's size is a signed 32-bit count.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when the file cannot be opened or read in full, or is too large.
    // Only a regular file (or a link to one) is read; anything else is
    // refused at once, without blocking: a directory with EISDIR, a FIFO, a
    // device or a socket with EINVAL (Windows: a device or a pipe with
    // ERROR_INVALID_PARAMETER; a directory fails to open).
    bool open(const std::string& path);
    // The system's error number of the last failed open(), for the log line.
    int errorCode() const { return error_; }
    const char* data() const { return data_; }
    size_t size() const { return size_; }
    void close();

private:
    friend class FileReplacement;
    char* data_ = nullptr;
    size_t size_ = 0;
    bool mapped_ = false;
    int error_ = 0;
    intptr_t handle_ = -1;  // the open file while it is mapped, else -1
};

struct ReplaceResult {
    bool ok;
    int errorCode;  // the system's error number when not ok
};

// A new content for the file at `path`, written in pieces: the bytes go to a
// temporary file in the same directory, and commit() flushes it to disk and
// renames it over the target, so the target holds either its old content or
// all the new one. Any failure, and destruction without commit(), removes
// the temporary file and leaves the target untouched. A write beyond the
// process's file-size limit fails with an error instead of ending the process.
//
// A target that exists and is not a regular file (a directory, a FIFO, a
// device; a link is followed to its final target) is refused: EISDIR or
// EINVAL (Windows: ERROR_ACCESS_DENIED or ERROR_INVALID_PARAMETER), and it
// stays as it is.
//
// A killed process leaves no temporary file for long. On Linux the content
// goes into an unnamed file where the file system allows and gets a name only
// at commit; a named temporary file is locked (flock) by its process for its
// whole life. On Windows it is open without sharing. Before writing, each
// replacement removes the temporary files beside the target whose process is
// gone: those nobody holds locked (Linux), those that can be deleted (Windows).
class FileReplacement {
public:
    explicit FileReplacement(const std::string& path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool write(const char* data, size_t size);
    // Appends `size` bytes of the open input from `offset` on: copied by the
    // system from file to file where it can, else written from memory.
    bool copyFrom(const InputFile& input, size_t offset, size_t size);
    ReplaceResult commit();
    // The system's error number of the first failure, 0 when none.
    int errorCode() const { return error_; }

private:
    void abandon();

    std::string path_;
    std::string temporary_;  // empty while the content has no name (Linux)
    intptr_t handle_ = -1;  // file descriptor or HANDLE
    int error_ = 0;
    bool committed_ = false;
    struct SavedSignal;
    SavedSignal* savedSignal_ = nullptr;
};

// The name of a temporary file for replacing `target`, in its directory:
// "." + the target's file name + ".replacing-" + `tag` (letters a-z, digits).
std::string replacementTemporaryPath(const std::string& target, const std::string& tag);

// True for a file name that a FileReplacement gives its temporary files, and
// for the ".NAME.XXXXXX" names of earlier versions where NAME is a torrent's
// or Settings.ini (XXXXXX: six letters or digits).
bool isReplacementTemporaryName(const std::string& name);

// Replaces the file at `path` with the given bytes through a FileReplacement:
// the file holds either its old content or all the new one.
ReplaceResult replaceFile(const std::string& path, const char* data, size_t size);

}  // namespace platform
