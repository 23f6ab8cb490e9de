// The SIM command set on every host family: what each method sends to the card, what it
// accepts back, and what it leaves in its outputs. The scripted reader fails a test on
// any card write it was not told to expect.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "quillon/Diagnostics.h"
#include "quillon/Quillon.h"
#include "support/HostFamily.h"
#include "support/ScriptedReader.h"

namespace {

using support::Bytes;
using support::Family;
using support::HexBytes;
using support::HexText;
using support::HostUnderTest;
using support::ScriptedReader;

constexpr unsigned char kFunction = 2;  // "SIM " third in the function list

std::string Repeat(const std::string& byte, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i ? " " : "") + byte;
    }
    return text;
}

std::string Sequence(int first, int count) {
    std::string text;
    char digits[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", (first + i) & 0xFF);
        text += (i ? " " : "") + std::string(digits);
    }
    return text;
}

class SimCommands : public testing::TestWithParam<Family> {
protected:
    void SetUp() override { host = std::make_unique<HostUnderTest>(GetParam(), card); }
    void TearDown() override {
        EXPECT_TRUE(card.Done()) << card.Remaining() << " expected card writes not made";
        host.reset();
    }
    void* device() { return host->Device(); }
    // Command blocks seen after the discovery and open of the set-up.
    std::size_t BlocksSinceSetUp() const { return card.blocks.size(); }

    ScriptedReader card;
    std::unique_ptr<HostUnderTest> host;
    CQuillon reader;
};

TEST_P(SimCommands, SelectFileAnswersTheResponseLength) {
    card.Expect("A0 A4 00 00 02", 1, "A4").Expect("7F 10", 2, "9F 17");
    unsigned char length = 0xEE;
    EXPECT_EQ(reader.SelectFile(device(), 0x7F10, length, kFunction), 1);
    EXPECT_EQ(length, 0x17);
    // Every block carries the function byte of the SIM function: index * 16 + mode 0.
    for (const auto& block : card.blocks) {
        EXPECT_EQ(block.cdb[1], 0x20) << HexText(block.cdb);
    }
}

TEST_P(SimCommands, SelectFileRefusals) {
    struct Case {
        const char* why;
        const char* headerReply;
        const char* identifierReply;  // null: the identifier is never sent
    } cases[] = {
        {"file not found", "A4", "94 04"},
        {"the card answers the header with a status word", "6E 00", nullptr},
        {"a wrong procedure byte", "A5", nullptr},
    };
    for (const Case& c : cases) {
        card.Expect("A0 A4 00 00 02", 1, c.headerReply);
        if (c.identifierReply) {
            card.Expect("6F 3A", 2, c.identifierReply);
        }
        unsigned char length = 0x33;
        EXPECT_EQ(reader.SelectFile(device(), 0x6F3A, length, kFunction), 0) << c.why;
        EXPECT_EQ(length, 0x33) << c.why << ": responseLength must stay unchanged";
        EXPECT_TRUE(card.Done()) << c.why;
    }
}

TEST_P(SimCommands, GetResponseAndReadBinaryFetchTheData) {
    card.Expect("A0 C0 00 00 04", 7, "C0 01 02 03 04 90 00");
    unsigned char response[64] = {};
    EXPECT_EQ(reader.GetResponse(device(), 4, response, kFunction), 1);
    EXPECT_EQ(HexText(Bytes(response, response + 5)), "01 02 03 04 00");

    card.Expect("A0 B0 00 00 0A", 13, "B0 98 68 00 21 43 65 87 09 21 F3 90 00");
    unsigned char iccid[64] = {};
    EXPECT_EQ(reader.ReadBinary(device(), 10, kFunction, iccid), 1);
    EXPECT_EQ(HexText(Bytes(iccid, iccid + 10)), "98 68 00 21 43 65 87 09 21 F3");
}

TEST_P(SimCommands, GetResponseRefusals) {
    struct Case {
        const char* why;
        const char* reply;
    } cases[] = {
        {"status word not 90 00", "C0 01 02 03 04 6F 00"},
        {"procedure byte not INS", "C1 01 02 03 04 90 00"},
        {"the card answers with a status word", "67 00"},
    };
    for (const Case& c : cases) {
        card.Expect("A0 C0 00 00 04", 7, c.reply);
        unsigned char response[64];
        std::memset(response, 0x5A, sizeof response);
        EXPECT_EQ(reader.GetResponse(device(), 4, response, kFunction), 0) << c.why;
        EXPECT_EQ(response[0], 0x5A) << c.why << ": output must not be written";
    }
}

