// The library against the virtual reader and a real card image, on every host family: the
// conversations a card session runs (answer to reset, PIN, selection, records, updates),
// the card's refusals as status bytes, and a reader pulled in the middle.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "emulator/CardImage.h"
#include "emulator/SimCard.h"
#include "emulator/VirtualReader.h"
#include "quillon/Diagnostics.h"
#include "quillon/Quillon.h"
#include "support/HostFamily.h"
#include "support/TempDir.h"

namespace {

using support::Family;
using support::HostUnderTest;

constexpr unsigned char kSim = 2;  // the virtual reader lists "SIM " third

class CardSession : public testing::TestWithParam<Family> {
protected:
    void SetUp() override {
        image = dir.File("card.card");
        std::filesystem::copy_file(TELVANE_SOURCE_DIR "/emulator/cards/demo.card", image);
        reader = emulator::VirtualReader::FromImage(image);
        host = std::make_unique<HostUnderTest>(GetParam(), *reader);
    }
    void TearDown() override { host.reset(); }
    void* device() { return host->Device(); }

    bool Verify(const char* pin, unsigned char& status) {
        char copy[16];
        std::snprintf(copy, sizeof copy, "%s", pin);
        return q.VerifyCHV(device(), kSim, 1, copy, static_cast<unsigned char>(strlen(pin)),
                           status) == 1;
    }
    // Selects a path of files; the last selection's response length.
    unsigned char Select(std::initializer_list<unsigned short> path) {
        unsigned char length = 0;
        for (unsigned short id : path) {
            EXPECT_EQ(q.SelectFile(device(), id, length, kSim), 1) << std::hex << id;
        }
        return length;
    }

