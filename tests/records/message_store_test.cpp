// The message store's growth rule and operations, composing messages, and the texts of a
// message row.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "emulator/CardImage.h"
#include "records/CMyTools.h"
#include "records/MessageRow.h"
#include "records/MessageStore.h"

namespace {

using records::CardValues;
using records::MessageRecord;
using records::MessageStore;

MessageRecord Tagged(std::uint8_t tag) {
    MessageRecord record;
    record.bytes[0] = 0x01;
    record.bytes[1] = tag;
    record.bytes[259] = tag;
    return record;
}

TEST(MessageStore, GrowthRule) {
    struct Case {
        std::size_t size, capacity, after;
    } cases[] = {
        {0, 0, 1},  // the first record allocates exactly one
        {3, 5, 5},  // room left
        {1, 1, 5},  // an eighth of the size, raised to 4
        {4, 4, 8},
        {100, 100, 112},        // an eighth of the size
        {10000, 10000, 11024},  // lowered to 1024
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageStore::GrownCapacity(c.size, c.capacity), c.after)
            << c.size << " of " << c.capacity;
    }
    EXPECT_EQ(MessageStore::GrownCapacity(4, 4, 2), 6u) << "a set growth step";
}

TEST(MessageStore, AppendKeepsRecordsAcrossGrowth) {
    MessageStore store;
    const std::size_t capacities[] = {1, 5, 5, 5, 5, 9};
    for (std::size_t i = 0; i < 6; ++i) {
        store.Append(Tagged(static_cast<std::uint8_t>(i)));
        EXPECT_EQ(store.Capacity(), capacities[i]) << i;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(store.At(i).bytes[1], i);
        EXPECT_EQ(store.At(i).bytes[259], i);
    }
}

TEST(MessageStore, RemoveSwapReplace) {
    MessageStore store;
    for (std::uint8_t i = 0; i < 5; ++i) {
        store.Append(Tagged(i));
    }
    EXPECT_TRUE(store.RemoveAt(2));
    ASSERT_EQ(store.Size(), 4u);
    const std::uint8_t expected[] = {0, 1, 3, 4};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(store.At(i).bytes[1], expected[i]);
        EXPECT_EQ(store.At(i).bytes[259], expected[i]) << "the whole 260 bytes move";
    }
    EXPECT_TRUE(store.Swap(0, 3));
    EXPECT_EQ(store.At(0).bytes[1], 4);
    EXPECT_EQ(store.At(3).bytes[1], 0);
    EXPECT_TRUE(store.ReplaceAt(1, Tagged(9)));
    EXPECT_EQ(store.At(1).bytes[1], 9);
    EXPECT_FALSE(store.RemoveAt(4));
    EXPECT_FALSE(store.Swap(0, 4));
    EXPECT_FALSE(store.ReplaceAt(7, Tagged(1)));
    store.Clear();
    EXPECT_EQ(store.Size(), 0u);
    EXPECT_EQ(store.Capacity(), 0u);
}

SM_PARAM DecodeSubmit(const MessageRecord& record) {
    SM_PARAM message;
    std::memset(&message, 0, sizeof message);
    CMyTools::gsmDecodePdu(reinterpret_cast<const char*>(record.bytes + 1), &message, 0);
    return message;
}

TEST(MessageStore, ComposeOnAGsmCard) {
    struct Case {
        const char* why;
        const char* number;
        const char* text;
        unsigned char partyType;
        const char* digits;
        unsigned char dcs;
    } cases[] = {
        {"international, Chinese text", "+123", "你好", 0x91, "123", 8},
        {"national, Latin text", "13800138000", "Hello", 0x81, "13800138000", 0},
        {"no number", "", "Hi", 0x81, "", 0},
    };
    CardValues values;
    values.serviceCentreDigits = "8613800100500";
    for (const Case& c : cases) {
        MessageStore store;
        EXPECT_EQ(store.ComposeMessage(values, c.number, c.text), 1);
        ASSERT_EQ(store.Size(), 1u);
        const MessageRecord& record = store.At(0);
        EXPECT_EQ(record.bytes[0], records::kStatusToBeSent) << c.why;
        const SM_PARAM message = DecodeSubmit(record);
        EXPECT_EQ(message.partyType, c.partyType) << c.why;
        EXPECT_STREQ(message.partyDigits, c.digits) << c.why;
        EXPECT_EQ(message.dcs, c.dcs) << c.why;
        EXPECT_STREQ(message.text, c.text) << c.why;
        EXPECT_EQ(message.scType, 0x91);
        EXPECT_EQ(std::string(message.scDigits, strnlen(message.scDigits, 20)), "8613800100500");
        for (std::size_t i = 176; i < MessageRecord::kSize; ++i) {
            ASSERT_EQ(record.bytes[i], 0) << c.why << ": beyond the card record, byte " << i;
        }
    }
}

