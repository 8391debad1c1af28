#include "platform/file_io.h"

#include "platform/process_files.h"

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& path) {
    close();
    error_ = 0;
    // Non-blocking, so that a FIFO without a writer cannot hold the run; only
    // a regular file is read, never a pipe, a device or a socket.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    struct stat status;
    bool ok = fstat(fd, &status) == 0;
    if (!ok) error_ = errno;
    if (ok && !S_ISREG(status.st_mode)) {
        ok = false;
        error_ = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    }
    if (ok && (status.st_size < 0 || status.st_size > INT32_MAX)) {
        ok = false;
        error_ = EFBIG;
    }
    if (ok && status.st_size > 0) {
        void* view = mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (view != MAP_FAILED) {
            data_ = static_cast<char*>(view);
            size_ = static_cast<size_t>(status.st_size);
            mapped_ = true;
            // Read ahead generously: the whole file is read once, front to back.
            madvise(view, size_, MADV_SEQUENTIAL);
            handle_ = fd;  // kept for FileReplacement::copyFrom
            return true;
        }
    }
    // Not mappable (an empty file, or one whose size the system does not
    // tell in advance): read it whole.
    if (ok) {
        size_t capacity = static_cast<size_t>(status.st_size);
        char* buffer = static_cast<char*>(std::malloc(capacity + 1));
        size_t length = 0;
        while (buffer) {
            if (length == capacity) {
                if (capacity >= INT32_MAX) {
                    ok = false;
                    error_ = EFBIG;
                    break;
                }
                capacity = capacity ? capacity * 2 : 4096;
                if (capacity > INT32_MAX) capacity = INT32_MAX;
                char* grown = static_cast<char*>(std::realloc(buffer, capacity + 1));
                if (!grown) break;
                buffer = grown;
            }
            ssize_t got = ::read(fd, buffer + length, capacity - length);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                ok = false;
                error_ = errno;
            }
            if (got <= 0) break;
            length += static_cast<size_t>(got);
        }
        if (!buffer) {
            ok = false;
            error_ = ENOMEM;
        }
        if (ok) {
            data_ = buffer;
            size_ = length;
        } else {
            std::free(buffer);
        }
    }
    ::close(fd);
    return ok;
}

void InputFile::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
    if (mapped_)
        munmap(data_, size_);
    else
        std::free(data_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = false;
}

struct FileReplacement::SavedSignal {
    struct sigaction action;
};

namespace {

// How many links are followed before a chain counts as a loop (the kernel's
// own bound for path lookups).
constexpr int kMaxLinkHops = 40;

// The file a write through `path` lands in: symbolic links followed to their
// final target, relative ones against the link's own directory. A name that
// does not exist (yet) is its own target; a chain that never ends is ELOOP.
bool finalTarget(const std::string& path, std::string& target, int& error) {
    target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat status;
        if (lstat(target.c_str(), &status) != 0) {
            if (errno == ENOENT) return true;
            error = errno;
            return false;
        }
        if (!S_ISLNK(status.st_mode)) return true;
        std::string link(static_cast<size_t>(status.st_size > 0 ? status.st_size : PATH_MAX) + 1, '\0');
        ssize_t length = readlink(target.c_str(), link.data(), link.size());
        if (length < 0) {
            error = errno;
            return false;
        }
        link.resize(static_cast<size_t>(length));
        target = link.front() == '/' ? link : directoryOf(target) + link;
    }
    error = ELOOP;
    return false;
}

// A random tag for a temporary name: letters a-z and digits.
std::string randomTag() {
    static const char kSymbols[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static unsigned counter = 0;
    unsigned char bytes[8];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // No entropy yet (early boot): the clock, the process and a count still differ.
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        uint64_t mixed = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30) ^
                         (static_cast<uint64_t>(getpid()) << 40) ^ (++counter * 0x9E3779B97F4A7C15u);
        for (unsigned char& byte : bytes) {
            byte = static_cast<unsigned char>(mixed);
            mixed = mixed >> 8 | mixed << 56;
        }
    }
    std::string tag;
    for (unsigned char byte : bytes) tag += kSymbols[byte % 36];
    return tag;
}

// How many names are tried before giving up (each one is random, so a
// clash is rare even once).
constexpr int kNameAttempts = 100;

// Removes the temporary files in `directory` whose replacement is no longer
// running: a live one holds its file locked until it ends, so a file that
// can be locked belongs to a process that was killed.
void removeAbandonedTemporaries(const std::string& directory) {
    DIR* folder = opendir(directory.empty() ? "." : directory.c_str());
    if (!folder) return;
    const int folderFd = dirfd(folder);
    while (const dirent* entry = readdir(folder)) {
        if (!isReplacementTemporaryName(entry->d_name)) continue;
        // Only regular files are opened: opening a device can act on it.
        struct stat named;
        if (fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode)) continue;
        const int fd = openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened;
        // The name must still be the file that was locked.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &opened) == 0 &&
            fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == opened.st_ino &&
            named.st_dev == opened.st_dev)
            unlinkat(folderFd, entry->d_name, 0);
        ::close(fd);
    }
    closedir(folder);
}

