// The GSM card's message record: gsmDecodePdu and gsmEncodePdu (3GPP TS 23.040).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "records/CMyTools.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr std::size_t kPduSize = CMyTools::kGsmRecordSize - 1;

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    std::string digits;
    for (char c : hex) {
        if (c != ' ') {
            digits += c;
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string ToHex(const unsigned char* bytes, std::size_t n) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}

// The record after its status byte, 0xFF after the given bytes (TS 51.011 10.5.3), in a
// buffer of exactly the record's size.
std::unique_ptr<char[]> Record(const Bytes& pdu) {
    auto record = std::make_unique<char[]>(kPduSize);
    std::memset(record.get(), 0xFF, kPduSize);
    if (!pdu.empty()) {
        std::memcpy(record.get(), pdu.data(), std::min(pdu.size(), kPduSize));
    }
    return record;
}

struct Decoded {
    int result;
    SM_PARAM message;
};

Decoded Decode(const Bytes& pdu, int deliver) {
    Decoded decoded{};
    decoded.result = CMyTools::gsmDecodePdu(Record(pdu).get(), &decoded.message, deliver);
    // Whatever the record, every text field ends inside its field.
    const SM_PARAM& m = decoded.message;
    EXPECT_LT(strnlen(m.partyDigits, sizeof m.partyDigits), sizeof m.partyDigits);
    EXPECT_LT(strnlen(m.text, sizeof m.text), sizeof m.text);
    return decoded;
}

std::string Scts(const SM_PARAM& m) {
    return ToHex(m.scts, 7);
}

// Records of the demo card (the status byte left off).
constexpr const char* kServiceCentre = "0891683108100005F0";

struct DemoCase {
    const char* tpdu;
    int deliver;
    unsigned char partyType;
    const char* party;
    unsigned char dcs;
    const char* scts;
    const char* text;
    const char* why;
};

const DemoCase kDemoMessages[] = {
    {"040D91683119325476F80000423051812470232EC83428C84E8FCB2C50585E06DDCBA0393DCD6683DAE5323D"
     "ED3E83C274D00DDE06D1DFEEF4194DFF01",
     1, 0x91, "8613912345678", 0, "42305181247023",
     "Hi Alice, are we still meeting at 7pm tonight?", "SMS-DELIVER, 7-bit, international"},
    {"0405810180F60008424010900000233A5C0A656C76845BA26237FF0C60A8672C670876848BDD8D398D265355"
     "5DF2751F6210FF0C8BF7767B5F557F514E0A84254E1A538567E58BE23002",
     1, 0x81, "10086", 8, "42401090000023",
     "尊敬的客户，您本月的话费账单已生成，请登录网上营业厅查询。", "SMS-DELIVER, UCS2"},
    {"040B914151550521F300004220027051032B404676FA8CA683AA415C0D072297E161397D0E8AC574B01AC82C"
     "7FB741E730BD0C3AE6642E90F01D9693D3EE33684E0FCBE973500CA693D55C",
     1, 0x91, "14155550123", 0, "4220027051032B",
     "Flight UA858 departs 11:05 from gate G92. Boarding starts 10:25.", "a time zone west of GMT"},
    {"11010B813116325476F80008A71A660E59294E0A5348534170B95728516C53F895E853E389C13002", 0, 0x81,
     "13612345678", 8, "00000000000000", "明天上午十点在公司门口见。", "SMS-SUBMIT, UCS2"},
    {"040D91945121436587F90000421013329595403AD9775D0E12A7D96C507A0E92D53665D08647AE9741B0DA6B"
     "16DBF8582078380F0AD3411BD41CFD866F52A04D0F444787DDEB39",
     1, 0x91, "4915123456789", 0, "42101332959540",
     "Your bill is 25€ [due 05/31], pay at {shop} ~ thanks", "the extension table"},
    {"040B913316325476F8000042607071852080A0C2B75BFDAECB4141767A5C0E819865105D1E4EBB41E432288"
     "643C764A0F29C0E0ABBDD757681055297417079D94D9E83C665763D0D229741311C9A7673819E6ED0BC0C92"
     "97E9F277DD5E06FD41EC30E81C969741E43AC8F9969359A0F95B4E4F97413316C85E96CF41B11C7A067381A"
     "0F2B29B3C07D5DD2078581E86B3EBE9B20B244CCFCB731608593FBF5D",
     1, 0x91, "33612345678", 0, "42607071852080",
     "Bonjour Alice! Le train de 18h12 est annulé, je prends celui de 18h47. On se retrouve à "
     "la gare du Nord, sortie 3, vers 19h30. Prends un parapluie. Bises, Hugo.",
     "160 septets"},
    {"11030B813108108300F00000A702CF25", 0, 0x81, "13800138000", 0, "00000000000000", "OK",
     "SMS-SUBMIT, 7-bit"},
};

TEST(GsmPdu, DecodesTheDemoCardsMessages) {
    for (const DemoCase& c : kDemoMessages) {
        SCOPED_TRACE(c.why);
        const Decoded d = Decode(FromHex(std::string(kServiceCentre) + c.tpdu), c.deliver);
        EXPECT_EQ(d.result, 1);
        EXPECT_EQ(d.message.scType, 0x91);
        EXPECT_EQ(std::string(d.message.scDigits), "8613800100500");
        EXPECT_EQ(d.message.partyType, c.partyType);
        EXPECT_STREQ(d.message.partyDigits, c.party);
        EXPECT_EQ(d.message.dcs, c.dcs);
        EXPECT_EQ(Scts(d.message), c.scts);
        EXPECT_STREQ(d.message.text, c.text);
    }
}

TEST(GsmPdu, DecodeEncodeDecodeKeepsTheMessage) {
    for (const DemoCase& c : kDemoMessages) {
        SCOPED_TRACE(c.why);
        const Decoded first = Decode(FromHex(std::string(kServiceCentre) + c.tpdu), c.deliver);
        char record[kPduSize + 1];
        record[kPduSize] = '\x5A';
        const int n = CMyTools::gsmEncodePdu(&first.message, record);
        EXPECT_EQ(record[kPduSize], '\x5A');
        // The encoder fills the record with 0xFF after the TPDU; decode it again as read.
        const Decoded again = Decode(Bytes(record, record + n), 0);
        EXPECT_EQ(again.result, 1);
        EXPECT_EQ(std::memcmp(record + n, std::string(kPduSize - n, '\xFF').data(), kPduSize - n),
                  0);
        EXPECT_EQ(again.message.scType, first.message.scType);
        EXPECT_STREQ(std::string(again.message.scDigits, 20).c_str(),
                     std::string(first.message.scDigits, 20).c_str());
        EXPECT_EQ(again.message.partyType, first.message.partyType);
        EXPECT_STREQ(again.message.partyDigits, first.message.partyDigits);
        EXPECT_EQ(again.message.dcs, first.message.dcs);
        EXPECT_STREQ(again.message.text, first.message.text);
    }
}

TEST(GsmPdu, DataCodingSchemes) {
    // TS 23.038 4: each group's alphabet. The user data is "Hi" in the alphabet named.
    struct Case {
        const char* dcsAndData;
        unsigned char alphabet;
        int result;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {"00 02 C834", 0, 1, "Hi", "general, default alphabet"},
        {"10 02 C834", 0, 1, "Hi", "general with a class"},
        {"0C 02 C834", 0, 1, "Hi", "general, reserved alphabet: the default one"},
        {"04 02 4869", 4, 1, "Hi", "general, 8-bit data"},
        {"08 04 00480069", 8, 1, "Hi", "general, UCS2"},
        {"18 04 00480069", 8, 1, "Hi", "general, UCS2, class 0"},
        {"48 04 00480069", 8, 1, "Hi", "automatic deletion, UCS2"},
        {"24 02 4869", 4, 0, "", "compressed: not read"},
        {"80 02 C834", 0, 1, "Hi", "a reserved group: the default alphabet"},
        {"C0 02 C834", 0, 1, "Hi", "message waiting, discard"},
        {"D8 02 C834", 0, 1, "Hi", "message waiting, store"},
        {"E0 04 00480069", 8, 1, "Hi", "message waiting, store, UCS2"},
        {"F0 02 C834", 0, 1, "Hi", "message class, default alphabet"},
        {"F6 02 4869", 4, 1, "Hi", "message class, 8-bit data"},
        {"04 04 48000AFF", 4, 1, "H?\nÿ", "8-bit data shows as Latin-1, controls as '?'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string dcsAndData = c.dcsAndData;
        const Decoded d = Decode(FromHex("00 04 0181F1 00 " + dcsAndData.substr(0, 2) +
                                         " 42101332959540" + dcsAndData.substr(2)),
                                 1);
        EXPECT_EQ(d.result, c.result);
        EXPECT_EQ(d.message.dcs, c.alphabet);
        EXPECT_STREQ(d.message.text, c.text);
        EXPECT_STREQ(d.message.partyDigits, "1");
    }
}

TEST(GsmPdu, EveryValidityPeriodFormat) {
    // TS 23.040 9.2.3.3: TP-VPF in bits 4-3 of an SMS-SUBMIT's first octet.
    struct Case {
        const char* firstOctet;
        const char* validity;
    };
    const Case cases[] = {
        {"01", ""},                // none
        {"11", "A7"},              // relative
        {"09", "01000000000000"},  // enhanced
        {"19", "42606112000023"},  // absolute
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstOctet);
        const Decoded d = Decode(FromHex(std::string("00") + c.firstOctet + "00 0481 2143 00 00" +
                                         c.validity + "04D4F29C0E"),
                                 0);
        EXPECT_EQ(d.result, 1);
        EXPECT_STREQ(d.message.partyDigits, "1234");
        EXPECT_STREQ(d.message.text, "Test");
    }
}

TEST(GsmPdu, UserDataHeaderIsSkipped) {
    struct Case {
        const char* tpdu;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {"44 0181F1 00 00 42101332959540 0C 0500032A0201 906536FB0D", "Hello",
         "7-bit after a 6-octet header: one fill bit"},
        {"44 0181F1 00 00 42101332959540 10 06080412340301 C834888E2ECBCB", "Hi there",
         "7-bit after a 7-octet header: no fill"},
        {"44 0181F1 00 08 42101332959540 0A 0500032A0201 4E2D6587", "中文", "UCS2 after a header"},
        {"44 0181F1 00 04 42101332959540 08 0500032A0201 4869", "Hi", "8-bit after a header"},
        {"51 00 0181F1 00 00 A7 0C 0500032A0201 906536FB0D", "Hello", "in an SMS-SUBMIT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Decoded d = Decode(FromHex(std::string("00") + c.tpdu), 1);
        EXPECT_EQ(d.result, 1);
        EXPECT_STREQ(d.message.text, c.text);
    }
}

TEST(GsmPdu, Addresses) {
    // TS 23.040 9.1.2.5, in an SMS-DELIVER with an empty text.
    struct Case {
        const char* address;
        unsigned char type;
        const char* party;
        const char* why;
    };
    const Case cases[] = {
        {"0B914151550521F3", 0x91, "14155550123", "international"},
        {"0B904151550521F3", 0x91, "14155550123", "international, unknown plan"},
        {"05A10180F6", 0x81, "10086", "national: no '+'"},
        {"0DD0D432DB1E769701", 0x81, "Telvane", "alphanumeric: 7-bit packed text"},
        {"0281BA", 0x81, "*#", "star and hash"},
        {"0081", 0x81, "", "empty"},
        {"1691"
         "2143658709214365870921",
         0x91, "12345678901234567890", "22 digits: the first 20 kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Decoded d =
            Decode(FromHex(std::string("0004") + c.address + "0000" + "42101332959540" + "00"), 1);
        EXPECT_EQ(d.message.partyType, c.type);
        EXPECT_STREQ(d.message.partyDigits, c.party);
    }
}

TEST(GsmPdu, AlphanumericNamesAreCutAtACharacter) {
    // Eleven Greek capitals (two UTF-8 bytes each) fill the 10-octet address value; the
    // party field keeps ten of them.
    const Decoded d = Decode(FromHex("00 04 14D0 10080402814020100804 0000 42101332959540 00"), 1);
    EXPECT_STREQ(d.message.partyDigits, "ΔΔΔΔΔΔΔΔΔΔ");
}

TEST(GsmPdu, StatusReportAndCommand) {
    // Message type 2: a status report when received, a command when sent.
    const Decoded report =
        Decode(FromHex("00 06 2A 0B914151550521F3 42101332959540 42101332959540 00"), 1);
    EXPECT_EQ(report.result, 1);
    EXPECT_STREQ(report.message.partyDigits, "14155550123");
    EXPECT_EQ(Scts(report.message), "42101332959540");
    EXPECT_STREQ(report.message.text, "");
    const Decoded command = Decode(FromHex("00 02 2A 00 01 00 0B914151550521F3 00"), 0);
    EXPECT_EQ(command.result, 1);
    EXPECT_STREQ(command.message.partyDigits, "14155550123");
}

TEST(GsmPdu, TimeZone) {
    struct Case {
        unsigned char octet;
        int minutes;
    };
    // As stored: the tens digit in the low nibble, its bit 3 the sign.
    const Case cases[] = {{0x00, 0}, {0x23, 480}, {0x2B, -480}, {0x40, 60}, {0x80, 120},
                          {0x08, 0}, {0x94, 735}, {0x9C, -735}, {0x15, 765}};
    for (const Case& c : cases) {
        EXPECT_EQ(CMyTools::gsmTimeZone(c.octet), c.minutes) << int{c.octet};
    }
}

TEST(GsmPdu, MalformedRecords) {
    struct Case {
        const char* pdu;
        int deliver;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {"", 1, "", "all filler: the address length runs past the record"},
        {"0C91 683108100005F0FFFFFFFF 04 0181F1 00 00 42101332959540 02 C834", 1, "Hi",
         "a service-centre address above 11 octets"},
        {"00 04 FF81", 1, "", "an address running past the record"},
        {"00 04 1581 21436587092143658709F1 0000 42101332959540 02 C834", 1, "Hi",
         "an address above 20 digits"},
        {"00 04 0181F1 00 00 42101332959540 A1 C834", 1, "Hi", "a user data length above 160"},
        {"00 04 0181F1 00 08 42101332959540 8D 0048", 1, "H", "a UCS2 length above 140 octets"},
        {"00 44 0181F1 00 00 42101332959540 05 2000", 1, "", "a header longer than the data"},
        {"00 44 0181F1 00 00 42101332959540 02 0100", 1, "",
         "a header longer than the length in septets"},
        {"00 03 0181F1 00 00", 1, "", "the reserved message type"},
        {"00 04 0181F1 00 24 42101332959540 02 4869", 1, "", "compressed text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Decoded d = Decode(FromHex(c.pdu), c.deliver);
        EXPECT_EQ(d.result, 0);
        EXPECT_TRUE(std::string(d.message.text).starts_with(c.text)) << d.message.text;
    }
}

TEST(GsmPdu, UserDataRunningPastTheRecordKeepsWhatIsThere) {
    // An SMS-SUBMIT with an 11-octet service-centre address, a 20-digit destination and an
    // absolute validity period leaves 139 octets for 160 septets: 158 of them are there.
    std::string hex =
        "0B91 21436587092143658709 19 00 1491 21436587092143658709 00 00 "
        "42101332959540 A0";
    std::string septets;
    for (int i = 0; i < 139; ++i) {
        septets += "E170381C0E87C3"[(i % 7) * 2];
        septets += "E170381C0E87C3"[(i % 7) * 2 + 1];
    }
    const Decoded d = Decode(FromHex(hex + septets), 0);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(std::string(d.message.text), std::string(158, 'a'));
}

SM_PARAM Message(unsigned char scType, const char* sc, unsigned char partyType, const char* party,
                 unsigned char dcs, const std::string& text) {
    SM_PARAM m{};
    m.scType = scType;
    std::memcpy(m.scDigits, sc, strnlen(sc, sizeof m.scDigits));
    m.partyType = partyType;
    std::memcpy(m.partyDigits, party, strnlen(party, sizeof m.partyDigits));
    m.dcs = dcs;
    std::memcpy(m.text, text.data(), std::min(text.size(), sizeof m.text - 1));
    return m;
}

std::string Encode(const SM_PARAM& m, int* written = nullptr) {
    char record[kPduSize + 1];
    record[kPduSize] = '\x5A';
    const int n = CMyTools::gsmEncodePdu(&m, record);
    EXPECT_EQ(record[kPduSize], '\x5A') << "wrote past the record";
    for (std::size_t i = static_cast<std::size_t>(n); i < kPduSize; ++i) {
        EXPECT_EQ(record[i], '\xFF') << "no filler at " << i;
    }
    if (written != nullptr) {
        *written = n;
    }
    return ToHex(reinterpret_cast<unsigned char*>(record), static_cast<std::size_t>(n));
}

TEST(GsmPdu, EncodesAnSmsSubmit) {
    struct Case {
        SM_PARAM message;
        const char* pdu;
        const char* why;
    };
    const Case cases[] = {
        {Message(0x91, "8613800100500", 0x81, "13800138000", 0, "OK"),
         "0891683108100005F0"
         "1100"
         "0B813108108300F0"
         "0000A7"
         "02CF25",
         "7-bit"},
        {Message(0x91, "8613800100500", 0x91, "8613912345678", 8, "中文"),
         "0891683108100005F0"
         "1100"
         "0D91683119325476F8"
         "0008A7"
         "044E2D6587",
         "UCS2"},
        {Message(0x91, "", 0x81, "", 0, ""),
         "00"
         "1100"
         "0081"
         "0000A7"
         "00",
         "no service centre, no number, no text"},
        {Message(0x00, "123", 0x00, "555-12+34", 0, "{"),
         "038121F3"
         "1100"
         "0781551532F4"
         "0000A7"
         "021B14",
         "a type without its top bit, separators in the number"},
        {Message(0x91, "12345678901234567890", 0x91, "123456789012345678901", 0x18, "A"),
         "0B9121436587092143658709"
         "1100"
         "1491"
         "21436587092143658709"
         "0008A7"
         "020041",
         "20 digits without a terminator, 21 cut to 20, UCS2 of class 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string expected;
        for (const char* p = c.pdu; *p != '\0'; ++p) {
            if (*p != ' ') {
                expected += *p;
            }
        }
        EXPECT_EQ(Encode(c.message), expected);
    }
}

TEST(GsmPdu, LongTextsAreCutAtACharacter) {
    struct Case {
        unsigned char dcs;
        std::string text;
        std::string kept;
        const char* why;
    };
    const std::string a159(159, 'a');
    std::string cjk70;
    for (int i = 0; i < 70; ++i) {
        cjk70 += "中";
    }
    const std::string cjk69 = cjk70.substr(0, 69 * 3);
    const Case cases[] = {
        {0, std::string(200, 'a'), std::string(160, 'a'), "160 septets"},
        {0, a159 + "€", a159, "an escape pair is not split"},
        {0, a159 + "b€", a159 + "b", "a last single septet fits"},
        {8, cjk70 + "中", cjk70, "70 UCS2 characters"},
        {8, cjk69 + "😀", cjk69, "a surrogate pair is not split"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const SM_PARAM m = Message(0x91, "8613800100500", 0x91, "8613912345678", c.dcs, c.text);
        int n = 0;
        const std::string hex = Encode(m, &n);
        const Decoded d = Decode(FromHex(hex), 0);
        EXPECT_EQ(d.result, 1);
        EXPECT_EQ(std::string(d.message.text), c.kept);
    }
}

TEST(GsmPdu, EncoderStaysInsideTheRecordAtEveryLength) {
    // The largest addresses with every text length up to beyond what a message holds.
    for (int length = 0; length <= 200; ++length) {
        SCOPED_TRACE(length);
        std::string latin(static_cast<std::size_t>(length), 'x');
        std::string cjk;
        for (int i = 0; i < length; ++i) {
            cjk += "文";
        }
        for (const auto& [dcs, text] : {std::pair<unsigned char, std::string>{0, latin},
                                        std::pair<unsigned char, std::string>{8, cjk}}) {
            const SM_PARAM m =
                Message(0x91, "12345678901234567890", 0x91, "12345678901234567890", dcs, text);
            int n = 0;
            Encode(m, &n);
            EXPECT_LE(n, 170);
        }
    }
}

TEST(GsmPdu, NullArguments) {
    SM_PARAM m{};
    char record[kPduSize] = {};
    EXPECT_EQ(CMyTools::gsmDecodePdu(nullptr, &m, 1), 0);
    EXPECT_EQ(CMyTools::gsmDecodePdu(record, nullptr, 1), 0);
    EXPECT_EQ(CMyTools::gsmEncodePdu(nullptr, record), 0);
    EXPECT_EQ(CMyTools::gsmEncodePdu(&m, nullptr), 0);
}

}  // namespace
