// What a virtual SIM card holds between runs: its type, answer to reset, ICCID, secret
// codes with their counters, and the records of its linear-fixed elementary files. A card
// image file (CardImage) is this content written as text; a SimCard runs GSM 11.11 on it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace emulator {

enum class CardType { Gsm, Cdma };

// GSM 11.11 file identifiers the virtual card carries.
namespace fid {
inline constexpr std::uint16_t kMf = 0x3F00;
inline constexpr std::uint16_t kDfTelecom = 0x7F10;
// 3GPP2 C.S0023: the R-UIM's DF_CDMA.
inline constexpr std::uint16_t kDfCdma = 0x7F25;
inline constexpr std::uint16_t kIccid = 0x2FE2;
inline constexpr std::uint16_t kAdn = 0x6F3A;
inline constexpr std::uint16_t kSms = 0x6F3C;
inline constexpr std::uint16_t kSmsp = 0x6F42;
}  // namespace fid

// A secret code of GSM 11.11 (CHV1, CHV2, or an UNBLOCK CHV key): its 8-byte block, as the
// card compares it (GSM 11.11 9.3: digits of the IRA alphabet, 0xFF padding), and the
// counter of false presentations still allowed.
struct SecretCode {
    static constexpr int kChvAttempts = 3;       // GSM 11.11 8.9
    static constexpr int kUnblockAttempts = 10;  // GSM 11.11 8.13

    bool initialised = false;
    std::array<std::uint8_t, 8> block = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    int attemptsLeft = 0;
    int maxAttempts = 0;

    // An initialised code: the characters of text (at most 8) padded with 0xFF, with all
    // maxAttempts attempts left. Longer text is cut at 8 characters.
    static SecretCode Make(std::string_view text, int maxAttempts);
    bool Blocked() const { return initialised && attemptsLeft == 0; }
    bool Matches(std::span<const std::uint8_t> presented) const;
    // GSM 11.11 9.2.1, bytes 19-22: b8 = initialised, b4..b1 = attempts left.
    std::uint8_t StatusByte() const;
    friend bool operator==(const SecretCode&, const SecretCode&) = default;
};

// GSM 11.11 9.3 access condition levels (one nibble each).
enum class Access : std::uint8_t { Always = 0x0, Chv1 = 0x1, Chv2 = 0x2, Adm = 0x4, Never = 0xF };

// The elementary files the virtual card knows: where each lives, what it is called in a
// card image, and its access conditions (GSM 11.11 10, 3GPP2 C.S0023 3.4).
struct KnownFile {
    std::uint16_t parent;
    std::uint16_t id;
    std::string_view name;  // "EF_ADN" ...
    bool transparent;
    bool cdmaOnly;
    Access read, update, increase, rehabilitate, invalidate;
};
std::span<const KnownFile> KnownFiles();
const KnownFile* FindKnownFile(std::uint16_t parent, std::uint16_t id);

// A linear-fixed elementary file: every record holds exactly recordLength bytes.
struct RecordFile {
    std::uint16_t parent = 0;
    std::uint16_t id = 0;
    std::size_t recordLength = 0;
    std::vector<std::vector<std::uint8_t>> records;
    // GSM 11.11 9.3: an invalidated file refuses READ and UPDATE with 98 10.
    bool invalidated = false;

    // recordCount records of recordLength bytes, all 0xFF (free).
    static RecordFile Blank(std::uint16_t parent, std::uint16_t id, std::size_t recordCount,
                            std::size_t recordLength);
    friend bool operator==(const RecordFile&, const RecordFile&) = default;
};

struct CardContent {
    CardType type = CardType::Gsm;
    std::vector<std::uint8_t> atr;
    // EF_ICCID as decimal digits (at most 20); empty: the card has no EF_ICCID.
    std::string iccid;
    SecretCode chv1;
    SecretCode unblockChv1;
    SecretCode chv2;  // optional: not initialised on cards without CHV2
    SecretCode unblockChv2;
    bool chv1Enabled = true;
    std::vector<RecordFile> files;

    RecordFile* File(std::uint16_t parent, std::uint16_t id);
    const RecordFile* File(std::uint16_t parent, std::uint16_t id) const;

    // A card with every standard file present and free: EF_ADN 250 x 28, EF_SMS 20 x 176,
    // EF_SMSP 1 x 40 (and on a CDMA card the R-UIM EF_SMS 10 x 255), the default answer to
    // reset, ICCID 89860000000000000000, CHV1 "1234" enabled, UNBLOCK CHV1 "12345678", no
    // CHV2.
    static CardContent Blank(CardType type = CardType::Gsm);
    friend bool operator==(const CardContent&, const CardContent&) = default;
};

// A plausible GSM SIM answer to reset (ISO/IEC 7816-3 8.2): TS 3B, T0 announcing TA1 and
// TD1 and ten historical bytes, TD1 for T=0 with TD2 announcing the class indicator (T=15),
// and the check byte TCK.
std::vector<std::uint8_t> DefaultAtr();

// EF_ICCID's body (GSM 11.11 10.1.1): digits as BCD, low nibble first, 0xF filler, 10 bytes.
std::vector<std::uint8_t> IccidBody(std::string_view digits);

}  // namespace emulator
