#include "internal/PduGsm.h"

#include <algorithm>
#include <cstring>

#include "internal/GsmAlphabet.h"
#include "internal/GsmBcd.h"
#include "internal/GsmSeptets.h"
#include "internal/PduReader.h"
#include "internal/TextIconv.h"
#include "internal/TextUtf8.h"

namespace records::pdu {
namespace {

// TS 24.011 8.2.5.2: the RP address holds at most 11 octets after its length octet (the
// type and ten octets of digits); TS 23.040 9.1.2.5: a TP address at most 20 digits.
constexpr std::uint8_t kMaxScaLength = 11;
constexpr std::size_t kMaxDigits = 20;
// TS 23.040 9.2.3.16: at most 160 septets, or 140 octets, of user data.
constexpr std::size_t kMaxSeptets = 160;
constexpr std::size_t kMaxOctets = 140;

// TS 23.040 9.2.3.1: TP-MTI, the low two bits of the first octet.
constexpr std::uint8_t kDeliver = 0;
constexpr std::uint8_t kSubmit = 1;
constexpr std::uint8_t kStatusReportOrCommand = 2;
constexpr std::uint8_t kUserDataHeader = 0x40;  // TP-UDHI

// TS 24.008 10.5.4.7: type of number in bits 7-5 of the type octet.
constexpr std::uint8_t kTonMask = 0x70;
constexpr std::uint8_t kTonInternational = 0x10;
constexpr std::uint8_t kTonAlphanumeric = 0x50;
constexpr std::uint8_t kInternational = 0x91;
constexpr std::uint8_t kUnknownIsdn = 0x81;

// The alphabet code SM_PARAM's dcs field keeps (the general data coding group's value).
std::uint8_t AlphabetCode(Alphabet alphabet) {
    switch (alphabet) {
        case Alphabet::kEightBit:
            return 0x04;
        case Alphabet::kUcs2:
            return 0x08;
        case Alphabet::kGsm7:
            break;
    }
    return 0x00;
}

// TP-OA, TP-DA or TP-RA (TS 23.040 9.1.2.5) into the party fields. False when the address
// runs past the record.
bool ReadAddress(PduReader& reader, SM_PARAM& out, bool& wellFormed) {
    std::uint8_t length;  // useful semi-octets
    std::uint8_t type;
    if (!reader.Take(length) || !reader.Take(type)) {
        return false;
    }
    const std::uint8_t* value = reader.TakeBytes((length + 1u) / 2);
    if (value == nullptr) {
        return false;
    }
    if (length > kMaxDigits) {
        wellFormed = false;
    }
    std::memset(out.partyDigits, 0, sizeof out.partyDigits);
    if ((type & kTonMask) == kTonAlphanumeric) {
        // The name is GSM 7-bit packed text; the length counts the semi-octets it fills.
        std::uint8_t septets[255 * 4 / 7];
        const std::size_t count =
            gsm::UnpackSeptets(value, (length + 1u) / 2, 0, length * 4u / 7, septets);
        gsm::SeptetsToUtf8(septets, count, out.partyDigits, sizeof out.partyDigits);
        out.partyType = kUnknownIsdn;
        return true;
    }
    gsm::BcdToText(value, length, out.partyDigits, kMaxDigits);
    out.partyType = (type & kTonMask) == kTonInternational ? kInternational : kUnknownIsdn;
    return true;
}

// 8-bit data is the application's (TS 23.038 4); it shows as Latin-1 text.
void EightBitToText(const std::uint8_t* data, std::size_t n, SM_PARAM& out) {
    text::Utf8Writer writer(out.text, sizeof out.text);
    text::PutLatin1(writer, data, n);
}

// TP-UDL and TP-UD (TS 23.040 9.2.3.16, 9.2.3.24) into the text.
void ReadUserData(PduReader& reader, bool header, Coding coding, SM_PARAM& out, bool& wellFormed) {
    std::uint8_t length;
    if (!reader.Take(length)) {
        wellFormed = false;
        return;
    }
    if (coding.compressed) {
        wellFormed = false;  // TS 23.042 compression is not read
        return;
    }
    const bool septets = coding.alphabet == Alphabet::kGsm7;
    if (length > (septets ? kMaxSeptets : kMaxOctets)) {
        wellFormed = false;
    }
    std::size_t octets = septets ? gsm::PackedOctets(length) : length;
    if (octets > reader.left()) {
        wellFormed = false;
        octets = reader.left();
    }
    const std::uint8_t* data = reader.TakeBytes(octets);
    // The header: its length octet and that many octets; with 7-bit text the text starts on
    // the next septet boundary, after fill bits.
    std::size_t headerOctets = 0;
    if (header) {
        if (octets == 0 || std::size_t{data[0]} + 1 > octets) {
            wellFormed = false;
            return;
        }
        headerOctets = std::size_t{data[0]} + 1;
    }
    if (septets) {
        const std::size_t headerSeptets = (headerOctets * 8 + 6) / 7;
        if (headerSeptets > length) {
            wellFormed = false;
            return;
        }
        const auto fill = static_cast<unsigned>(headerSeptets * 7 - headerOctets * 8);
        std::uint8_t text[255];
        const std::size_t wanted = length - headerSeptets;
        const std::size_t count =
            gsm::UnpackSeptets(data + headerOctets, octets - headerOctets, fill, wanted, text);
        if (count < wanted) {
            wellFormed = false;
        }
        gsm::SeptetsToUtf8(text, count, out.text, sizeof out.text);
        return;
    }
    const std::uint8_t* body = data + headerOctets;
    const std::size_t n = octets - headerOctets;
    if (coding.alphabet == Alphabet::kUcs2) {
        text::Utf16BeToUtf8(body, n, out.text, sizeof out.text);
    } else {
        EightBitToText(body, n, out);
    }
}

// PID and DCS; false when they run past the record.
bool ReadPidDcs(PduReader& reader, Coding& coding, SM_PARAM& out) {
    std::uint8_t pid;
    std::uint8_t dcs;
    if (!reader.Take(pid) || !reader.Take(dcs)) {
        return false;
    }
    coding = ParseDcs(dcs);
    out.dcs = AlphabetCode(coding.alphabet);
    return true;
}

bool ReadTimeStamp(PduReader& reader, SM_PARAM& out) {
    const std::uint8_t* stamp = reader.TakeBytes(7);
    if (stamp == nullptr) {
        return false;
    }
    std::memcpy(out.scts, stamp, 7);
    return true;
}

// TS 23.040 9.2.2.1 SMS-DELIVER after its first octet.
bool ReadDeliver(PduReader& reader, std::uint8_t first, SM_PARAM& out) {
    bool wellFormed = true;
    Coding coding;
    if (!ReadAddress(reader, out, wellFormed) || !ReadPidDcs(reader, coding, out) ||
        !ReadTimeStamp(reader, out)) {
        return false;
    }
    ReadUserData(reader, first & kUserDataHeader, coding, out, wellFormed);
    return wellFormed;
}

// TS 23.040 9.2.2.2 SMS-SUBMIT after its first octet.
bool ReadSubmit(PduReader& reader, std::uint8_t first, SM_PARAM& out) {
    bool wellFormed = true;
    std::uint8_t reference;
    Coding coding;
    if (!reader.Take(reference) || !ReadAddress(reader, out, wellFormed) ||
        !ReadPidDcs(reader, coding, out)) {
        return false;
    }
    // TS 23.040 9.2.3.3 TP-VPF (bits 4-3): none, enhanced (7 octets), relative (1 octet),
    // absolute (7 octets, a time stamp).
    static constexpr std::size_t kValidityOctets[4] = {0, 7, 1, 7};
    if (reader.TakeBytes(kValidityOctets[first >> 3 & 3]) == nullptr) {
        return false;
    }
    ReadUserData(reader, first & kUserDataHeader, coding, out, wellFormed);
    return wellFormed;
}

// TS 23.040 9.2.2.3 SMS-STATUS-REPORT: the recipient and the service centre's time stamp.
bool ReadStatusReport(PduReader& reader, SM_PARAM& out) {
    bool wellFormed = true;
    std::uint8_t reference;
    std::uint8_t status;
    return reader.Take(reference) && ReadAddress(reader, out, wellFormed) &&
           ReadTimeStamp(reader, out) && reader.TakeBytes(7) != nullptr && reader.Take(status) &&
           wellFormed;
}

// TS 23.040 9.2.2.4 SMS-COMMAND: the destination.
bool ReadCommand(PduReader& reader, SM_PARAM& out) {
    bool wellFormed = true;
    std::uint8_t field;
    if (!reader.Take(field) || !reader.Take(field) || !reader.Take(field) || !reader.Take(field)) {
        return false;  // MR, PID, CT, MN
    }
    std::uint8_t dataLength;
    return ReadAddress(reader, out, wellFormed) && reader.Take(dataLength) &&
           reader.TakeBytes(dataLength) != nullptr && wellFormed;
}

// Appends the digits of text (at most kMaxDigits) as a TP address or an RP address.
std::size_t WriteDigits(const char* digits, std::size_t capacity, std::uint8_t* out,
                        std::size_t& count) {
    return gsm::TextToBcd(digits, strnlen(digits, capacity), out, kMaxDigits, true, &count);
}

}  // namespace

Coding ParseDcs(std::uint8_t dcs) {
    switch (dcs >> 4) {
        case 0x0:
        case 0x1:
        case 0x2:
        case 0x3:
        case 0x4:
        case 0x5:
        case 0x6:
        case 0x7: {
            // General data coding and automatic deletion: bit 5 compressed, bits 3-2 the
            // alphabet, the reserved value read as the default alphabet.
            static constexpr Alphabet kAlphabets[4] = {Alphabet::kGsm7, Alphabet::kEightBit,
                                                       Alphabet::kUcs2, Alphabet::kGsm7};
            return {kAlphabets[dcs >> 2 & 3], (dcs & 0x20) != 0};
        }
        case 0xE:
            return {Alphabet::kUcs2, false};  // message waiting, store, UCS2
        case 0xF:
            // Data coding and message class: bit 2 chooses 8-bit data.
            return {(dcs & 0x04) ? Alphabet::kEightBit : Alphabet::kGsm7, false};
        default:
            // Message waiting (discard, store) in the default alphabet; the reserved groups
            // 1000-1011 are read as the default alphabet too (TS 23.038 4).
            return {Alphabet::kGsm7, false};
    }
}

bool DecodeGsm(const std::uint8_t* pdu, std::size_t size, SM_PARAM& out, bool deliver) {
    PduReader reader(pdu, size);
    std::uint8_t scaLength;
    if (!reader.Take(scaLength)) {
        return false;
    }
    bool wellFormed = scaLength <= kMaxScaLength;
    if (scaLength > 0) {
        const std::uint8_t* sca = reader.TakeBytes(scaLength);
        if (sca == nullptr) {
            return false;
        }
        out.scType = sca[0];
        std::memset(out.scDigits, 0, sizeof out.scDigits);
        gsm::BcdToText(sca + 1, (scaLength - 1u) * 2, out.scDigits, sizeof out.scDigits);
    }
    std::uint8_t first;
    if (!reader.Take(first)) {
        return false;
    }
    bool read;
    switch (first & 3) {
        case kDeliver:
            read = ReadDeliver(reader, first, out);
            break;
        case kSubmit:
            read = ReadSubmit(reader, first, out);
            break;
        case kStatusReportOrCommand:
            read = deliver ? ReadStatusReport(reader, out) : ReadCommand(reader, out);
            break;
        default:
            read = false;  // reserved
            break;
    }
    return read && wellFormed;
}

std::size_t EncodeGsmSubmit(const SM_PARAM& in, std::uint8_t* out, std::size_t size) {
    std::uint8_t pdu[kGsmPduSize];
    std::size_t n = 0;

    // TS 24.011 8.2.5.2: the service-centre address; length 0 when there is none, so the
    // phone takes the one of EF_SMSP.
    std::size_t digits;
    const std::size_t scOctets = WriteDigits(in.scDigits, sizeof in.scDigits, pdu + 2, digits);
    if (digits == 0) {
        pdu[n++] = 0;
    } else {
        pdu[n++] = static_cast<std::uint8_t>(1 + scOctets);
        pdu[n++] = (in.scType & 0x80) ? in.scType : kUnknownIsdn;
        n += scOctets;
    }

    // TS 23.040 9.2.2.2: SMS-SUBMIT with a relative validity period (TP-VPF 10), message
    // reference 0 (the phone sets its own when it sends).
    pdu[n++] = kSubmit | 0x10;
    pdu[n++] = 0x00;
    const std::size_t daOctets =
        WriteDigits(in.partyDigits, sizeof in.partyDigits, pdu + n + 2, digits);
    pdu[n++] = static_cast<std::uint8_t>(digits);
    pdu[n++] = in.partyType == kInternational ? kInternational : kUnknownIsdn;
    n += daOctets;
    const bool ucs2 = ParseDcs(in.dcs).alphabet == Alphabet::kUcs2;
    pdu[n++] = 0x00;                // TP-PID: plain short message
    pdu[n++] = ucs2 ? 0x08 : 0x00;  // TP-DCS
    pdu[n++] = 0xA7;                // TP-VP: (167 - 143) * 30 minutes + 12 hours = 24 hours

    const std::size_t textLength = strnlen(in.text, sizeof in.text);
    if (ucs2) {
        const std::size_t octets =
            text::Utf8ToUtf16Be(in.text, textLength, pdu + n + 1, kMaxOctets);
        pdu[n++] = static_cast<std::uint8_t>(octets);
        n += octets;
    } else {
        std::uint8_t septets[kMaxSeptets];
        const std::size_t count = gsm::Utf8ToSeptets(in.text, textLength, septets, kMaxSeptets);
        pdu[n++] = static_cast<std::uint8_t>(count);
        n += gsm::PackSeptets(septets, count, 0, pdu + n);
    }

    const std::size_t kept = std::min(n, size);
    std::memcpy(out, pdu, kept);
    std::memset(out + kept, 0xFF, size - kept);
    return kept;
}

}  // namespace records::pdu
