// A CDMA card's R-UIM EF_SMS record comes from the card: any bytes. The decoder reads the
// 254 bytes after the status byte, as received and as sent; what it decodes, composed again
// with encodesms, must give a well-formed record with the same party and a prefix of the text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "records/CMyTools.h"

namespace {

constexpr std::size_t kRecordSize = CMyTools::kCdmaRecordSize;

bool Terminated(const char* field, std::size_t size) {
    return strnlen(field, size) < size;
}

bool DtmfDigits(const char* text) {
    for (; *text != '\0'; ++text) {
        if (std::strchr("0123456789*#", *text) == nullptr) {
            return false;
        }
    }
    return true;
}

void Check(const char* afterStatus, int deliver) {
    SM_PARAM message{};
    const int result = CMyTools::cdmaDecodePdu(afterStatus, &message, deliver);
    if (!Terminated(message.partyDigits, sizeof message.partyDigits) ||
        !Terminated(message.text, sizeof message.text) || (result != 0 && result != 1)) {
        __builtin_trap();
    }
    std::string number = message.partyType == 0x91 ? "+" : "";
    number += message.partyDigits;
    const std::size_t textLength = std::min<std::size_t>(std::strlen(message.text), 255);
    // The caller's 260-byte area; encodesms writes the record's 255 bytes of it.
    auto area = std::make_unique<unsigned char[]>(kRecordSize);
    CMyTools::encodesms(area.get(), message.text, static_cast<unsigned char>(textLength),
                        number.data(), static_cast<unsigned char>(number.size()));
    SM_PARAM again{};
    if (area[0] != 0x07 ||
        CMyTools::cdmaDecodePdu(reinterpret_cast<char*>(area.get() + 1), &again, 0) != 1) {
        __builtin_trap();
    }
    if (std::strncmp(message.text, again.text, std::strlen(again.text)) != 0) {
        __builtin_trap();
    }
    if (DtmfDigits(message.partyDigits) &&
        (std::strcmp(message.partyDigits, again.partyDigits) != 0 ||
         (message.partyType == 0x91) != (again.partyType == 0x91))) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t pduSize = kRecordSize - 1;
    auto record = std::make_unique<char[]>(pduSize);
    std::memset(record.get(), 0xFF, pduSize);
    if (size > 0) {
        std::memcpy(record.get(), data, size < pduSize ? size : pduSize);
    }
    Check(record.get(), 1);
    Check(record.get(), 0);
    return 0;
}
