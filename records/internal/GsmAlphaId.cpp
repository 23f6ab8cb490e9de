#include "internal/GsmAlphaId.h"

#include "internal/GsmAlphabet.h"
#include "internal/TextUtf8.h"

namespace records::gsm {

std::size_t DecodeAlphaUcs2Form(bool form81, const std::uint8_t* in, std::size_t length, char* out,
                                std::size_t size) {
    text::Utf8Writer writer(out, size);
    // 0x81: the count, then bits 15 to 8 of the base (a 16-bit base whose bit 16 and bits
    // 7 to 1 are zero, so the byte shifted by 7); 0x82: the count, then the base itself.
    const std::size_t header = form81 ? 2 : 3;
    if (in == nullptr || length < header) {
        return writer.length();
    }
    const std::size_t count = in[0];
    const char32_t base =
        form81 ? static_cast<char32_t>(in[1]) << 7 : static_cast<char32_t>(in[1] << 8 | in[2]);
    const std::uint8_t* characters = in + header;
    const std::size_t n = count < length - header ? count : length - header;
    for (std::size_t i = 0; i < n && !writer.full(); ++i) {
        const std::uint8_t byte = characters[i];
        char32_t cp;
        if (byte >= 0x80) {
            // Bit 8 set: the low seven bits are an offset added to the base.
            cp = base + (byte & 0x7F);
            if (cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF) || text::IsControl(cp)) {
                cp = u'?';
            }
        } else if (byte == kEscape && i + 1 < n && characters[i + 1] < 0x80) {
            // A default-alphabet escape pair (TS 23.038 6.2.1.1).
            const std::uint8_t code = characters[++i];
            cp = code == kEscape ? u' ' : ExtensionChar(code);
            if (cp == 0) {
                cp = DefaultChar(code);
            }
        } else {
            cp = DefaultChar(byte);
        }
        writer.Put(cp);
    }
    return writer.length();
}

}  // namespace records::gsm
