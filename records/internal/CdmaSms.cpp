#include "internal/CdmaSms.h"

#include <cstring>

#include "internal/CdmaBits.h"
#include "internal/GsmAlphabet.h"
#include "internal/PduGsm.h"
#include "internal/PduReader.h"
#include "internal/TextIconv.h"
#include "internal/TextUtf8.h"

namespace records::cdma {
namespace {

// C.S0015 3.4.2: SMS_MSG_TYPE; 3.4.3: parameter identifiers.
constexpr std::uint8_t kPointToPoint = 0x00;
constexpr std::uint8_t kTeleserviceId = 0x00;
constexpr std::uint8_t kOriginatingAddress = 0x02;
constexpr std::uint8_t kDestinationAddress = 0x04;
constexpr std::uint8_t kBearerData = 0x08;
// C.S0015 4.5: bearer data subparameter identifiers.
constexpr std::uint8_t kMessageIdentifier = 0x00;
constexpr std::uint8_t kUserData = 0x01;
constexpr std::uint8_t kMessageCenterTimeStamp = 0x03;
// C.S0015 4.5.1: MESSAGE_TYPE of an SMS Submit.
constexpr unsigned kSubmitMessage = 2;
// C.S0015 4.3.1: teleservice 4098, CDMA Cellular Messaging Teleservice (CMT-95).
constexpr unsigned kCmt95 = 4098;

// 3GPP2 C.R1001 9.1: MSG_ENCODING values.
enum Encoding : unsigned {
    kOctet = 0,
    kIs91 = 1,
    kAscii7 = 2,
    kIa5 = 3,
    kUnicode = 4,
    kShiftJis = 5,
    kKorean = 6,
    kLatinHebrew = 7,
    kLatin = 8,
    kGsm7 = 9,
    kGsmDcs = 10,
};

constexpr std::uint8_t kInternational = 0x91;
constexpr std::uint8_t kUnknownIsdn = 0x81;
constexpr std::size_t kMaxPartyCharacters = 20;  // SM_PARAM's party field
constexpr std::size_t kMaxNumberDigits = 32;     // what encodesms writes

// C.S0005 2.7.1.3.2.4-4: DTMF digit codes; 0 and 13-15 are not digits.
char DtmfDigit(unsigned code) {
    if (code >= 1 && code <= 9) {
        return static_cast<char>('0' + code);
    }
    switch (code) {
        case 10:
            return '0';
        case 11:
            return '*';
        case 12:
            return '#';
        default:
            return '?';
    }
}

int DtmfCode(char c) {
    if (c >= '1' && c <= '9') {
        return c - '0';
    }
    switch (c) {
        case '0':
            return 10;
        case '*':
            return 11;
        case '#':
            return 12;
        default:
            return -1;
    }
}

// C.S0015 3.4.3.3: an address parameter into the party fields.
bool ReadAddress(const std::uint8_t* data, std::size_t length, SM_PARAM& out) {
    BitReader bits(data, length);
    unsigned digitMode;
    unsigned numberMode;
    unsigned numberType = 0;
    unsigned plan = 0;
    unsigned count;
    if (!bits.Read(1, digitMode) || !bits.Read(1, numberMode) ||
        (digitMode && !bits.Read(3, numberType)) ||
        (digitMode && !numberMode && !bits.Read(4, plan)) || !bits.Read(8, count)) {
        return false;
    }
    // DIGIT_MODE 0: four-bit DTMF codes; 1: eight-bit characters (ASCII for a number, the
    // address text of a data network, C.S0005 2.7.1.3.2.4).
    const unsigned width = digitMode ? 8 : 4;
    bool wellFormed = true;
    if (count * width > bits.left()) {
        wellFormed = false;
        count = static_cast<unsigned>(bits.left() / width);
    }
    std::memset(out.partyDigits, 0, sizeof out.partyDigits);
    // NUMBER_TYPE 001 with NUMBER_MODE 0: an international number.
    bool international = digitMode && !numberMode && numberType == 1;
    std::size_t written = 0;
    for (unsigned i = 0; i < count && written < kMaxPartyCharacters; ++i) {
        unsigned code = 0;
        bits.Read(width, code);
        char c;
        if (!digitMode) {
            c = DtmfDigit(code);
        } else if (code == '+' && written == 0 && !numberMode) {
            international = true;
            continue;
        } else {
            c = code >= 0x20 && code < 0x7F ? static_cast<char>(code) : '?';
        }
        out.partyDigits[written++] = c;
    }
    out.partyType = international ? kInternational : kUnknownIsdn;
    return wellFormed;
}

// C.S0015 4.5.2: the user data subparameter into the text. header: HEADER_IND of the
// message identifier, a TS 23.040 user data header at the start of the characters.
bool ReadUserData(const std::uint8_t* data, std::size_t length, bool header, SM_PARAM& out) {
    BitReader bits(data, length);
    unsigned encoding;
    unsigned messageType = 0;
    if (!bits.Read(5, encoding) ||
        ((encoding == kIs91 || encoding == kGsmDcs) && !bits.Read(8, messageType))) {
        return false;
    }
    unsigned count;
    if (!bits.Read(8, count)) {
        return false;
    }
    unsigned width;
    switch (encoding) {
        case kAscii7:
        case kIa5:
        case kGsm7:
            width = 7;
            break;
        case kUnicode:
            width = 16;
            break;
        case kOctet:
        case kShiftJis:
        case kKorean:
        case kLatinHebrew:
        case kLatin:
            width = 8;
            break;
        case kGsmDcs: {
            // The characters coded as a TS 23.038 data coding scheme says.
            const pdu::Alphabet alphabet =
                pdu::ParseDcs(static_cast<std::uint8_t>(messageType)).alphabet;
            encoding = alphabet == pdu::Alphabet::kGsm7   ? kGsm7
                       : alphabet == pdu::Alphabet::kUcs2 ? kUnicode
                                                          : kOctet;
            width = encoding == kGsm7 ? 7 : encoding == kUnicode ? 16 : 8;
            break;
        }
        default:
            return false;  // IS-91 extended protocol and unassigned encodings
    }
    bool wellFormed = true;
    if (count * width > bits.left()) {
        wellFormed = false;
        count = static_cast<unsigned>(bits.left() / width);
    }
    if (header) {
        // The header's length octet leads; the characters start at the next character
        // boundary after the header (for 7-bit characters the fill bits of TS 23.040).
        BitReader peek = bits;
        unsigned headerLength;
        if (!peek.Read(8, headerLength)) {
            return false;
        }
        const unsigned skipped = ((headerLength + 1) * 8 + width - 1) / width;
        if (skipped > count) {
            return false;
        }
        bits.Skip(std::size_t{skipped} * width);
        count -= skipped;
    }
    // At most 255 characters of at most 16 bits.
    std::uint8_t characters[2 * 255];
    std::size_t octets = 0;
    for (unsigned i = 0; i < count; ++i) {
        unsigned value = 0;
        bits.Read(width, value);
        if (width == 16) {
            characters[octets++] = static_cast<std::uint8_t>(value >> 8);
        }
        characters[octets++] = static_cast<std::uint8_t>(value);
    }
    text::Utf8Writer writer(out.text, sizeof out.text);
    switch (encoding) {
        case kGsm7:
            gsm::SeptetsToUtf8(characters, octets, out.text, sizeof out.text);
            out.dcs = 0x00;
            break;
        case kUnicode:
            text::Utf16BeToUtf8(characters, octets, out.text, sizeof out.text);
            out.dcs = 0x08;
            break;
        case kShiftJis:
            text::LegacyToUtf8("SHIFT_JIS", characters, octets, out.text, sizeof out.text);
            out.dcs = 0x04;
            break;
        case kKorean:
            text::LegacyToUtf8("EUC-KR", characters, octets, out.text, sizeof out.text);
            out.dcs = 0x04;
            break;
        case kLatinHebrew:
            text::LegacyToUtf8("ISO-8859-8", characters, octets, out.text, sizeof out.text);
            out.dcs = 0x04;
            break;
        case kAscii7:
        case kIa5:
            text::PutLatin1(writer, characters, octets);  // 7-bit values: ASCII
            out.dcs = 0x00;
            break;
        default:
            text::PutLatin1(writer, characters, octets);  // octets and Latin (ISO 8859-1)
            out.dcs = 0x04;
            break;
    }
    return wellFormed;
}

// C.S0015 4.5: the bearer data's subparameters.
bool ReadBearerData(const std::uint8_t* data, std::size_t length, SM_PARAM& out) {
    pdu::PduReader reader(data, length);
    bool wellFormed = true;
    bool header = false;
    const std::uint8_t* userData = nullptr;
    std::uint8_t userDataLength = 0;
    std::uint8_t id;
    while (reader.Take(id)) {
        std::uint8_t size;
        const std::uint8_t* value;
        if (!reader.Take(size) || (value = reader.TakeBytes(size)) == nullptr) {
            wellFormed = false;
            break;
        }
        switch (id) {
            case kMessageIdentifier: {
                // MESSAGE_TYPE (4 bits), MESSAGE_ID (16), HEADER_IND (1).
                BitReader bits(value, size);
                unsigned type;
                unsigned number;
                unsigned indicator;
                if (bits.Read(4, type) && bits.Read(16, number) && bits.Read(1, indicator)) {
                    header = indicator != 0;
                } else {
                    wellFormed = false;
                }
                break;
            }
            case kUserData:
                userData = value;
                userDataLength = size;
                break;
            case kMessageCenterTimeStamp:
                // Year, month, day, hours, minutes, seconds: two BCD digits each.
                if (size >= 6) {
                    std::memcpy(out.scts, value, 6);
                } else {
                    wellFormed = false;
                }
                break;
            default:
                break;
        }
    }
    if (userData != nullptr && !ReadUserData(userData, userDataLength, header, out)) {
        wellFormed = false;
    }
    return wellFormed;
}

// A 16-bit message identifier from the message itself, so the same draft gives the same
// record.
unsigned MessageIdFor(const char* text, std::size_t textLength, const char* number,
                      std::size_t numberLength) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (std::size_t i = 0; i < textLength; ++i) {
        hash = (hash ^ static_cast<unsigned char>(text[i])) * 16777619u;
    }
    for (std::size_t i = 0; i < numberLength; ++i) {
        hash = (hash ^ static_cast<unsigned char>(number[i])) * 16777619u;
    }
    return (hash ^ hash >> 16) & 0xFFFF;
}

}  // namespace