    support::TempDir dir;
    std::string image;
    std::unique_ptr<emulator::VirtualReader> reader;
    std::unique_ptr<HostUnderTest> host;
    CQuillon q;
};

TEST_P(CardSession, ConnectsAsTheProgramDoes) {
    unsigned char atr[64] = {};
    ASSERT_EQ(q.GetATRValue(device(), atr, kSim), 1);
    unsigned char response[64] = {};
    const unsigned char length = Select({0x3F00});
    ASSERT_EQ(q.GetResponse(device(), length, response, kSim), 1);
    EXPECT_EQ(response[13] & 0x80, 0) << "the demo card's CHV1 is enabled";
    EXPECT_EQ(response[18] & 0x0F, 3) << "three attempts left";

    ASSERT_EQ(q.GetResponse(device(), Select({0x2FE2}), response, kSim), 1);
    unsigned char iccid[64] = {};
    ASSERT_EQ(q.ReadBinary(device(), response[3], kSim, iccid), 1);
    EXPECT_EQ(iccid[0], 0x98) << "ICCID 8986..., BCD with swapped nibbles";

    unsigned char ignored;
    EXPECT_EQ(q.SelectFile(device(), 0x7F25, ignored, kSim), 0) << "no CDMA directory";
    EXPECT_EQ(q.TestSimCard(device(), kSim), 1);
}

TEST_P(CardSession, PhonebookNeedsThePin) {
    unsigned char response[64];
    ASSERT_EQ(q.GetResponse(device(), Select({0x3F00, 0x7F10, 0x6F3A}), response, kSim), 1);
    const unsigned size = response[2] << 8 | response[3];
    const unsigned recordLength = response[14];
    EXPECT_EQ(recordLength, 28u);
    EXPECT_EQ(size / recordLength, 250u);

    unsigned char record[260];
    EXPECT_EQ(q.ReadRecord(device(), 28, 1, kSim, record, 0), 0) << "CHV1 not verified";
    unsigned char status = 0;
    ASSERT_TRUE(Verify("1234", status));
    int entries = 0;
    for (unsigned number = 1; number <= 250; ++number) {
        ASSERT_EQ(q.ReadRecord(device(), 28, static_cast<unsigned char>(number), kSim, record, 0),
                  1)
            << number;
        const unsigned char numberLength = record[28 - 14];
        entries += numberLength >= 1 && numberLength <= 11;
    }
    EXPECT_EQ(entries, 30);
}

TEST_P(CardSession, PinRefusalsAndBlocking) {
    unsigned char status = 0;
    EXPECT_FALSE(Verify("0000", status));
    EXPECT_EQ(status, 0x04);
    EXPECT_FALSE(Verify("1111", status));
    EXPECT_FALSE(Verify("2222", status));
    EXPECT_EQ(status, 0x40) << "the third wrong PIN blocks CHV1";
    EXPECT_FALSE(Verify("1234", status));
    EXPECT_EQ(status, 0x40) << "a blocked CHV1 refuses the right PIN too";
    // The counters live in the image: a new reader on the same file is still blocked.
    const std::string saved = emulator::CardImage::Format(emulator::CardImage(image).Load());
    EXPECT_NE(saved.find("attempts=0"), std::string::npos);
}

TEST_P(CardSession, ChangeDisableEnable) {
    unsigned char status = 0;
    char oldPin[] = "1234";
    char newPin[] = "87654321";
    ASSERT_EQ(q.ChangeCHV(device(), kSim, 1, oldPin, 4, newPin, 8, status), 1);
    EXPECT_FALSE(Verify("1234", status));
    EXPECT_TRUE(Verify("87654321", status));
    ASSERT_EQ(q.DisableCHV(device(), kSim, newPin, 8, status), 1);
    EXPECT_EQ(q.DisableCHV(device(), kSim, newPin, 8, status), 0);
    EXPECT_EQ(status, 0x08) << "already disabled";
    unsigned char response[64];
    ASSERT_EQ(q.GetResponse(device(), Select({0x3F00}), response, kSim), 1);
    EXPECT_EQ(response[13] & 0x80, 0x80) << "CHV1 disabled bit";
    ASSERT_EQ(q.EnableCHV(device(), kSim, newPin, 8, status), 1);
}

TEST_P(CardSession, UpdatesReachTheImage) {
    unsigned char status = 0;
    ASSERT_TRUE(Verify("1234", status));
    Select({0x3F00, 0x7F10, 0x6F3A});
    unsigned char record[28];
    std::memset(record, 0xFF, sizeof record);
    std::memcpy(record, "Telvane", 7);
    record[14] = 0x02;
    record[15] = 0x81;
    record[16] = 0x21;
    ASSERT_EQ(q.UpdateRecord(device(), 28, 200, kSim, record, 0), 1);
    unsigned char back[260] = {};
    ASSERT_EQ(q.ReadRecord(device(), 28, 200, kSim, back, 0), 1);
    EXPECT_EQ(std::memcmp(back, record, 28), 0);
    // The image on disk has it too.
    const emulator::CardContent content = emulator::CardImage(image).Load();
    const std::string text = emulator::CardImage::Format(content);
    EXPECT_NE(text.find("200 54656C76616E65"), std::string::npos);
}

TEST_P(CardSession, UpdateOneByteAtATimeOnTheCard) {
    unsigned char status = 0;
    ASSERT_TRUE(Verify("1234", status));
    Select({0x3F00, 0x7F10, 0x6F3A});
    emulator::ProcedurePolicy& policy = reader->Card()->Policy();
    policy.updateHeader = emulator::ProcedurePolicy::Answer::Complement;
    policy.updateRestAfter = 3;
    policy.updateAfterRest = emulator::ProcedurePolicy::Answer::Complement;
    unsigned char record[28];
    for (int i = 0; i < 28; ++i) {
        record[i] = static_cast<unsigned char>(0x40 + i);
    }
    ASSERT_EQ(q.UpdateRecord(device(), 28, 7, kSim, record, 0), 1);
    EXPECT_EQ(QuillonHeaderMode(), 0) << "the card ended the rest block with 0x23";
    // The next update sends its header a byte at a time and the card takes it.
    policy = emulator::ProcedurePolicy{};
    record[0] = 0x39;
    ASSERT_EQ(q.UpdateRecord(device(), 28, 8, kSim, record, 0), 1);
    unsigned char back[260] = {};
    ASSERT_EQ(q.ReadRecord(device(), 28, 7, kSim, back, 0), 1);
    EXPECT_EQ(back[27], 0x40 + 27);
    ASSERT_EQ(q.ReadRecord(device(), 28, 8, kSim, back, 0), 1);
    EXPECT_EQ(back[0], 0x39);
}

TEST_P(CardSession, ReaderPulledMidway) {
    unsigned char status = 0;
    ASSERT_TRUE(Verify("1234", status));
    Select({0x3F00, 0x7F10, 0x6F3A});
    reader->Faults().unplugAtExchange = 3;
    unsigned char record[260];
    int read = 0;
    for (unsigned number = 1; number <= 5; ++number) {
        read += q.ReadRecord(device(), 28, static_cast<unsigned char>(number), kSim, record, 0);
    }
    EXPECT_LE(read, 1) << "nothing reads once the reader is gone";
    EXPECT_TRUE(reader->Unplugged());
}

TEST_P(CardSession, EmptySlot) {
    reader->Insert(nullptr);
    unsigned char atr[64];
    EXPECT_EQ(q.GetATRValue(device(), atr, kSim), 0);
    unsigned char length = 0;
    EXPECT_EQ(q.SelectFile(device(), 0x3F00, length, kSim), 0);
}

INSTANTIATE_TEST_SUITE_P(Families, CardSession, testing::ValuesIn(support::kAllFamilies),
                         [](const auto& info) { return support::FamilyName(info.param); });

TEST(CdmaCardSession, LongRecordsOnTheLongFormReader) {
    support::TempDir dir;
    const std::string image = dir.File("cdma.card");
    std::filesystem::copy_file(TELVANE_SOURCE_DIR "/emulator/cards/demo-cdma.card", image);
    auto reader = emulator::VirtualReader::FromImage(image);
    for (Family family : support::kAllFamilies) {
        HostUnderTest host(family, *reader);
        CQuillon q;
        unsigned char status = 0;
        char pin[] = "1234";
        unsigned char atr[64];
        ASSERT_EQ(q.GetATRValue(host.Device(), atr, kSim), 1);
        ASSERT_EQ(q.VerifyCHV(host.Device(), kSim, 1, pin, 4, status), 1);
        unsigned char length = 0;
        ASSERT_EQ(q.SelectFile(host.Device(), 0x3F00, length, kSim), 1);
        ASSERT_EQ(q.SelectFile(host.Device(), 0x7F25, length, kSim), 1);
        ASSERT_EQ(q.SelectFile(host.Device(), 0x6F3C, length, kSim), 1);
        unsigned char record[300] = {};
        ASSERT_EQ(q.ReadRecord(host.Device(), 255, 1, kSim, record, 1), 1)
            << support::FamilyName(family);
        EXPECT_NE(record[0], 0x00) << "the first demo record holds a message";
        record[254] = 0x5A;
        ASSERT_EQ(q.UpdateRecord(host.Device(), 255, 10, kSim, record, 1), 1)
            << support::FamilyName(family);
        unsigned char back[300] = {};
        ASSERT_EQ(q.ReadRecord(host.Device(), 255, 10, kSim, back, 1), 1);
        EXPECT_EQ(back[254], 0x5A);
    }
}

}  // namespace
