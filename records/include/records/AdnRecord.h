// A phonebook entry and its card form, the EF_ADN record of GSM 11.11 10.5.1: an alpha
// identifier of X = L - 14 bytes, then the number's length byte, its type of number, ten
// bytes of BCD digits, and the capability and extension identifiers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace records {

struct PhonebookEntry {
    std::string name;        // UTF-8
    std::string dialString;  // digits, '*', '#', a leading '+' when international
    friend bool operator==(const PhonebookEntry&, const PhonebookEntry&) = default;
};

// The largest dial string a record holds: ten bytes of two digits.
inline constexpr std::size_t kMaxDialDigits = 20;
// EF_ADN records: the 14 bytes after the alpha identifier, and at most 255 bytes in all.
inline constexpr std::size_t kAdnFixedBytes = 14;
inline constexpr std::size_t kMaxAdnRecordLength = 255;

// The entry in record (length L bytes), or nothing when the record holds none: its
// number part's length byte is not 1 to 11 (a free record, or a name without a number),
// or L is outside 14..255. Names may be in the default alphabet or in the 0x80, 0x81 and
// 0x82 UCS2 forms of GSM 11.11 Annex B.
std::optional<PhonebookEntry> DecodeAdnRecord(const std::uint8_t* record, std::size_t length);

// Why an entry could not be written into a record.
enum class AdnRefusal {
    None,
    RecordLength,    // L is outside 14..255
    NameTooLong,     // the name needs more than the X bytes of the alpha identifier
    DialTooLong,     // more than 20 digits
    DialCharacters,  // a character other than digits, '*', '#', or a '+' not in front
};

struct AdnEncoding {
    AdnRefusal refusal = AdnRefusal::None;
    // With NameTooLong: the bytes the name needs and the bytes there are.
    std::size_t needed = 0;
    std::size_t available = 0;
    explicit operator bool() const { return refusal == AdnRefusal::None; }
};

// A sentence saying why (English; the program shows its own texts).
std::string Describe(const AdnEncoding& encoding);

// Writes entry into record (length L): the name in the default alphabet, or 0x80 and UCS2
// when it holds a character the alphabet cannot carry; type 0x91 for a leading '+', else
// 0x81; the rest 0xFF. Nothing is ever written beyond L bytes; an entry that does not fit
// is refused and the record left all 0xFF.
AdnEncoding EncodeAdnRecord(const PhonebookEntry& entry, std::uint8_t* record, std::size_t length);

}  // namespace records