bool DecodeCdma(const std::uint8_t* pdu, std::size_t size, SM_PARAM& out, bool deliver) {
    pdu::PduReader record(pdu, size);
    std::uint8_t messageLength;
    if (!record.Take(messageLength)) {
        return false;
    }
    bool wellFormed = true;
    if (messageLength > record.left()) {
        wellFormed = false;
        messageLength = static_cast<std::uint8_t>(record.left());
    }
    pdu::PduReader message(record.TakeBytes(messageLength), messageLength);
    std::uint8_t type;
    if (!message.Take(type) || type > 2) {
        return false;  // point-to-point, broadcast and acknowledge are the message types
    }
    const std::uint8_t* addresses[2] = {nullptr, nullptr};  // originating, destination
    std::uint8_t addressLengths[2] = {0, 0};
    const std::uint8_t* bearer = nullptr;
    std::uint8_t bearerLength = 0;
    std::uint8_t id;
    while (message.Take(id)) {
        std::uint8_t length;
        const std::uint8_t* value;
        if (!message.Take(length) || (value = message.TakeBytes(length)) == nullptr) {
            wellFormed = false;
            break;
        }
        if (id == kOriginatingAddress || id == kDestinationAddress) {
            const int slot = id == kOriginatingAddress ? 0 : 1;
            addresses[slot] = value;
            addressLengths[slot] = length;
        } else if (id == kBearerData) {
            bearer = value;
            bearerLength = length;
        }
    }
    // A received message names its sender, a sent one its recipient.
    const int preferred = deliver ? 0 : 1;
    const int slot = addresses[preferred] != nullptr ? preferred : 1 - preferred;
    if (addresses[slot] != nullptr && !ReadAddress(addresses[slot], addressLengths[slot], out)) {
        wellFormed = false;
    }
    if (bearer != nullptr && !ReadBearerData(bearer, bearerLength, out)) {
        wellFormed = false;
    }
    return wellFormed;
}

