// Choosing the language pack: at start-up, for the Language menu and at a switch. The
// windows show what these decide; nothing here touches a window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/CXMLSettings.h"

namespace app {

// The fallback pack's name: it is taken to be "English" without asking the library.
inline constexpr const char* kFallbackPackName = "English";
// The start-up error box, the only texts of this kind the program carries itself.
inline constexpr const char* kPackErrorCaption = "Harmund Telvane Tool - Error configuration";
std::string PackLoadErrorText(const std::string& path);

// The language commands: 5200 ("Default") and one per listed pack from 5201 to 5249.
inline constexpr int kDefaultLanguageCommand = 5200;
inline constexpr int kLastLanguageCommand = 5249;

// The pack chosen for a name: the first pack of the program's "lang" folder with that
// name, else the fallback pack "lang/Envalo.so" named "English" (its id then as the
// caller says).
struct PackChoice {
    std::string name;
    std::string path;
    std::uint16_t id = 0;
    bool fallback = false;
};
PackChoice ChoosePack(std::string_view name, std::uint16_t fallbackId);

// Loads choice as the current pack and, when it loads, writes its name and id to the
// store's "Configuration\Language" / "Name" and "ID". When it does not load, the current
// pack (if any) stays, nothing is written, and false is returned.
bool LoadChosenPack(const PackChoice& choice, CXMLSettings& settings);

// The Language submenu's pack items: every pack of the folder in folder order, with
// commands from 5201, at most up to 5249.
struct LanguageMenuItem {
    int command = 0;
    std::string name;
};
struct LanguageMenuPlan {
    std::vector<LanguageMenuItem> items;
    int lastCommand = kDefaultLanguageCommand;  // 5200 when no pack is listed
    int markedCommand = 0;                      // the last item named `wanted`; 0 when none is
};
LanguageMenuPlan PlanLanguageMenu(std::string_view wanted);

// The help file of a language id, relative to the program directory:
// "Help/Telvane_cn.html" for 2052, "Help/Telvane_En.html" for 1033 and any id the table
// does not name.
std::string HelpFileFor(std::uint16_t languageId);

}  // namespace app
