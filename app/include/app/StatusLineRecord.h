// The status-line record: for each of the main window's three status panes, the string
// number last shown there and its arguments, so that a language switch can show the same
// text again in the new language. Whoever puts a text into a pane records it here.
#pragma once

#include <cstdint>
#include <string>

namespace app {

struct StatusLineRecord {
    // Pane 0, the device: 8026, 8027 or 8028; the numbers fill the two "%x" of 8028.
    std::uint16_t deviceText = 0;
    std::uint8_t deviceNumber8 = 0;
    std::uint16_t deviceNumber16 = 0;
    // Pane 1, the card: 8029 or 8030; the ICCID (at most 64 bytes) fills the "%s" of 8029.
    std::uint16_t cardText = 0;
    std::string iccid;
    // Pane 2, the records: a text with two "%d", in the order of its numbers.
    std::uint16_t recordsText = 0;
    std::uint16_t recordsFirst = 0;
    std::uint16_t recordsSecond = 0;

    static constexpr std::size_t kMaxIccidBytes = 64;
    static constexpr int kPaneCount = 3;

    // The text of pane (0 to 2) from the current language pack, formatted as the pane's
    // string asks: pane 0 with its two numbers only for 8028, pane 1 with the ICCID only
    // for 8029, pane 2 always with its two numbers. Empty for a string number 0, a string
    // the pack lacks, or a text whose conversions do not fit.
    std::string Render(int pane) const;
};

}  // namespace app
