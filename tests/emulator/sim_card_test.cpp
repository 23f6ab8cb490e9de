// The GSM 11.11 card at its T=0 line: files and selection, GET RESPONSE, records and
// access conditions, the CHV state machine, PPS, and the procedure-byte pacing.
#include "emulator/SimCard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Values(const std::vector<CardCharacter>& characters) {
    Bytes values;
    for (const CardCharacter& c : characters) {
        values.push_back(c.value);
    }
    return values;
}

struct Result {
    Bytes data;
    std::uint16_t sw = 0;
};

// One command as a plain T=0 host runs it: the header, then the data once the card has
// answered INS.
Result Exchange(SimCard& card, const Bytes& header, const Bytes& data = {}) {
    Bytes out = Values(card.Receive(header));
    if (!data.empty() && out == Bytes{header[1]}) {
        out = Values(card.Receive(data));
    }
    Result result;
    if (out.size() >= 2) {
        result.sw = std::uint16_t(out[out.size() - 2] << 8 | out.back());
    }
    if (out.size() > 2) {
        EXPECT_EQ(out[0], header[1]) << "outgoing data opens with INS";
        result.data.assign(out.begin() + 1, out.end() - 2);
    }
    return result;
}

Bytes Code(const char* text) {
    Bytes block(8, 0xFF);
    std::memcpy(block.data(), text, std::strlen(text));
    return block;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::uint16_t Select(SimCard& card, std::uint16_t id) {
    return Exchange(card, {0xA0, 0xA4, 0x00, 0x00, 0x02}, {std::uint8_t(id >> 8), std::uint8_t(id)})
        .sw;
}

std::uint16_t SelectPath(SimCard& card, const std::vector<std::uint16_t>& path) {
    std::uint16_t sw = 0;
    for (const std::uint16_t id : path) {
        sw = Select(card, id);
    }
    return sw;
}

Result GetResponse(SimCard& card, std::uint8_t length) {
    return Exchange(card, {0xA0, 0xC0, 0x00, 0x00, length});
}

std::uint16_t Verify(SimCard& card, const char* pin, std::uint8_t chv = 1) {
    return Exchange(card, {0xA0, 0x20, 0x00, chv, 0x08}, Code(pin)).sw;
}

// --- Selection ----------------------------------------------------------------------------

struct SelectCase {
    const char* name;
    CardType type;
    std::vector<std::uint16_t> path;
    std::uint16_t expected;  // the status word of the last SELECT
};
void PrintTo(const SelectCase& c, std::ostream* os) {
    *os << c.name;
}

class SelectTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectTest, FollowsGsm1111SelectionRules) {
    const SelectCase& c = GetParam();
    SimCard card(CardContent::Blank(c.type));
    EXPECT_EQ(SelectPath(card, c.path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SelectTest,
    ::testing::Values(
        SelectCase{"Mf", CardType::Gsm, {0x3F00}, 0x9F16},
        SelectCase{"DfTelecom", CardType::Gsm, {0x3F00, 0x7F10}, 0x9F16},
        SelectCase{"AdnUnderTelecom", CardType::Gsm, {0x3F00, 0x7F10, 0x6F3A}, 0x9F0F},
        SelectCase{"IccidUnderMf", CardType::Gsm, {0x3F00, 0x2FE2}, 0x9F0F},
        SelectCase{"AdnNotUnderMf", CardType::Gsm, {0x3F00, 0x6F3A}, 0x9404},
        SelectCase{"IccidNotUnderTelecom", CardType::Gsm, {0x7F10, 0x2FE2}, 0x9404},
        SelectCase{"SiblingEf", CardType::Gsm, {0x7F10, 0x6F3A, 0x6F42}, 0x9F0F},
        SelectCase{"MfFromAnEf", CardType::Gsm, {0x7F10, 0x6F3A, 0x3F00}, 0x9F16},
        SelectCase{"ParentFromAnEf", CardType::Gsm, {0x7F10, 0x6F3C, 0x7F10}, 0x9F16},
        SelectCase{"CurrentDirectory", CardType::Gsm, {0x7F10, 0x7F10}, 0x9F16},
        SelectCase{"FailureKeepsTheSelection", CardType::Gsm, {0x7F10, 0x1234, 0x6F3A}, 0x9F0F},
        SelectCase{"NoCdmaDfOnGsm", CardType::Gsm, {0x3F00, 0x7F25}, 0x9404},
        SelectCase{"CdmaDf", CardType::Cdma, {0x3F00, 0x7F25}, 0x9F16},
        SelectCase{"CdmaSms", CardType::Cdma, {0x3F00, 0x7F25, 0x6F3C}, 0x9F0F},
        SelectCase{"CdmaAfterIccid", CardType::Cdma, {0x3F00, 0x2FE2, 0x7F25, 0x6F3C}, 0x9F0F},
        SelectCase{"SiblingDf", CardType::Cdma, {0x7F10, 0x6F3A, 0x7F25}, 0x9F16},
        SelectCase{"AdnNotUnderCdmaDf", CardType::Cdma, {0x7F25, 0x6F3A}, 0x9404}),
    [](const auto& info) { return std::string(info.param.name); });

// --- GET RESPONSE -------------------------------------------------------------------------

TEST(SimCardResponse, MasterFileLayout) {
    SimCard card;
    ASSERT_EQ(Select(card, 0x3F00), 0x9F16);
    // Free memory 32768 - (250*28 + 20*176 + 40) = 0x56C0; 3F00; MF; 9 bytes follow; file
    // characteristics 0x13; one DF, one EF, two codes; CHV1 0x83, UNBLOCK CHV1 0x8A, no CHV2.
    const Bytes expected = {0x00, 0x00, 0x56, 0xC0, 0x3F, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x09, 0x13, 0x01, 0x01, 0x02, 0x00, 0x83, 0x8A, 0x00, 0x00};
    EXPECT_EQ(GetResponse(card, 0x16).data, expected);
}

TEST(SimCardResponse, ChvStateShowsInTheDirectoryResponse) {
    CardContent content = CardContent::Blank();
    content.chv1Enabled = false;
    content.chv1.attemptsLeft = 1;
    content.chv2 = SecretCode::Make("5678", 3);
    content.unblockChv2 = SecretCode::Make("87654321", 10);
    content.unblockChv2.attemptsLeft = 0;
    SimCard card(content);
    SelectPath(card, {0x7F10});
    const Bytes response = GetResponse(card, 0x16).data;
    ASSERT_EQ(response.size(), 0x16u);
    EXPECT_EQ(response[6], 0x02) << "a DF";
    EXPECT_EQ(response[13], 0x93) << "b8: CHV1 disabled";
    EXPECT_EQ(response[15], 3) << "three EFs in DF_TELECOM";
    EXPECT_EQ(response[16], 4);
    EXPECT_EQ(Bytes(response.begin() + 18, response.end()), (Bytes{0x81, 0x8A, 0x83, 0x80}));
}

TEST(SimCardResponse, AWrongCodeShowsInTheCounter) {
    SimCard card;
    Verify(card, "0000");
    Select(card, 0x3F00);
    EXPECT_EQ(GetResponse(card, 0x16).data[18], 0x82);
}

TEST(SimCardResponse, ElementaryFileLayouts) {
    SimCard card;
    SelectPath(card, {0x7F10, 0x6F3A});
    // 250 * 28 = 0x1B58 bytes; READ/UPDATE CHV1, INCREASE never, REHABILITATE/INVALIDATE
    // CHV2; not invalidated; linear fixed, records of 28 bytes.
    EXPECT_EQ(GetResponse(card, 0x0F).data, (Bytes{0x00, 0x00, 0x1B, 0x58, 0x6F, 0x3A, 0x04, 0x00,
                                                   0x11, 0xF0, 0x22, 0x01, 0x02, 0x01, 0x1C}));
    SelectPath(card, {0x3F00, 0x2FE2});
    // 10 bytes, READ always, UPDATE never, transparent.
    EXPECT_EQ(GetResponse(card, 0x0F).data, (Bytes{0x00, 0x00, 0x00, 0x0A, 0x2F, 0xE2, 0x04, 0x00,
                                                   0x0F, 0xF0, 0x44, 0x01, 0x02, 0x00, 0x00}));
}

TEST(SimCardResponse, InvalidatedFileShowsInItsStatus) {
    CardContent content = CardContent::Blank();
    content.File(0x7F10, 0x6F3C)->invalidated = true;
    SimCard card(content);
    SelectPath(card, {0x7F10, 0x6F3C});
    EXPECT_EQ(GetResponse(card, 0x0F).data[11], 0x00);
}

TEST(SimCardResponse, LengthRules) {
    SimCard card;
    EXPECT_EQ(GetResponse(card, 0x0F).sw, 0x6700) << "nothing selected yet";
    Select(card, 0x3F00);
    EXPECT_EQ(GetResponse(card, 0x17).sw, 0x6700) << "more than there is";
    const Result head = GetResponse(card, 0x06);
    EXPECT_EQ(head.sw, 0x9000);
    EXPECT_EQ(head.data, (Bytes{0x00, 0x00, 0x56, 0xC0, 0x3F, 0x00}));
    EXPECT_EQ(GetResponse(card, 0x16).sw, 0x9000) << "again, right after";
    Verify(card, "1234");
    EXPECT_EQ(GetResponse(card, 0x16).sw, 0x6700) << "gone after another command";
}

// --- READ BINARY --------------------------------------------------------------------------

TEST(SimCardBinary, ReadsTheIccidAsSwappedBcd) {
    CardContent content = CardContent::Blank();
    content.iccid = "8986001234567890123";  // 19 digits: the last nibble is the 0xF filler
    SimCard card(content);
    SelectPath(card, {0x3F00, 0x2FE2});
    const Result iccid = Exchange(card, {0xA0, 0xB0, 0x00, 0x00, 0x0A});
    EXPECT_EQ(iccid.sw, 0x9000);
    EXPECT_EQ(iccid.data, (Bytes{0x98, 0x68, 0x00, 0x21, 0x43, 0x65, 0x87, 0x09, 0x21, 0xF3}));
    EXPECT_EQ(Exchange(card, {0xA0, 0xB0, 0x00, 0x08, 0x02}).data, (Bytes{0x21, 0xF3})) << "offset";
    EXPECT_EQ(Exchange(card, {0xA0, 0xB0, 0x00, 0x08, 0x03}).sw, 0x6700) << "past the end";
    EXPECT_EQ(Exchange(card, {0xA0, 0xB0, 0x00, 0x0A, 0x01}).sw, 0x6B00) << "offset out of range";
}

TEST(SimCardBinary, NoIccidLineMeansNoIccidFile) {
    CardContent content = CardContent::Blank();
    content.iccid.clear();
    SimCard card(content);
    EXPECT_EQ(SelectPath(card, {0x3F00, 0x2FE2}), 0x9404);
}

// --- Records and access conditions --------------------------------------------------------

struct RecordCase {
    const char* name;
    std::function<void(CardContent&)> setup;
    std::vector<std::uint16_t> path;
    bool verify;
    Bytes header;
    std::uint16_t expected;
};
void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordAccessTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordAccessTest, AnswersTheHeader) {
    const RecordCase& c = GetParam();
    CardContent content = CardContent::Blank();
    if (c.setup) {
        c.setup(content);
    }
    SimCard card(content);
    SelectPath(card, c.path);
    if (c.verify) {
        ASSERT_EQ(Verify(card, "1234"), 0x9000);
    }
    const Bytes data(c.header[4], 0x55);
    EXPECT_EQ(Exchange(card, c.header, c.header[1] == 0xDC ? data : Bytes{}).sw, c.expected);
}

const std::vector<std::uint16_t> kAdn = {0x7F10, 0x6F3A};
const std::vector<std::uint16_t> kSms = {0x7F10, 0x6F3C};
const std::vector<std::uint16_t> kSmsp = {0x7F10, 0x6F42};
const Bytes kReadAdn1 = {0xA0, 0xB2, 0x01, 0x04, 0x1C};
const Bytes kUpdateAdn1 = {0xA0, 0xDC, 0x01, 0x04, 0x1C};
void DisableChv1(CardContent& content) {
    content.chv1Enabled = false;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordAccessTest,
    ::testing::Values(
        RecordCase{"ReadAdnNeedsChv1", {}, kAdn, false, kReadAdn1, 0x9804},
        RecordCase{"UpdateAdnNeedsChv1", {}, kAdn, false, kUpdateAdn1, 0x9804},
        RecordCase{"ReadSmsNeedsChv1", {}, kSms, false, {0xA0, 0xB2, 0x01, 0x04, 0xB0}, 0x9804},
        RecordCase{"ReadSmspNeedsChv1", {}, kSmsp, false, {0xA0, 0xB2, 0x01, 0x04, 0x28}, 0x9804},
        RecordCase{"ReadAdnVerified", {}, kAdn, true, kReadAdn1, 0x9000},
        RecordCase{"UpdateAdnVerified", {}, kAdn, true, kUpdateAdn1, 0x9000},
        RecordCase{"ReadAdnChv1Disabled", DisableChv1, kAdn, false, kReadAdn1, 0x9000},
        RecordCase{"UpdateSmsChv1Disabled",
                   DisableChv1,
                   kSms,
                   false,
                   {0xA0, 0xDC, 0x14, 0x04, 0xB0},
                   0x9000},
        RecordCase{"LastRecord", {}, kAdn, true, {0xA0, 0xB2, 0xFA, 0x04, 0x1C}, 0x9000},
        RecordCase{"RecordZero", {}, kAdn, true, {0xA0, 0xB2, 0x00, 0x04, 0x1C}, 0x9402},
        RecordCase{"PastTheLastRecord", {}, kAdn, true, {0xA0, 0xB2, 0xFB, 0x04, 0x1C}, 0x9402},
        RecordCase{
            "UpdatePastTheLastRecord", {}, kAdn, true, {0xA0, 0xDC, 0xFB, 0x04, 0x1C}, 0x9402},
        RecordCase{"WrongLength", {}, kAdn, true, {0xA0, 0xB2, 0x01, 0x04, 0x1B}, 0x6700},
        RecordCase{"UpdateWrongLength", {}, kAdn, true, {0xA0, 0xDC, 0x01, 0x04, 0x1D}, 0x6700},
        RecordCase{
            "NextRecordModeUnsupported", {}, kAdn, true, {0xA0, 0xB2, 0x01, 0x02, 0x1C}, 0x6B00},
        RecordCase{"Invalidated",
                   [](CardContent& c) { c.File(0x7F10, 0x6F3A)->invalidated = true; }, kAdn, true,
                   kReadAdn1, 0x9810},
        RecordCase{"NoEfSelected", {}, {0x7F10}, true, kReadAdn1, 0x9400},
        RecordCase{"RecordsOfATransparentFile", {}, {0x3F00, 0x2FE2}, true, kReadAdn1, 0x9408},
        RecordCase{"BinaryOfARecordFile", {}, kAdn, true, {0xA0, 0xB0, 0x00, 0x00, 0x0A}, 0x9408},
        RecordCase{"IccidAlwaysReadable",
                   {},
                   {0x3F00, 0x2FE2},
                   false,
                   {0xA0, 0xB0, 0x00, 0x00, 0x0A},
                   0x9000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimCardRecords, UpdateWritesTheRecordAndSavesTheCard) {
    SimCard card;
    std::vector<CardContent> saved;
    card.SetSaver([&](const CardContent& content) {
        saved.push_back(content);
        return std::string();
    });
    SelectPath(card, kAdn);
    EXPECT_EQ(Exchange(card, kUpdateAdn1, Bytes(28, 0x41)).sw, 0x9804);
    EXPECT_TRUE(saved.empty()) << "a refused update changes nothing";

    Verify(card, "1234");
    Bytes record(28, 0xFF);
    record[0] = 'A';
    record[27] = 0x00;
    EXPECT_EQ(Exchange(card, {0xA0, 0xDC, 0x07, 0x04, 0x1C}, record).sw, 0x9000);
    EXPECT_EQ(Exchange(card, {0xA0, 0xB2, 0x07, 0x04, 0x1C}).data, record);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].File(0x7F10, 0x6F3A)->records[6], record);
    EXPECT_EQ(card.SaveError(), "");
}

TEST(SimCardRecords, ReadsA255ByteRecord) {
    CardContent content = CardContent::Blank(CardType::Cdma);
    content.chv1Enabled = false;
    Bytes record(255);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = std::uint8_t(i);
    }
    content.File(0x7F25, 0x6F3C)->records[9] = record;
    SimCard card(content);
    SelectPath(card, {0x7F25, 0x6F3C});
    const Result read = Exchange(card, {0xA0, 0xB2, 0x0A, 0x04, 0xFF});
    EXPECT_EQ(read.sw, 0x9000);
    EXPECT_EQ(read.data, record);
}

