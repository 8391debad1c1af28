#include "platform/directory_text.h"

namespace platform {

std::string directoryTextForLog(std::string_view windows1251) { return std::string(windows1251); }

}  // namespace platform
