#include "SimSecurity.h"

#include <algorithm>

namespace emulator {

namespace {

constexpr SimSecurity::StatusWord kOk = 0x9000;
constexpr SimSecurity::StatusWord kNoChvInitialised = 0x9802;
constexpr SimSecurity::StatusWord kWrongCode = 0x9804;
constexpr SimSecurity::StatusWord kChvContradiction = 0x9808;
constexpr SimSecurity::StatusWord kBlocked = 0x9840;

}  // namespace

void SimSecurity::Reset() {
    chv1Verified_ = false;
    chv2Verified_ = false;
}

bool SimSecurity::Granted(Access level) const {
    switch (level) {
        case Access::Always:
            return true;
        case Access::Chv1:
            return !content_.chv1Enabled || chv1Verified_;
        case Access::Chv2:
            return chv2Verified_;
        default:
            return false;
    }
}

SimSecurity::StatusWord SimSecurity::Gate(const SecretCode& code) const {
    if (!code.initialised) {
        return kNoChvInitialised;
    }
    // GSM 11.11 8.9: a blocked code refuses every presentation until it is unblocked.
    if (code.Blocked()) {
        return kBlocked;
    }
    return kOk;
}

SimSecurity::StatusWord SimSecurity::Present(SecretCode& code,
                                             std::span<const std::uint8_t> presented) {
    if (code.Matches(presented)) {
        code.attemptsLeft = code.maxAttempts;
        return kOk;
    }
    code.attemptsLeft = std::max(0, code.attemptsLeft - 1);
    return code.attemptsLeft == 0 ? kBlocked : kWrongCode;
}

SimSecurity::StatusWord SimSecurity::Verify(int chv, std::span<const std::uint8_t> code) {
    SecretCode& secret = Chv(chv);
    if (const StatusWord gate = Gate(secret); gate != kOk) {
        return gate;
    }
    // GSM 11.11 8.9: a disabled CHV1 is not verified.
    if (chv == 1 && !content_.chv1Enabled) {
        return kChvContradiction;
    }
    const StatusWord status = Present(secret, code);
    if (status == kOk) {
        Verified(chv) = true;
    }
    return status;
}

SimSecurity::StatusWord SimSecurity::Change(int chv, std::span<const std::uint8_t> oldCode,
                                            std::span<const std::uint8_t> newCode) {
    SecretCode& secret = Chv(chv);
    if (const StatusWord gate = Gate(secret); gate != kOk) {
        return gate;
    }
    // GSM 11.11 8.10: a disabled CHV1 cannot be changed.
    if (chv == 1 && !content_.chv1Enabled) {
        return kChvContradiction;
    }
    const StatusWord status = Present(secret, oldCode);
    if (status == kOk) {
        std::copy_n(newCode.begin(), secret.block.size(), secret.block.begin());
        Verified(chv) = true;
    }
    return status;
}

SimSecurity::StatusWord SimSecurity::Disable(std::span<const std::uint8_t> code) {
    SecretCode& secret = content_.chv1;
    if (const StatusWord gate = Gate(secret); gate != kOk) {
        return gate;
    }
    if (!content_.chv1Enabled) {
        return kChvContradiction;
    }
    const StatusWord status = Present(secret, code);
    if (status == kOk) {
        content_.chv1Enabled = false;
    }
    return status;
}

SimSecurity::StatusWord SimSecurity::Enable(std::span<const std::uint8_t> code) {
    SecretCode& secret = content_.chv1;
    if (const StatusWord gate = Gate(secret); gate != kOk) {
        return gate;
    }
    if (content_.chv1Enabled) {
        return kChvContradiction;
    }
    const StatusWord status = Present(secret, code);
    if (status == kOk) {
        content_.chv1Enabled = true;
        chv1Verified_ = true;
    }
    return status;
}

SimSecurity::StatusWord SimSecurity::Unblock(int chv, std::span<const std::uint8_t> unblockKey,
                                             std::span<const std::uint8_t> newCode) {
    SecretCode& key = chv == 1 ? content_.unblockChv1 : content_.unblockChv2;
    SecretCode& secret = Chv(chv);
    if (!secret.initialised) {
        return kNoChvInitialised;
    }
    if (const StatusWord gate = Gate(key); gate != kOk) {
        return gate;
    }
    const StatusWord status = Present(key, unblockKey);
    if (status == kOk) {
        // GSM 11.11 8.13: the new code replaces the old one with a full counter, and an
        // unblocked CHV1 is enabled.
        std::copy_n(newCode.begin(), secret.block.size(), secret.block.begin());
        secret.attemptsLeft = secret.maxAttempts;
        if (chv == 1) {
            content_.chv1Enabled = true;
        }
        Verified(chv) = true;
    }
    return status;
}

}  // namespace emulator
