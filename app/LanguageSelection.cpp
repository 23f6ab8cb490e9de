#include "app/LanguageSelection.h"

#include "app/LanguagePack.h"

namespace app {

std::string PackLoadErrorText(const std::string& path) {
    return "Can not load " + path + ". Please reinstall your software";
}

PackChoice ChoosePack(std::string_view name, std::uint16_t fallbackId) {
    const CLanguagePackFolder folder = CLanguagePackFolder::OfProgram();
    const LanguagePackSearch search = folder.Find(name);
    if (search.found) {
        return {std::string(name), search.path, static_cast<std::uint16_t>(search.id), false};
    }
    return {kFallbackPackName, folder.FallbackPackPath(), fallbackId, true};
}

bool LoadChosenPack(const PackChoice& choice, CXMLSettings& settings) {
    if (!LoadCurrentLanguagePack(choice.path)) {
        return false;
    }
    settings.SetSettingString("Configuration\\Language", "Name", choice.name);
    settings.SetSettingLong("Configuration\\Language", "ID", choice.id);
    return true;
}

LanguageMenuPlan PlanLanguageMenu(std::string_view wanted) {
    LanguageMenuPlan plan;
    for (const LanguagePackInfo& pack : ListLanguagePacks()) {
        if (plan.lastCommand >= kLastLanguageCommand) {
            break;
        }
        ++plan.lastCommand;
        plan.items.push_back({plan.lastCommand, pack.name});
        if (pack.name == wanted) {
            plan.markedCommand = plan.lastCommand;
        }
    }
    return plan;
}

std::string HelpFileFor(std::uint16_t languageId) {
    const char* suffix = "En";
    switch (languageId) {
        case 1028:
            suffix = "tw";
            break;
        case 1031:
            suffix = "ge";
            break;
        case 1034:
            suffix = "sp";
            break;
        case 1036:
            suffix = "fr";
            break;
        case 1040:
            suffix = "it";
            break;
        case 1041:
            suffix = "jp";
            break;
        case 1043:
            suffix = "dt";
            break;
        case 2052:
            suffix = "cn";
            break;
        default:
            break;
    }
    return std::string("Help/Telvane_") + suffix + ".html";
}

}  // namespace app
