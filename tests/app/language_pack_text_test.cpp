// Formatting a pack's texts: conversions that fit their arguments are filled in exactly as
// printf fills them; any other text is refused whole, never handed to printf.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/LanguagePackText.h"

namespace {

using app::FormatPackText;
using app::PackTextArgument;
using Args = std::vector<PackTextArgument>;

struct Case {
    const char* name;
    const char* format;
    Args arguments;
    const char* expected;  // nullptr: refused
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

const Case kCases[] = {
    {"PlainText", "所有记录已被清除.", {}, "所有记录已被清除."},
    {"TwoNumbers",
     "总计有%d条记录,当前正在读取第 %d 条记录",
     {12, 3},
     "总计有12条记录,当前正在读取第 3 条记录"},
    {"HexNumbers", "找到支持的设备: %x - %x", {0x0b, 0x7731}, "找到支持的设备: b - 7731"},
    {"Text", "ICCID 为 %s", {std::string("89860012")}, "ICCID 为 89860012"},
    {"Percent", "%d%% done", {50}, "50% done"},
    {"FlagsWidthPrecision",
     "[%-5d|%05d|%+d|% d|%#x|%#o|%.3d|%8.3s]",
     {1, 2, 3, 4, 255, 8, 7, std::string("abcdef")},
     "[1    |00002|+3| 4|0xff|010|007|     abc]"},
    {"UnsignedOfNegative", "%u %x %X", {-1, -2, 255}, "4294967295 fffffffe FF"},
    {"ShortLength", "%hd %hhx", {70000, 511}, "4464 ff"},
    {"ExtraArgumentsIgnored", "%d", {1, 2, std::string("three")}, "1"},
    {"NoConversionsExtraArguments", "plain", {1}, "plain"},
    {"TextCutAtZeroByte", "<%s>", {std::string("a\0b", 3)}, "<a>"},
    {"WidthAtTheLimit", "%1024d", {1}, nullptr /* filled below */},

    {"TooFewArguments", "%d / %d", {1}, nullptr},
    {"NoArguments", "%s", {}, nullptr},
    {"TextForNumber", "%d", {std::string("1")}, nullptr},
    {"NumberForText", "ICCID %s", {42}, nullptr},
    {"WritesMemory", "%n", {1}, nullptr},
    {"Character", "%c", {65}, nullptr},
    {"Pointer", "%p", {1}, nullptr},
    {"Float", "%f", {1}, nullptr},
    {"LongLength", "%ld", {1}, nullptr},
    {"LongLongLength", "%lld", {1}, nullptr},
    {"SizeLength", "%zu", {1}, nullptr},
    {"ShortText", "%hs", {std::string("a")}, nullptr},
    {"StarWidth", "%*d", {3, 4}, nullptr},
    {"StarPrecision", "%.*d", {3, 4}, nullptr},
    {"Positional", "%1$d", {1}, nullptr},
    {"LoneTrailingPercent", "100%", {}, nullptr},
    {"RepeatedFlag", "%--5d", {1}, nullptr},
    {"WidthPastTheLimit", "%1025d", {1}, nullptr},
    {"HugeWidth", "%99999999999999999999d", {1}, nullptr},
    {"HugePrecision", "%.2000s", {std::string("x")}, nullptr},
    {"UnknownConversion", "%y", {1}, nullptr},
    {"AlternateDecimal", "%#d", {1}, nullptr},
    {"ZeroPaddedText", "%05s", {std::string("a")}, nullptr},
};

class PackTextFormat : public testing::TestWithParam<Case> {};

TEST_P(PackTextFormat, FillsOrRefuses) {
    const Case& c = GetParam();
    const std::optional<std::string> text = FormatPackText(c.format, c.arguments);
    if (std::string(c.name) == "WidthAtTheLimit") {
        ASSERT_TRUE(text);
        EXPECT_EQ(text->size(), 1024u);
        return;
    }
    if (c.expected == nullptr) {
        EXPECT_FALSE(text) << *text;
    } else {
        EXPECT_EQ(text, std::string(c.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PackTextFormat, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// What FormatPackText gives for an accepted text is what printf gives for it.
TEST(PackTextFormatMatchesPrintf, ForEveryAcceptedCombination) {
    const char* const flags[] = {"", "-", "0", "+", " ", "#", "-+", "0#"};
    const char* const widths[] = {"", "1", "7", "12"};
    const char* const precisions[] = {"", ".", ".0", ".4"};
    const char* const lengths[] = {"", "h", "hh"};
    const int numbers[] = {0, 1, -1, 42, -123456, 0x7FFFFFFF, static_cast<int>(0x80000000u)};
    int compared = 0;
    for (const char* flag : flags) {
        for (const char* width : widths) {
            for (const char* precision : precisions) {
                for (const char* length : lengths) {
                    for (char conversion : std::string("diuoxX")) {
                        const std::string format = std::string("<%") + flag + width + precision +
                                                   length + conversion + ">";
                        const bool undefined =
                            std::string(flag).find('#') != std::string::npos &&
                            std::string("oxX").find(conversion) == std::string::npos;
                        for (int number : numbers) {
                            const std::optional<std::string> text =
                                FormatPackText(format, {number});
                            if (undefined) {
                                ASSERT_FALSE(text) << format << " is undefined for printf";
                                continue;
                            }
                            ASSERT_TRUE(text) << format;
                            char expected[128];
                            if (conversion == 'd' || conversion == 'i') {
                                std::snprintf(expected, sizeof expected, format.c_str(), number);
                            } else {
                                std::snprintf(expected, sizeof expected, format.c_str(),
                                              static_cast<unsigned>(number));
                            }
                            ASSERT_EQ(*text, expected) << format << " with " << number;
                            ++compared;
                        }
                    }
                    if (*length == 0) {
                        const std::string format =
                            std::string("<%") + flag + width + precision + "s>";
                        const bool undefined =
                            std::string(flag).find_first_of("#0") != std::string::npos;
                        for (const char* value : {"", "SIM", "电话簿"}) {
                            const std::optional<std::string> text =
                                FormatPackText(format, {std::string(value)});
                            if (undefined) {
                                ASSERT_FALSE(text) << format << " is undefined for printf";
                                continue;
                            }
                            ASSERT_TRUE(text) << format;
                            char expected[128];
                            std::snprintf(expected, sizeof expected, format.c_str(), value);
                            ASSERT_EQ(*text, expected) << format << " with " << value;
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 5000);
}

TEST(PackTextConversions, ListsEachConversionAsWritten) {
    using app::PackTextConversions;
    using List = std::vector<std::string>;
    EXPECT_EQ(PackTextConversions("总计交换 %d 条记录, 其中有 %d 条重复."), (List{"%d", "%d"}));
    EXPECT_EQ(PackTextConversions("%x - %x"), (List{"%x", "%x"}));
    EXPECT_EQ(PackTextConversions("ICCID: %s, 100%% %-4d"), (List{"%s", "%-4d"}));
    EXPECT_EQ(PackTextConversions("no conversions"), List{});
    EXPECT_FALSE(PackTextConversions("%n"));
    EXPECT_FALSE(PackTextConversions("50%"));
    // The same arguments, written differently, are not the same conversions.
    EXPECT_NE(PackTextConversions("%d"), PackTextConversions("%x"));
}

}  // namespace
