#include "platform/desktop_notice.h"

namespace platform {

// Tavrin.log is the channel on Windows; no notification is shown.
bool showDesktopNotice(const std::string&, const std::string&) { return false; }

}  // namespace platform
