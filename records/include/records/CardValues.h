// The card values the whole program shares. One instance lives in the main window and is
// passed to whatever reads or sets them.
#pragma once

#include <cstdint>
#include <string>

namespace records {

struct CardValues {
    // The name capacity X of a phonebook entry: the EF_ADN record length - 14, set by each
    // phonebook read; 0 before the first.
    int nameCapacity = 0;
    // The service-centre address from EF_SMSP, set by each message read of a GSM card and
    // used to compose messages: type of number (0x91 at start) and up to 20 digits.
    std::uint8_t serviceCentreType = 0x91;
    std::string serviceCentreDigits;
    // SIM list rows after the last phonebook read.
    int entriesRead = 0;
    // The card has DF 7F25 with EF 6F3C: its messages are R-UIM records.
    bool cdmaCard = false;

    // The start of a message read of a GSM card: no service centre yet.
    void ResetServiceCentre() {
        serviceCentreType = 0x91;
        serviceCentreDigits.clear();
    }
};

}  // namespace records
