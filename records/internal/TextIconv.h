// Character set conversions through iconv (glibc). Each thread keeps its conversion
// descriptors open, so converting a short text costs no iconv_open.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::text {

// length bytes of UTF-8 to UTF-16 big-endian in out of size bytes (whole characters only:
// a surrogate pair is never split). Each byte that is not valid UTF-8 becomes '?'. Returns
// the bytes written; *consumed (when given) receives the input bytes converted.
std::size_t Utf8ToUtf16Be(const char* in, std::size_t length, std::uint8_t* out, std::size_t size,
                          std::size_t* consumed = nullptr);

// length bytes of UTF-16 big-endian (surrogate pairs accepted) to UTF-8 in out of size
// bytes, zero-terminated, cut at a character when full. A lone surrogate, and an odd last
// byte, become '?', and so do control characters (text::IsControl). Returns the bytes
// written, the terminating zero not counted.
std::size_t Utf16BeToUtf8(const std::uint8_t* in, std::size_t length, char* out, std::size_t size);

// length bytes in the iconv character set charset (a byte-oriented one: "SHIFT_JIS",
// "EUC-KR", "ISO-8859-8") to UTF-8 in out of size bytes, zero-terminated, cut at a character
// when full. A byte that does not convert, and a control character, becomes '?'. Returns
// the bytes written, the terminating zero not counted.
std::size_t LegacyToUtf8(const char* charset, const std::uint8_t* in, std::size_t length, char* out,
                         std::size_t size);

}  // namespace records::text
