#include "app/Configuration.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/ProgramDirectory.h"

namespace app {

namespace {

constexpr const char* kLanguageSection = "Configuration\\Language";

// Makes every missing directory of path (a directory); false when one cannot be made.
bool MakeDirectories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string ReadIniString(const CIniProfile& profile, const char* section, const char* key) {
    std::string value;
    profile.ReadString(section, key, "", value);
    return value;
}

}  // namespace

CXMLSettings& Settings() {
    static CXMLSettings settings;
    return settings;
}

std::string SettingsFilePath() {
    const std::string directory = ProgramDirectory();
    if (!directory.empty() && access(directory.c_str(), W_OK) == 0) {
        return directory + kSettingsFileName;
    }
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else {
        return directory + kSettingsFileName;  // nowhere better: reads give defaults
    }
    const std::string folder = base + "/telvane";
    MakeDirectories(folder);
    return folder + "/" + kSettingsFileName;
}

void OpenSettings() {
    Settings().SetSettingsFile(SettingsFilePath());
}

CIniProfile ConfigurationProfile() {
    CIniProfile profile;
    profile.SetFile(kProfileFileName);
    return profile;
}

ConfiguredLanguage ReadConfiguredLanguage(const CXMLSettings& settings,
                                          const CIniProfile& profile) {
    ConfiguredLanguage language;
    language.name = settings.GetSettingString(kLanguageSection, "Name", "");
    if (!language.name.empty()) {
        language.id =
            static_cast<std::uint16_t>(settings.GetSettingLong(kLanguageSection, "ID", 0));
        return language;
    }
    language.id =
        static_cast<std::uint16_t>(profile.ReadInt("Language", "LangID", kDefaultLanguageId));
    language.name = ReadIniString(profile, "Language", "Name");
    return language;
}

std::string FormatRunTime(const std::tm& local) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%02d,%02d,%02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

RunRecordResult UpdateRunRecord(CXMLSettings& settings, const CIniProfile& profile,
                                const std::tm& now) {
    RunRecordResult result;
    if (settings.GetSettingString("Info", "Title", "").empty()) {
        const std::string title = ReadIniString(profile, "Customization", "AppName");
        settings.SetSettingString("Info", "Title", title);
        result.title = title;
    }
    if (settings.GetSettingString("Info", "Author", "").empty()) {
        settings.SetSettingString("Info", "Author", kRunRecordAuthor);
    }
    if (settings.GetSettingString("Info", "Company", "").empty()) {
        settings.SetSettingString("Info", "Company",
                                  ReadIniString(profile, "Customization", "CompanyName"));
    }
    if (settings.GetSettingString("Info", "Version", "").empty()) {
        settings.SetSettingString("Info", "Version", kRunRecordVersion);
    }
    const std::string time = FormatRunTime(now);
    if (settings.GetSettingString("Info\\RunTime", "FirstRunTime", "").empty()) {
        settings.SetSettingString("Info\\RunTime", "FirstRunTime", time);
    }
    settings.SetSettingString("Info\\RunTime", "LastRunTime", time);
    const long count = settings.GetSettingLong("Configuration\\RunTime", "AlreadyRun", 0);
    // The count wraps at 65536 as a 16-bit counter; a negative hand-edited count counts
    // from its low 16 bits as well.
    settings.SetSettingLong("Configuration\\RunTime", "AlreadyRun",
                            static_cast<long>(static_cast<unsigned long>(count) % 65536) + 1);
    result.languageId = ReadConfiguredLanguage(settings, profile).id;
    return result;
}

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace app
