#include "records/CMyTools.h"

#include <initializer_list>

namespace {

// GSM 11.11 10.5.1 / GSM 04.08: the BCD digit values of a dialling number.
constexpr char kBcdDigits[16] = {'0', '1', '2', '3', '4', '5', '6', '7',
                                 '8', '9', '*', '#', 'p', '?', 'w', '\0'};

}  // namespace

void CMyTools::bcd2asc(void* in, void* out, int length) {
    const auto* bytes = static_cast<const unsigned char*>(in);
    auto* text = static_cast<char*>(out);
    int written = 0;
    for (int i = 0; i < length; ++i) {
        for (int nibble : {bytes[i] & 0x0F, bytes[i] >> 4}) {
            if (nibble != 0x0F) {
                text[written++] = kBcdDigits[nibble];
            }
        }
    }
    text[written] = '\0';
}

void CMyTools::hex2asc(void* in, void* out, unsigned long length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(in);
    auto* text = static_cast<char*>(out);
    for (unsigned long i = 0; i < length; ++i) {
        text[2 * i] = kHex[bytes[i] >> 4];
        text[2 * i + 1] = kHex[bytes[i] & 0x0F];
    }
    text[2 * length] = '\0';
}
