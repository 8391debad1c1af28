#include "probe/setup_report.h"

#include "probe/console_print.h"
#include "settings/setup_check.h"

int reportSetup(const settings::RunPaths& run, const std::string& command) {
    const settings::SetupReport report = settings::checkSetup(run.settingsPath, command + " --choose");
    consolePrint("Settings: %s\n", report.settingsPath.c_str());
    consolePrint("Directory: %s\n", report.directory.c_str());
    if (report.choice.failure == settings::DirectoryFailure::None)
        consolePrint("City %d %s, provider %d %s: %d retrackers\n", report.choice.city, report.choice.cityName.c_str(),
                     report.choice.provider, report.choice.providerName.c_str(), report.choice.count);
    for (const std::string& problem : report.problems) consolePrint("Problem: %s\n", problem.c_str());
    if (report.problems.empty()) {
        consolePrint("Setup is in order\n");
        return 0;
    }
    const int count = static_cast<int>(report.problems.size());
    consolePrint("%d %s found\n", count, count == 1 ? "problem" : "problems");
    return 1;
}
