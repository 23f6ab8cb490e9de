// The CDMA card's message record: cdmaDecodePdu and encodesms (3GPP2 C.S0023 3.4.27,
// C.S0015).
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "records/CMyTools.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr std::size_t kRecordSize = CMyTools::kCdmaRecordSize;
constexpr std::size_t kPduSize = kRecordSize - 1;

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

// Bit fields, most significant bit first, as C.S0015 lays them out.
class Bits {
public:
    Bits& Put(unsigned width, unsigned value) {
        for (unsigned i = width; i-- > 0; ++bit_) {
            if (bit_ % 8 == 0) {
                bytes_.push_back(0);
            }
            if (value >> i & 1) {
                bytes_.back() |= static_cast<unsigned char>(0x80 >> bit_ % 8);
            }
        }
        return *this;
    }
    Bytes bytes() const { return bytes_; }

private:
    Bytes bytes_;
    std::size_t bit_ = 0;
};

Bytes Param(unsigned char id, const Bytes& value) {
    Bytes out = {id, static_cast<unsigned char>(value.size())};
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// C.S0015 4.5.1: MESSAGE_TYPE, MESSAGE_ID, HEADER_IND.
Bytes MessageId(unsigned type, unsigned id, bool header = false) {
    return Param(0x00, Bits().Put(4, type).Put(16, id).Put(1, header).Put(3, 0).bytes());
}

// C.S0015 4.5.2: MSG_ENCODING, NUM_FIELDS and the characters.
Bytes UserData(unsigned encoding, unsigned width, const std::vector<unsigned>& characters,
               int messageType = -1) {
    Bits bits;
    bits.Put(5, encoding);
    if (messageType >= 0) {
        bits.Put(8, static_cast<unsigned>(messageType));
    }
    bits.Put(8, static_cast<unsigned>(characters.size()));
    for (unsigned c : characters) {
        bits.Put(width, c);
    }
    return Param(0x01, bits.bytes());
}

// C.S0015 3.4.3.3 with DTMF digits.
Bytes DtmfAddress(unsigned char id, const std::vector<unsigned>& codes) {
    Bits bits;
    bits.Put(1, 0).Put(1, 0).Put(8, static_cast<unsigned>(codes.size()));
    for (unsigned code : codes) {
        bits.Put(4, code);
    }
    return Param(id, bits.bytes());
}

std::vector<unsigned> Dtmf(const char* digits) {
    std::vector<unsigned> codes;
    for (const char* p = digits; *p != '\0'; ++p) {
        codes.push_back(*p == '0' ? 10u : static_cast<unsigned>(*p - '0'));
    }
    return codes;
}

Bytes AsciiAddress(unsigned char id, bool dataNetwork, unsigned type, const char* text) {
    Bits bits;
    bits.Put(1, 1).Put(1, dataNetwork).Put(3, type);
    if (!dataNetwork) {
        bits.Put(4, 1);
    }
    bits.Put(8, static_cast<unsigned>(std::strlen(text)));
    for (const char* p = text; *p != '\0'; ++p) {
        bits.Put(8, static_cast<unsigned char>(*p));
    }
    return Param(id, bits.bytes());
}

// A point-to-point message with teleservice 4098 and these parameters.
Bytes Message(std::initializer_list<Bytes> parameters) {
    Bytes out = {0x00, 0x00, 0x02, 0x10, 0x02};
    for (const Bytes& p : parameters) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes Bearer(std::initializer_list<Bytes> subparameters) {
    return Param(0x08, Join(subparameters));
}

// The record after its status byte: the message length, the message, 0xFF after it.
Bytes AfterStatus(const Bytes& message) {
    Bytes out = {static_cast<unsigned char>(message.size())};
    out.insert(out.end(), message.begin(), message.end());
    return out;
}

struct Decoded {
    int result;
    SM_PARAM message;
};

Decoded Decode(const Bytes& pdu, int deliver) {
    // Exactly the record's bytes after the status byte.
    auto record = std::make_unique<char[]>(kPduSize);
    std::memset(record.get(), 0xFF, kPduSize);
    if (!pdu.empty()) {
        std::memcpy(record.get(), pdu.data(), std::min(pdu.size(), kPduSize));
    }
    Decoded d{};
    d.result = CMyTools::cdmaDecodePdu(record.get(), &d.message, deliver);
    EXPECT_LT(strnlen(d.message.partyDigits, sizeof d.message.partyDigits),
              sizeof d.message.partyDigits);
    EXPECT_LT(strnlen(d.message.text, sizeof d.message.text), sizeof d.message.text);
    return d;
}

std::string Scts(const SM_PARAM& m) {
    char text[15];
    for (int i = 0; i < 7; ++i) {
        std::snprintf(text + 2 * i, 3, "%02X", m.scts[i]);
    }
    return text;
}

// The demo card's R-UIM records, after the status byte.
struct DemoCase {
    const char* pdu;
    int deliver;
    const char* party;
    unsigned char dcs;
    const char* scts;
    const char* text;
};
const DemoCase kDemo[] = {
    {"380000021002020702C4CC48D159E008280003100010011910D44D3BB765E4830F440E1FA0A59786CF282C"
     "A0DFC904E5C00306240302190500",
     1, "13312345678", 0, "24030219050000", "Dinner at 8? Reply Y or N."},
    {"46000002100202040146AAA808390003100020012A20A30543B4245EEC69CA7ACCC4EA71D0019801A80170"
     "01B001828A1FF8645FBA9E532FB28A2A81E180100306240305083012",
     1, "10000", 8, "24030508301200", "您的话费余额为35.60元，请及时充值。"},
    {"270000021002040702C4CC48D159E00817000320003001101085958839E5CA83CEFEA83A68CBCB28", 0,
     "13312345678", 0, "00000000000000", "Y, see you there"},
    {"1F0000021002040702C62448D159E0080F00032000400108201B3072C94C4E08", 0, "18912345678", 8,
     "00000000000000", "明天见"},
};

TEST(CdmaPdu, DecodesTheDemoCardsMessages) {
    for (const DemoCase& c : kDemo) {
        SCOPED_TRACE(c.text);
        const Decoded d = Decode(FromHex(c.pdu), c.deliver);
        EXPECT_EQ(d.result, 1);
        EXPECT_EQ(d.message.partyType, 0x81);
        EXPECT_STREQ(d.message.partyDigits, c.party);
        EXPECT_EQ(d.message.dcs, c.dcs);
        EXPECT_EQ(Scts(d.message), c.scts);
        EXPECT_STREQ(d.message.text, c.text);
    }
}

TEST(CdmaPdu, Encodings) {
    struct Case {
        unsigned encoding;
        unsigned width;
        std::vector<unsigned> characters;
        int messageType;
        int result;
        const char* text;
        unsigned char dcs;
        const char* why;
    };
    const Case cases[] = {
        {0, 8, {'H', 'i'}, -1, 1, "Hi", 4, "octets, shown as Latin-1"},
        {2, 7, {'H', 'i'}, -1, 1, "Hi", 0, "7-bit ASCII"},
        {2, 7, {'a', 0x01, 'b', '\n'}, -1, 1, "a?b\n", 0, "a control character"},
        {3, 7, {'H', 'i'}, -1, 1, "Hi", 0, "IA5"},
        {4, 16, {0x4E2D, 0x6587}, -1, 1, "中文", 8, "Unicode"},
        {4, 16, {0xD83D, 0xDE00}, -1, 1, "😀", 8, "Unicode, a surrogate pair"},
        {4, 16, {'a', 0x07, 0x00, 'b'}, -1, 1, "a??b", 8, "Unicode control characters"},
        {5, 8, {0x82, 0xA0, 0xB1}, -1, 1, "あｱ", 4, "Shift-JIS"},
        {6, 8, {0xB0, 0xA1}, -1, 1, "가", 4, "Korean"},
        {7, 8, {0xE0, 0x20, 0x41}, -1, 1, "א A", 4, "Latin/Hebrew"},
        {8, 8, {'c', 'a', 'f', 0xE9}, -1, 1, "café", 4, "Latin"},
        {9, 7, {0x48, 0x69, 0x1B, 0x65}, -1, 1, "Hi€", 0, "GSM 7-bit"},
        {10, 16, {0x4E2D}, 0x08, 1, "中", 8, "a GSM data coding scheme: UCS2"},
        {10, 7, {0x48, 0x69}, 0x00, 1, "Hi", 0, "a GSM data coding scheme: 7-bit"},
        {1, 6, {0x01, 0x02}, 0x83, 0, "", 0, "IS-91 extended protocol: not read"},
        {31, 8, {'H'}, -1, 0, "", 0, "an unassigned encoding"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Bytes pdu = AfterStatus(
            Message({DtmfAddress(0x02, Dtmf("1")),
                     Bearer({MessageId(1, 7),
                             UserData(c.encoding, c.width, c.characters, c.messageType)})}));
        const Decoded d = Decode(pdu, 1);
        EXPECT_EQ(d.result, c.result);
        EXPECT_STREQ(d.message.text, c.text);
        EXPECT_EQ(d.message.dcs, c.dcs);
        EXPECT_STREQ(d.message.partyDigits, "1");
    }
}

TEST(CdmaPdu, UserDataHeaderIsSkipped) {
    // HEADER_IND set: a TS 23.040 header (concatenation, 6 octets) leads the characters.
    const std::vector<unsigned> header = {0x05, 0x00, 0x03, 0x2A, 0x02, 0x01};
    std::vector<unsigned> octets = header;
    octets.insert(octets.end(), {'H', 'i'});
    // 7-bit characters: the 48 header bits and one fill bit take seven characters.
    Bits seven;
    seven.Put(5, 2).Put(8, 7 + 2);
    for (unsigned b : header) {
        seven.Put(8, b);
    }
    seven.Put(1, 0).Put(7, 'H').Put(7, 'i');
    struct Case {
        Bytes userData;
        const char* why;
    };
    const Case cases[] = {
        {UserData(0, 8, octets), "octets"},
        {UserData(4, 16, {0x0500, 0x032A, 0x0201, 'H', 'i'}), "Unicode"},
        {Param(0x01, seven.bytes()), "7-bit ASCII after a fill bit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Bytes pdu = AfterStatus(
            Message({DtmfAddress(0x02, Dtmf("1")), Bearer({MessageId(1, 7, true), c.userData})}));
        const Decoded d = Decode(pdu, 1);
        EXPECT_EQ(d.result, 1);
        EXPECT_STREQ(d.message.text, "Hi");
    }
}

TEST(CdmaPdu, Addresses) {
    struct Case {
        Bytes address;
        unsigned char type;
        const char* party;
        int result;
        const char* why;
    };
    const Case cases[] = {
        {DtmfAddress(0x02, Dtmf("13312345678")), 0x81, "13312345678", 1, "DTMF digits"},
        {DtmfAddress(0x02, {11, 12, 10}), 0x81, "*#0", 1, "star, hash and zero"},
        {DtmfAddress(0x02, {0, 13, 1}), 0x81, "??1", 1, "codes that are not digits"},
        {DtmfAddress(0x02, Dtmf("1234567890123456789012345")), 0x81, "12345678901234567890", 1,
         "25 digits: the first 20 kept"},
        {AsciiAddress(0x02, false, 1, "8613912345678"), 0x91, "8613912345678", 1,
         "ASCII digits, international"},
        {AsciiAddress(0x02, false, 0, "+14155550123"), 0x91, "14155550123", 1,
         "ASCII with a leading '+'"},
        {AsciiAddress(0x02, true, 2, "bob@example.com"), 0x81, "bob@example.com", 1,
         "an e-mail address"},
        {Param(0x02, Bits().Put(1, 0).Put(1, 0).Put(8, 9).Put(4, 1).Put(4, 2).bytes()), 0x81, "12?",
         0, "more digits announced than there are (the padding reads as a code 0)"},
        {Param(0x02, {0x00}), 0x81, "", 0, "cut inside the header"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Bytes pdu = AfterStatus(Message({c.address}));
        const Decoded d = Decode(pdu, 1);
        EXPECT_EQ(d.result, c.result);
        EXPECT_STREQ(d.message.partyDigits, c.party);
        if (c.result == 1) {
            EXPECT_EQ(d.message.partyType, c.type);
        }
    }
}

TEST(CdmaPdu, ChoosesTheAddressByDirection) {
    const Bytes both =
        AfterStatus(Message({DtmfAddress(0x02, Dtmf("111")), DtmfAddress(0x04, Dtmf("222"))}));
    EXPECT_STREQ(Decode(both, 1).message.partyDigits, "111");
    EXPECT_STREQ(Decode(both, 0).message.partyDigits, "222");
    const Bytes destinationOnly = AfterStatus(Message({DtmfAddress(0x04, Dtmf("222"))}));
    EXPECT_STREQ(Decode(destinationOnly, 1).message.partyDigits, "222");
}

TEST(CdmaPdu, MalformedRecords) {
    struct Case {
        Bytes pdu;
        const char* text;
        const char* why;
    };
    const Bytes hello = UserData(2, 7, {'H', 'i'});
    Bytes longLength = AfterStatus(Message({Bearer({hello})}));
    longLength[0] = 0xFE;
    const Case cases[] = {
        {{}, "", "all filler: a message type that does not exist"},
        {{0x00}, "", "a message length of zero"},
        {{0x01, 0x03}, "", "an unknown transport message type"},
        {longLength, "Hi", "a message length beyond the record"},
        {AfterStatus(Join({Message({}), {0x08, 0x30, 0x01}})), "",
         "a parameter running past the message"},
        {AfterStatus(Message(
             {Bearer({Param(0x01, Bits().Put(5, 2).Put(8, 40).Put(7, 'H').Put(7, 'i').bytes())})})),
         "Hi", "more characters announced than there are"},
        {AfterStatus(Message({Bearer({Param(0x03, {0x24, 0x03})})})), "",
         "a time stamp shorter than six octets"},
        {AfterStatus(Message({Bearer({Param(0x00, {0x10})})})), "",
         "a message identifier cut short"},
        {AfterStatus(Message({Bearer({MessageId(1, 1, true), UserData(0, 8, {0x09, 'H'})})})), "",
         "a header longer than the characters"},
        {AfterStatus(Message({Bearer({Param(0x01, {0x10})})})), "", "user data cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Decoded d = Decode(c.pdu, 1);
        EXPECT_EQ(d.result, 0);
        EXPECT_TRUE(std::string(d.message.text).starts_with(c.text)) << d.message.text;
    }
}

// encodesms into the caller's 260-byte area; the five bytes after the record stay as they
// were.
Bytes EncodeSms(const std::string& text, const std::string& number) {
    unsigned char area[260];
    std::memset(area, 0, kRecordSize);
    std::memset(area + kRecordSize, 0x5A, sizeof area - kRecordSize);
    std::string textCopy = text;
    std::string numberCopy = number;
    CMyTools::encodesms(area, textCopy.data(), static_cast<unsigned char>(text.size()),
                        numberCopy.data(), static_cast<unsigned char>(number.size()));
    for (std::size_t i = kRecordSize; i < sizeof area; ++i) {
        EXPECT_EQ(area[i], 0x5A) << "wrote past the record at " << i;
    }
    const std::size_t end = 2 + std::size_t{area[1]};
    for (std::size_t i = end; i < kRecordSize; ++i) {
        EXPECT_EQ(area[i], 0xFF) << "no filler at " << i;
    }
    return Bytes(area, area + kRecordSize);
}

TEST(CdmaEncode, LaysOutTheRecordAsThePhoneDoes) {
    // The demo card's sent messages, made by a phone: the same bytes but for the message
    // identifier's value (record bytes 20 to 22).
    struct Case {
        const char* text;
        const char* number;
        const char* record;
    };
    const Case cases[] = {
        {"Y, see you there", "13312345678",
         "07270000021002040702C4CC48D159E00817000320003001101085958839E5CA83CEFEA83A68CBCB28"},
        {"明天见", "18912345678",
         "071F0000021002040702C62448D159E0080F00032000400108201B3072C94C4E08"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Bytes expected = FromHex(c.record);
        const Bytes record = EncodeSms(c.text, c.number);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (i >= 20 && i <= 22) {
                continue;
            }
            EXPECT_EQ(record[i], expected[i]) << "byte " << i;
        }
        EXPECT_EQ(record[20] >> 4, 2) << "MESSAGE_TYPE: SMS Submit";
        EXPECT_EQ(record[22] & 0x08, 0) << "HEADER_IND clear";
    }
}

TEST(CdmaEncode, RoundTrip) {
    std::string emoji63;
    for (int i = 0; i < 63; ++i) {
        emoji63 += "😀";
    }
    struct Case {
        std::string text;
        std::string number;
        unsigned char type;
        std::string party;
        std::string kept;
        const char* why;
    };
    const Case cases[] = {
        {"Hello", "13312345678", 0x81, "13312345678", "Hello", "ASCII"},
        {"您好，世界", "10086", 0x81, "10086", "您好，世界", "Unicode"},
        {"Hi", "+8613912345678", 0x91, "8613912345678", "Hi", "international"},
        {"Hi", "(555) 123-4567", 0x81, "5551234567", "Hi", "separators skipped"},
        {"*#", "*123#", 0x81, "*123#", "*#", "star and hash"},
        {"", "", 0x81, "", "", "nothing at all"},
        {"tab\there", "1", 0x81, "1", "tab\there", "a tab"},
        {std::string(255, 'a'), "13312345678", 0x81, "13312345678", std::string(255, 'a'),
         "255 letters fit"},
        {std::string(255, 'a'), "+" + std::string(40, '9'), 0x91, std::string(20, '9'),
         std::string(229, 'a'), "32 digits kept, the text cut to what is left"},
        {emoji63, "1", 0x81, "1", emoji63.substr(0, 58 * 4), "116 units: pairs not split"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Bytes record = EncodeSms(c.text, c.number);
        EXPECT_EQ(record[0], 0x07);
        const Decoded d = Decode(Bytes(record.begin() + 1, record.end()), 0);
        EXPECT_EQ(d.result, 1);
        EXPECT_EQ(d.message.partyType, c.type);
        EXPECT_EQ(std::string(d.message.partyDigits), c.party);
        EXPECT_EQ(std::string(d.message.text), c.kept);
    }
}

TEST(CdmaEncode, ReadsOnlyTheGivenLengths) {
    char text[] = "Hello there";
    char number[] = "13312345678";
    unsigned char area[260] = {};
    CMyTools::encodesms(area, text, 5, number, 3);
    const Decoded d = Decode(Bytes(area + 1, area + kRecordSize), 0);
    EXPECT_STREQ(d.message.text, "Hello");
    EXPECT_STREQ(d.message.partyDigits, "133");
    // A length beyond the text's terminating zero stops at the zero.
    std::memset(area, 0, sizeof area);
    CMyTools::encodesms(area, text, 200, nullptr, 20);
    EXPECT_STREQ(Decode(Bytes(area + 1, area + kRecordSize), 0).message.text, "Hello there");
}

TEST(CdmaEncode, ALengthThatCutsACharacterLeavesItOut) {
    // The caller passes the text's length as a byte; a cut inside "文" (three bytes) drops it.
    for (int cut = 0; cut <= 3; ++cut) {
        SCOPED_TRACE(cut);
        char text[] = "ab文";
        char number[] = "1";
        unsigned char area[260] = {};
        CMyTools::encodesms(area, text, static_cast<unsigned char>(2 + cut), number, 1);
        const Decoded d = Decode(Bytes(area + 1, area + kRecordSize), 0);
        EXPECT_STREQ(d.message.text, cut == 3 ? "ab文" : "ab");
    }
}

TEST(CdmaEncode, SameDraftSameRecord) {
    EXPECT_EQ(EncodeSms("Hi", "123"), EncodeSms("Hi", "123"));
}

}  // namespace