TEST_P(SimCommands, GetResponseLongerThanItsReplyAreaIsRefusedUnsent) {
    unsigned char response[256] = {};
    EXPECT_EQ(reader.GetResponse(device(), 62, response, kFunction), 0);
    EXPECT_EQ(BlocksSinceSetUp(), 0u);
    // 61 is the largest length the 64-byte reply area takes.
    card.Expect("A0 C0 00 00 3D", 64, "C0 " + Repeat("11", 61) + " 90 00");
    EXPECT_EQ(reader.GetResponse(device(), 61, response, kFunction), 1);
    EXPECT_EQ(response[60], 0x11);
}

TEST_P(SimCommands, ReadRecordOfAShortMessage) {
    const std::string record = Sequence(0, 176);
    card.Expect("A0 B2 05 04 B0", 179, "B2 " + record + " 90 00");
    unsigned char data[260] = {};
    EXPECT_EQ(reader.ReadRecord(device(), 176, 5, kFunction, data, 0), 1);
    EXPECT_EQ(HexText(Bytes(data, data + 176)), record);
}

TEST_P(SimCommands, ReadRecordOf255BytesTakesTheLongForm) {
    const std::string record = Sequence(7, 255);
    card.ExpectLong("A0 B2 01 04 FF", 258, "B2 " + record + " 90 00");
    unsigned char data[260] = {};
    EXPECT_EQ(reader.ReadRecord(device(), 255, 1, kFunction, data, 1), 1);
    EXPECT_EQ(HexText(Bytes(data, data + 255)), record);
    // The header write runs in mode 1 on the 16-byte block.
    const Bytes& cdb = card.blocks.front().cdb;
    ASSERT_EQ(cdb.size(), 16u);
    EXPECT_EQ(cdb[1], 0x21);
    EXPECT_EQ(cdb[10], 0x01);
    EXPECT_EQ(cdb[11], 0x02);
}

TEST_P(SimCommands, ReadRecordFailurePastTheHeaderLeavesZeros) {
    card.Expect("A0 B2 01 04 1C", 31, "B2 " + Repeat("41", 28) + " 94 02");
    unsigned char data[64];
    std::memset(data, 0x77, sizeof data);
    EXPECT_EQ(reader.ReadRecord(device(), 28, 1, kFunction, data, 0), 0);
    EXPECT_EQ(HexText(Bytes(data, data + 64)), Repeat("00", 64));
}

TEST_P(SimCommands, UpdateRecordInOneBlock) {
    const std::string record = Sequence(0x30, 28);
    card.Expect("A0 DC 03 04 1C", 1, "DC").Expect(record, 2, "90 00");
    Bytes data = HexBytes(record);
    EXPECT_EQ(reader.UpdateRecord(device(), 28, 3, kFunction, data.data(), 0), 1);
    EXPECT_EQ(QuillonHeaderMode(), 1);

    card.Expect("A0 DC 04 04 1C", 1, "DC").Expect(record, 2, "98 04");
    EXPECT_EQ(reader.UpdateRecord(device(), 28, 4, kFunction, data.data(), 0), 0);
}

TEST_P(SimCommands, UpdateRecordDataFormFollowsTheFamily) {
    // The data phase goes with mode 0 and longForm = longReply: the classic set takes the
    // long block, the 0xEE set lets the mode decide and takes the short one.
    const std::string record = Sequence(0, 20);
    card.Expect("A0 DC 01 04 14", 1, "DC");
    if (GetParam() == Family::Vista) {
        card.Expect(record, 2, "90 00");
    } else {
        card.ExpectLong(record, 2, "90 00");
    }
    Bytes data = HexBytes(record);
    EXPECT_EQ(reader.UpdateRecord(device(), 20, 1, kFunction, data.data(), 1), 1);
}

TEST_P(SimCommands, UpdateRecordOneByteAtATime) {
    // INS complement 0x23 asks for each byte; all sent this way, no status word follows.
    card.Expect("A0 DC 02 04 03", 1, "23")
        .Expect("AA", 1, "23")
        .Expect("BB", 1, "23")
        .Expect("CC", 1, "23");
    Bytes data = HexBytes("AA BB CC");
    EXPECT_EQ(reader.UpdateRecord(device(), 3, 2, kFunction, data.data(), 0), 1);
    EXPECT_EQ(QuillonHeaderMode(), 1);
}

