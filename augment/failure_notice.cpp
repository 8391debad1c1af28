#include "augment/failure_notice.h"

#include "platform/desktop_notice.h"
#include "settings/settings_file.h"

void noticeFailure(const TavrinRun& run, const std::string& fallback) {
    if (run.settings.is(settings::kNotify, "False")) return;
    const std::vector<std::string>& lines = run.log.written();
    std::string text;
    for (size_t i = 1; i < lines.size(); ++i) text += (text.empty() ? "" : "\n") + lines[i];
    platform::showDesktopNotice("Tavrin", text.empty() ? fallback : text);
}
