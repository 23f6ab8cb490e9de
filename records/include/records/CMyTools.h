// The codec library: conversions between the card's encodings and text. Static members
// only; every output buffer is the caller's.
#pragma once

class CMyTools {
public:
    // Packed BCD, two digits a byte with the first in the low nibble (GSM 11.11 10.1.1,
    // ICCID and dialling numbers), to digit text: nibbles 0-9 give '0'-'9', 0xA '*',
    // 0xB '#', 0xC 'p', 0xD '?', 0xE 'w'; the filler 0xF gives nothing. out receives at
    // most 2 * length characters and a terminating zero.
    static void bcd2asc(void* in, void* out, int length);
    // length bytes as 2 * length upper-case hexadecimal digits and a terminating zero.
    static void hex2asc(void* in, void* out, unsigned long length);
};