TEST_P(SimCommands, HeaderModeFollowsTheCardsLastAnswer) {
    // The card asks for the rest with 0xDC and answers that block with 0x23: the next
    // header goes one byte at a time, until an exchange sees 0xDC again.
    card.Expect("A0 DC 01 04 04", 1, "23")
        .Expect("01", 1, "23")
        .Expect("02", 1, "DC")
        .Expect("03 04", 1, "23");
    Bytes data = HexBytes("01 02 03 04");
    EXPECT_EQ(reader.UpdateRecord(device(), 4, 1, kFunction, data.data(), 0), 1);
    EXPECT_EQ(QuillonHeaderMode(), 0);

    card.Expect("A0", 1, "23")
        .Expect("DC", 1, "DC")
        .Expect("02 04 04", 1, "DC")
        .Expect("01 02 03 04", 2, "90 00");
    EXPECT_EQ(reader.UpdateRecord(device(), 4, 2, kFunction, data.data(), 0), 1);
    EXPECT_EQ(QuillonHeaderMode(), 1);
}

TEST_P(SimCommands, HeaderByteByByteUntilTheLastOpensTheBlockDataPhase) {
    QuillonSetHeaderMode(0);
    card.Expect("A0", 1, "23")
        .Expect("DC", 1, "23")
        .Expect("05", 1, "23")
        .Expect("04", 1, "23")
        .Expect("02", 1, "DC")
        .Expect("0A 0B", 2, "90 00");
    Bytes data = HexBytes("0A 0B");
    EXPECT_EQ(reader.UpdateRecord(device(), 2, 5, kFunction, data.data(), 0), 1);
    EXPECT_EQ(QuillonHeaderMode(), 1);
}

TEST_P(SimCommands, UpdateRecordRefusesOtherProcedureBytes) {
    struct Case {
        const char* why;
        const char* headerReply;
        const char* byteReply;  // null: no data byte is sent
    } cases[] = {
        {"status word for the header", "6A 82", nullptr},
        {"unknown procedure byte for a data byte", "23", "60"},
    };
    Bytes data = HexBytes("01 02");
    for (const Case& c : cases) {
        card.Expect("A0 DC 01 04 02", 1, c.headerReply);
        if (c.byteReply) {
            card.Expect("01", 1, c.byteReply);
        }
        EXPECT_EQ(reader.UpdateRecord(device(), 2, 1, kFunction, data.data(), 0), 0) << c.why;
        EXPECT_TRUE(card.Done()) << c.why;
    }
}

TEST_P(SimCommands, ChvCommandsSendTheirBlocks) {
    struct Case {
        const char* what;
        const char* header;
        const char* data;
        int (*run)(CQuillon&, void*, unsigned char&);
    } cases[] = {
        {"verify, four digits", "A0 20 00 01 08", "31 32 33 34 FF FF FF FF",
         [](CQuillon& r, void* d, unsigned char& s) {
             char pin[] = "1234";
             return r.VerifyCHV(d, kFunction, 1, pin, 4, s);
         }},
        {"verify CHV2, eight digits", "A0 20 00 02 08", "31 32 33 34 35 36 37 38",
         [](CQuillon& r, void* d, unsigned char& s) {
             char pin[] = "12345678";
             return r.VerifyCHV(d, kFunction, 2, pin, 8, s);
         }},
        {"change", "A0 24 00 01 10", "31 32 33 34 FF FF FF FF 39 38 37 36 35 FF FF FF",
         [](CQuillon& r, void* d, unsigned char& s) {
             char oldPin[] = "1234";
             char newPin[] = "98765";
             return r.ChangeCHV(d, kFunction, 1, oldPin, 4, newPin, 5, s);
         }},
        {"disable", "A0 26 00 01 08", "30 30 30 30 FF FF FF FF",
         [](CQuillon& r, void* d, unsigned char& s) {
             char pin[] = "0000";
             return r.DisableCHV(d, kFunction, pin, 4, s);
         }},
        {"enable", "A0 28 00 01 08", "30 30 30 30 FF FF FF FF",
         [](CQuillon& r, void* d, unsigned char& s) {
             char pin[] = "0000";
             return r.EnableCHV(d, kFunction, pin, 4, s);
         }},
    };
    for (const Case& c : cases) {
        const std::string ins = HexText({HexBytes(c.header)[1]});
        card.Expect(c.header, 2, ins).Expect(c.data, 2, "90 00");
        unsigned char status = 0xEE;
        EXPECT_EQ(c.run(reader, device(), status), 1) << c.what;
        EXPECT_EQ(status, 0) << c.what;
    }
}

