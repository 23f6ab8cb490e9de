// A GSM card's EF_SMS record comes from the card: any bytes. The decoder reads the 175
// bytes after the status byte, as received and as sent; what it decodes must encode again
// into a record that decodes to the same message.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "records/CMyTools.h"

namespace {

constexpr std::size_t kPduSize = CMyTools::kGsmRecordSize - 1;

bool Terminated(const char* field, std::size_t size) {
    return strnlen(field, size) < size;
}

// Characters that asc2bcd packs and bcd2asc gives back unchanged.
bool DialString(const char* text) {
    for (; *text != '\0'; ++text) {
        if (std::strchr("0123456789*#p?w", *text) == nullptr) {
            return false;
        }
    }
    return true;
}

void Check(const char* record, int deliver) {
    SM_PARAM message{};
    const int result = CMyTools::gsmDecodePdu(record, &message, deliver);
    if (!Terminated(message.partyDigits, sizeof message.partyDigits) ||
        !Terminated(message.text, sizeof message.text) || (result != 0 && result != 1)) {
        __builtin_trap();
    }
    // Encode into exactly the record's bytes after the status byte.
    auto encoded = std::make_unique<char[]>(kPduSize);
    const int n = CMyTools::gsmEncodePdu(&message, encoded.get());
    if (n <= 0 || n > static_cast<int>(kPduSize)) {
        __builtin_trap();
    }
    SM_PARAM again{};
    if (CMyTools::gsmDecodePdu(encoded.get(), &again, 0) != 1) {
        __builtin_trap();  // what the encoder writes is always well formed
    }
    if (result == 1 && (message.dcs == 0 || message.dcs == 8) &&
        std::strcmp(message.text, again.text) != 0) {
        __builtin_trap();
    }
    if (DialString(message.partyDigits) &&
        std::strcmp(message.partyDigits, again.partyDigits) != 0) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The record as the card gives it: filler after the bytes the input holds.
    auto record = std::make_unique<char[]>(kPduSize);
    std::memset(record.get(), 0xFF, kPduSize);
    if (size > 0) {
        std::memcpy(record.get(), data, size < kPduSize ? size : kPduSize);
    }
    Check(record.get(), 1);
    Check(record.get(), 0);
    return 0;
}