// --- Header checks ------------------------------------------------------------------------

struct HeaderCase {
    const char* name;
    Bytes header;
    std::uint16_t expected;
};
void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, RefusedAtOnceWithAStatusWord) {
    SimCard card;
    const std::vector<CardCharacter> out = card.Receive(GetParam().header);
    const std::uint16_t expected = GetParam().expected;
    EXPECT_EQ(out, (std::vector<CardCharacter>{{std::uint8_t(expected >> 8), true},
                                               {std::uint8_t(expected), false}}));
    EXPECT_EQ(Select(card, 0x3F00), 0x9F16) << "the card waits for the next header";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderTest,
    ::testing::Values(HeaderCase{"WrongClass", {0x00, 0xA4, 0x00, 0x00, 0x02}, 0x6E00},
                      HeaderCase{"UnknownInstruction", {0xA0, 0x12, 0x00, 0x00, 0x00}, 0x6D00},
                      HeaderCase{
                          "UpdateBinaryNotSupported", {0xA0, 0xD6, 0x00, 0x00, 0x01}, 0x6D00},
                      HeaderCase{"SelectP1", {0xA0, 0xA4, 0x04, 0x00, 0x02}, 0x6B00},
                      HeaderCase{"SelectP3", {0xA0, 0xA4, 0x00, 0x00, 0x03}, 0x6700},
                      HeaderCase{"VerifyChv3", {0xA0, 0x20, 0x00, 0x03, 0x08}, 0x6B00},
                      HeaderCase{"VerifyP1", {0xA0, 0x20, 0x01, 0x01, 0x08}, 0x6B00},
                      HeaderCase{"VerifyP3", {0xA0, 0x20, 0x00, 0x01, 0x04}, 0x6700},
                      HeaderCase{"ChangeP3", {0xA0, 0x24, 0x00, 0x01, 0x08}, 0x6700},
                      HeaderCase{"DisableChv2", {0xA0, 0x26, 0x00, 0x02, 0x08}, 0x6B00},
                      HeaderCase{"EnableP3", {0xA0, 0x28, 0x00, 0x01, 0x10}, 0x6700},
                      HeaderCase{"UnblockP2One", {0xA0, 0x2C, 0x00, 0x01, 0x10}, 0x6B00},
                      HeaderCase{"UnblockP3", {0xA0, 0x2C, 0x00, 0x00, 0x08}, 0x6700},
                      HeaderCase{"GetResponseP1", {0xA0, 0xC0, 0x01, 0x00, 0x01}, 0x6B00},
                      HeaderCase{"ReadRecordNoEf", {0xA0, 0xB2, 0x01, 0x04, 0x1C}, 0x9400}),
    [](const auto& info) { return std::string(info.param.name); });

