#include "platform/file_io.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/process_files.h"
#include "platform/win32/wide_text.h"

namespace platform {

// Windows: the file is read whole into a buffer.
InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& path) {
    close();
    error_ = 0;
    HANDLE file = CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = static_cast<int>(GetLastError());
        return false;
    }
    // Only a file on disk is read: never a device (CON, NUL) or a pipe.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        error_ = ERROR_INVALID_PARAMETER;
        CloseHandle(file);
        return false;
    }
    bool ok = false;
    LARGE_INTEGER length{};
    if (GetFileSizeEx(file, &length) && length.QuadPart >= 0 && length.QuadPart <= INT32_MAX) {
        const size_t size = static_cast<size_t>(length.QuadPart);
        char* buffer = static_cast<char*>(std::malloc(size + 1));
        size_t got = 0;
        while (buffer && got < size) {
            DWORD piece = 0;
            if (!ReadFile(file, buffer + got, static_cast<DWORD>(size - got), &piece, nullptr) || piece == 0) break;
            got += piece;
        }
        if (buffer && got == size) {
            data_ = buffer;
            size_ = size;
            ok = true;
        } else {
            error_ = buffer ? ERROR_READ_FAULT : ERROR_NOT_ENOUGH_MEMORY;
            std::free(buffer);
        }
    } else {
        error_ = length.QuadPart > INT32_MAX ? ERROR_FILE_TOO_LARGE : static_cast<int>(GetLastError());
    }
    CloseHandle(file);
    return ok;
}

void InputFile::close() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

struct FileReplacement::SavedSignal {};

namespace {

// The attributes a user sets on a file and the new file keeps; the others
// (directory, compressed, encrypted...) are the system's to give.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Deletes the temporary files in `directory` whose replacement is no longer
// running: a live one holds its file open without sharing, so a file that
// can be deleted belongs to a process that was killed.
void removeAbandonedTemporaries(const std::string& directory) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wideFromUtf8(directory + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string name = utf8FromWide(found.cFileName);
        if (isReplacementTemporaryName(name)) DeleteFileW(wideFromUtf8(directory + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Why an existing target is no file to replace (a folder, a device), or 0.
DWORD refusalOf(const std::wstring& target, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_ACCESS_DENIED;
    HANDLE file = CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    return type == FILE_TYPE_DISK ? 0 : ERROR_INVALID_PARAMETER;
}

}  // namespace

FileReplacement::FileReplacement(const std::string& path) : path_(path) {
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    const std::wstring target = wideFromUtf8(path);
    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        error_ = static_cast<int>(refusalOf(target, existing));
        if (error_ != 0) return;
        // A read-only target is refused, as Linux refuses a file without
        // write permission.
        if (existing & FILE_ATTRIBUTE_READONLY) {
            error_ = ERROR_ACCESS_DENIED;
            return;
        }
        if (existing & kKeptAttributes) attributes = existing & kKeptAttributes;
    }
    removeAbandonedTemporaries(directoryOf(path));
    // A unique name beside the target: the process id, a count and the time.
    static unsigned counter = 0;
    char tag[40];
    std::snprintf(tag, sizeof tag, "%lx%x%lx", GetCurrentProcessId(), ++counter, GetTickCount());
    temporary_ = replacementTemporaryPath(path, tag);
    // No sharing: while this process lives, no cleaner can delete the file.
    HANDLE file = CreateFileW(wideFromUtf8(temporary_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = static_cast<int>(GetLastError());
        temporary_.clear();
        return;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
}

FileReplacement::~FileReplacement() {
    if (!committed_) abandon();
}

bool FileReplacement::write(const char* data, size_t size) {
    if (handle_ == -1) return false;
    while (size > 0) {
        DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), data, piece, &written, nullptr) || written == 0) {
            error_ = static_cast<int>(GetLastError());
            abandon();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

ReplaceResult FileReplacement::commit() {
    if (handle_ == -1) return {false, error_ ? error_ : static_cast<int>(ERROR_INVALID_HANDLE)};
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (!FlushFileBuffers(file)) {
        error_ = static_cast<int>(GetLastError());
        abandon();
        return {false, error_};
    }
    CloseHandle(file);
    handle_ = -1;
    const std::wstring temporary = wideFromUtf8(temporary_);
    if (!MoveFileExW(temporary.c_str(), wideFromUtf8(path_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error_ = static_cast<int>(GetLastError());
        DeleteFileW(temporary.c_str());
        temporary_.clear();
        return {false, error_};
    }
    committed_ = true;
    return {true, 0};
}

void FileReplacement::abandon() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    if (!temporary_.empty()) DeleteFileW(wideFromUtf8(temporary_).c_str());
    temporary_.clear();
}

bool FileReplacement::copyFrom(const InputFile& input, size_t offset, size_t size) {
    return write(input.data() + offset, size);
}

}  // namespace platform
