#include "internal/TextUtf8.h"

#include <cstring>

namespace records::text {

char32_t NextCodePoint(const unsigned char*& p, const unsigned char* end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
        ++p;
        return lead;
    }
    int extra;
    char32_t cp;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++p;
        return kInvalid;
    }
    if (end - p <= extra) {
        ++p;
        return kInvalid;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = p[i];
        if ((next & 0xC0) != 0x80) {
            ++p;
            return kInvalid;
        }
        cp = cp << 6 | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++p;
        return kInvalid;
    }
    p += extra + 1;
    return cp;
}

std::size_t WholeCharacters(const char* text, std::size_t length) {
    // The last byte that is not a continuation byte, among the last four.
    std::size_t lead = length;
    for (std::size_t back = 1; back <= 4 && back <= length; ++back) {
        if ((static_cast<unsigned char>(text[length - back]) & 0xC0) != 0x80) {
            lead = length - back;
            break;
        }
    }
    if (lead == length) {
        return length;
    }
    const auto byte = static_cast<unsigned char>(text[lead]);
    const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length - lead < needed ? lead : length;
}

int EncodeUtf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | cp >> 6);
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | cp >> 12);
        out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | cp >> 18);
    out[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

bool Utf8Writer::Put(char32_t cp) {
    char bytes[4];
    return PutBytes(bytes, static_cast<std::size_t>(EncodeUtf8(cp, bytes)));
}

bool Utf8Writer::PutBytes(const char* bytes, std::size_t n) {
    if (full_ || length_ + n + 1 > size_) {
        full_ = true;
        return false;
    }
    std::memcpy(out_ + length_, bytes, n);
    length_ += n;
    out_[length_] = '\0';
    return true;
}

std::size_t ReplaceControls(char* text, std::size_t length) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < length;) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            text[out++] = IsControl(byte) ? '?' : text[i];
            ++i;
        } else if (byte == 0xC2 && i + 1 < length &&
                   static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            text[out++] = '?';  // U+0080 to U+009F
            i += 2;
        } else {
            text[out++] = text[i++];
        }
    }
    text[out] = '\0';
    return out;
}

void PutLatin1(Utf8Writer& writer, const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n && !writer.full(); ++i) {
        writer.Put(IsControl(bytes[i]) ? char32_t{'?'} : char32_t{bytes[i]});
    }
}

}  // namespace records::text
