// The program's two configuration sources and the run record written at every start.
//
// - "telvane.cfg" beside the program: a read-only INI file an installer or administrator
//   provides (sections "Language" and "Customization"); every value is read fresh.
// - "telvane.config.xml": the settings store, beside the program when its folder is
//   writable, else in $XDG_CONFIG_HOME/telvane/.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "app/CIniProfile.h"
#include "app/CXMLSettings.h"

namespace app {

inline constexpr const char* kSettingsFileName = "telvane.config.xml";
inline constexpr const char* kProfileFileName = "telvane.cfg";
// Written to "Info" / "Author" and "Info" / "Version" at a start that finds them empty.
inline constexpr const char* kRunRecordAuthor = "Ivo Darran";
inline constexpr const char* kRunRecordVersion = "1.0.04282007";
inline constexpr std::uint16_t kDefaultLanguageId = 1033;

// The program-wide settings store. Until OpenSettings runs it has no file and every read
// gives its default.
CXMLSettings& Settings();

// Where the settings file lives: the program directory when it is writable, else
// $XDG_CONFIG_HOME/telvane/ (~/.config/telvane/), made when missing.
std::string SettingsFilePath();

// Points the program-wide store at SettingsFilePath().
void OpenSettings();

// A reader of "telvane.cfg" in the program directory.
CIniProfile ConfigurationProfile();

// The language to start in (start-up step 6): the store's "Configuration\Language" /
// "Name" and, when that is not empty, the low 16 bits of its "ID" (default 0); otherwise
// the INI's "Language" / "LangID" (default 1033) and "Language" / "Name" (default empty).
struct ConfiguredLanguage {
    std::string name;
    std::uint16_t id = kDefaultLanguageId;
};
ConfiguredLanguage ReadConfiguredLanguage(const CXMLSettings& settings, const CIniProfile& profile);

// A local time as the run record writes it: "%d,%02d,%02d,%02d:%02d:%02d" (year, month,
// day, hour, minute, second), so 26 February 2008 at 02:42:55 is "2008,02,26,02:42:55".
std::string FormatRunTime(const std::tm& local);

// What the run record tells the main window.
struct RunRecordResult {
    std::uint16_t languageId = kDefaultLanguageId;
    // The window title to set (possibly empty) when the store held no title; nothing when
    // the stored title stands and the window keeps its template's caption.
    std::optional<std::string> title;
};

// Writes the run record of this start at local time now: "Info" / "Title" (the INI's
// "Customization" / "AppName" when empty), "Author", "Company" (the INI's
// "CompanyName"), "Version" when empty; "Info\RunTime" / "FirstRunTime" when empty and
// "LastRunTime" always; "Configuration\RunTime" / "AlreadyRun" as (stored % 65536) + 1.
// Returns the language id of this run (as ReadConfiguredLanguage's id) and the title to
// show. Failed writes are not looked at.
RunRecordResult UpdateRunRecord(CXMLSettings& settings, const CIniProfile& profile,
                                const std::tm& now);

// The local time now.
std::tm LocalTimeNow();

}  // namespace app
