#include "settings/directory_choice.h"

#include "settings/directory.h"
#include "settings/settings_file.h"

namespace settings {

DirectoryChoice chooseDirectorySection(const std::string& settingsPath, IndexCheck check) {
    DirectoryChoice choice;
    int32_t cityIndex = -1;
    int32_t providerIndex = -1;
    scanTrackerIniIndex(readSetting(settingsPath, kTrackerIniIndex), cityIndex, providerIndex);
    if (check == IndexCheck::RejectUnset && (cityIndex == -1 || providerIndex == -1)) {
        choice.failure = DirectoryFailure::BadIndex;
        return choice;
    }
    choice.city = directoryNumber(cityIndex);
    choice.provider = directoryNumber(providerIndex);
    choice.directory = trackersFilePath(settingsPath);

    choice.cityName = cityName(choice.directory, choice.city);
    if (choice.cityName.empty()) {
        choice.failure = DirectoryFailure::BadCity;
        return choice;
    }
    choice.providerName = providerName(choice.directory, choice.cityName, choice.provider);
    if (choice.providerName.empty()) {
        choice.failure = DirectoryFailure::BadProvider;
        return choice;
    }
    choice.section = retrackerSection(choice.cityName, choice.providerName);
    choice.count = retrackerCount(choice.directory, choice.section);
    if (choice.count == 0) choice.failure = DirectoryFailure::NoRetrackers;
    return choice;
}

}  // namespace settings
