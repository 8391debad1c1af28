#include "probe/setup_report.h"

#include "probe/console_print.h"
#include "settings/setup_check.h"

int reportSetup(const settings::RunPaths& run, const std::string& command) {
    const settings::SetupReport report = settings::checkSetup(run.settingsPath, command + " --choose", consoleWording());
    consolePrint(tr("Settings: %s\n"), report.settingsPath.c_str());
    consolePrint(tr("Directory: %s\n"), report.directory.c_str());
    if (report.choice.failure == settings::DirectoryFailure::None)
        consolePrint(ntr("City %d %s, provider %d %s: %d retracker\n", "City %d %s, provider %d %s: %d retrackers\n",
                         static_cast<unsigned long>(report.choice.count)),
                     report.choice.city, shown(report.choice.cityName).c_str(), report.choice.provider,
                     shown(report.choice.providerName).c_str(), report.choice.count);
    for (const std::string& problem : report.problems) consolePrint(tr("Problem: %s\n"), problem.c_str());
    if (report.problems.empty()) {
        consolePrint(tr("Setup is in order\n"));
        return 0;
    }
    const size_t count = report.problems.size();
    consolePrint(ntr("%d problem found\n", "%d problems found\n", count), static_cast<int>(count));
    return 1;
}
