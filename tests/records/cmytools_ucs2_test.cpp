// UCS2 text (gsmEncodeUcs2, gsmDecodeUcs2) and the 0x81 and 0x82 alpha identifier forms of
// GSM 11.11 Annex B (UCS2ToGB81, UCS2ToGB82).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/CMyTools.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes EncodeUcs2(const std::string& text) {
    Bytes out(2 * text.size() + 1, 0xC5);
    const int n = CMyTools::gsmEncodeUcs2(text.data(), out.data(), static_cast<int>(text.size()));
    EXPECT_EQ(out.back(), 0xC5) << "wrote past 2 * length";
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// Decodes into exactly the documented 3 * length / 2 + 2 bytes, with a canary after them.
std::string DecodeUcs2(const Bytes& in) {
    const std::size_t size = 3 * in.size() / 2 + 2;
    std::vector<unsigned char> out(size + 1, 0xC5);
    const int n = CMyTools::gsmDecodeUcs2(in.data(), out.data(), static_cast<int>(in.size()));
    EXPECT_EQ(out[size], 0xC5) << "wrote past 3 * length / 2 + 2";
    EXPECT_EQ(out[static_cast<std::size_t>(n)], '\0');
    return std::string(out.begin(), out.begin() + n);
}

// Annex B forms into exactly the documented 3 * length + 1 bytes, with a canary after them.
std::string DecodeForm(bool form81, Bytes in) {
    const std::size_t size = 3 * in.size() + 1;
    std::vector<char> out(size + 1, '\xC5');
    const int length = static_cast<int>(in.size());
    const int n = form81 ? CMyTools::UCS2ToGB81(in.data(), out.data(), length)
                         : CMyTools::UCS2ToGB82(in.data(), out.data(), length);
    EXPECT_EQ(out[size], '\xC5') << "wrote past 3 * length + 1";
    EXPECT_EQ(out[static_cast<std::size_t>(n)], '\0');
    return std::string(out.data(), static_cast<std::size_t>(n));
}

TEST(Ucs2, Encode) {
    struct Case {
        const char* text;
        Bytes ucs2;
        const char* why;
    };
    const Case cases[] = {
        {"", {}, "nothing"},
        {"A", {0x00, 0x41}, "ASCII"},
        {"中文", {0x4E, 0x2D, 0x65, 0x87}, "CJK, high byte first"},
        {"é€", {0x00, 0xE9, 0x20, 0xAC}, "Latin and the euro sign"},
        {"😀", {0xD8, 0x3D, 0xDE, 0x00}, "beyond the BMP: a surrogate pair"},
        {"a\xFF"
         "b",
         {0x00, 0x61, 0x00, 0x3F, 0x00, 0x62},
         "a byte that is not UTF-8"},
        {"\xE4\xB8", {0x00, 0x3F, 0x00, 0x3F}, "a sequence cut off at the end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(EncodeUcs2(c.text), c.ucs2);
    }
}

TEST(Ucs2, Decode) {
    struct Case {
        Bytes ucs2;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {{}, "", "nothing"},
        {{0x4E, 0x2D, 0x65, 0x87}, "中文", "the EF_ADN example: 0x80 then these four bytes"},
        {{0xD8, 0x3D, 0xDE, 0x00}, "😀", "a surrogate pair"},
        {{0xD8, 0x3D, 0x00, 0x41}, "?A", "a high surrogate without its low one"},
        {{0xDE, 0x00, 0x00, 0x42}, "?B", "a lone low surrogate"},
        {{0x00, 0x41, 0xD8, 0x3D}, "A?", "a high surrogate at the end"},
        {{0x00, 0x41, 0x4E}, "A?", "an odd last byte"},
        {{0x00, 0x07, 0x00, 0x00, 0x00, 0x9B, 0x00, 0x41},
         "???A",
         "control characters and zero: no text ends early"},
        {{0x00, 0x09, 0x00, 0x0A, 0x00, 0x0C, 0x00, 0x0D}, "\t\n\f\r", "the kept controls"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(DecodeUcs2(c.ucs2), c.text);
    }
}

TEST(Ucs2, EncodersAndDecodersStayInsideTheirBoundsAtEveryLength) {
    for (int n = 0; n <= 80; ++n) {
        SCOPED_TRACE(n);
        // ASCII doubles when encoded; three-byte characters decode to the most text.
        EXPECT_EQ(EncodeUcs2(std::string(static_cast<std::size_t>(n), 'x')).size(),
                  2u * static_cast<unsigned>(n));
        Bytes cjk;
        for (int i = 0; i < n; ++i) {
            cjk.push_back(i % 2 == 0 ? 0x4E : 0x2D);
        }
        EXPECT_EQ(DecodeUcs2(cjk).size(), 3u * static_cast<unsigned>(n / 2) + n % 2);
    }
}

TEST(Ucs2, RoundTrip) {
    for (const char* text : {"Hello", "中文名字", "José 😀 Ω", "\n\r\t"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DecodeUcs2(EncodeUcs2(text)), text);
    }
}

TEST(AlphaForms, Decode) {
    struct Case {
        bool form81;
        Bytes in;  // the bytes after the coding byte
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        // 0x81: base pointer 0x13 gives the base 0x0980 (Bengali).
        {true, {0x03, 0x13, 0x53, 0x95, 0xA6}, "Sকদ", "a GSM letter and two base offsets"},
        {true, {0x03, 0x13, 0x53, 0x95, 0xA6, 0xFF, 0xFF}, "Sকদ", "filler after the count"},
        {true, {0x09, 0x13, 0x53, 0x95}, "Sক", "a count beyond the bytes there are"},
        {true, {0x00, 0x13, 0x53}, "", "a count of zero"},
        {true, {0x02, 0x9C, 0x80, 0xFF}, "一乿", "base 0x4E00 from its top bits"},
        {true, {0x02, 0x00, 0x1B, 0x65}, "€", "an escape pair of the default alphabet"},
        {true, {0x03}, "", "no base"},
        {true, {}, "", "nothing"},
        // 0x82: a 16-bit base.
        {false, {0x02, 0x4E, 0x00, 0xAD, 0x41}, "中A", "base 0x4E00, offset 0x2D, then 'A'"},
        {false, {0x02, 0x4E, 0x00, 0xAD}, "中", "a count beyond the bytes there are"},
        {false, {0x01, 0xFF, 0xF0, 0xFF}, "?", "a base and offset beyond 16 bits"},
        {false, {0x01, 0xD8, 0x00, 0x81}, "?", "a surrogate"},
        {false, {0x01, 0x00, 0x00, 0x87}, "?", "a control character"},
        {false, {0x01, 0x4E}, "", "half a base"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(DecodeForm(c.form81, c.in), c.text);
    }
}

TEST(AlphaForms, EveryCharacterByteAtItsLongestText) {
    // A base whose offsets are three UTF-8 bytes, and every byte value as a character.
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const auto b = static_cast<unsigned char>(byte);
        for (int repeat = 1; repeat <= 3; ++repeat) {
            Bytes in81 = {static_cast<unsigned char>(repeat), 0x9C};
            Bytes in82 = {static_cast<unsigned char>(repeat), 0x4E, 0x00};
            in81.insert(in81.end(), static_cast<std::size_t>(repeat), b);
            in82.insert(in82.end(), static_cast<std::size_t>(repeat), b);
            EXPECT_EQ(DecodeForm(true, in81), DecodeForm(false, in82));
        }
    }
}

}  // namespace
