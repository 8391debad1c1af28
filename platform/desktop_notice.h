// A failure shown on the desktop, for a program that has no window.
#pragma once

#include <string>

namespace platform {

// Linux: starts "notify-send" from PATH (no shell, not waited for) with the
// title and the text, converted from Windows-1251 to UTF-8 unless it already
// is UTF-8, when a session bus is there to carry it: DBUS_SESSION_BUS_ADDRESS
// set, or $XDG_RUNTIME_DIR/bus present. Without a bus or the program nothing
// is started and no time is spent. Windows: nothing. Returns whether the
// notification program was started.
bool showDesktopNotice(const std::string& title, const std::string& text);

}  // namespace platform
