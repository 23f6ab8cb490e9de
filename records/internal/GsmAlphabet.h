// The GSM 7-bit default alphabet and its extension table (3GPP TS 23.038 6.2.1), between
// septets (one a byte, escape 0x1B before an extension code) and UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::gsm {

inline constexpr std::uint8_t kEscape = 0x1B;
inline constexpr std::uint8_t kQuestionMark = 0x3F;

// The character of a default-alphabet septet (0x1B gives the space shown for a lone escape).
char32_t DefaultChar(std::uint8_t septet);
// The character of an extension-table code after an escape, 0 when the table has none.
char32_t ExtensionChar(std::uint8_t code);

// The septets that carry cp: 1 (a default character) or 2 (escape and extension code)
// written to out; 0 when the alphabet cannot carry it.
int Encode(char32_t cp, std::uint8_t out[2]);

// length bytes of UTF-8 to septets; a character the alphabet cannot carry, and every byte
// that is not valid UTF-8, becomes '?'. Writes at most capacity septets, never splitting an
// escape pair; returns the septets written. *consumed (when given) receives the text bytes
// that were converted.
std::size_t Utf8ToSeptets(const char* text, std::size_t length, std::uint8_t* out,
                          std::size_t capacity, std::size_t* consumed = nullptr);

// Septets (or alpha identifier bytes) to UTF-8 in out of size bytes, zero-terminated, cut at
// a character when out is full. An escape and a code the extension table lacks give the
// code's default character, a second escape a space (TS 23.038 6.2.1.1). A byte above 0x7F
// gives '?', except 0xFF when skipFiller is set (the alpha identifier's unused bytes).
// Returns the bytes written, the terminating zero not counted.
std::size_t SeptetsToUtf8(const std::uint8_t* septets, std::size_t count, char* out,
                          std::size_t size, bool skipFiller = false);

// Whether the alphabet carries every valid character of the UTF-8 text.
bool CarriesAll(const char* text, std::size_t length);

}  // namespace records::gsm
