// The 7-bit packing and the PDU codec checked against an independent implementation,
// libosmocore (a test-only dependency), over many generated messages. The test program
// defines TELVANE_LIBOSMOCORE when it links libosmocore and libosmogsm; without them the
// check is skipped.
#include <gtest/gtest.h>

#if defined(TELVANE_LIBOSMOCORE)

#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" {
// gsm0411_utils.h uses the alphabet enumeration of this one without including it.
#include <osmocom/gsm/protocol/gsm_04_11.h>

#include <osmocom/gsm/gsm0411_utils.h>
#include <osmocom/gsm/gsm48_ie.h>
#include <osmocom/gsm/gsm_utils.h>
}

#include "records/CMyTools.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr int kMessages = 4000;
constexpr std::size_t kPduSize = CMyTools::kGsmRecordSize - 1;

// The characters both codecs read the same way: printable ASCII in the default alphabet
// and its extension table, and the line breaks.
const std::string& CommonCharacters() {
    static const std::string characters = [] {
        std::string s = "\n\r";
        for (char c = 0x20; c < 0x7F; ++c) {
            if (c != '`') {
                s += c;
            }
        }
        return s;
    }();
    return characters;
}

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string Text(int maxLength) {
        const std::string& characters = CommonCharacters();
        std::string text;
        const int length = Below(maxLength + 1);
        for (int i = 0; i < length; ++i) {
            text +=
                characters[static_cast<std::size_t>(Below(static_cast<int>(characters.size())))];
        }
        return text;
    }

    std::string Digits(int maxLength) {
        std::string digits;
        const int length = Below(maxLength + 1);
        for (int i = 0; i < length; ++i) {
            digits += static_cast<char>('0' + Below(10));
        }
        return digits;
    }

private:
    std::mt19937 random_;
};

// Septets a text takes, escapes counted.
int SeptetCount(const std::string& text) {
    int count = 0;
    for (char c : text) {
        count += std::strchr("^{}\\[~]|", c) != nullptr ? 2 : 1;
    }
    return count;
}

// The service-centre address as libosmocore's TS 24.008 BCD number encoder writes it.
Bytes OsmoServiceCentre(unsigned char type, const std::string& digits) {
    if (digits.empty()) {
        return {0x00};
    }
    uint8_t lv[16] = {};
    lv[1] = type;
    const int n = gsm48_encode_bcd_number(lv, sizeof lv, 1, digits.c_str());
    return Bytes(lv, lv + n);
}

// A TP address as libosmocore's TS 23.040 encoder writes it.
Bytes OsmoAddress(unsigned char type, const std::string& digits) {
    uint8_t oa[16] = {};
    const int n = gsm340_gen_oa(oa, sizeof oa, (type >> 4) & 7, type & 0x0F, digits.c_str());
    return Bytes(oa, oa + n);
}

TEST(Libosmocore, SubmitPdusMatchTheirEncoding) {
    Generator generate(20240315);
    for (int i = 0; i < kMessages; ++i) {
        SM_PARAM message{};
        const std::string sc = generate.Digits(20);
        const std::string party = generate.Digits(20);
        std::string text = generate.Text(170);
        while (SeptetCount(text) > 160) {
            text.pop_back();
        }
        message.scType = generate.Below(2) ? 0x91 : 0x81;
        std::memcpy(message.scDigits, sc.data(), sc.size());
        message.partyType = generate.Below(2) ? 0x91 : 0x81;
        std::memcpy(message.partyDigits, party.data(), party.size());
        std::memcpy(message.text, text.data(), text.size());
        SCOPED_TRACE(testing::Message() << sc << " " << party << " " << text);

        Bytes expected = OsmoServiceCentre(message.scType, sc);
        expected.insert(expected.end(), {0x11, 0x00});
        const Bytes address = OsmoAddress(message.partyType, party);
        expected.insert(expected.end(), address.begin(), address.end());
        expected.insert(expected.end(), {0x00, 0x00, 0xA7});
        uint8_t userData[160] = {};
        int octets = 0;
        const int septets = gsm_7bit_encode_n(userData, sizeof userData, text.c_str(), &octets);
        expected.push_back(static_cast<unsigned char>(septets));
        expected.insert(expected.end(), userData, userData + octets);

        char record[kPduSize];
        const int n = CMyTools::gsmEncodePdu(&message, record);
        ASSERT_EQ(Bytes(record, record + n), expected);
    }
}

// An SMS-DELIVER assembled from libosmocore's encoders: service centre, originator, then
// the packed text after an optional concatenation header (TS 23.040 9.2.3.24.1).
struct OsmoDeliver {
    Bytes pdu;
    Bytes userData;  // TP-UD
    int length;      // TP-UDL
};