TEST_P(SimCommands, ChvRefusalsGiveTheStatusByte) {
    struct Case {
        const char* why;
        const char* headerReply;
        const char* dataReply;  // null: the card answered the header with a status word
        unsigned char status;
    } cases[] = {
        {"wrong PIN, attempts left", "20", "98 04", 0x04},
        {"wrong PIN, now blocked", "20", "98 40", 0x40},
        {"contradiction with CHV status", "20", "98 08", 0x08},
        {"no CHV initialised, said to the header", "98 02", nullptr, 0x02},
    };
    char pin[] = "4321";
    for (const Case& c : cases) {
        card.Expect("A0 20 00 01 08", 2, c.headerReply);
        if (c.dataReply) {
            card.Expect("34 33 32 31 FF FF FF FF", 2, c.dataReply);
        }
        unsigned char status = 0;
        EXPECT_EQ(reader.VerifyCHV(device(), kFunction, 1, pin, 4, status), 0) << c.why;
        EXPECT_EQ(status, c.status) << c.why;
    }
}

TEST_P(SimCommands, ChvTransportFailureLeavesStatusZero) {
    card.FailNext(2);  // the header write and its retry, where the carrier retries
    char pin[] = "1234";
    unsigned char status = 0xEE;
    EXPECT_EQ(reader.VerifyCHV(device(), kFunction, 1, pin, 4, status), 0);
    EXPECT_EQ(status, 0);
}

TEST_P(SimCommands, PinLongerThanEightIsRefusedUnsent) {
    char pin[] = "123456789";
    unsigned char status = 0xEE;
    EXPECT_EQ(reader.VerifyCHV(device(), kFunction, 1, pin, 9, status), 0);
    EXPECT_EQ(status, 0);
    char shortPin[] = "1234";
    EXPECT_EQ(reader.ChangeCHV(device(), kFunction, 1, shortPin, 4, pin, 9, status), 0);
    EXPECT_EQ(BlocksSinceSetUp(), 0u);
}

TEST_P(SimCommands, AnswerToResetConventionByte) {
    struct Case {
        const char* atr;
        int result;
    } cases[] = {{"3B 9F 95 80", 1}, {"3F 65 25", 1}, {"3A 00", 0}, {"", 0}};
    for (const Case& c : cases) {
        card.AnswerToReset(c.atr);
        unsigned char atr[64];
        EXPECT_EQ(reader.GetATRValue(device(), atr, kFunction), c.result) << c.atr;
        EXPECT_EQ(HexText(Bytes(atr, atr + HexBytes(c.atr).size())), HexText(HexBytes(c.atr)));
        // Mode 2 in the function byte reads the answer to reset.
        EXPECT_EQ(card.blocks.back().cdb[1], 0x22);
    }
}

TEST_P(SimCommands, CardTypeFromTheFirstTdByte) {
    struct Case {
        const char* atr;
        int cardType;
    } cases[] = {
        {"3B 1F 11", 0},           // T0 without TD1
        {"3B 80 01", 1},           // TD1 right after T0: T=1
        {"3B F0 11 22 33 00", 0},  // TA1 TB1 TC1, then TD1 announcing T=0
        {"3B D0 11 22 81", 1},     // TA1 TC1, then TD1 announcing T=1
    };
    support::CardTypeProbe probe;
    for (const Case& c : cases) {
        card.AnswerToReset(c.atr);
        int type = 7;
        EXPECT_EQ(probe.CardType(device(), type, kFunction), 1) << c.atr;
        EXPECT_EQ(type, c.cardType) << c.atr;
    }
}

TEST_P(SimCommands, TestSimCardEchoesThePpsRequest) {
    card.AnswerToReset("3B 10 96");
    card.Expect("FF 10 11 FE", 4, "FF 10 11 FE");
    EXPECT_EQ(reader.TestSimCard(device(), kFunction), 1);
    card.Expect("FF 10 11 FE", 4, "FF 10 11 00");
    EXPECT_EQ(reader.TestSimCard(device(), kFunction), 0);
}

TEST_P(SimCommands, CheckCardInNeedsNoReader) {
    EXPECT_EQ(reader.CheckCardIn(nullptr, 0), 1);
    EXPECT_EQ(BlocksSinceSetUp(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Families, SimCommands, testing::ValuesIn(support::kAllFamilies),
                         [](const auto& info) { return support::FamilyName(info.param); });

}  // namespace
