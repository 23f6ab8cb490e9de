// EF_ADN records: decoding every name form and number, encoding within the record's
// bounds, refusals with their reasons, and the demo card's phonebook round trip.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "emulator/CardImage.h"
#include "records/AdnRecord.h"
#include "support/ScriptedReader.h"

namespace {

using records::AdnRefusal;
using records::DecodeAdnRecord;
using records::EncodeAdnRecord;
using records::PhonebookEntry;
using support::Bytes;
using support::HexBytes;
using support::HexText;

// A record of length bytes: the alpha identifier from name (hex, the rest 0xFF), then the
// number part from number (hex: length byte, type, digits; the rest 0xFF).
Bytes Record(std::size_t length, const std::string& name, const std::string& number) {
    Bytes record(length, 0xFF);
    const Bytes alpha = HexBytes(name);
    std::copy(alpha.begin(), alpha.end(), record.begin());
    const Bytes tail = HexBytes(number);
    std::copy(tail.begin(), tail.end(), record.begin() + static_cast<long>(length - 14));
    return record;
}

TEST(AdnRecord, Decoding) {
    struct Case {
        const char* why;
        Bytes record;
        bool entry;
        const char* name;
        const char* dial;
    } cases[] = {
        {"default alphabet, international", Record(28, "41 42", "03 91 21 43"), true, "AB",
         "+1234"},
        {"national, odd digit count", Record(28, "41", "02 81 21"), true, "A", "12"},
        {"UCS2 name", Record(28, "80 4E 2D 65 87", "02 81 21"), true, "中文", "12"},
        {"UCS2 name whose last pair ends in 0xFF stays whole",
         Record(28, "80 4E 2D 65", "02 81 21"), true, "中旿", "12"},
        {"UCS2 name filling an odd identifier to its end",
         Record(29, "80 4E 2D 4E 2D 4E 2D 4E 2D 4E 2D 4E 2D 4E 2D", "02 81 21"), true,
         "中中中中中中中", "12"},
        {"0x82 form: two-byte base", Record(28, "82 02 4E 00 AD 41", "02 81 21"), true, "中A",
         "12"},
        {"0x81 form: base byte << 7", Record(28, "81 02 9C AD 41", "02 81 21"), true, "中A", "12"},
        {"no name, a number", Record(28, "", "02 81 21"), true, "", "12"},
        {"twenty digits", Record(28, "41", "0B 81 21 43 65 87 09 21 43 65 87 09"), true, "A",
         "12345678901234567890"},
        {"extension character", Record(28, "1B 65", "02 81 21"), true, "€", "12"},
        {"free record", Record(28, "", ""), false, "", ""},
        {"a name without a number: length byte 0", Record(28, "41 42", "00 81"), false, "", ""},
        {"length byte 0xFF", Record(28, "41 42", "FF"), false, "", ""},
        {"length byte above 11", Record(28, "41 42", "0C 81 21"), false, "", ""},
        {"a record shorter than its fixed part", Bytes(13, 0x02), false, "", ""},
    };
    for (const Case& c : cases) {
        const auto entry = DecodeAdnRecord(c.record.data(), c.record.size());
        ASSERT_EQ(entry.has_value(), c.entry) << c.why;
        if (entry) {
            EXPECT_EQ(entry->name, c.name) << c.why;
            EXPECT_EQ(entry->dialString, c.dial) << c.why;
        }
    }
}

TEST(AdnRecord, Encoding) {
    struct Case {
        const char* why;
        std::size_t length;
        PhonebookEntry entry;
        const char* record;  // hex of the whole record
    } cases[] = {
        {"international: 0x91, digits after the '+'",
         28,
         {"AB", "+12345"},
         "41 42 FF FF FF FF FF FF FF FF FF FF FF FF 04 91 21 43 F5 FF FF FF FF FF FF FF FF FF"},
        {"national",
         28,
         {"A", "12"},
         "41 FF FF FF FF FF FF FF FF FF FF FF FF FF 02 81 21 FF FF FF FF FF FF FF FF FF FF FF"},
        {"UCS2 name",
         28,
         {"中文", "1"},
         "80 4E 2D 65 87 FF FF FF FF FF FF FF FF FF 02 81 F1 FF FF FF FF FF FF FF FF FF FF FF"},
        {"UCS2 name filling an odd identifier keeps its last byte",
         29,
         {"中中中中中中中", "1"},
         "80 4E 2D 4E 2D 4E 2D 4E 2D 4E 2D 4E 2D 4E 2D 02 81 F1 FF FF FF FF FF FF FF FF FF FF "
         "FF"},
        {"extension character takes two bytes",
         16,
         {"€", "*#"},
         "1B 65 02 81 BA FF FF FF FF FF FF FF FF FF FF FF"},
        {"no number", 15, {"A", ""}, "41 01 81 FF FF FF FF FF FF FF FF FF FF FF FF"},
    };
    for (const Case& c : cases) {
        Bytes record(c.length + 1, 0x00);
        record[c.length] = 0xA5;  // canary
        const records::AdnEncoding encoding = EncodeAdnRecord(c.entry, record.data(), c.length);
        ASSERT_TRUE(encoding) << c.why << ": " << records::Describe(encoding);
        EXPECT_EQ(record[c.length], 0xA5) << c.why << ": written beyond the record";
        record.pop_back();
        EXPECT_EQ(HexText(record), c.record) << c.why;
        EXPECT_EQ(DecodeAdnRecord(record.data(), record.size()), c.entry) << c.why;
    }
}

TEST(AdnRecord, Refusals) {
    struct Case {
        const char* why;
        std::size_t length;
        PhonebookEntry entry;
        AdnRefusal refusal;
    } cases[] = {
        {"15 letters in 14 bytes", 28, {"ABCDEFGHIJKLMNO", "1"}, AdnRefusal::NameTooLong},
        {"seven UCS2 characters need 15 bytes of 14",
         28,
         {"中中中中中中中", "1"},
         AdnRefusal::NameTooLong},
        {"an extension character past the end", 15, {"€", "1"}, AdnRefusal::NameTooLong},
        {"21 digits", 28, {"A", "123456789012345678901"}, AdnRefusal::DialTooLong},
        {"21 digits after '+'", 28, {"A", "+123456789012345678901"}, AdnRefusal::DialTooLong},
        {"'+' not in front", 28, {"A", "12+3"}, AdnRefusal::DialCharacters},
        {"a dash", 28, {"A", "12-3"}, AdnRefusal::DialCharacters},
        {"record shorter than its fixed part", 13, {"", "1"}, AdnRefusal::RecordLength},
    };
    for (const Case& c : cases) {
        Bytes record(c.length + 1, 0x00);
        record[c.length] = 0xA5;
        const records::AdnEncoding encoding = EncodeAdnRecord(c.entry, record.data(), c.length);
        EXPECT_EQ(encoding.refusal, c.refusal) << c.why;
        EXPECT_FALSE(records::Describe(encoding).empty());
        EXPECT_EQ(record[c.length], 0xA5) << c.why;
    }
    Bytes record(28);
    const auto tooLong = EncodeAdnRecord({"ABCDEFGHIJKLMNOP", "1"}, record.data(), 28);
    EXPECT_EQ(records::Describe(tooLong), "The name needs 16 bytes; the card's records hold 14.");
    EXPECT_EQ(HexText(record), HexText(Bytes(28, 0xFF))) << "a refused entry leaves fill";
}

TEST(AdnRecord, DemoCardPhonebookRoundTrips) {
    const emulator::CardContent card =
        emulator::CardImage(TELVANE_SOURCE_DIR "/emulator/cards/demo.card").Load();
    const emulator::RecordFile* adn = card.File(0x7F10, 0x6F3A);
    ASSERT_NE(adn, nullptr);
    int entries = 0;
    for (const Bytes& record : adn->records) {
        const auto entry = DecodeAdnRecord(record.data(), record.size());
        if (!entry) {
            continue;
        }
        ++entries;
        Bytes again(record.size());
        ASSERT_TRUE(EncodeAdnRecord(*entry, again.data(), again.size())) << entry->name;
        EXPECT_EQ(HexText(again), HexText(record)) << entry->name;
    }
    EXPECT_EQ(entries, 30);
}

}  // namespace
