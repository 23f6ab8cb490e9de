#include "records/AdnRecord.h"

#include <cstring>
#include <vector>

#include "records/CMyTools.h"

namespace records {

namespace {

// GSM 11.11 10.5.1: type of number and numbering plan.
constexpr std::uint8_t kInternational = 0x91;
constexpr std::uint8_t kUnknownNumbering = 0x81;
// GSM 11.11 Annex B: the coding bytes of the UCS2 alpha forms.
constexpr std::uint8_t kUcs2 = 0x80;
constexpr std::uint8_t kUcs2Base8 = 0x81;
constexpr std::uint8_t kUcs2Base16 = 0x82;

bool IsValidLength(std::size_t length) {
    return length >= kAdnFixedBytes && length <= kMaxAdnRecordLength;
}

std::string DecodeName(const std::uint8_t* record, std::size_t capacity) {
    if (capacity == 0 || record[0] == 0xFF) {
        return {};  // unused alpha identifier: all fill
    }
    std::uint8_t name[kMaxAdnRecordLength + 2] = {};
    std::memcpy(name, record, capacity);
    // k: the last byte that is not fill. A UCS2 name keeps its last pair whole, as long
    // as the pair lies inside the alpha identifier.
    std::size_t k = 0;
    for (std::size_t i = capacity - 1; i >= 1; --i) {
        if (name[i] != 0xFF) {
            k = i;
            break;
        }
    }
    if (k > 0) {
        if ((record[0] & 0x80) && (k % 2 == 1) && k + 1 < capacity) {
            ++k;
        }
        name[k + 1] = 0;
    }
    // Room for any conversion: three UTF-8 bytes per source byte.
    char text[3 * (kMaxAdnRecordLength + 2)] = {};
    const int count = static_cast<int>(k);
    switch (name[0]) {
        case kUcs2:
            CMyTools::gsmDecodeUcs2(name + 1, reinterpret_cast<unsigned char*>(text), count);
            break;
        case kUcs2Base8:
            CMyTools::UCS2ToGB81(name + 1, text, count);
            break;
        case kUcs2Base16:
            CMyTools::UCS2ToGB82(name + 1, text, count);
            break;
        default:
            CMyTools::gsm2asc(name, text, count + 1);
            break;
    }
    return text;
}

}  // namespace

std::optional<PhonebookEntry> DecodeAdnRecord(const std::uint8_t* record, std::size_t length) {
    if (!record || !IsValidLength(length)) {
        return std::nullopt;
    }
    const std::size_t capacity = length - kAdnFixedBytes;
    const std::uint8_t numberLength = record[length - 14];
    if (numberLength < 1 || numberLength > 11) {
        return std::nullopt;
    }
    std::uint8_t digits[10];
    std::memcpy(digits, record + length - 12, numberLength - 1u);
    char dial[2 * sizeof digits + 2] = {};
    const bool international = record[length - 13] == kInternational;
    if (international) {
        dial[0] = '+';
    }
    CMyTools::bcd2asc(digits, dial + (international ? 1 : 0), numberLength - 1);
    return PhonebookEntry{DecodeName(record, capacity), dial};
}

std::string Describe(const AdnEncoding& encoding) {
    switch (encoding.refusal) {
        case AdnRefusal::None:
            return "The entry fits the record.";
        case AdnRefusal::RecordLength:
            return "The card's phonebook records have an unusable length.";
        case AdnRefusal::NameTooLong:
            return "The name needs " + std::to_string(encoding.needed) +
                   " bytes; the card's records hold " + std::to_string(encoding.available) + ".";
        case AdnRefusal::DialTooLong:
            return "The phone number has more than 20 digits.";
        case AdnRefusal::DialCharacters:
            return "The phone number may hold only digits, '*' and '#', after an optional "
                   "leading '+'.";
    }
    return {};
}

AdnEncoding EncodeAdnRecord(const PhonebookEntry& entry, std::uint8_t* record, std::size_t length) {
    if (!record || !IsValidLength(length)) {
        return {AdnRefusal::RecordLength};
    }
    std::memset(record, 0xFF, length);
    const std::size_t capacity = length - kAdnFixedBytes;

    // Number first: it is the cheaper check.
    std::string digits = entry.dialString;
    std::uint8_t type = kUnknownNumbering;
    if (!digits.empty() && digits[0] == '+') {
        type = kInternational;
        digits.erase(0, 1);
    }
    for (char c : digits) {
        if (!((c >= '0' && c <= '9') || c == '*' || c == '#')) {
            return {AdnRefusal::DialCharacters};
        }
    }
    if (digits.size() > kMaxDialDigits) {
        return {AdnRefusal::DialTooLong};
    }

    // The name, into a scratch area first, so that nothing lands beyond the identifier.
    const int nameBytes = static_cast<int>(entry.name.size());
    std::vector<std::uint8_t> alpha;
    if (!entry.name.empty() && CMyTools::IsDBString(entry.name)) {
        std::vector<unsigned char> ucs2(2 * entry.name.size() + 4, 0);
        const int written = CMyTools::gsmEncodeUcs2(entry.name.c_str(), ucs2.data(), nameBytes);
        alpha.push_back(kUcs2);
        alpha.insert(alpha.end(), ucs2.begin(), ucs2.begin() + written);
    } else if (!entry.name.empty()) {
        // Each default-alphabet character is one byte, an extension character two.
        std::vector<unsigned char> gsm(2 * entry.name.size() + 260, 0);
        const int written = CMyTools::asc2gsm(entry.name.c_str(), gsm.data(), nameBytes);
        alpha.assign(gsm.begin(), gsm.begin() + written);
    }
    if (alpha.size() > capacity) {
        AdnEncoding refused{AdnRefusal::NameTooLong};
        refused.needed = alpha.size();
        refused.available = capacity;
        return refused;
    }
    // A UCS2 name that fills an odd identifier to its last byte keeps that byte: it holds
    // the low half of the last character. Shorter names leave the rest as fill.
    std::memcpy(record, alpha.data(), alpha.size());

    std::uint8_t bcd[kMaxDialDigits / 2 + 1] = {};
    const int bcdBytes =
        digits.empty() ? 0
                       : CMyTools::asc2bcd(digits.data(), bcd, static_cast<int>(digits.size()), 1);
    record[length - 14] = static_cast<std::uint8_t>(bcdBytes + 1);
    record[length - 13] = type;
    std::memcpy(record + length - 12, bcd, static_cast<std::size_t>(bcdBytes));
    return {};
}

}  // namespace records
