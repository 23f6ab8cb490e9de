#include "sim/FunctionList.h"

#include <cstring>

namespace sim {

bool ParseFunctionList(const std::uint8_t* reply, std::size_t length, FunctionList& list) {
    list = FunctionList{};
    if (!reply || length < 5) {
        return false;
    }
    list.readerModel = reply[0];
    list.firmwareVersion = static_cast<std::uint16_t>(reply[1] << 8 | reply[2]);
    list.reserved = reply[3];
    list.announcedCount = reply[4];
    std::size_t count = list.announcedCount;
    if (count > FunctionList::kMaxEntries) {
        count = FunctionList::kMaxEntries;
    }
    if (count > (length - 5) / 4) {
        count = (length - 5) / 4;
    }
    list.count = count;
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(list.tags[i].data(), reply + 5 + 4 * i, 4);
        const char* tag = list.tags[i].data();
        if (std::memcmp(tag, "INQU", 4) == 0) {
            list.inquiryIndex = static_cast<int>(i);
        } else if (std::memcmp(tag, "EEPR", 4) == 0) {
            list.eepromIndex = static_cast<int>(i);
        } else if (std::memcmp(tag, "SIM ", 4) == 0) {
            list.simIndex = static_cast<int>(i);
        }
    }
    return true;
}

}  // namespace sim
