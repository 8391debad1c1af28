#include "settings/directory_choice.h"

#include "settings/directory.h"
#include "settings/settings_file.h"

namespace settings {

DirectoryChoice chooseDirectorySection(const std::string& settingsPath, IndexCheck check) {
    return chooseDirectorySection(SettingsSnapshot(settingsPath), check);
}

DirectoryChoice chooseDirectorySection(const SettingsSnapshot& settings, IndexCheck check) {
    DirectoryChoice choice;
    int32_t cityIndex = -1;
    int32_t providerIndex = -1;
    scanTrackerIniIndex(settings.value(kTrackerIniIndex), cityIndex, providerIndex);
    if (check == IndexCheck::RejectUnset && (cityIndex == -1 || providerIndex == -1)) {
        choice.failure = DirectoryFailure::BadIndex;
        return choice;
    }
    choice.city = directoryNumber(cityIndex);
    choice.provider = directoryNumber(providerIndex);
    const platform::ProfileFile& directory = settings.directory();
    choice.directory = directory.path();

    choice.cityName = cityName(directory, choice.city);
    if (choice.cityName.empty()) {
        choice.failure = DirectoryFailure::BadCity;
        return choice;
    }
    choice.providerName = providerName(directory, choice.cityName, choice.provider);
    if (choice.providerName.empty()) {
        choice.failure = DirectoryFailure::BadProvider;
        return choice;
    }
    choice.section = retrackerSection(choice.cityName, choice.providerName);
    choice.count = retrackerCount(directory, choice.section);
    if (choice.count == 0) choice.failure = DirectoryFailure::NoRetrackers;
    return choice;
}

}  // namespace settings
