// Dialling digits as packed BCD (GSM 11.11 10.5.1, TS 24.008 10.5.4.7): 0-9, '*' 0xA,
// '#' 0xB, 'p' 0xC, '?' 0xD, 'w' 0xE, and the filler 0xF.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::gsm {

// The digit of a BCD nibble; 0 for the filler 0xF.
char BcdDigit(unsigned nibble);

// The nibble of a dial string character, upper or lower case; -1 for any other character.
int BcdNibble(char c);

// The dial characters of length bytes of text, at most maxDigits of them (others skipped),
// packed two a byte: first in the low nibble when lowFirst, else in the high one; an odd
// count is padded with 0xF. Returns the bytes written; *digits receives the digit count.
std::size_t TextToBcd(const char* text, std::size_t length, std::uint8_t* out,
                      std::size_t maxDigits, bool lowFirst, std::size_t* digits = nullptr);

// The first nibbles semi-octets of in (low nibble first), fillers skipped, as at most
// capacity digit characters written to out (not terminated). Returns the characters.
std::size_t BcdToText(const std::uint8_t* in, std::size_t nibbles, char* out, std::size_t capacity);

}  // namespace records::gsm
