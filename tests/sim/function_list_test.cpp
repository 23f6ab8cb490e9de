// Reading the reader's function inquiry reply: model, firmware, the tags kept and the
// position of the SIM function, with replies that announce more than they hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/FunctionList.h"

namespace {

std::vector<std::uint8_t> Reply(std::uint8_t model, std::uint16_t firmware, std::uint8_t count,
                                const std::string& tags) {
    std::vector<std::uint8_t> reply(5 + tags.size());
    reply[0] = model;
    reply[1] = static_cast<std::uint8_t>(firmware >> 8);
    reply[2] = static_cast<std::uint8_t>(firmware);
    reply[4] = count;
    std::copy(tags.begin(), tags.end(), reply.begin() + 5);
    return reply;
}

std::string Repeat(const std::string& tag, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += tag;
    }
    return text;
}

TEST(FunctionList, Replies) {
    struct Case {
        const char* why;
        std::vector<std::uint8_t> reply;
        bool parsed;
        std::size_t count;
        int simIndex;
    } cases[] = {
        {"SIM third", Reply(0xB0, 0x0208, 3, "INQUEEPRSIM "), true, 3, 2},
        {"SIM first", Reply(0xA1, 0x0100, 2, "SIM INQU"), true, 2, 0},
        {"no SIM", Reply(0xA1, 0x0100, 2, "INQUEEPR"), true, 2, -1},
        {"more than 16 announced: the first 16 kept",
         Reply(0xB0, 0x0208, 20, Repeat("EEPR", 16) + "SIM "), true, 16, -1},
        {"more announced than the reply holds", Reply(0xB0, 0x0208, 9, "INQUSIM "), true, 2, 1},
        {"a tag cut by the end of the reply is dropped", Reply(0xB0, 0x0208, 2, "INQUSIM"), true, 1,
         -1},
        {"too short for the header", {0xB0, 0x02, 0x08}, false, 0, -1},
    };
    for (const Case& c : cases) {
        sim::FunctionList list;
        EXPECT_EQ(sim::ParseFunctionList(c.reply.data(), c.reply.size(), list), c.parsed) << c.why;
        EXPECT_EQ(list.count, c.count) << c.why;
        EXPECT_EQ(list.simIndex, c.simIndex) << c.why;
    }
}

TEST(FunctionList, ModelAndFirmware) {
    const auto reply = Reply(0xB0, 0x0208, 3, "INQUEEPRSIM ");
    sim::FunctionList list;
    ASSERT_TRUE(sim::ParseFunctionList(reply.data(), reply.size(), list));
    EXPECT_EQ(list.readerModel, 0xB0);
    EXPECT_EQ(list.firmwareVersion, 0x0208);
    EXPECT_EQ(list.inquiryIndex, 0);
    EXPECT_EQ(list.eepromIndex, 1);
    EXPECT_TRUE(list.IsLongFormReader());
    const auto other = Reply(0xB0, 0x0209, 0, "");
    ASSERT_TRUE(sim::ParseFunctionList(other.data(), other.size(), list));
    EXPECT_FALSE(list.IsLongFormReader());
}

}  // namespace
