#include "app/StatusLineRecord.h"

#include "app/LanguagePack.h"

namespace app {

namespace {

constexpr int kDeviceFoundText = 8028;
constexpr int kCardConnectedText = 8029;

std::string OrEmpty(const std::optional<std::string>& text) {
    return text.value_or(std::string());
}

}  // namespace

std::string StatusLineRecord::Render(int pane) const {
    switch (pane) {
        case 0:
            if (deviceText == 0) {
                return {};
            }
            if (deviceText == kDeviceFoundText) {
                return OrEmpty(
                    FormatPackString(deviceText, {int{deviceNumber8}, int{deviceNumber16}}));
            }
            return OrEmpty(PackString(deviceText));
        case 1:
            if (cardText == 0) {
                return {};
            }
            if (cardText == kCardConnectedText) {
                return OrEmpty(FormatPackString(cardText, {iccid.substr(0, kMaxIccidBytes)}));
            }
            return OrEmpty(PackString(cardText));
        case 2:
            if (recordsText == 0) {
                return {};
            }
            return OrEmpty(FormatPackString(recordsText, {int{recordsFirst}, int{recordsSecond}}));
        default:
            return {};
    }
}

}  // namespace app
