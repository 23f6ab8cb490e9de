#include "internal/GsmBcd.h"

namespace records::gsm {
namespace {

constexpr char kDigits[16] = {'0', '1', '2', '3', '4', '5', '6', '7',
                              '8', '9', '*', '#', 'p', '?', 'w', '\0'};

}  // namespace

char BcdDigit(unsigned nibble) {
    return kDigits[nibble & 0x0F];
}

int BcdNibble(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    switch (c) {
        case '*':
            return 0xA;
        case '#':
            return 0xB;
        case 'p':
        case 'P':
            return 0xC;
        case '?':
            return 0xD;
        case 'w':
        case 'W':
            return 0xE;
        default:
            return -1;
    }
}

std::size_t TextToBcd(const char* text, std::size_t length, std::uint8_t* out,
                      std::size_t maxDigits, bool lowFirst, std::size_t* digits) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < length && count < maxDigits; ++i) {
        const int nibble = BcdNibble(text[i]);
        if (nibble < 0) {
            continue;
        }
        const bool first = count % 2 == 0;
        std::uint8_t& byte = out[count / 2];
        const bool low = first == lowFirst;
        if (first) {
            byte = low ? static_cast<std::uint8_t>(0xF0 | nibble)
                       : static_cast<std::uint8_t>(nibble << 4 | 0x0F);
        } else {
            byte = low ? static_cast<std::uint8_t>((byte & 0xF0) | nibble)
                       : static_cast<std::uint8_t>((byte & 0x0F) | nibble << 4);
        }
        ++count;
    }
    if (digits != nullptr) {
        *digits = count;
    }
    return (count + 1) / 2;
}

std::size_t BcdToText(const std::uint8_t* in, std::size_t nibbles, char* out,
                      std::size_t capacity) {
    std::size_t written = 0;
    for (std::size_t i = 0; i < nibbles && written < capacity; ++i) {
        const unsigned nibble = i % 2 == 0 ? in[i / 2] & 0x0F : in[i / 2] >> 4;
        if (nibble != 0x0F) {
            out[written++] = kDigits[nibble];
        }
    }
    return written;
}

}  // namespace records::gsm
