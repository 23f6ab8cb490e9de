// The UCS2 alpha identifier forms of GSM 11.11 Annex B (3GPP TS 51.011 Annex B) that
// start with 0x81 and 0x82: a character count, a base, then one byte a character.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::gsm {

// The length bytes after the coding byte 0x81 (form81) or 0x82 to UTF-8 in out of size
// bytes, zero-terminated, cut at a character when full. The count is cut to the bytes
// there are. Returns the bytes written, the terminating zero not counted.
std::size_t DecodeAlphaUcs2Form(bool form81, const std::uint8_t* in, std::size_t length, char* out,
                                std::size_t size);

}  // namespace records::gsm
