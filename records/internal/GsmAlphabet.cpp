#include "internal/GsmAlphabet.h"

#include <array>
#include <cstring>

#include "internal/TextUtf8.h"

namespace records::gsm {
namespace {

// TS 23.038 6.2.1: the default alphabet. 0x1B is the escape to the extension table; as a
// character of its own (a lone escape at the end) it shows as a space.
constexpr char32_t kDefault[128] = {
    u'@', u'£', u'$', u'¥', u'è', u'é', u'ù', u'ì', u'ò', u'Ç',  u'\n', u'Ø', u'ø', u'\r', u'Å',
    u'å', u'Δ', u'_', u'Φ', u'Γ', u'Λ', u'Ω', u'Π', u'Ψ', u'Σ',  u'Θ',  u'Ξ', u' ', u'Æ',  u'æ',
    u'ß', u'É', u' ', u'!', u'"', u'#', u'¤', u'%', u'&', u'\'', u'(',  u')', u'*', u'+',  u',',
    u'-', u'.', u'/', u'0', u'1', u'2', u'3', u'4', u'5', u'6',  u'7',  u'8', u'9', u':',  u';',
    u'<', u'=', u'>', u'?', u'¡', u'A', u'B', u'C', u'D', u'E',  u'F',  u'G', u'H', u'I',  u'J',
    u'K', u'L', u'M', u'N', u'O', u'P', u'Q', u'R', u'S', u'T',  u'U',  u'V', u'W', u'X',  u'Y',
    u'Z', u'Ä', u'Ö', u'Ñ', u'Ü', u'§', u'¿', u'a', u'b', u'c',  u'd',  u'e', u'f', u'g',  u'h',
    u'i', u'j', u'k', u'l', u'm', u'n', u'o', u'p', u'q', u'r',  u's',  u't', u'u', u'v',  u'w',
    u'x', u'y', u'z', u'ä', u'ö', u'ñ', u'ü', u'à',
};

// TS 23.038 6.2.1.1: the default extension table (code after the escape, character). Its
// 0x0D (a second carriage return) and 0x1B (escape to a further table) have no character.
struct Extension {
    std::uint8_t code;
    char32_t character;
};
constexpr Extension kExtensions[] = {
    {0x0A, u'\f'}, {0x14, u'^'}, {0x28, u'{'}, {0x29, u'}'}, {0x2F, u'\\'},
    {0x3C, u'['},  {0x3D, u'~'}, {0x3E, u']'}, {0x40, u'|'}, {0x65, u'€'},
};

constexpr std::uint16_t kNone = 0xFFFF;

// ASCII (and the control characters the alphabet has) to septets: the septet, or the
// extension code with the escape in the high byte, or kNone.
constexpr std::array<std::uint16_t, 128> MakeAsciiTable() {
    std::array<std::uint16_t, 128> table{};
    for (auto& entry : table) {
        entry = kNone;
    }
    for (int septet = 0; septet < 128; ++septet) {
        if (septet != kEscape && kDefault[septet] < 128) {
            table[kDefault[septet]] = static_cast<std::uint16_t>(septet);
        }
    }
    for (const Extension& extension : kExtensions) {
        if (extension.character < 128) {
            table[extension.character] = static_cast<std::uint16_t>(kEscape << 8 | extension.code);
        }
    }
    return table;
}
constexpr std::array<std::uint16_t, 128> kFromAscii = MakeAsciiTable();

// The characters above ASCII, each with its septet (or escape and code as above).
struct Reverse {
    char32_t character;
    std::uint16_t septets;
};
constexpr Reverse kFromOther[] = {
    {u'¡', 0x40}, {u'£', 0x01}, {u'¤', 0x24}, {u'¥', 0x03}, {u'§', 0x5F},   {u'¿', 0x60},
    {u'Ä', 0x5B}, {u'Å', 0x0E}, {u'Æ', 0x1C}, {u'Ç', 0x09}, {u'É', 0x1F},   {u'Ñ', 0x5D},
    {u'Ö', 0x5C}, {u'Ø', 0x0B}, {u'Ü', 0x5E}, {u'ß', 0x1E}, {u'à', 0x7F},   {u'ä', 0x7B},
    {u'å', 0x0F}, {u'æ', 0x1D}, {u'ç', 0x09}, {u'è', 0x04}, {u'é', 0x05},   {u'ì', 0x07},
    {u'ñ', 0x7D}, {u'ò', 0x08}, {u'ö', 0x7C}, {u'ø', 0x0C}, {u'ù', 0x06},   {u'ü', 0x7E},
    {u'Γ', 0x13}, {u'Δ', 0x10}, {u'Θ', 0x19}, {u'Λ', 0x14}, {u'Ξ', 0x1A},   {u'Π', 0x16},
    {u'Σ', 0x18}, {u'Φ', 0x12}, {u'Ψ', 0x17}, {u'Ω', 0x15}, {u'€', 0x1B65},
};
// 0x09 shows as the capital C with cedilla; the small one, which some editions of GSM 03.38
// print there, is carried by the same septet.

// Each septet's UTF-8 form, so decoding copies bytes instead of encoding code points.
struct Utf8Form {
    std::uint8_t length;
    char bytes[3];
};
struct Utf8Tables {
    Utf8Form base[128];
    Utf8Form extension[128];  // length 0: no extension character
};
// The table's characters are all below U+10000.
constexpr Utf8Form MakeForm(char32_t cp) {
    if (cp < 0x80) {
        return {1, {static_cast<char>(cp), 0, 0}};
    }
    if (cp < 0x800) {
        return {2, {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F)), 0}};
    }
    return {3,
            {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
             static_cast<char>(0x80 | (cp & 0x3F))}};
}
constexpr Utf8Tables MakeUtf8Tables() {
    Utf8Tables tables{};
    for (int septet = 0; septet < 128; ++septet) {
        tables.base[septet] = MakeForm(kDefault[septet]);
    }
    for (const Extension& extension : kExtensions) {
        tables.extension[extension.code] = MakeForm(extension.character);
    }
    return tables;
}
constexpr Utf8Tables kUtf8 = MakeUtf8Tables();