// --- CHV state machine --------------------------------------------------------------------

struct ChvStep {
    enum Kind { Verify1, Verify2, Change1, Disable, Enable, Unblock1, Unblock2 } kind;
    const char* code;
    const char* second;  // CHANGE: the new code; UNBLOCK: the new CHV
    std::uint16_t expected;
};

struct ChvCase {
    const char* name;
    std::function<void(CardContent&)> setup;
    std::vector<ChvStep> steps;
    bool enabledAfter;
    int chv1AttemptsAfter;
    int unblockAttemptsAfter;
    bool verifiedAfter;
};
void PrintTo(const ChvCase& c, std::ostream* os) {
    *os << c.name;
}

std::uint16_t RunStep(SimCard& card, const ChvStep& step) {
    switch (step.kind) {
        case ChvStep::Verify1:
            return Verify(card, step.code, 1);
        case ChvStep::Verify2:
            return Verify(card, step.code, 2);
        case ChvStep::Change1:
            return Exchange(card, {0xA0, 0x24, 0x00, 0x01, 0x10},
                            Concat(Code(step.code), Code(step.second)))
                .sw;
        case ChvStep::Disable:
            return Exchange(card, {0xA0, 0x26, 0x00, 0x01, 0x08}, Code(step.code)).sw;
        case ChvStep::Enable:
            return Exchange(card, {0xA0, 0x28, 0x00, 0x01, 0x08}, Code(step.code)).sw;
        case ChvStep::Unblock1:
        case ChvStep::Unblock2:
            return Exchange(card,
                            {0xA0, 0x2C, 0x00, std::uint8_t(step.kind == ChvStep::Unblock1 ? 0 : 2),
                             0x10},
                            Concat(Code(step.code), Code(step.second)))
                .sw;
    }
    return 0;
}

