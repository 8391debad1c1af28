#include "platform/file_io.h"

namespace platform {

ReplaceResult replaceFile(const std::string& path, const char* data, size_t size) {
    FileReplacement replacement(path);
    if (!replacement.write(data, size)) return {false, replacement.errorCode()};
    return replacement.commit();
}

}  // namespace platform