void EncodeCdmaRecord(std::uint8_t* record, const char* text, std::size_t textLength,
                      const char* number, std::size_t numberLength) {
    // The caller's length is a byte: it may cut the text inside a character.
    textLength = text::WholeCharacters(text, textLength);
    std::uint8_t message[kRecordSize - 2] = {};
    std::size_t n = 0;
    message[n++] = kPointToPoint;
    message[n++] = kTeleserviceId;
    message[n++] = 2;
    message[n++] = kCmt95 >> 8;
    message[n++] = kCmt95 & 0xFF;

    // The destination: DTMF digits, or for an international number ('+' first) ASCII
    // digits with NUMBER_TYPE international and NUMBER_PLAN telephony (C.S0005
    // 2.7.1.3.2.4).
    const bool international = numberLength > 0 && number[0] == '+';
    char digits[kMaxNumberDigits];
    std::size_t count = 0;
    for (std::size_t i = 0; i < numberLength && count < kMaxNumberDigits; ++i) {
        if (DtmfCode(number[i]) >= 0) {
            digits[count++] = number[i];
        }
    }
    message[n++] = kDestinationAddress;
    const std::size_t addressLengthAt = n++;
    BitWriter address(message + n, sizeof message - n);
    if (international) {
        address.Write(1, 1);  // DIGIT_MODE: 8-bit characters
        address.Write(1, 0);  // NUMBER_MODE: a telephone number
        address.Write(3, 1);  // NUMBER_TYPE: international
        address.Write(4, 1);  // NUMBER_PLAN: ISDN/telephony
        address.Write(8, static_cast<unsigned>(count));
        for (std::size_t i = 0; i < count; ++i) {
            address.Write(8, static_cast<unsigned char>(digits[i]));
        }
    } else {
        address.Write(1, 0);
        address.Write(1, 0);
        address.Write(8, static_cast<unsigned>(count));
        for (std::size_t i = 0; i < count; ++i) {
            address.Write(4, static_cast<unsigned>(DtmfCode(digits[i])));
        }
    }
    message[addressLengthAt] = static_cast<std::uint8_t>(address.octets());
    n += address.octets();

    // The bearer data: the message identifier (5 octets with its header), then the user
    // data, as much of the text as the record holds.
    message[n++] = kBearerData;
    const std::size_t bearerLengthAt = n++;
    const std::size_t bearerStart = n;
    message[n++] = kMessageIdentifier;
    message[n++] = 3;
    BitWriter identifier(message + n, 3);
    identifier.Write(4, kSubmitMessage);
    identifier.Write(16, MessageIdFor(text, textLength, number, numberLength));
    identifier.Write(1, 0);  // HEADER_IND: no user data header
    n += 3;
    message[n++] = kUserData;
    const std::size_t userDataLengthAt = n++;
    // At least 202 octets are left (a 32-digit international address takes 35).
    const std::size_t room = sizeof message - n;
    bool ascii = true;
    for (std::size_t i = 0; i < textLength; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    BitWriter user(message + n, room);
    const std::size_t fieldBits = room * 8 - 13;  // after MSG_ENCODING and NUM_FIELDS
    if (ascii) {
        std::size_t characters = textLength < fieldBits / 7 ? textLength : fieldBits / 7;
        if (characters > 255) {
            characters = 255;
        }
        user.Write(5, kAscii7);
        user.Write(8, static_cast<unsigned>(characters));
        for (std::size_t i = 0; i < characters; ++i) {
            user.Write(7, static_cast<unsigned char>(text[i]));
        }
    } else {
        std::size_t units = fieldBits / 16;
        if (units > 255) {
            units = 255;
        }
        std::uint8_t utf16[2 * 255];
        const std::size_t octets = text::Utf8ToUtf16Be(text, textLength, utf16, 2 * units);
        user.Write(5, kUnicode);
        user.Write(8, static_cast<unsigned>(octets / 2));
        for (std::size_t i = 0; i < octets; ++i) {
            user.Write(8, utf16[i]);
        }
    }
    message[userDataLengthAt] = static_cast<std::uint8_t>(user.octets());
    n += user.octets();
    message[bearerLengthAt] = static_cast<std::uint8_t>(n - bearerStart);

    // C.S0023 3.4.27: status (to be sent), MSG_LEN, the message; 0xFF after it.
    record[0] = 0x07;
    record[1] = static_cast<std::uint8_t>(n);
    std::memcpy(record + 2, message, n);
    std::memset(record + 2 + n, 0xFF, kRecordSize - 2 - n);
}

}  // namespace records::cdma
