// The reader's vendor command blocks. The SIM command bytes never go in the block: they
// travel in the data phase of a card-data write. The block carries the byte count, the
// reply count, the function byte (function index * 16 + mode) and a signature.
#pragma once

#include <cstdint>

namespace quillon::internal {

// Classic: opcodes 0x08/0x0A with 0x46 in byte 2. 0xEE: opcode 0xEE, 0x08/0x0A in byte 2.
enum class CommandSet { Classic, Ee };

struct CommandBlock {
    std::uint8_t bytes[16] = {};
    std::uint8_t length = 10;
};

// Modes of the function byte's low nibble.
inline constexpr std::uint8_t kModeExchange = 0;
inline constexpr std::uint8_t kModeLongReply = 1;
inline constexpr std::uint8_t kModeAnswerToReset = 2;

inline std::uint8_t FunctionByte(std::uint8_t functionIndex, std::uint8_t mode) {
    return static_cast<std::uint8_t>((functionIndex << 4) + mode);
}

// A write's data phase is always even: an odd length gets one 0x00 pad byte.
inline std::uint32_t DataPhaseLength(std::uint16_t length) {
    return length + (length & 1u);
}

CommandBlock CardReadCommand(CommandSet set, std::uint8_t functionByte, std::uint16_t length,
                             std::uint8_t reserved);
CommandBlock CardWriteShortCommand(CommandSet set, std::uint8_t functionByte, std::uint16_t length,
                                   std::uint8_t replyCount);
CommandBlock CardWriteLongCommand(CommandSet set, std::uint8_t functionByte, std::uint16_t length,
                                  std::uint16_t replyCount);
// The function inquiry: 0x08 0x00 0x46 0x00 0xFF 0x00 "INQU", 255 bytes in.
CommandBlock InquiryCommand();
inline constexpr std::uint32_t kInquiryLength = 255;

}  // namespace quillon::internal