// A new named temporary file for `target`, locked. Another process's
// cleaning may lock and remove the name between its creation and the lock:
// a name found gone afterwards is made anew.
int createNamedTemporary(const std::string& target, std::string& name, int& error) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = replacementTemporaryPath(target, randomTag());
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            error = errno;
            break;
        }
        struct stat status;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &status) == 0 && status.st_nlink > 0) return fd;
        ::close(fd);
    }
    if (error == 0) error = EEXIST;
    name.clear();
    return -1;
}

// Gives the unnamed file `fd` the name `name`: through /proc, which needs
// no privilege, else through AT_EMPTY_PATH.
bool linkUnnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) return false;
    return linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}

}  // namespace

FileReplacement::FileReplacement(const std::string& path) {
    // Past RLIMIT_FSIZE a write raises SIGXFSZ, which would end the process
    // with the temporary file left behind; ignored, the write fails with EFBIG.
    savedSignal_ = new SavedSignal;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &savedSignal_->action);

    // A link (Settings.ini kept in a dotfiles folder) stays a link: its
    // final target is what gets replaced.
    if (!finalTarget(path, path_, error_)) return;
    struct stat existing;
    const bool exists = stat(path_.c_str(), &existing) == 0;
    // Only a regular file is replaced: a FIFO or a device (/dev/null) must
    // not become one.
    if (exists && !S_ISREG(existing.st_mode)) {
        error_ = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
        return;
    }
    // A target nobody may write (like the Windows read-only attribute, so
    // even for root), or that this process may not write, is refused.
    if (exists && ((existing.st_mode & 0222) == 0 || access(path_.c_str(), W_OK) != 0)) {
        error_ = EACCES;
        return;
    }

    const std::string directory = directoryOf(path_);
    removeAbandonedTemporaries(directory);
    // An unnamed file vanishes with the process that made it; it is named
    // only at commit. Where the file system has no such files, a named one.
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(directory.empty() ? "." : directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    // Locked before it has a name, so no cleaner can take it for abandoned.
    if (fd >= 0) flock(fd, LOCK_EX);
#endif
    if (fd < 0) fd = createNamedTemporary(path_, temporary_, error_);
    if (fd < 0) return;
    handle_ = fd;
    // Keep the target's owner where the process may, and its permission
    // bits (set last: a change of owner clears set-id bits); a new file gets
    // the usual 0666 less the umask, as fopen would give it.
    mode_t mode;
    if (exists) {
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Only root may give a file away; the group is kept where it can be.
            [[maybe_unused]] int ignored = fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
        }
        mode = existing.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0) {
        error_ = errno;
        abandon();
    }
}

FileReplacement::~FileReplacement() {
    if (!committed_) abandon();
    // The started client must not inherit an ignored SIGXFSZ.
    sigaction(SIGXFSZ, &savedSignal_->action, nullptr);
    delete savedSignal_;
}

bool FileReplacement::write(const char* data, size_t size) {
    if (handle_ < 0) return false;
    int fd = static_cast<int>(handle_);
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            abandon();
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

ReplaceResult FileReplacement::commit() {
    if (handle_ < 0) return {false, error_ ? error_ : EBADF};
    int fd = static_cast<int>(handle_);
    // fdatasync: the data and the size reach the disk, which is all the
    // rename needs; the timestamps may follow later.
    if (fdatasync(fd) != 0) {
        error_ = errno;
        abandon();
        return {false, error_};
    }
    // An unnamed file gets its temporary name now, still locked.
    for (int attempt = 0; temporary_.empty(); ++attempt) {
        std::string name = replacementTemporaryPath(path_, randomTag());
        if (linkUnnamed(fd, name)) {
            temporary_ = name;
        } else if (errno != EEXIST || attempt + 1 == kNameAttempts) {
            error_ = errno;
            abandon();
            return {false, error_};
        }
    }
    // Renamed while still open, so the lock holds until the name is gone.
    if (rename(temporary_.c_str(), path_.c_str()) != 0) {
        error_ = errno;
        abandon();
        return {false, error_};
    }
    temporary_.clear();
    handle_ = -1;
    committed_ = true;
    if (::close(fd) != 0) return {false, errno};
    return {true, 0};
}

void FileReplacement::abandon() {
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

bool FileReplacement::copyFrom(const InputFile& input, size_t offset, size_t size) {
    if (handle_ < 0) return false;
#ifdef __linux__
    // In the kernel, without passing through this process; a file system or
    // kernel that refuses gets the bytes written from the mapping instead.
    auto from = static_cast<loff_t>(offset);  // the call takes 64 bits also where off_t has 32
    while (input.handle_ >= 0 && size > 0) {
        const ssize_t copied = copy_file_range(static_cast<int>(input.handle_), &from, static_cast<int>(handle_),
                                               nullptr, size, 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied <= 0) break;
        size -= static_cast<size_t>(copied);
        offset += static_cast<size_t>(copied);
    }
#endif
    return write(input.data() + offset, size);
}

}  // namespace platform
