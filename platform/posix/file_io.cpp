#include "platform/file_io.h"

#include "platform/process_files.h"

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& path) {
    close();
    error_ = 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    struct stat status;
    bool ok = fstat(fd, &status) == 0;
    if (!ok) error_ = errno;
    if (ok && (status.st_size < 0 || status.st_size > INT32_MAX)) {
        ok = false;
        error_ = EFBIG;
    }
    if (ok && S_ISREG(status.st_mode) && status.st_size > 0) {
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
    // Not mappable (an empty file, a pipe): read it whole.
    if (ok) {
        size_t capacity = S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) : 0;
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
    // A target nobody may write (like the Windows read-only attribute, so
    // even for root), or that this process may not write, is refused.
    if (exists && ((existing.st_mode & 0222) == 0 || access(path_.c_str(), W_OK) != 0)) {
        error_ = EACCES;
        return;
    }

    temporary_ = directoryOf(path_) + "." + fileNameOf(path_) + ".XXXXXX";
    int fd = mkostemp(temporary_.data(), O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        temporary_.clear();
        return;
    }
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
    handle_ = -1;
    if (::close(fd) != 0 || rename(temporary_.c_str(), path_.c_str()) != 0) {
        error_ = errno;
        unlink(temporary_.c_str());
        temporary_.clear();
        return {false, error_};
    }
    committed_ = true;
    return {true, 0};
}

void FileReplacement::abandon() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
}

bool FileReplacement::copyFrom(const InputFile& input, size_t offset, size_t size) {
    if (handle_ < 0) return false;
#ifdef __linux__
    // In the kernel, without passing through this process; a file system or
    // kernel that refuses gets the bytes written from the mapping instead.
    auto from = static_cast<off_t>(offset);
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