class ChvTest : public ::testing::TestWithParam<ChvCase> {};

TEST_P(ChvTest, StatusWordsAndState) {
    const ChvCase& c = GetParam();
    CardContent content = CardContent::Blank();
    if (c.setup) {
        c.setup(content);
    }
    SimCard card(content);
    int savesExpected = 0;
    int saves = 0;
    card.SetSaver([&](const CardContent&) {
        ++saves;
        return std::string();
    });
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const CardContent before = card.Content();
        EXPECT_EQ(RunStep(card, c.steps[i]), c.steps[i].expected) << "step " << i + 1;
        savesExpected += !(card.Content() == before);
    }
    EXPECT_EQ(card.Content().chv1Enabled, c.enabledAfter);
    EXPECT_EQ(card.Content().chv1.attemptsLeft, c.chv1AttemptsAfter);
    EXPECT_EQ(card.Content().unblockChv1.attemptsLeft, c.unblockAttemptsAfter);
    EXPECT_EQ(card.Chv1Verified(), c.verifiedAfter);
    EXPECT_EQ(saves, savesExpected) << "saved after exactly the steps that changed the card";
}

using S = ChvStep;
void BlockChv1(CardContent& content) {
    content.chv1.attemptsLeft = 0;
}
void AddChv2(CardContent& content) {
    content.chv2 = SecretCode::Make("5678", 3);
    content.unblockChv2 = SecretCode::Make("87654321", 10);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ChvTest,
    ::testing::Values(
        ChvCase{"VerifyRight", {}, {{S::Verify1, "1234", "", 0x9000}}, true, 3, 10, true},
        ChvCase{"WrongCodeCountsDownAndRightCodeRestores",
                {},
                {{S::Verify1, "0000", "", 0x9804},
                 {S::Verify1, "12345", "", 0x9804},
                 {S::Verify1, "1234", "", 0x9000}},
                true,
                3,
                10,
                true},
        ChvCase{"ThirdWrongCodeBlocks",
                {},
                {{S::Verify1, "0000", "", 0x9804},
                 {S::Verify1, "0000", "", 0x9804},
                 {S::Verify1, "0000", "", 0x9840},
                 {S::Verify1, "1234", "", 0x9840},
                 {S::Change1, "1234", "1111", 0x9840},
                 {S::Disable, "1234", "", 0x9840}},
                true,
                0,
                10,
                false},
        ChvCase{"UnblockSetsTheNewCode",
                BlockChv1,
                {{S::Unblock1, "12345678", "4321", 0x9000},
                 {S::Verify1, "1234", "", 0x9804},
                 {S::Verify1, "4321", "", 0x9000}},
                true,
                3,
                10,
                true},
        ChvCase{"UnblockWrongKey",
                BlockChv1,
                {{S::Unblock1, "00000000", "4321", 0x9804}, {S::Verify1, "1234", "", 0x9840}},
                true,
                0,
                9,
                false},
        ChvCase{
            "UnblockKeyBlocks",
            [](CardContent& c) { c.unblockChv1.attemptsLeft = 1; },
            {{S::Unblock1, "00000000", "4321", 0x9840}, {S::Unblock1, "12345678", "4321", 0x9840}},
            true,
            3,
            0,
            false},
        ChvCase{"UnblockEnablesADisabledChv1",
                DisableChv1,
                {{S::Unblock1, "12345678", "2468", 0x9000}},
                true,
                3,
                10,
                true},
        ChvCase{"DisableThenContradictions",
                {},
                {{S::Disable, "1234", "", 0x9000},
                 {S::Disable, "1234", "", 0x9808},
                 {S::Verify1, "1234", "", 0x9808},
                 {S::Change1, "1234", "1111", 0x9808}},
                false,
                3,
                10,
                false},
        ChvCase{"DisableWrongCode", {}, {{S::Disable, "4321", "", 0x9804}}, true, 2, 10, false},
        ChvCase{"EnableWhenEnabled", {}, {{S::Enable, "1234", "", 0x9808}}, true, 3, 10, false},
        ChvCase{"EnableWrongThenRight",
                DisableChv1,
                {{S::Enable, "9999", "", 0x9804}, {S::Enable, "1234", "", 0x9000}},
                true,
                3,
                10,
                true},
        ChvCase{"EnableBlockedWhileDisabled",
                [](CardContent& c) {
                    c.chv1Enabled = false;
                    c.chv1.attemptsLeft = 0;
                },
                {{S::Enable, "1234", "", 0x9840}},
                false,
                0,
                10,
                false},
        ChvCase{"ChangeRight",
                {},
                {{S::Change1, "1234", "87654321", 0x9000},
                 {S::Verify1, "1234", "", 0x9804},
                 {S::Verify1, "87654321", "", 0x9000}},
                true,
                3,
                10,
                true},
        ChvCase{"ChangeWrongOldCode",
                {},
                {{S::Change1, "1111", "2222", 0x9804}, {S::Verify1, "2222", "", 0x9804}},
                true,
                1,
                10,
                false},
        ChvCase{"NoChv2",
                {},
                {{S::Verify2, "5678", "", 0x9802}, {S::Unblock2, "87654321", "5678", 0x9802}},
                true,
                3,
                10,
                false},
        ChvCase{"Chv2IsItsOwnCode",
                AddChv2,
                {{S::Verify2, "1234", "", 0x9804},
                 {S::Verify2, "5678", "", 0x9000},
                 {S::Unblock2, "87654321", "1357", 0x9000},
                 {S::Verify2, "1357", "", 0x9000}},
                true,
                3,
                10,
                false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimCardChv, Chv2GrantsNothingChv1Needs) {
    CardContent content = CardContent::Blank();
    AddChv2(content);
    SimCard card(content);
    ASSERT_EQ(Verify(card, "5678", 2), 0x9000);
    SelectPath(card, kAdn);
    EXPECT_EQ(Exchange(card, kReadAdn1).sw, 0x9804);
}

// --- PPS ----------------------------------------------------------------------------------

struct PpsCase {
    const char* name;
    bool commandFirst;
    Bytes request;
    bool echoed;
};
void PrintTo(const PpsCase& c, std::ostream* os) {
    *os << c.name;
}

class PpsTest : public ::testing::TestWithParam<PpsCase> {};

TEST_P(PpsTest, EchoesAnAcceptedRequestRightAfterReset) {
    const PpsCase& c = GetParam();
    SimCard card;
    if (c.commandFirst) {
        Select(card, 0x3F00);
    }
    const Bytes answer = Values(card.Receive(c.request));
    if (c.echoed) {
        EXPECT_EQ(answer, c.request);
        EXPECT_EQ(Select(card, 0x3F00), 0x9F16) << "commands follow the PPS exchange";
    } else {
        EXPECT_NE(answer, c.request);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, PpsTest,
    ::testing::Values(PpsCase{"WithPps1", false, {0xFF, 0x10, 0x11, 0xFE}, true},
                      PpsCase{"WithoutPps1", false, {0xFF, 0x00, 0xFF}, true},
                      PpsCase{"WrongCheckByte", false, {0xFF, 0x10, 0x11, 0x00}, false},
                      PpsCase{"AsksForT1", false, {0xFF, 0x11, 0x11, 0xFF}, false},
                      PpsCase{"AfterACommand", true, {0xFF, 0x10, 0x11, 0xFE}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimCardPps, ResetAllowsItAgain) {
    SimCard card;
    Select(card, 0x3F00);
    card.Reset();
    EXPECT_EQ(Values(card.Receive(Bytes{0xFF, 0x10, 0x11, 0xFE})), (Bytes{0xFF, 0x10, 0x11, 0xFE}));
}

// --- Procedure-byte pacing ----------------------------------------------------------------

CardCharacter P(std::uint8_t value) {
    return {value, true};
}
CardCharacter D(std::uint8_t value) {
    return {value, false};
}

struct Turn {
    Bytes send;
    std::vector<CardCharacter> answer;
};

struct PacingCase {
    const char* name;
    std::function<void(ProcedurePolicy&)> policy;
    std::vector<Turn> turns;
    bool written;
};
void PrintTo(const PacingCase& c, std::ostream* os) {
    *os << c.name;
}

class PacingTest : public ::testing::TestWithParam<PacingCase> {};

const Bytes kRecord = {0x11, 0x22, 0x33, 0x44};

// UPDATE RECORD of a 4-byte record, turn by turn, as a host following the procedure bytes
// would send it.
TEST_P(PacingTest, UpdateRecordConversation) {
    const PacingCase& c = GetParam();
    CardContent content = CardContent::Blank();
    content.chv1Enabled = false;
    *content.File(0x7F10, 0x6F3A) = RecordFile::Blank(0x7F10, 0x6F3A, 3, 4);
    SimCard card(content);
    SelectPath(card, kAdn);
    if (c.policy) {
        c.policy(card.Policy());
    }
    for (std::size_t i = 0; i < c.turns.size(); ++i) {
        EXPECT_EQ(card.Receive(c.turns[i].send), c.turns[i].answer) << "turn " << i + 1;
    }
    EXPECT_EQ(card.Content().File(0x7F10, 0x6F3A)->records[0],
              c.written ? kRecord : Bytes(4, 0xFF));
    card.Policy() = ProcedurePolicy{};
    EXPECT_EQ(Select(card, 0x6F42), 0x9F0F) << "the card is back between commands";
}

const Bytes kUpdateHeader = {0xA0, 0xDC, 0x01, 0x04, 0x04};
void OneByte(ProcedurePolicy& p) {
    p.updateHeader = ProcedurePolicy::Answer::Complement;
}

INSTANTIATE_TEST_SUITE_P(Policies, PacingTest,
                         ::testing::Values(PacingCase{"Block",
                                                      {},
                                                      {{kUpdateHeader, {P(0xDC)}},
                                                       {kRecord, {P(0x90), D(0x00)}}},
                                                      true},
                                           PacingCase{"OneByteAtATime",
                                                      OneByte,
                                                      {{kUpdateHeader, {P(0x23)}},
                                                       {{0x11}, {P(0x23)}},
                                                       {{0x22}, {P(0x23)}},
                                                       {{0x33}, {P(0x23)}},
                                                       {{0x44}, {P(0x23)}}},
                                                      true},
                                           PacingCase{"OneByteEndingWithTheStatusWord",
                                                      [](ProcedurePolicy& p) {
                                                          OneByte(p);
                                                          p.updateAfterLastByte =
                                                              ProcedurePolicy::Answer::StatusWord;
                                                      },
                                                      {{kUpdateHeader, {P(0x23)}},
                                                       {{0x11}, {P(0x23)}},
                                                       {{0x22}, {P(0x23)}},
                                                       {{0x33}, {P(0x23)}},
                                                       {{0x44}, {P(0x90), D(0x00)}}},
                                                      true},
                                           PacingCase{"RestAfterTheFirstByte",
                                                      [](ProcedurePolicy& p) {
                                                          OneByte(p);
                                                          p.updateRestAfter = 1;
                                                      },
                                                      {{kUpdateHeader, {P(0x23)}},
                                                       {{0x11}, {P(0xDC)}},
                                                       {{0x22, 0x33, 0x44}, {P(0x90), D(0x00)}}},
                                                      true},
                                           PacingCase{"RestAnsweredWithTheComplement",
                                                      [](ProcedurePolicy& p) {
                                                          OneByte(p);
                                                          p.updateRestAfter = 2;
                                                          p.updateAfterRest =
                                                              ProcedurePolicy::Answer::Complement;
                                                      },
                                                      {{kUpdateHeader, {P(0x23)}},
                                                       {{0x11}, {P(0x23)}},
                                                       {{0x22}, {P(0xDC)}},
                                                       {{0x33, 0x44}, {P(0x23)}}},
                                                      true},
                                           PacingCase{"RestAnsweredWithIns",
                                                      [](ProcedurePolicy& p) {
                                                          OneByte(p);
                                                          p.updateRestAfter = 3;
                                                          p.updateAfterRest =
                                                              ProcedurePolicy::Answer::Ins;
                                                      },
                                                      {{kUpdateHeader, {P(0x23)}},
                                                       {{0x11}, {P(0x23)}},
                                                       {{0x22}, {P(0x23)}},
                                                       {{0x33}, {P(0xDC)}},
                                                       {{0x44}, {P(0xDC)}}},
                                                      true},
                                           PacingCase{"HeaderByteByByte",
                                                      {},
                                                      {{{0xA0}, {P(0x23)}},
                                                       {{0xDC}, {P(0x23)}},
                                                       {{0x01}, {P(0x23)}},
                                                       {{0x04}, {P(0x23)}},
                                                       {{0x04}, {P(0xDC)}},
                                                       {kRecord, {P(0x90), D(0x00)}}},
                                                      true},
                                           PacingCase{"HeaderRestAskedForAfterTwoBytes",
                                                      [](ProcedurePolicy& p) {
                                                          p.partialHeaderReply[1] = 0xDC;
                                                      },
                                                      {{{0xA0}, {P(0x23)}},
                                                       {{0xDC}, {P(0xDC)}},
                                                       {{0x01, 0x04, 0x04}, {P(0xDC)}},
                                                       {kRecord, {P(0x90), D(0x00)}}},
                                                      true},
                                           PacingCase{"HeaderAndRecordByteByByte",
                                                      OneByte,
                                                      {{{0xA0, 0xDC}, {P(0x23)}},
                                                       {{0x01, 0x04, 0x04}, {P(0x23)}},
                                                       {{0x11}, {P(0x23)}},
                                                       {{0x22}, {P(0x23)}},
                                                       {{0x33}, {P(0x23)}},
                                                       {{0x44}, {P(0x23)}}},
                                                      true},
                                           PacingCase{
                                               "NullBytesBeforeEveryProcedureByte",
                                               [](ProcedurePolicy& p) { p.nullBytes = 2; },
                                               {{kUpdateHeader, {P(0x60), P(0x60), P(0xDC)}},
                                                {kRecord, {P(0x60), P(0x60), P(0x90), D(0x00)}}},
                                               true},
                                           PacingCase{"HeaderRefusedAtOnce",
                                                      [](ProcedurePolicy& p) {
                                                          p.headerStatus[0xDC] = 0x6F00;
                                                      },
                                                      {{kUpdateHeader, {P(0x6F), D(0x00)}}},
                                                      false},
                                           PacingCase{"PolicyLeavesOtherCommandsPlain",
                                                      [](ProcedurePolicy& p) {
                                                          OneByte(p);
                                                          p.updateAfterLastByte =
                                                              ProcedurePolicy::Answer::Ins;
                                                      },
                                                      {{{0xA0, 0x20, 0x00, 0x01, 0x08}, {P(0x20)}},
                                                       {Code("1234"), {P(0x98), D(0x08)}}},
                                                      false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimCardPacing, NullBytesPrecedeTheAckAndStatusButNotTheData) {
    SimCard card;
    card.Policy().nullBytes = 1;
    card.Receive(Bytes{0xA0, 0xA4, 0x00, 0x00, 0x02});
    card.Receive(Bytes{0x3F, 0x00});
    const std::vector<CardCharacter> out = card.Receive(Bytes{0xA0, 0xC0, 0x00, 0x00, 0x02});
    EXPECT_EQ(out, (std::vector<CardCharacter>{P(0x60), P(0xC0), D(0x00), D(0x00), P(0x60), P(0x90),
                                               D(0x00)}));
}

TEST(SimCardPacing, SelectRefusedAtTheHeader) {
    SimCard card;
    card.Policy().headerStatus[0xA4] = 0x9404;
    EXPECT_EQ(Values(card.Receive(Bytes{0xA0, 0xA4, 0x00, 0x00, 0x02})), (Bytes{0x94, 0x04}));
    card.Policy().headerStatus.clear();
    EXPECT_EQ(Select(card, 0x7F10), 0x9F16) << "the refused SELECT never ran";
}

}  // namespace
}  // namespace emulator
