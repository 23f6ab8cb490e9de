// The CHV state machine of a GSM SIM (GSM 11.11 8.9-8.13, 9.2.9-9.2.13): VERIFY, CHANGE,
// DISABLE, ENABLE and UNBLOCK CHV over the secret codes a card's content keeps, and which
// access conditions (GSM 11.11 9.3) the codes verified in this session fulfil.
#pragma once

#include <cstdint>
#include <span>

#include "emulator/CardContent.h"

namespace emulator {

class SimSecurity {
public:
    using StatusWord = std::uint16_t;

    explicit SimSecurity(CardContent& content) : content_(content) {}

    // A new session (card reset): no CHV is verified.
    void Reset();
    // Whether the level's condition is fulfilled now: Always; CHV1 when CHV1 is disabled
    // or verified; CHV2 when verified; ADM and Never are never fulfilled here.
    bool Granted(Access level) const;
    bool Chv1Verified() const { return chv1Verified_; }

    // Each takes the command's 8-byte code blocks and answers its status word: 90 00;
    // 98 02 no such code; 98 04 wrong code, attempts left; 98 08 contradiction with the
    // CHV status; 98 40 wrong code and no attempt left, or the code is blocked. chv is 1
    // or 2.
    StatusWord Verify(int chv, std::span<const std::uint8_t> code);
    StatusWord Change(int chv, std::span<const std::uint8_t> oldCode,
                      std::span<const std::uint8_t> newCode);
    StatusWord Disable(std::span<const std::uint8_t> code);
    StatusWord Enable(std::span<const std::uint8_t> code);
    StatusWord Unblock(int chv, std::span<const std::uint8_t> unblockKey,
                       std::span<const std::uint8_t> newCode);

private:
    SecretCode& Chv(int chv) { return chv == 1 ? content_.chv1 : content_.chv2; }
    bool& Verified(int chv) { return chv == 1 ? chv1Verified_ : chv2Verified_; }
    // The gate every CHV presentation passes first; 0x9000 lets it on.
    StatusWord Gate(const SecretCode& code) const;
    // Compares a presented code: a match restores the counter, a miss spends an attempt.
    static StatusWord Present(SecretCode& code, std::span<const std::uint8_t> presented);

    CardContent& content_;
    bool chv1Verified_ = false;
    bool chv2Verified_ = false;
};

}  // namespace emulator