OsmoDeliver BuildDeliver(Generator& generate, const std::string& party, const std::string& text,
                         bool header, const Bytes& scts) {
    OsmoDeliver d;
    d.pdu = OsmoServiceCentre(0x91, generate.Digits(20));
    d.pdu.push_back(header ? 0x44 : 0x04);
    const Bytes address = OsmoAddress(0x91, party);
    d.pdu.insert(d.pdu.end(), address.begin(), address.end());
    d.pdu.insert(d.pdu.end(), {0x00, 0x00});
    d.pdu.insert(d.pdu.end(), scts.begin(), scts.end());
    uint8_t septets[200];
    const int count = gsm_septet_encode(septets, text.c_str());
    if (header) {
        const Bytes udh = {0x05, 0x00, 0x03, static_cast<unsigned char>(generate.Below(256)),
                           0x02, 0x01};
        const int headerSeptets = (6 * 8 + 6) / 7;
        uint8_t packed[200] = {};
        const int octets = gsm_septet_pack(packed, septets, static_cast<size_t>(count),
                                           static_cast<uint8_t>(headerSeptets * 7 - 6 * 8));
        d.userData = udh;
        d.userData.insert(d.userData.end(), packed, packed + octets);
        d.length = headerSeptets + count;
    } else {
        uint8_t packed[200] = {};
        const int octets = gsm_septet_pack(packed, septets, static_cast<size_t>(count), 0);
        d.userData.assign(packed, packed + octets);
        d.length = count;
    }
    d.pdu.push_back(static_cast<unsigned char>(d.length));
    d.pdu.insert(d.pdu.end(), d.userData.begin(), d.userData.end());
    return d;
}

TEST(Libosmocore, DeliverPdusTheyEncodeDecodeToTheirText) {
    Generator generate(20240401);
    for (int i = 0; i < kMessages; ++i) {
        const bool header = i % 2 == 1;
        const std::string party = generate.Digits(20);
        std::string text = generate.Text(160);
        while (SeptetCount(text) > (header ? 153 : 160)) {
            text.pop_back();
        }
        // (libosmocore's gsm340_scts does not read a time zone's sign, so the zone is
        // checked by the codec's own tests instead.)
        const Bytes scts = {0x42, 0x50, 0x02, 0x01, 0x02, 0x03, 0x23};
        SCOPED_TRACE(testing::Message() << party << " " << text << " header " << header);
        const OsmoDeliver d = BuildDeliver(generate, party, text, header, scts);

        char record[kPduSize];
        std::memset(record, 0xFF, sizeof record);
        std::memcpy(record, d.pdu.data(), d.pdu.size());
        SM_PARAM message{};
        ASSERT_EQ(CMyTools::gsmDecodePdu(record, &message, 1), 1);
        ASSERT_EQ(std::string(message.text), text);
        ASSERT_EQ(Bytes(message.scts, message.scts + 7), scts);
        // libosmocore's own reading of the same user data agrees.
        char theirs[200] = {};
        gsm_7bit_decode_n_hdr(theirs, sizeof theirs, d.userData.data(),
                              static_cast<uint8_t>(d.length), header ? 1 : 0);
        ASSERT_EQ(std::string(theirs), text);
        // The originator, as libosmocore reads a BCD number (the TP address's length
        // counts digits; make it the octet count its reader expects).
        Bytes lv(d.pdu.begin() + 1 + d.pdu[0] + 1, d.pdu.end());
        lv[0] = static_cast<unsigned char>(1 + (lv[0] + 1) / 2);
        char digits[32] = {};
        gsm48_decode_bcd_number2(digits, sizeof digits, lv.data(), lv.size(), 1);
        ASSERT_EQ(std::string(message.partyDigits), digits);
        ASSERT_EQ(std::string(message.partyDigits), party);
    }
}

TEST(Libosmocore, TheirDecoderReadsOurSubmitUserData) {
    Generator generate(20240520);
    for (int i = 0; i < kMessages; ++i) {
        SM_PARAM message{};
        std::string text = generate.Text(170);
        while (SeptetCount(text) > 160) {
            text.pop_back();
        }
        std::memcpy(message.text, text.data(), text.size());
        char record[kPduSize];
        CMyTools::gsmEncodePdu(&message, record);
        // No service centre, SMS-SUBMIT, reference, empty destination, PID, DCS, VP.
        const auto* pdu = reinterpret_cast<const uint8_t*>(record);
        ASSERT_EQ(pdu[0], 0x00);
        const uint8_t length = pdu[8];
        char theirs[200] = {};
        gsm_7bit_decode_n(theirs, sizeof theirs, pdu + 9, length);
        ASSERT_EQ(std::string(theirs), text);
    }
}

}  // namespace

#else

TEST(Libosmocore, CrossCheck) {
    GTEST_SKIP() << "records_tests is built without libosmocore (TELVANE_LIBOSMOCORE)";
}

#endif
