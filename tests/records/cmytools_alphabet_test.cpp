// The GSM 03.38 default alphabet and extension table: asc2gsm, gsm2asc, IsDBString.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "records/CMyTools.h"

namespace {

using Bytes = std::vector<unsigned char>;

// TS 23.038 6.2.1, written out from the standard's table (0x1B, the escape, shows as a
// space when it stands alone).
const char* const kDefaultAlphabet[128] = {
    "@", "£", "$",  "¥", "è", "é", "ù", "ì", "ò", "Ç", "\n", "Ø", "ø", "\r", "Å", "å",
    "Δ", "_", "Φ",  "Γ", "Λ", "Ω", "Π", "Ψ", "Σ", "Θ", "Ξ",  " ", "Æ", "æ",  "ß", "É",
    " ", "!", "\"", "#", "¤", "%", "&", "'", "(", ")", "*",  "+", ",", "-",  ".", "/",
    "0", "1", "2",  "3", "4", "5", "6", "7", "8", "9", ":",  ";", "<", "=",  ">", "?",
    "¡", "A", "B",  "C", "D", "E", "F", "G", "H", "I", "J",  "K", "L", "M",  "N", "O",
    "P", "Q", "R",  "S", "T", "U", "V", "W", "X", "Y", "Z",  "Ä", "Ö", "Ñ",  "Ü", "§",
    "¿", "a", "b",  "c", "d", "e", "f", "g", "h", "i", "j",  "k", "l", "m",  "n", "o",
    "p", "q", "r",  "s", "t", "u", "v", "w", "x", "y", "z",  "ä", "ö", "ñ",  "ü", "à",
};

// TS 23.038 6.2.1.1: the extension table's characters by code after the escape.
const char* ExtensionChar(int code) {
    switch (code) {
        case 0x0A:
            return "\f";
        case 0x14:
            return "^";
        case 0x28:
            return "{";
        case 0x29:
            return "}";
        case 0x2F:
            return "\\";
        case 0x3C:
            return "[";
        case 0x3D:
            return "~";
        case 0x3E:
            return "]";
        case 0x40:
            return "|";
        case 0x65:
            return "€";
        default:
            return nullptr;
    }
}

std::string Decode(const Bytes& septets) {
    std::string out(2 * septets.size() + 1, '\xAA');
    const int n = CMyTools::gsm2asc(septets.data(), out.data(), static_cast<int>(septets.size()));
    EXPECT_EQ(out[static_cast<std::size_t>(n)], '\0');
    return out.substr(0, static_cast<std::size_t>(n));
}

Bytes Encode(const std::string& text) {
    unsigned char out[260];
    const int n = CMyTools::asc2gsm(text.data(), out, static_cast<int>(text.size()));
    return Bytes(out, out + n);
}

TEST(GsmAlphabet, EverySeptetDecodesToItsCharacterAndEncodesBack) {
    for (int septet = 0; septet < 128; ++septet) {
        SCOPED_TRACE(septet);
        const Bytes one = {static_cast<unsigned char>(septet)};
        EXPECT_EQ(Decode(one), kDefaultAlphabet[septet]);
        if (septet == 0x1B) {
            continue;  // the escape has no character of its own
        }
        EXPECT_EQ(Encode(kDefaultAlphabet[septet]), one);
        // Decode, re-encode, decode again with 0xFF (the alpha identifier's filler) after it.
        Bytes padded = Encode(Decode(one));
        padded.insert(padded.end(), {0xFF, 0xFF});
        EXPECT_EQ(Decode(padded), kDefaultAlphabet[septet]);
    }
}

TEST(GsmAlphabet, EveryCodeAfterTheEscape) {
    for (int code = 0; code < 128; ++code) {
        SCOPED_TRACE(code);
        const Bytes pair = {0x1B, static_cast<unsigned char>(code)};
        const char* extension = ExtensionChar(code);
        if (extension != nullptr) {
            EXPECT_EQ(Decode(pair), extension);
            EXPECT_EQ(Encode(extension), pair);
        } else if (code == 0x1B) {
            // A second escape (to a further table) shows as a space.
            EXPECT_EQ(Decode(pair), " ");
        } else {
            // A code the table lacks shows as its default character (TS 23.038 6.2.1.1).
            EXPECT_EQ(Decode(pair), kDefaultAlphabet[code]);
        }
    }
}

TEST(GsmAlphabet, TextsToSeptets) {
    struct Case {
        const char* text;
        Bytes septets;
        const char* why;
    };
    const Case cases[] = {
        {"", {}, "nothing"},
        {"José", {0x4A, 0x6F, 0x73, 0x05}, "é is in the default alphabet"},
        {"ça", {0x09, 0x61}, "the small c cedilla shares the capital's septet"},
        {"{x}", {0x1B, 0x28, 0x78, 0x1B, 0x29}, "extension characters take two septets"},
        {"a\tb", {0x61, 0x3F, 0x62}, "a tab is not in the alphabet"},
        {"`", {0x3F}, "nor is the grave accent"},
        {"中", {0x3F}, "a CJK character becomes one '?'"},
        {"😀", {0x3F}, "a character beyond the BMP becomes one '?'"},
        {"\xFF", {0x3F}, "a byte that is never UTF-8"},
        {"\xC3", {0x3F}, "a sequence cut off at the end"},
        {"\xE4\xB8", {0x3F, 0x3F}, "each byte of a cut-off sequence"},
        {"\xC0\xAF", {0x3F, 0x3F}, "an overlong form"},
        {"\xED\xA0\x80", {0x3F, 0x3F, 0x3F}, "an encoded surrogate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Encode(c.text), c.septets);
    }
    // A zero byte inside the given length is a character the alphabet lacks.
    EXPECT_EQ(Encode(std::string("a\0b", 3)), (Bytes{0x61, 0x3F, 0x62}));
}

TEST(GsmAlphabet, AlphaBytesToText) {
    struct Case {
        Bytes bytes;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {{0x41, 0x42, 0xFF, 0xFF}, "AB", "0xFF is the alpha identifier's filler"},
        {{0xFF}, "", "a name of filler alone is empty"},
        {{0x41, 0x80, 0xFE}, "A??", "other bytes above 0x7F are not characters"},
        {{0x1B}, " ", "a lone escape at the end"},
        {{0x1B, 0xFF, 0x41}, " A", "an escape before filler"},
        {{0x00, 0x00}, "@@", "0x00 is '@', not an end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Decode(c.bytes), c.text);
    }
}

TEST(GsmAlphabet, Asc2gsmNeverWritesPast260BytesNorSplitsAnEscape) {
    for (int length = 0; length <= 300; ++length) {
        SCOPED_TRACE(length);
        // Letters, then a euro sign where the escape would take the last byte.
        std::string text(static_cast<std::size_t>(length), 'a');
        if (length >= 260) {
            text.replace(259, 1, "€");
        }
        unsigned char out[261];
        out[260] = 0xC5;
        const int n = CMyTools::asc2gsm(text.data(), out, static_cast<int>(text.size()));
        EXPECT_EQ(out[260], 0xC5);
        EXPECT_EQ(n, length < 260 ? length : 259);
        if (n > 0) {
            EXPECT_NE(out[n - 1], 0x1B);
        }
    }
}

TEST(GsmAlphabet, Asc2gsmFillsAll260Bytes) {
    const std::string text(300, 'a');
    unsigned char out[261];
    out[260] = 0xC5;
    EXPECT_EQ(CMyTools::asc2gsm(text.data(), out, 300), 260);
    EXPECT_EQ(out[260], 0xC5);
}

TEST(GsmAlphabet, Gsm2ascFillsExactlyTwiceTheInputPlusOne) {
    for (int length = 0; length <= 64; ++length) {
        SCOPED_TRACE(length);
        // Δ is two UTF-8 bytes: the largest text a septet gives.
        const Bytes in(static_cast<std::size_t>(length), 0x10);
        std::vector<char> out(2 * in.size() + 2, '\xAA');
        const int n = CMyTools::gsm2asc(in.data(), out.data(), length);
        EXPECT_EQ(n, 2 * length);
        EXPECT_EQ(out[out.size() - 2], '\0');
        EXPECT_EQ(out.back(), '\xAA');
    }
}

TEST(GsmAlphabet, DecodeEncodeDecodeOfMixedSeptets) {
    // Every septet, then every escape pair, as one text: the round trip keeps the text.
    Bytes all;
    for (int septet = 0; septet < 128; ++septet) {
        if (septet != 0x1B) {
            all.push_back(static_cast<unsigned char>(septet));
        }
    }
    for (int code = 0; code < 128; ++code) {
        all.insert(all.end(), {0x1B, static_cast<unsigned char>(code)});
    }
    const std::string text = Decode(all);
    // asc2gsm stops at 260 bytes: take the text in pieces.
    Bytes again;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(text.size(), start + 120);
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
        const Bytes piece = Encode(text.substr(start, end - start));
        again.insert(again.end(), piece.begin(), piece.end());
        start = end;
    }
    again.insert(again.end(), {0xFF, 0xFF, 0xFF});
    EXPECT_EQ(Decode(again), text);
}

TEST(GsmAlphabet, IsDBString) {
    struct Case {
        const char* text;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {"", 0, "empty"},
        {"Hello, world!", 0, "ASCII in the alphabet"},
        {"José Müller", 0, "default-alphabet accents"},
        {"Ça va? Straße ΔΣΩ", 0, "more of the default alphabet"},
        {"{[~]}^|\\€\f", 0, "the extension table"},
        {"\r\n", 0, "line breaks"},
        {"中文", 1, "CJK"},
        {"Tom 张", 1, "one CJK character among letters"},
        {"á", 1, "a Latin letter the alphabet lacks"},
        {"a\tb", 1, "a tab"},
        {"`", 1, "the grave accent"},
        {"😀", 1, "beyond the BMP"},
        {"\xFF\xC3", 0, "bytes that are not UTF-8 do not count"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(CMyTools::IsDBString(c.text) != 0, c.expected != 0);
    }
}

TEST(GsmAlphabet, NullAndNegativeLengthsGiveNothing) {
    unsigned char septets[4] = {0xAA};
    char text[4] = {'x'};
    EXPECT_EQ(CMyTools::asc2gsm(nullptr, septets, 3), 0);
    EXPECT_EQ(CMyTools::asc2gsm("abc", septets, -1), 0);
    EXPECT_EQ(CMyTools::gsm2asc(septets, text, -5), 0);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(CMyTools::gsm2asc(nullptr, text, 3), 0);
}

}  // namespace