TEST(MessageStore, ComposeBeforeAnyMessageRead) {
    MessageStore store;
    // Type 0x91 and no digits: the record names no service centre (TS 24.011 8.2.5.2, an
    // address of length 0), so the phone uses its own.
    store.ComposeMessage(CardValues{}, "5", "x");
    EXPECT_EQ(store.At(0).bytes[1], 0x00);
    const SM_PARAM message = DecodeSubmit(store.At(0));
    EXPECT_STREQ(message.partyDigits, "5");
    EXPECT_STREQ(message.text, "x");
}

TEST(MessageStore, ComposeOnACdmaCard) {
    CardValues values;
    values.cdmaCard = true;
    MessageStore store;
    store.ComposeMessage(values, "13900001111", "CDMA text");
    const auto row = records::DecodeMessageRecord(store.At(0), true);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->statusTextId, records::kTextUnsent);
    EXPECT_EQ(row->party, "13900001111");
    EXPECT_EQ(row->text, "CDMA text");
    EXPECT_EQ(row->time, "") << "no time for an outgoing message";
}

TEST(MessageRow, StatusTexts) {
    struct Case {
        std::uint8_t status;
        int text;
    } cases[] = {{0x00, 0},    {0x01, 8035}, {0x03, 8036}, {0x05, 8037},
                 {0x07, 8038}, {0x06, 0},    {0x0B, 8036}, {0xFF, 8038}};
    for (const Case& c : cases) {
        EXPECT_EQ(records::StatusTextId(c.status), c.text) << int(c.status);
    }
}

TEST(MessageRow, TimeTexts) {
    SM_PARAM message;
    std::memset(&message, 0, sizeof message);
    const unsigned char stamp[7] = {0x80, 0x10, 0x52, 0x21, 0x43, 0x65, 0x32};
    std::memcpy(message.scts, stamp, 7);
    EXPECT_EQ(records::TimeText(message, false), "2008-01-25 12:34:56");
    const unsigned char plain[7] = {0x08, 0x01, 0x25, 0x12, 0x34, 0x56, 0x00};
    std::memcpy(message.scts, plain, 7);
    EXPECT_EQ(records::TimeText(message, true), "2008-01-25 12:34:56");
}

TEST(MessageRow, DemoCardMessages) {
    const emulator::CardContent card =
        emulator::CardImage(TELVANE_SOURCE_DIR "/emulator/cards/demo.card").Load();
    const emulator::RecordFile* sms = card.File(0x7F10, 0x6F3C);
    ASSERT_NE(sms, nullptr);
    int rows = 0;
    int withTime = 0;
    for (const auto& bytes : sms->records) {
        MessageRecord record;
        std::memcpy(record.bytes, bytes.data(), bytes.size());
        const auto row = records::DecodeMessageRecord(record, false);
        if (!row) {
            EXPECT_FALSE(records::IsMessage(record.bytes[0]));
            continue;
        }
        ++rows;
        EXPECT_FALSE(row->party.empty());
        EXPECT_FALSE(row->text.empty());
        withTime += !row->time.empty();
        EXPECT_EQ(row->time.empty(), records::IsOutgoing(record.bytes[0]));
    }
    EXPECT_EQ(rows, 12);
    EXPECT_EQ(withTime, 7) << "four read and three unread";
}

}  // namespace
