#include "platform/file_io.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace platform {

// Windows: the file is read whole into a buffer.
InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& path) {
    close();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bool ok = false;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length >= 0 && length <= INT32_MAX && std::fseek(file, 0, SEEK_SET) == 0) {
        char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
        if (buffer && std::fread(buffer, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length)) {
            data_ = buffer;
            size_ = static_cast<size_t>(length);
            ok = true;
        } else {
            std::free(buffer);
        }
    }
    std::fclose(file);
    return ok;
}

void InputFile::close() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

struct FileReplacement::SavedSignal {};

FileReplacement::FileReplacement(const std::string& path) : path_(path) {
    // A unique name beside the target: the target's name, the process id and a count.
    static unsigned counter = 0;
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%lu.%u.tmp", GetCurrentProcessId(), ++counter);
    temporary_ = path + suffix;
    HANDLE file = CreateFileA(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    if (!MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error_ = static_cast<int>(GetLastError());
        DeleteFileA(temporary_.c_str());
        temporary_.clear();
        return {false, error_};
    }
    committed_ = true;
    return {true, 0};
}

void FileReplacement::abandon() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
    temporary_.clear();
}

void* obtainLargeBlock(size_t size) { return ::operator new(size, std::nothrow); }

void giveBackLargeBlock(void* block, size_t) { ::operator delete(block); }

}  // namespace platform