std::uint16_t Lookup(char32_t cp) {
    if (cp < 128) {
        return kFromAscii[cp];
    }
    for (const Reverse& reverse : kFromOther) {
        if (reverse.character == cp) {
            return reverse.septets;
        }
    }
    return kNone;
}

}  // namespace

char32_t DefaultChar(std::uint8_t septet) {
    return kDefault[septet & 0x7F];
}

char32_t ExtensionChar(std::uint8_t code) {
    for (const Extension& extension : kExtensions) {
        if (extension.code == code) {
            return extension.character;
        }
    }
    return 0;
}

int Encode(char32_t cp, std::uint8_t out[2]) {
    const std::uint16_t septets = Lookup(cp);
    if (septets == kNone) {
        return 0;
    }
    if (septets > 0xFF) {
        out[0] = kEscape;
        out[1] = static_cast<std::uint8_t>(septets);
        return 2;
    }
    out[0] = static_cast<std::uint8_t>(septets);
    return 1;
}

std::size_t Utf8ToSeptets(const char* text, std::size_t length, std::uint8_t* out,
                          std::size_t capacity, std::size_t* consumed) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* const begin = p;
    const auto* const end = p + length;
    std::size_t written = 0;
    while (p < end) {
        const auto* const start = p;
        std::uint16_t septets;
        if (*p < 0x80) {
            septets = kFromAscii[*p++];
        } else {
            const char32_t cp = text::NextCodePoint(p, end);
            septets = cp == text::kInvalid ? kNone : Lookup(cp);
        }
        if (septets == kNone) {
            septets = kQuestionMark;
        }
        if (septets > 0xFF) {
            if (written + 2 > capacity) {
                p = start;
                break;
            }
            out[written++] = kEscape;
            out[written++] = static_cast<std::uint8_t>(septets);
        } else {
            if (written + 1 > capacity) {
                p = start;
                break;
            }
            out[written++] = static_cast<std::uint8_t>(septets);
        }
    }
    if (consumed != nullptr) {
        *consumed = static_cast<std::size_t>(p - begin);
    }
    return written;
}

std::size_t SeptetsToUtf8(const std::uint8_t* septets, std::size_t count, char* out,
                          std::size_t size, bool skipFiller) {
    if (size == 0) {
        return 0;
    }
    std::size_t written = 0;
    const std::size_t limit = size - 1;  // room for the terminating zero
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t septet = septets[i];
        const Utf8Form* form;
        if (septet == kEscape && i + 1 < count && septets[i + 1] < 0x80) {
            const std::uint8_t code = septets[++i];
            if (code == kEscape) {
                form = &kUtf8.base[0x20];  // a space
            } else if (kUtf8.extension[code].length != 0) {
                form = &kUtf8.extension[code];
            } else {
                form = &kUtf8.base[code];
            }
        } else if (septet < 0x80) {
            form = &kUtf8.base[septet];
        } else if (septet == 0xFF && skipFiller) {
            continue;
        } else {
            form = &kUtf8.base[kQuestionMark];
        }
        if (written + form->length > limit) {
            break;
        }
        std::memcpy(out + written, form->bytes, form->length);
        written += form->length;
    }
    out[written] = '\0';
    return written;
}

bool CarriesAll(const char* text, std::size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* const end = p + length;
    while (p < end) {
        if (*p < 0x80) {
            if (kFromAscii[*p++] == kNone) {
                return false;
            }
            continue;
        }
        const char32_t cp = text::NextCodePoint(p, end);
        if (cp != text::kInvalid && Lookup(cp) == kNone) {
            return false;
        }
    }
    return true;
}

}  // namespace records::gsm
