// Packed BCD (bcd2asc, asc2bcd), hex2asc and GetBitStatus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/CMyTools.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string Bcd2asc(Bytes in) {
    std::string out(2 * in.size() + 2, '\xC5');
    CMyTools::bcd2asc(in.data(), out.data(), static_cast<int>(in.size()));
    EXPECT_EQ(out.back(), '\xC5');
    return out.c_str();
}

Bytes Asc2bcd(std::string text, int mode) {
    // Into exactly (length + 1) / 2 bytes, with a canary after them.
    const std::size_t size = (text.size() + 1) / 2;
    Bytes out(size + 1, 0xC5);
    const int n = CMyTools::asc2bcd(text.data(), out.data(), static_cast<int>(text.size()), mode);
    EXPECT_EQ(out[size], 0xC5);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

TEST(Bcd, ToText) {
    struct Case {
        Bytes bcd;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {{0x21, 0x43, 0xF5}, "12345", "low nibble first, filler last"},
        {{0xBA, 0xDC, 0xFE}, "*#p?w", "the non-digit values"},
        {{0xFF, 0xFF}, "", "filler gives nothing"},
        {{0x1F, 0xF2}, "12", "filler anywhere"},
        {{0x98, 0x68, 0x00, 0x21}, "89860012", "an ICCID's start"},
        {{}, "", "nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Bcd2asc(c.bcd), c.text);
    }
}

TEST(Bcd, FromText) {
    struct Case {
        const char* text;
        int mode;
        Bytes bcd;
        const char* why;
    };
    const Case cases[] = {
        {"12345", 1, {0x21, 0x43, 0xF5}, "mode 1: first digit low, odd count padded"},
        {"1234", 1, {0x21, 0x43}, "an even count"},
        {"12345", 0, {0x12, 0x34, 0x5F}, "mode 0: first digit high"},
        {"12345", 7, {0x21, 0x43, 0xF5}, "any other mode is mode 1"},
        {"*#", 1, {0xBA}, "star and hash"},
        {"1p2w3?", 1, {0xC1, 0xE2, 0xD3}, "pause, wait and the wild digit"},
        {"1P2W", 1, {0xC1, 0xE2}, "upper case too"},
        {"+123", 1, {0x21, 0xF3}, "a '+' is not a digit: skipped"},
        {"555-12 34", 1, {0x55, 0x15, 0x32, 0xF4}, "separators are skipped"},
        {"", 1, {}, "nothing"},
        {"abc", 1, {}, "no digits at all"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Asc2bcd(c.text, c.mode), c.bcd);
    }
}

TEST(Bcd, RoundTripAtEveryLength) {
    const std::string digits = "0123456789*#p?w";
    for (std::size_t length = 0; length <= 40; ++length) {
        SCOPED_TRACE(length);
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += digits[(i * 7) % digits.size()];
        }
        Bytes bcd = Asc2bcd(text, 1);
        ASSERT_EQ(bcd.size(), (length + 1) / 2);
        EXPECT_EQ(Bcd2asc(bcd), text);
        bcd.insert(bcd.end(), {0xFF, 0xFF});
        EXPECT_EQ(Bcd2asc(bcd), text);
    }
}

TEST(Hex, ToText) {
    for (std::size_t length = 0; length <= 8; ++length) {
        Bytes in;
        std::string expected;
        for (std::size_t i = 0; i < length; ++i) {
            in.push_back(static_cast<unsigned char>(0x1F * i + 0x0A));
            static constexpr char kHex[] = "0123456789ABCDEF";
            expected += kHex[in.back() >> 4];
            expected += kHex[in.back() & 0x0F];
        }
        std::string out(2 * length + 2, '\xC5');
        CMyTools::hex2asc(in.data(), out.data(), length);
        EXPECT_EQ(out.back(), '\xC5');
        EXPECT_EQ(std::string(out.c_str()), expected);
    }
}

TEST(BitStatus, EveryByteAndBit) {
    for (int value = 0; value < 256; ++value) {
        auto byte = static_cast<unsigned char>(value);
        for (unsigned bit = 0; bit < 10; ++bit) {
            const bool set = bit < 8 && (value >> bit & 1);
            EXPECT_EQ(CMyTools::GetBitStatus(&byte, bit) != 0, set) << value << " bit " << bit;
        }
    }
    EXPECT_EQ(CMyTools::GetBitStatus(nullptr, 0), 0);
}

}  // namespace
