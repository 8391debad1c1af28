#include "platform/directory_text.h"

#include "platform/windows1251_text.h"

namespace platform {

std::string directoryTextForLog(std::string_view windows1251) { return windows1251ToUtf8(windows1251); }

}  // namespace platform
