// The virtual reader's firmware at the bytes: command blocks of both command sets, the
// data phase, the function inquiry, the answer to reset, and injected faults.
#include "emulator/VirtualReader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "emulator/SimCard.h"

namespace emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class CommandSet { Classic, Ee };

constexpr std::uint8_t kSimFunction = 2;  // "SIM " is third in the default function list

Bytes Signature(Bytes block, const char* tag) {
    block.insert(block.end(), tag, tag + 4);
    return block;
}

Bytes ReadBlock(CommandSet set, std::uint8_t function, std::uint16_t length) {
    const bool classic = set == CommandSet::Classic;
    return Signature(
        {std::uint8_t(classic ? 0x08 : 0xEE), function, std::uint8_t(classic ? 0x46 : 0x08),
         std::uint8_t(length >> 8), std::uint8_t(length), 0x00},
        "SIM ");
}

Bytes WriteBlock(CommandSet set, std::uint8_t function, std::uint16_t length,
                 std::uint16_t replyCount, bool longForm) {
    const bool classic = set == CommandSet::Classic;
    const std::uint8_t byte5 = classic && longForm ? 0 : std::uint8_t(replyCount);
    Bytes block = Signature(
        {std::uint8_t(classic ? 0x0A : 0xEE), function, std::uint8_t(classic ? 0x46 : 0x0A),
         std::uint8_t(length >> 8), std::uint8_t(length), byte5},
        "SIM ");
    if (longForm) {
        block.insert(block.end(),
                     {std::uint8_t(replyCount >> 8), std::uint8_t(replyCount), 0, 0, 0, 0});
    }
    return block;
}

// A host on one command set talking to the reader the way the library does.
struct Host {
    VirtualReader& reader;
    CommandSet set = CommandSet::Classic;
    std::uint8_t function = kSimFunction;

    ScsiResult Write(Bytes bytes, std::uint16_t replyCount, bool longForm = false,
                     std::uint8_t mode = 0) {
        const Bytes block = WriteBlock(set, std::uint8_t(function << 4 | mode),
                                       std::uint16_t(bytes.size()), replyCount, longForm);
        if (bytes.size() % 2 != 0) {
            bytes.push_back(0x00);  // the data phase is always even
        }
        return reader.Execute(block.data(), block.size(), DataDirection::ToDevice, bytes.data(),
                              bytes.size());
    }
    Bytes Read(std::uint16_t length, std::uint8_t mode = 0) {
        const Bytes block = ReadBlock(set, std::uint8_t(function << 4 | mode), length);
        Bytes data(length, 0xEE);  // whatever the buffer held before
        const ScsiResult result = reader.Execute(block.data(), block.size(),
                                                 DataDirection::FromDevice, data.data(), length);
        EXPECT_TRUE(result.delivered);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.transferred, length);
        return data;
    }
    // One command with outgoing data: header, then the whole reply (ACK, data, SW).
    Bytes Fetch(const Bytes& header, bool longForm = false, std::uint8_t mode = 0) {
        const std::uint16_t replyCount = std::uint16_t((header[4] ? header[4] : 256) + 3);
        Write(header, replyCount, longForm, mode);
        return Read(replyCount);
    }
    // One command with incoming data, as SelectFile does: header, ACK, data, SW.
    Bytes Send(const Bytes& header, const Bytes& data) {
        Write(header, 1);
        if (Read(1) != Bytes{header[1]}) {
            return Read(2);
        }
        Write(data, 2);
        return Read(2);
    }
    Bytes Select(std::uint16_t id) {
        return Send({0xA0, 0xA4, 0x00, 0x00, 0x02}, {std::uint8_t(id >> 8), std::uint8_t(id)});
    }
    Bytes Verify(const char* pin) {
        Bytes block(8, 0xFF);
        std::memcpy(block.data(), pin, std::strlen(pin));
        return Send({0xA0, 0x20, 0x00, 0x01, 0x08}, block);
    }
};

Bytes Sw(std::uint16_t status) {
    return {std::uint8_t(status >> 8), std::uint8_t(status)};
}

class VirtualReaderTest : public ::testing::Test {
protected:
    std::shared_ptr<SimCard> card = std::make_shared<SimCard>(CardContent::Blank(CardType::Cdma));
    VirtualReader reader{card};
    Host host{reader};
};

// --- Card-data commands on both command sets ---------------------------------------------

