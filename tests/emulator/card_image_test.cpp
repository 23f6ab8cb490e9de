// Card image files: parsing, the canonical text, atomic save-back, bad images, and the
// demo cards that ship with the program.
#include "emulator/CardImage.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/SimCard.h"
#include "emulator/VirtualReader.h"

namespace emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class TempDirectory {
public:
    TempDirectory() {
        std::string pattern = (fs::temp_directory_path() / "card-image-test.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDirectory() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// A T=0 command as a plain host sends it; returns SW1 SW2 (and data, if any, before it).
Bytes Command(SimCard& card, const Bytes& header, const Bytes& data = {}) {
    std::vector<CardCharacter> out = card.Receive(header);
    if (!data.empty() && out.size() == 1 && out[0].value == header[1]) {
        out = card.Receive(data);
    }
    Bytes values;
    for (const CardCharacter& c : out) {
        values.push_back(c.value);
    }
    return values;
}

Bytes Pin(const char* text) {
    Bytes block(8, 0xFF);
    std::copy(text, text + std::strlen(text), block.begin());
    return block;
}

void SelectAdn(SimCard& card) {
    Command(card, {0xA0, 0xA4, 0x00, 0x00, 0x02}, {0x7F, 0x10});
    Command(card, {0xA0, 0xA4, 0x00, 0x00, 0x02}, {0x6F, 0x3A});
}

const char kSmallImage[] =
    "# a hand-written card\r\n"
    "telvane-card 1\r\n"
    "type gsm\n"
    "atr 3B 02 14 50   # TS T0 and two historical bytes\n"
    "iccid 8944\n"
    "chv1 0000 enabled=no attempts=2\n"
    "unblock-chv1 hex:3132333435363738 attempts=0\n"
    "\n"
    "ef 7F10/6F3A records=3 length=4\n"
    "  2 0102\n"
    "  3 A1 B2 C3 D4\n";

// --- Parsing and the canonical text -------------------------------------------------------

TEST(CardImageParse, HandWrittenImage) {
    const CardContent content = CardImage::Parse(kSmallImage, "small.card");
    EXPECT_EQ(content.type, CardType::Gsm);
    EXPECT_EQ(content.atr, (Bytes{0x3B, 0x02, 0x14, 0x50}));
    EXPECT_EQ(content.iccid, "8944");
    EXPECT_FALSE(content.chv1Enabled);
    EXPECT_EQ(content.chv1, [] {
        SecretCode code = SecretCode::Make("0000", 3);
        code.attemptsLeft = 2;
        return code;
    }());
    EXPECT_TRUE(content.unblockChv1.Matches(Pin("12345678")));
    EXPECT_TRUE(content.unblockChv1.Blocked());
    EXPECT_FALSE(content.chv2.initialised);
    ASSERT_EQ(content.files.size(), 1u);
    const RecordFile& adn = content.files[0];
    EXPECT_EQ(adn.records,
              (std::vector<Bytes>{
                  {0xFF, 0xFF, 0xFF, 0xFF}, {0x01, 0x02, 0xFF, 0xFF}, {0xA1, 0xB2, 0xC3, 0xD4}}))
        << "unlisted records and bytes are 0xFF";
}

TEST(CardImageParse, FormatThenParseGivesTheSameContent) {
    for (const CardType type : {CardType::Gsm, CardType::Cdma}) {
        CardContent content = CardContent::Blank(type);
        content.chv1.attemptsLeft = 1;
        content.chv2 = SecretCode::Make("5678", 3);
        content.unblockChv2 = SecretCode::Make("8765", 10);
        content.unblockChv2.block[6] = 0x00;  // not text: written as hex:
        content.File(0x7F10, 0x6F3A)->records[4] = Bytes(28, 0x00);
        content.File(0x7F10, 0x6F3A)->records[9][13] = 0x42;  // FF around one byte
        content.File(0x7F10, 0x6F42)->invalidated = true;
        content.iccid = "123";
        EXPECT_EQ(CardImage::Parse(CardImage::Format(content), "formatted"), content);
    }
}

TEST(CardImageParse, DemoCardsAreInTheCanonicalForm) {
    // What the generator writes is what the emulator writes back: saving an unchanged demo
    // card leaves it byte for byte the same.
    for (const char* name : {"demo.card", "demo-cdma.card"}) {
        const std::string text = ReadText(fs::path(TELVANE_SOURCE_DIR) / "emulator/cards" / name);
        ASSERT_FALSE(text.empty()) << name;
        EXPECT_EQ(CardImage::Format(CardImage::Parse(text, name)), text) << name;
    }
}

struct BadImageCase {
    const char* name;
    std::string text;
    const char* message;  // the error must contain this
};
void PrintTo(const BadImageCase& c, std::ostream* os) {
    *os << c.name;
}

class BadImageTest : public ::testing::TestWithParam<BadImageCase> {};

TEST_P(BadImageTest, RefusedWithFileLineAndReason) {
    const BadImageCase& c = GetParam();
    try {
        CardImage::Parse(c.text, "bad.card");
        FAIL() << "accepted";
    } catch (const CardImageError& error) {
        EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
}

const std::string kHead =
    "telvane-card 1\ntype gsm\natr 3B00\nchv1 1234 enabled=yes attempts=3\n"
    "unblock-chv1 12345678 attempts=10\n";  // lines 1-5

INSTANTIATE_TEST_SUITE_P(
    Images, BadImageTest,
    ::testing::Values(
        BadImageCase{"Empty", "", "bad.card: not a card image"},
        BadImageCase{"NoMagic", "type gsm\n", "bad.card:1: not a card image"},
        BadImageCase{"OtherVersion", "telvane-card 2\n", "bad.card:1: format version 2"},
        BadImageCase{"NoType", "telvane-card 1\natr 3B00\n", "no 'type' line"},
        BadImageCase{"NoChv1", "telvane-card 1\ntype gsm\natr 3B00\n", "no 'chv1' line"},
        BadImageCase{"UnknownType", "telvane-card 1\ntype umts\n", ":2: type must be"},
        BadImageCase{"UnknownKeyword", kHead + "imsi 001010123456789\n",
                     ":6: unknown keyword 'imsi'"},
        BadImageCase{"Twice", kHead + "type cdma\n", ":6: 'type' given twice (first on line 2)"},
        BadImageCase{"AtrNotHex", "telvane-card 1\ntype gsm\natr 3B0G\n", ":3: atr: '3B0G'"},
        BadImageCase{"AtrOddDigits", "telvane-card 1\ntype gsm\natr 3B0\n", ":3: atr: odd"},
        BadImageCase{"AtrTooLong", "telvane-card 1\ntype gsm\natr " + std::string(68, 'A') + "\n",
                     ":3: atr must hold 1 to 33 bytes"},
        BadImageCase{"IccidLetters", kHead + "iccid 8986ABCD\n", ":6: iccid must be"},
        BadImageCase{"IccidTooLong", kHead + "iccid " + std::string(21, '1') + "\n",
                     ":6: iccid must be"},
        BadImageCase{"CodeTooLong",
                     "telvane-card 1\ntype gsm\natr 3B00\nchv1 123456789 enabled=yes "
                     "attempts=3\n",
                     ":4: code '123456789' is longer than 8"},
        BadImageCase{"HexCodeShort",
                     "telvane-card 1\ntype gsm\natr 3B00\nchv1 hex:3132 enabled=yes attempts=3\n",
                     ":4: a hex: code holds exactly 8 bytes"},
        BadImageCase{"TooManyAttempts",
                     "telvane-card 1\ntype gsm\natr 3B00\nchv1 1234 enabled=yes attempts=4\n",
                     ":4: attempts must be a number from 0 to 3"},
        BadImageCase{"NegativeAttempts",
                     "telvane-card 1\ntype gsm\natr 3B00\nchv1 1234 enabled=yes attempts=-1\n",
                     ":4: attempts must be"},
        BadImageCase{"NoAttempts", "telvane-card 1\ntype gsm\natr 3B00\nchv1 1234 enabled=yes\n",
                     ":4: missing attempts="},
        BadImageCase{"EnabledMaybe",
                     "telvane-card 1\ntype gsm\natr 3B00\nchv1 1234 enabled=maybe attempts=3\n",
                     ":4: enabled must be 'yes' or 'no'"},
        BadImageCase{"UnknownAttribute", kHead + "chv2 5678 attempts=3 enabled=yes\n",
                     ":6: unexpected 'enabled=yes'"},
        BadImageCase{"Unblock2WithoutChv2", kHead + "unblock-chv2 1111 attempts=10\n",
                     ":6: 'unblock-chv2' without 'chv2'"},
        BadImageCase{"EfPath", kHead + "ef 6F3A records=1 length=1\n", ":6: ef needs a path"},
        BadImageCase{"EfUnknown", kHead + "ef 7F10/6F40 records=1 length=1\n",
                     ":6: ef 7F10/6F40 is not a record file"},
        BadImageCase{"EfTransparent", kHead + "ef 3F00/2FE2 records=1 length=10\n",
                     ":6: ef 3F00/2FE2 is not a record file"},
        BadImageCase{"EfTwice",
                     kHead + "ef 7F10/6F3A records=1 length=1\nef 7F10/6F3A records=1 length=1\n",
                     ":7: ef 7F10/6F3A given twice (first on line 6)"},
        BadImageCase{"CdmaFileOnGsm", kHead + "ef 7F25/6F3C records=1 length=255\n",
                     ":6: ef 7F25/6F3C is only on a cdma card"},
        BadImageCase{"TooManyRecords", kHead + "ef 7F10/6F3A records=255 length=28\n",
                     ":6: records must be a number from 1 to 254"},
        BadImageCase{"RecordTooLong", kHead + "ef 7F10/6F3A records=1 length=256\n",
                     ":6: length must be a number from 1 to 255"},
        BadImageCase{"HugeCount", kHead + "ef 7F10/6F3A records=99999999999999999999 length=1\n",
                     ":6: records must be"},
        BadImageCase{"MissingLength", kHead + "ef 7F10/6F3A records=2\n", ":6: missing length="},
        BadImageCase{"RecordBeforeEf", kHead + "1 00\n", ":6: record line before any 'ef'"},
        BadImageCase{"RecordNumberOutside", kHead + "ef 7F10/6F3A records=2 length=2\n3 00\n",
                     ":7: record number must be a number from 1 to 2"},
        BadImageCase{"RecordGivenTwice", kHead + "ef 7F10/6F3A records=2 length=2\n1 00\n1 01\n",
                     ":8: record 1 given twice"},
        BadImageCase{"RecordOverflows", kHead + "ef 7F10/6F3A records=2 length=2\n1 000102\n",
                     ":7: record 1 holds 3 bytes, the record length is 2"},
        BadImageCase{"ControlCharacter",
                     kHead + "iccid 12\x01"
                             "3\n",
                     ":6: control character"},
        BadImageCase{"LongLine", kHead + "# " + std::string(3000, 'x') + "\n",
                     ":6: line longer than 2048"}),
    [](const auto& info) { return std::string(info.param.name); });

// Untrusted input: every truncation and a few thousand seeded byte mutations of a valid
// image either parse or are refused with CardImageError, and what parses formats back to
// text that parses to the same content.
TEST(CardImageParse, DamagedImagesNeverGetPastTheParser) {
    const std::string image =
        std::string(kSmallImage) + "ef 7F10/6F3C records=2 length=176\n1 03\n";
    std::vector<std::string> damaged;
    for (std::size_t cut = 0; cut < image.size(); ++cut) {
        damaged.push_back(image.substr(0, cut));
    }
    std::uint32_t seed = 20240601;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;  // a fixed linear congruential sequence
        return seed >> 8;
    };
    static constexpr char kAlphabet[] = "0123456789ABCDEFx=/# \n-hex:yesno";
    for (int i = 0; i < 3000; ++i) {
        std::string text = image;
        for (int edits = 1 + int(next() % 3); edits > 0; --edits) {
            const std::size_t at = next() % text.size();
            const char c =
                (next() % 4 == 0) ? char(next() % 256) : kAlphabet[next() % (sizeof kAlphabet - 1)];
            switch (next() % 3) {
                case 0:
                    text[at] = c;
                    break;
                case 1:
                    text.insert(text.begin() + std::ptrdiff_t(at), c);
                    break;
                default:
                    text.erase(at, 1);
                    break;
            }
        }
        damaged.push_back(text);
    }
    int parsed = 0;
    for (const std::string& text : damaged) {
        try {
            const CardContent content = CardImage::Parse(text, "damaged");
            ++parsed;
            ASSERT_EQ(CardImage::Parse(CardImage::Format(content), "again"), content) << text;
        } catch (const CardImageError&) {
        }
    }
    EXPECT_GT(parsed, 0) << "some mutations leave a valid image";
}

TEST(CardImageLoad, MissingFileAndOversizedFile) {
    TempDirectory directory;
    const std::string missing = (directory.Path() / "none.card").string();
    EXPECT_THROW(CardImage(missing).Load(), CardImageError);
    try {
        VirtualReader::FromImage(missing);
        FAIL();
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(missing + ": cannot open"), std::string::npos);
    }
    const fs::path big = directory.Path() / "big.card";
    WriteText(big, "telvane-card 1\n" + std::string(CardImage::kMaxFileSize, '#'));
    EXPECT_THROW(CardImage(big.string()).Load(), CardImageError);
}

// --- Saving back --------------------------------------------------------------------------

TEST(CardImageSave, EveryUpdateIsWrittenBackAndReloads) {
    TempDirectory directory;
    const fs::path image = directory.Path() / "card.card";
    WriteText(image, CardImage::Format(CardContent::Blank()));
    std::shared_ptr<SimCard> card = CardImage::OpenCard(image.string());

    SelectAdn(*card);
    EXPECT_EQ(Command(*card, {0xA0, 0x20, 0x00, 0x01, 0x08}, Pin("9999")), (Bytes{0x98, 0x04}));
    EXPECT_EQ(CardImage(image.string()).Load().chv1.attemptsLeft, 2) << "the counter is kept";

    EXPECT_EQ(Command(*card, {0xA0, 0x20, 0x00, 0x01, 0x08}, Pin("1234")), (Bytes{0x90, 0x00}));
    Bytes record(28, 0xFF);
    record[0] = 'Z';
    EXPECT_EQ(Command(*card, {0xA0, 0xDC, 0x02, 0x04, 0x1C}, record), (Bytes{0x90, 0x00}));
    EXPECT_EQ(Command(*card, {0xA0, 0x24, 0x00, 0x01, 0x10},
                      [] {
                          Bytes both = Pin("1234");
                          const Bytes next = Pin("8642");
                          both.insert(both.end(), next.begin(), next.end());
                          return both;
                      }()),
              (Bytes{0x90, 0x00}));

    const CardContent reloaded = CardImage(image.string()).Load();
    EXPECT_EQ(reloaded, card->Content());
    EXPECT_EQ(reloaded.File(0x7F10, 0x6F3A)->records[1], record);
    EXPECT_TRUE(reloaded.chv1.Matches(Pin("8642")));
    EXPECT_EQ(card->SaveError(), "");
    // Nothing but the image is left in its directory: the temporary files were renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(directory.Path()), fs::directory_iterator()), 1);

    // A new run of the card starts from the saved image.
    std::unique_ptr<VirtualReader> reader = VirtualReader::FromImage(image.string());
    EXPECT_EQ(reader->Card()->Content(), reloaded);
}

TEST(CardImageSave, UnwritableImageLeavesTheCardWorkingInMemory) {
    TempDirectory directory;
    const fs::path image = directory.Path() / "gone" / "card.card";
    fs::create_directory(image.parent_path());
    WriteText(image, CardImage::Format(CardContent::Blank()));
    std::shared_ptr<SimCard> card = CardImage::OpenCard(image.string());
    fs::remove_all(image.parent_path());  // nowhere to write any more

    SelectAdn(*card);
    Command(*card, {0xA0, 0x20, 0x00, 0x01, 0x08}, Pin("1234"));
    const Bytes record(28, 0x33);
    EXPECT_EQ(Command(*card, {0xA0, 0xDC, 0x01, 0x04, 0x1C}, record), (Bytes{0x90, 0x00}));
    EXPECT_NE(card->SaveError().find("cannot create a temporary file"), std::string::npos)
        << card->SaveError();
    Bytes read = Command(*card, {0xA0, 0xB2, 0x01, 0x04, 0x1C});
    ASSERT_EQ(read.size(), 31u);
    EXPECT_EQ(Bytes(read.begin() + 1, read.end() - 2), record);
}

TEST(CardImageSave, KeepsTheImagesPermissions) {
    TempDirectory directory;
    const fs::path image = directory.Path() / "card.card";
    WriteText(image, CardImage::Format(CardContent::Blank()));
    fs::permissions(image, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(CardImage(image.string()).Save(CardContent::Blank(CardType::Cdma)), "");
    EXPECT_EQ(fs::status(image).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(CardImage(image.string()).Load().type, CardType::Cdma);
}

// --- The demo cards -----------------------------------------------------------------------

CardContent LoadDemo(const char* name) {
    return CardImage((fs::path(TELVANE_SOURCE_DIR) / "emulator/cards" / name).string()).Load();
}

bool Free(const Bytes& record) {
    return std::all_of(record.begin(), record.end(), [](std::uint8_t b) { return b == 0xFF; });
}

// The dialling number of an ADN record (GSM 11.11 10.5.1): '+' for TON international, then
// the BCD digits, low nibble first, up to the 0xF filler.
std::string Number(const Bytes& record, std::size_t alphaLength) {
    const std::size_t length = record[alphaLength];
    std::string number = record[alphaLength + 1] == 0x91 ? "+" : "";
    for (std::size_t i = 0; i + 1 < length; ++i) {
        for (const int nibble :
             {record[alphaLength + 2 + i] & 0x0F, record[alphaLength + 2 + i] >> 4}) {
            if (nibble != 0x0F) {
                number += char('0' + nibble);
            }
        }
    }
    return number;
}

TEST(DemoCard, Contents) {
    const CardContent demo = LoadDemo("demo.card");
    EXPECT_EQ(demo.type, CardType::Gsm);
    EXPECT_EQ(demo.iccid, "89860012345678901234");
    EXPECT_TRUE(demo.chv1Enabled);
    EXPECT_EQ(demo.chv1, SecretCode::Make("1234", 3));
    EXPECT_EQ(demo.unblockChv1, SecretCode::Make("12345678", 10));
    EXPECT_EQ(demo.atr, DefaultAtr());

    const RecordFile& adn = *demo.File(0x7F10, 0x6F3A);
    ASSERT_EQ(adn.records.size(), 250u);
    ASSERT_EQ(adn.recordLength, 28u);
    EXPECT_EQ(std::count_if(adn.records.begin(), adn.records.end(),
                            [](const Bytes& r) { return !Free(r); }),
              30);
    EXPECT_EQ(std::string(adn.records[0].begin(), adn.records[0].begin() + 12), "Alice Martin");
    EXPECT_EQ(adn.records[0][12], 0xFF) << "alpha padded with 0xFF";
    EXPECT_EQ(Number(adn.records[0], 14), "+14155550123");
    EXPECT_EQ(adn.records[0][14], 7) << "6 BCD bytes + TON/NPI";
    EXPECT_EQ(Number(adn.records[1], 14), "13912345678");
    EXPECT_EQ(adn.records[1][15], 0x81);
    // 张伟 in UCS2 (GSM 11.11 Annex B, coding 0x80).
    EXPECT_EQ(Bytes(adn.records[15].begin(), adn.records[15].begin() + 6),
              (Bytes{0x80, 0x5F, 0x20, 0x4F, 0x1F, 0xFF}));
    EXPECT_FALSE(Free(adn.records[249])) << "an entry in the last record";
    EXPECT_EQ(Number(adn.records[249], 14), "10086");

    const RecordFile& sms = *demo.File(0x7F10, 0x6F3C);
    ASSERT_EQ(sms.records.size(), 20u);
    ASSERT_EQ(sms.recordLength, 176u);
    std::map<int, int> statuses;
    for (const Bytes& record : sms.records) {
        ++statuses[record[0]];
        if (record[0] != 0x00) {
            // The service centre, +8613800100500 (TS 24.011 8.2.5.1).
            EXPECT_EQ(Bytes(record.begin() + 1, record.begin() + 10),
                      (Bytes{0x08, 0x91, 0x68, 0x31, 0x08, 0x10, 0x00, 0x05, 0xF0}));
            // TP-MTI: SMS-DELIVER for received, SMS-SUBMIT for mobile-originated.
            EXPECT_EQ(record[10] & 0x03, record[0] <= 0x03 ? 0 : 1);
        } else {
            EXPECT_TRUE(Free(Bytes(record.begin() + 1, record.end())));
        }
    }
    EXPECT_EQ(statuses,
              (std::map<int, int>{{0x00, 8}, {0x01, 4}, {0x03, 3}, {0x05, 3}, {0x07, 2}}));

    const RecordFile& smsp = *demo.File(0x7F10, 0x6F42);
    ASSERT_EQ(smsp.records.size(), 1u);
    ASSERT_EQ(smsp.recordLength, 40u);
    const Bytes& parameters = smsp.records[0];
    EXPECT_EQ(parameters[12] & 0x02, 0) << "TS 51.011 10.5.6: service centre present";
    EXPECT_EQ(Bytes(parameters.begin() + 25, parameters.begin() + 34),
              (Bytes{0x08, 0x91, 0x68, 0x31, 0x08, 0x10, 0x00, 0x05, 0xF0}));
}

TEST(DemoCard, CdmaContents) {
    const CardContent demo = LoadDemo("demo-cdma.card");
    EXPECT_EQ(demo.type, CardType::Cdma);
    const RecordFile& ruim = *demo.File(0x7F25, 0x6F3C);
    ASSERT_EQ(ruim.recordLength, 255u);
    ASSERT_EQ(ruim.records.size(), 10u);
    for (std::size_t i = 0; i < 4; ++i) {
        const Bytes& record = ruim.records[i];
        // 3GPP2 C.S0023 3.4.27: status, MSG_LEN, then a point-to-point transport message
        // (C.S0015 3.4.2.1) opening with the teleservice identifier 4098.
        EXPECT_NE(record[0], 0x00);
        EXPECT_EQ(Bytes(record.begin() + 2, record.begin() + 7),
                  (Bytes{0x00, 0x00, 0x02, 0x10, 0x02}));
        EXPECT_TRUE(Free(Bytes(record.begin() + 2 + record[1], record.end())));
    }
    EXPECT_EQ(ruim.records[4][0], 0x00);
}

TEST(DemoCard, RunsInTheVirtualReader) {
    TempDirectory directory;
    const fs::path image = directory.Path() / "demo.card";
    fs::copy_file(fs::path(TELVANE_SOURCE_DIR) / "emulator/cards/demo.card", image);
    std::unique_ptr<VirtualReader> reader = VirtualReader::FromImage(image.string());
    SimCard& card = *reader->Card();
    SelectAdn(card);
    EXPECT_EQ(Command(card, {0xA0, 0x20, 0x00, 0x01, 0x08}, Pin("1234")), (Bytes{0x90, 0x00}));
    const Bytes read = Command(card, {0xA0, 0xB2, 0x01, 0x04, 0x1C});
    EXPECT_EQ(Bytes(read.end() - 2, read.end()), (Bytes{0x90, 0x00}));
    EXPECT_EQ(read[1], 'A');
}

}  // namespace
}  // namespace emulator
