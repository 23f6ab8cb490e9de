// The vendor command blocks and data phases at the device, on every host family: which
// command set and form each family sends, padding, short replies, and the function
// inquiry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "quillon/Diagnostics.h"
#include "quillon/Quillon.h"
#include "support/HostFamily.h"
#include "support/HostFamilyHosts.h"
#include "support/ScriptedReader.h"

namespace {

using support::Bytes;
using support::Family;
using support::HexBytes;
using support::HexText;
using support::HostUnderTest;
using support::ScriptedReader;

bool IsEe(Family family) {
    return family == Family::Vista;
}

class Transport : public testing::TestWithParam<Family> {
protected:
    void SetUp() override { host = std::make_unique<HostUnderTest>(GetParam(), card); }
    void TearDown() override { host.reset(); }
    void* device() { return host->Device(); }

    ScriptedReader card;
    std::unique_ptr<HostUnderTest> host;
    CQuillon reader;
};

TEST_P(Transport, ShortBlocksOfEachCommandSet) {
    card.Expect("A0 A4 00 00 02", 1, "A4").Expect("3F 00", 2, "9F 1A");
    unsigned char length;
    ASSERT_EQ(reader.SelectFile(device(), 0x3F00, length, 1), 1);
    ASSERT_EQ(card.blocks.size(), 4u);
    const char* expected[2][4] = {
        // classic
        {"0A 10 46 00 05 01 53 49 4D 20", "08 10 46 00 01 00 53 49 4D 20",
         "0A 10 46 00 02 02 53 49 4D 20", "08 10 46 00 02 00 53 49 4D 20"},
        // 0xEE
        {"EE 10 0A 00 05 01 53 49 4D 20", "EE 10 08 00 01 00 53 49 4D 20",
         "EE 10 0A 00 02 02 53 49 4D 20", "EE 10 08 00 02 00 53 49 4D 20"},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(HexText(card.blocks[i].cdb), expected[IsEe(GetParam())][i]) << "block " << i;
    }
    // A 5-byte header travels in a 6-byte data phase ending with the 0x00 pad, while the
    // block keeps the true length.
    EXPECT_EQ(HexText(card.blocks[0].dataPhase), "A0 A4 00 00 02 00");
    EXPECT_EQ(HexText(card.blocks[2].dataPhase), "3F 00");
}

TEST_P(Transport, LongBlockOfEachCommandSet) {
    card.ExpectLong("A0 B2 01 04 FF", 258, "B2 " + std::string("00 ") + "90 00");
    unsigned char record[260];
    reader.ReadRecord(device(), 255, 1, 0, record, 1);
    const char* expected = IsEe(GetParam()) ? "EE 01 0A 00 05 02 53 49 4D 20 01 02 00 00 00 00"
                                            : "0A 01 46 00 05 00 53 49 4D 20 01 02 00 00 00 00";
    EXPECT_EQ(HexText(card.blocks.front().cdb), expected);
}

TEST_P(Transport, ShortFormCarriesOnlyTheLowByteOfTheReplyCount) {
    // A 255-byte record without the long reply: 258 travels as 0x02.
    card.Expect("A0 B2 01 04 FF", 2, "B2 90");
    unsigned char record[260];
    EXPECT_EQ(reader.ReadRecord(device(), 255, 1, 0, record, 0), 0);
    const Bytes& cdb = card.blocks.front().cdb;
    ASSERT_EQ(cdb.size(), 10u);
    EXPECT_EQ(cdb[5], 0x02);
}

TEST_P(Transport, BytesTheDeviceDoesNotSupplyReadAsZero) {
    // The card gives one byte where two are read: SW2 reads 0x00.
    card.Expect("A0 A4 00 00 02", 1, "A4").Expect("3F 00", 2, "9F");
    unsigned char length = 0xEE;
    EXPECT_EQ(reader.SelectFile(device(), 0x3F00, length, 0), 1);
    EXPECT_EQ(length, 0x00);
}

TEST_P(Transport, FunctionInquiry) {
    const Bytes reply = HexBytes("B0 02 08 00 03 49 4E 51 55 45 45 50 52 53 49 4D 20");
    card.InquiryReply(reply);
    unsigned long length = 99;
    char* block = reader.SIM_InquiryFunctions(device(), &length);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(HexText(card.blocks.back().cdb), "08 00 46 00 FF 00 49 4E 51 55");
    EXPECT_EQ(HexText(Bytes(block, block + reply.size())), HexText(reply));
    // ASPI reports its whole 255-byte area; the other carriers the bytes returned.
    EXPECT_EQ(length, GetParam() == Family::Win9x ? 255u : reply.size());
    std::free(block);
}

TEST_P(Transport, InquiryAnswered0xFF) {
    card.InquiryReply(HexBytes("FF 00 00"));
    unsigned long length = 99;
    char* block = reader.SIM_InquiryFunctions(device(), &length);
    if (GetParam() == Family::Win9x) {
        // The ASPI variant does not look at the first byte.
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(length, 255u);
    } else {
        EXPECT_EQ(block, nullptr);
        EXPECT_EQ(length, 0u);
    }
    std::free(block);
}

TEST_P(Transport, UndeliveredCommandsFail) {
    card.FailNext(100);
    unsigned char length;
    EXPECT_EQ(reader.SelectFile(device(), 0x3F00, length, 0), 0);
    unsigned long replyLength = 0;
    EXPECT_EQ(reader.SIM_InquiryFunctions(device(), &replyLength), nullptr);
    if (GetParam() != Family::Win9x) {
        EXPECT_STRNE(QuillonLastErrorText(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Families, Transport, testing::ValuesIn(support::kAllFamilies),
                         [](const auto& info) { return support::FamilyName(info.param); });

// ---- Pass-through diagnostics (NT family) ----

class PassThroughDiagnostics : public testing::TestWithParam<Family> {
protected:
    ScriptedReader card;
    CQuillon reader;
};

TEST_P(PassThroughDiagnostics, FailureTexts) {
    HostUnderTest host(GetParam(), card);
    host.hosts().windows->SetUndeliveredError(31);
    card.FailNext(1);
    unsigned char atr[64];
    EXPECT_EQ(reader.GetATRValue(host.Device(), atr, 0), 0);
    EXPECT_STREQ(QuillonLastErrorText(), "Query firmware version failed: 00031");
    EXPECT_EQ(QuillonLastErrorCode(), 31u);

    card.FailNext(1);
    unsigned char length;
    EXPECT_EQ(reader.SelectFile(host.Device(), 0x3F00, length, 0), 0);
    EXPECT_STREQ(QuillonLastErrorText(), "Write EEPROM Data failed: 00031\nScsiStatus: 00000");

    card.FailNext(1);
    unsigned long replyLength = 5;
    EXPECT_EQ(reader.SIM_InquiryFunctions(host.Device(), &replyLength), nullptr);
    EXPECT_STREQ(QuillonLastErrorText(), "Query firmware version failed: 00031");
}

TEST_P(PassThroughDiagnostics, LongClassicWriteFailureLeavesTheTextAlone) {
    HostUnderTest host(GetParam(), card);
    QuillonClearDiagnostics();
    card.FailNext(1);
    unsigned char record[260];
    EXPECT_EQ(reader.ReadRecord(host.Device(), 255, 1, 0, record, 1), 0);
    if (GetParam() == Family::WinNt) {
        EXPECT_STREQ(QuillonLastErrorText(), "");
    } else {
        EXPECT_STRNE(QuillonLastErrorText(), "");  // the 0xEE long form reports
    }
}

INSTANTIATE_TEST_SUITE_P(NtFamily, PassThroughDiagnostics,
                         testing::Values(Family::WinNt, Family::Vista),
                         [](const auto& info) { return support::FamilyName(info.param); });

// ---- SG_IO (Linux) ----

TEST(SgIo, RequestsAreBuiltForTheKernel) {
    ScriptedReader card;
    HostUnderTest host(Family::Linux, card);
    card.Expect("A0 A4 00 00 02", 1, "A4").Expect("3F 00", 2, "9F 1A");
    CQuillon reader;
    unsigned char length;
    ASSERT_EQ(reader.SelectFile(host.Device(), 0x3F00, length, 0), 1);
    const auto& requests = host.hosts().linuxHost->Requests();
    ASSERT_EQ(requests.size(), 4u);
    const int expectedDirection[] = {-2, -3, -2, -3};  // SG_DXFER_TO_DEV, SG_DXFER_FROM_DEV
    const unsigned expectedLength[] = {6, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(requests[i].direction, expectedDirection[i]) << i;
        EXPECT_EQ(requests[i].dataLength, expectedLength[i]) << i;
        EXPECT_EQ(requests[i].timeoutMs, 10000u) << i;
        EXPECT_EQ(requests[i].cdb.size(), 10u) << i;
        EXPECT_EQ(requests[i].cdb[2], 0x46) << "classic command set";
    }
}

}  // namespace