struct ReplyCountCase {
    const char* name;
    CommandSet set;
    bool longForm;
    std::uint8_t mode;
    std::size_t expectCollected;  // of the 258 reply bytes of a 255-byte record
};
void PrintTo(const ReplyCountCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplyCountTest : public VirtualReaderTest,
                       public ::testing::WithParamInterface<ReplyCountCase> {};

// A 255-byte R-UIM record: procedure byte, 255 bytes, SW1 SW2 = reply count 258, which
// only the long form carries; the short form's 8-bit count truncates it to 0x02.
TEST_P(ReplyCountTest, CollectsTheReplyCountTheBlockCarries) {
    const ReplyCountCase& c = GetParam();
    card->MutableContent().chv1Enabled = false;
    card->MutableContent().File(fid::kDfCdma, fid::kSms)->records[0].assign(255, 0x42);
    host.set = c.set;
    ASSERT_EQ(host.Select(0x7F25)[0], 0x9F);
    ASSERT_EQ(host.Select(0x6F3C)[0], 0x9F);

    ASSERT_TRUE(host.Write({0xA0, 0xB2, 0x01, 0x04, 0xFF}, 258, c.longForm, c.mode).delivered);
    const Bytes reply = host.Read(258);
    Bytes expected(258, 0x00);
    expected[0] = 0xB2;
    std::fill(expected.begin() + 1, expected.begin() + 256, 0x42);
    expected[256] = 0x90;
    std::fill(expected.begin() + std::ptrdiff_t(c.expectCollected), expected.end(), 0x00);
    EXPECT_EQ(reply, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReplyCountTest,
    ::testing::Values(ReplyCountCase{"ClassicLong", CommandSet::Classic, true, 1, 258},
                      ReplyCountCase{"ClassicLongModeZero", CommandSet::Classic, true, 0, 258},
                      ReplyCountCase{"EeLong", CommandSet::Ee, true, 1, 258},
                      ReplyCountCase{"ClassicShort", CommandSet::Classic, false, 0, 2},
                      ReplyCountCase{"EeShort", CommandSet::Ee, false, 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualReaderTest, ReadsAlwaysStartAtTheReplysFirstByte) {
    host.Select(fid::kMf);
    host.Write({0xA0, 0xC0, 0x00, 0x00, 0x16}, 0x16 + 3);
    EXPECT_EQ(host.Read(1), Bytes{0xC0});  // the procedure byte
    const Bytes whole = host.Read(0x16 + 3);
    EXPECT_EQ(whole[0], 0xC0);
    EXPECT_EQ(whole[1 + 4], 0x3F);  // the MF's identifier
    EXPECT_EQ(Bytes(whole.end() - 2, whole.end()), Sw(0x9000));
    EXPECT_EQ(host.Read(0x16 + 3), whole);  // reading again gives the same reply
}

TEST_F(VirtualReaderTest, BytesNotCollectedReadAsZero) {
    host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1);
    EXPECT_EQ(host.Read(4), (Bytes{0xA4, 0x00, 0x00, 0x00}));
    // A reply count larger than what the card says: the rest is zeros too.
    host.Write({0x3F, 0x00}, 6);
    EXPECT_EQ(host.Read(6), (Bytes{0x9F, 0x16, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(VirtualReaderTest, TheCardGetsTheTrueLengthNotThePadByte) {
    // The 5-byte header travels in a 6-byte data phase; had the pad 0x00 reached the card
    // it would be the identifier's first byte, and 3F00 would be selected as 003F.
    for (const CommandSet set : {CommandSet::Classic, CommandSet::Ee}) {
        host.set = set;
        EXPECT_EQ(host.Select(fid::kMf), Sw(0x9F16));
        ASSERT_EQ(reader.Log()[reader.Log().size() - 4].dataOut.size(), 6u);
    }
}

TEST_F(VirtualReaderTest, TransferredCountsTheDataPhase) {
    EXPECT_EQ(host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1).transferred, 6u);
    Bytes buffer(10, 0xEE);
    const Bytes block = ReadBlock(CommandSet::Classic, 0x20, 4);
    // A buffer larger than the block asks for: the reader supplies the 4 bytes asked for.
    const ScsiResult result =
        reader.Execute(block.data(), block.size(), DataDirection::FromDevice, buffer.data(), 10);
    EXPECT_EQ(result.transferred, 4u);
    EXPECT_EQ(buffer, (Bytes{0xA4, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(VirtualReaderTest, AnswerToResetPaddedWithZerosOnBothSets) {
    for (const CommandSet set : {CommandSet::Classic, CommandSet::Ee}) {
        host.set = set;
        Bytes expected = card->Atr();
        expected.resize(64, 0x00);
        EXPECT_EQ(host.Read(64, 2), expected);
    }
}

TEST_F(VirtualReaderTest, ReadingTheAnswerToResetStartsANewSession) {
    host.Select(fid::kDfTelecom);
    host.Select(fid::kAdn);
    ASSERT_EQ(host.Verify("1234"), Sw(0x9000));
    ASSERT_EQ(host.Fetch({0xA0, 0xB2, 0x01, 0x04, 0x1C}).back(), 0x00);

    host.Read(64, 2);
    EXPECT_EQ(host.Select(fid::kAdn), Sw(0x9404));  // back at the MF
    host.Select(fid::kDfTelecom);
    host.Select(fid::kAdn);
    const Bytes refused = host.Fetch({0xA0, 0xB2, 0x01, 0x04, 0x1C});
    EXPECT_EQ(Bytes(refused.begin(), refused.begin() + 2), Sw(0x9804))
        << "CHV1 must be verified again";
}

TEST_F(VirtualReaderTest, NullProcedureBytesAreDroppedButDataBytes0x60Stay) {
    card->Policy().nullBytes = 3;
    card->MutableContent().chv1Enabled = false;
    card->MutableContent().File(fid::kDfTelecom, fid::kAdn)->records[0].assign(28, 0x60);
    EXPECT_EQ(host.Select(fid::kDfTelecom), Sw(0x9F16));
    EXPECT_EQ(host.Select(fid::kAdn), Sw(0x9F0F));
    Bytes expected = {0xB2};
    expected.insert(expected.end(), 28, 0x60);
    expected.insert(expected.end(), {0x90, 0x00});
    EXPECT_EQ(host.Fetch({0xA0, 0xB2, 0x01, 0x04, 0x1C}), expected);
}

TEST_F(VirtualReaderTest, CommandsForAnotherFunctionDoNotReachTheCard) {
    host.function = 1;  // "EEPR"
    EXPECT_EQ(host.Read(64, 2), Bytes(64, 0x00));
    host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1);
    EXPECT_EQ(host.Read(1), Bytes{0x00});
    // Had the card taken that header, it would now wait for the identifier.
    host.function = kSimFunction;
    EXPECT_EQ(host.Select(fid::kMf), Sw(0x9F16));
}

TEST_F(VirtualReaderTest, SimFunctionFollowsItsPlaceInTheList) {
    reader.Identity().functionTags = {"SIM ", "INQU"};
    host.function = 0;
    EXPECT_EQ(host.Select(fid::kMf), Sw(0x9F16));
    host.function = kSimFunction;
    EXPECT_EQ(host.Read(64, 2), Bytes(64, 0x00));
}

// --- Empty slot, card pulled --------------------------------------------------------------

TEST_F(VirtualReaderTest, EmptySlotAnswersZeros) {
    VirtualReader empty;
    Host emptyHost{empty};
    EXPECT_EQ(emptyHost.Read(64, 2), Bytes(64, 0x00));
    EXPECT_TRUE(emptyHost.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1).delivered);
    EXPECT_EQ(emptyHost.Read(2), (Bytes{0x00, 0x00}));
}

TEST_F(VirtualReaderTest, CardPulledMidSequenceBehavesAsEmpty) {
    host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1);
    reader.Insert(nullptr);
    EXPECT_EQ(host.Read(1), Bytes{0x00});
    host.Write({0x3F, 0x00}, 2);
    EXPECT_EQ(host.Read(2), (Bytes{0x00, 0x00}));
    EXPECT_EQ(host.Read(64, 2), Bytes(64, 0x00));

    reader.Insert(card);  // put back: powered up afresh, waiting for a header
    EXPECT_EQ(host.Select(fid::kMf), Sw(0x9F16));
}

// --- Function inquiry ---------------------------------------------------------------------

struct InquiryCase {
    const char* name;
    std::vector<std::string> tags;
    int announcedCount;
    bool answersFF;
    Bytes expected;
};
void PrintTo(const InquiryCase& c, std::ostream* os) {
    *os << c.name;
}

class InquiryTest : public ::testing::TestWithParam<InquiryCase> {};

TEST_P(InquiryTest, RepliesWithModelVersionAndTags) {
    const InquiryCase& c = GetParam();
    VirtualReader reader;
    reader.Identity().functionTags = c.tags;
    reader.Identity().announcedCount = c.announcedCount;
    reader.Identity().answersFF = c.answersFF;
    Bytes data(255, 0xEE);
    const Bytes block = Signature({0x08, 0x00, 0x46, 0x00, 0xFF, 0x00}, "INQU");
    const ScsiResult ok = reader.Execute(block.data(), block.size(), DataDirection::FromDevice,
                                         data.data(), data.size());
    ASSERT_EQ(ok.status, 0);
    EXPECT_EQ(ok.transferred, c.expected.size()) << "the reply's own length";
    Bytes expected = c.expected;
    expected.resize(255, 0x00);
    EXPECT_EQ(data, expected);
}

Bytes InquiryReply(std::uint8_t first, std::uint8_t count, const std::string& tags) {
    Bytes reply = {first, 0x02, 0x08, 0x00, count};
    reply.insert(reply.end(), tags.begin(), tags.end());
    return reply;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, InquiryTest,
    ::testing::Values(
        InquiryCase{
            "Default", {"INQU", "EEPR", "SIM "}, -1, false, InquiryReply(0xB0, 3, "INQUEEPRSIM ")},
        InquiryCase{"SimFirst", {"SIM ", "INQU"}, -1, false, InquiryReply(0xB0, 2, "SIM INQU")},
        InquiryCase{"ShortTagPadded", {"SIM"}, -1, false, InquiryReply(0xB0, 1, "SIM ")},
        InquiryCase{"AnnouncesMoreThanItLists",
                    {"INQU", "SIM "},
                    20,
                    false,
                    InquiryReply(0xB0, 20, "INQUSIM ")},
        InquiryCase{"AnswersFF", {"INQU", "SIM "}, -1, true, InquiryReply(0xFF, 2, "INQUSIM ")},
        InquiryCase{"NoFunctions", {}, -1, false, InquiryReply(0xB0, 0, "")}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Malformed command blocks --------------------------------------------------------------

struct RejectedCase {
    const char* reason;
    Bytes cdb;
    DataDirection direction;
    std::size_t dataLength;
};
void PrintTo(const RejectedCase& c, std::ostream* os) {
    *os << c.reason;
}

class RejectedBlockTest : public VirtualReaderTest,
                          public ::testing::WithParamInterface<RejectedCase> {};

TEST_P(RejectedBlockTest, EndsWithIllegalRequestAndLeavesTheCardAlone) {
    const RejectedCase& c = GetParam();
    Bytes data(c.dataLength, 0xA0);
    const ScsiResult result = reader.Execute(c.cdb.data(), c.cdb.size(), c.direction,
                                             data.empty() ? nullptr : data.data(), data.size());
    EXPECT_TRUE(result.delivered);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.senseKey, 5);
    EXPECT_EQ(host.Select(fid::kMf), Sw(0x9F16)) << "the card saw nothing";
}

Bytes WithByte(Bytes block, std::size_t at, std::uint8_t value) {
    block[at] = value;
    return block;
}

const Bytes kShortWrite = WriteBlock(CommandSet::Classic, 0x20, 5, 1, false);
const Bytes kLongWrite = WriteBlock(CommandSet::Classic, 0x21, 5, 1, true);
const Bytes kEeLongWrite = WriteBlock(CommandSet::Ee, 0x21, 5, 0x0102, true);
const Bytes kRead = ReadBlock(CommandSet::Classic, 0x20, 4);
const Bytes kLongRead = [] {
    Bytes block = kRead;
    block.resize(16, 0x00);
    return block;
}();

INSTANTIATE_TEST_SUITE_P(
    Blocks, RejectedBlockTest,
    ::testing::Values(
        RejectedCase{"odd data phase", kShortWrite, DataDirection::ToDevice, 5},
        RejectedCase{"data phase shorter than the length", kShortWrite, DataDirection::ToDevice, 4},
        RejectedCase{"write block with data from the device", kShortWrite,
                     DataDirection::FromDevice, 6},
        RejectedCase{"read block with data to the device", kRead, DataDirection::ToDevice, 4},
        RejectedCase{"read in the long form", kLongRead, DataDirection::FromDevice, 4},
        RejectedCase{"write in mode 2", WithByte(kShortWrite, 1, 0x22), DataDirection::ToDevice, 6},
        RejectedCase{"read in mode 3", WithByte(kRead, 1, 0x23), DataDirection::FromDevice, 4},
        RejectedCase{"classic long form with byte 5 set", WithByte(kLongWrite, 5, 1),
                     DataDirection::ToDevice, 6},
        RejectedCase{"0xEE long form whose byte 5 is not the count's low byte",
                     WithByte(kEeLongWrite, 5, 0x01), DataDirection::ToDevice, 6},
        RejectedCase{"long form with byte 12 set", WithByte(kLongWrite, 12, 1),
                     DataDirection::ToDevice, 6},
        RejectedCase{"unknown opcode", WithByte(kShortWrite, 0, 0x2A), DataDirection::ToDevice, 6},
        RejectedCase{"classic opcode without 0x46", WithByte(kShortWrite, 2, 0x0A),
                     DataDirection::ToDevice, 6},
        RejectedCase{"wrong signature", WithByte(kShortWrite, 9, 'X'), DataDirection::ToDevice, 6},
        RejectedCase{"12-byte block", Bytes(12, 0x00), DataDirection::None, 0},
        RejectedCase{"inquiry on the 0xEE set",
                     Signature({0xEE, 0x00, 0x08, 0x00, 0xFF, 0x00}, "INQU"),
                     DataDirection::FromDevice, 255},
        RejectedCase{"inquiry with a function byte",
                     Signature({0x08, 0x20, 0x46, 0x00, 0xFF, 0x00}, "INQU"),
                     DataDirection::FromDevice, 255}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.reason; *p; ++p) {
            if (std::isalnum(static_cast<unsigned char>(*p))) {
                name += *p;
            }
        }
        return name;
    });

// --- Faults --------------------------------------------------------------------------------

TEST_F(VirtualReaderTest, FailAtExchangeDropsOnlyThatBlock) {
    reader.Faults().failAtExchange = 2;
    EXPECT_TRUE(host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1).delivered);
    EXPECT_FALSE(host.Write({0x3F, 0x00}, 2).delivered);
    // The card never saw the identifier: it still waits for it.
    EXPECT_TRUE(host.Write({0x3F, 0x00}, 2).delivered);
    EXPECT_EQ(host.Read(2), Sw(0x9F16));
}

TEST_F(VirtualReaderTest, UnplugAtExchangeDropsThatAndEveryLaterBlock) {
    reader.Faults().unplugAtExchange = 2;
    const std::size_t logged = reader.Log().size();
    EXPECT_TRUE(host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1).delivered);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(host.Write({0x3F, 0x00}, 2).delivered);
    }
    EXPECT_TRUE(reader.Unplugged());
    EXPECT_EQ(reader.Log().size(), logged + 1) << "undelivered blocks never reached it";
    reader.Replug();
    EXPECT_TRUE(host.Write({0x3F, 0x00}, 2).delivered);
    EXPECT_EQ(host.Read(2), Sw(0x9F16));
}

TEST_F(VirtualReaderTest, UnitAttentionOnceThenNormal) {
    reader.Faults().unitAttentionOnce = true;
    const ScsiResult attention = host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1);
    EXPECT_TRUE(attention.delivered);
    EXPECT_EQ(attention.status, 2);
    EXPECT_EQ(attention.senseKey, 6);
    EXPECT_EQ(host.Select(fid::kMf), Sw(0x9F16)) << "the refused header never reached the card";
}

// --- Log -----------------------------------------------------------------------------------

TEST_F(VirtualReaderTest, LogsEveryBlockWithItsDataPhaseUnlessTurnedOff) {
    reader.ClearLog();
    host.Write({0xA0, 0xA4, 0x00, 0x00, 0x02}, 1);
    host.Read(1);
    ASSERT_EQ(reader.Log().size(), 2u);
    EXPECT_EQ(reader.Log()[0].cdb, WriteBlock(CommandSet::Classic, 0x20, 5, 1, false));
    EXPECT_EQ(reader.Log()[0].direction, DataDirection::ToDevice);
    EXPECT_EQ(reader.Log()[0].dataOut, (Bytes{0xA0, 0xA4, 0x00, 0x00, 0x02, 0x00}));
    EXPECT_EQ(reader.Log()[1].direction, DataDirection::FromDevice);
    EXPECT_EQ(reader.Log()[1].lengthIn, 1u);

    reader.SetLogging(false);
    host.Write({0x3F, 0x00}, 2);
    EXPECT_EQ(reader.Log().size(), 2u);
}

}  // namespace
}  // namespace emulator
