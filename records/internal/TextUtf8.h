// UTF-8 reading and a bounded UTF-8 writer, shared by the codecs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::text {

// What NextCodePoint gives for a byte that does not start a valid UTF-8 sequence.
inline constexpr char32_t kInvalid = 0xFFFFFFFF;

// Reads one code point at p (before end) and advances p past it. An invalid sequence
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut off by end)
// gives kInvalid and advances p by one byte.
char32_t NextCodePoint(const unsigned char*& p, const unsigned char* end);

// length, less a multibyte sequence that the length cuts off at the end (its lead byte and
// the continuation bytes that follow it), so that the text ends at a character.
std::size_t WholeCharacters(const char* text, std::size_t length);

// Writes cp as UTF-8 into out (room for 4 bytes); returns the bytes written.
int EncodeUtf8(char32_t cp, char* out);

// Appends whole characters to a caller's buffer of size bytes, keeping room for the
// terminating zero and always leaving the text terminated. A character that does not fit
// is refused, and so is everything after it: the text is cut at a character.
class Utf8Writer {
public:
    Utf8Writer(char* out, std::size_t size) : out_(out), size_(size) {
        if (size_ > 0) {
            out_[0] = '\0';
        }
    }

    // Appends cp (any code point up to U+10FFFF); false when it does not fit.
    bool Put(char32_t cp);
    // Appends one ASCII byte; false when it does not fit.
    bool PutAscii(char c) {
        if (full_ || length_ + 2 > size_) {
            full_ = true;
            return false;
        }
        out_[length_++] = c;
        out_[length_] = '\0';
        return true;
    }
    // Appends n bytes that form whole characters; false when they do not fit.
    bool PutBytes(const char* bytes, std::size_t n);

    std::size_t length() const { return length_; }
    bool full() const { return full_; }

private:
    char* out_;
    std::size_t size_;
    std::size_t length_ = 0;
    bool full_ = false;
};

// Decoded texts hold no control character but tab, line feed, form feed and carriage
// return: a zero would end the text early, the others would reach lists and files.
inline bool KeptControl(char32_t cp) {
    return cp == '\t' || cp == '\n' || cp == '\f' || cp == '\r';
}
inline bool IsControl(char32_t cp) {
    return (cp < 0x20 && !KeptControl(cp)) || (cp >= 0x7F && cp < 0xA0);
}

// Replaces each control character (IsControl) of the length bytes of UTF-8 at text with
// '?', in place, and terminates the text. Returns its new length.
std::size_t ReplaceControls(char* text, std::size_t length);

// Appends n bytes of ISO 8859-1 text, control characters as '?'.
void PutLatin1(Utf8Writer& writer, const std::uint8_t* bytes, std::size_t n);

}  // namespace records::text
