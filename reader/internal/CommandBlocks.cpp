#include "internal/CommandBlocks.h"

#include <cstring>

namespace quillon::internal {

namespace {

void PutSignature(CommandBlock& block, const char* signature) {
    std::memcpy(block.bytes + 6, signature, 4);
}

void PutHeader(CommandBlock& block, CommandSet set, bool write, std::uint8_t functionByte,
               std::uint16_t length) {
    if (set == CommandSet::Classic) {
        block.bytes[0] = write ? 0x0A : 0x08;
        block.bytes[2] = 0x46;
    } else {
        block.bytes[0] = 0xEE;
        block.bytes[2] = write ? 0x0A : 0x08;
    }
    block.bytes[1] = functionByte;
    block.bytes[3] = static_cast<std::uint8_t>(length >> 8);
    block.bytes[4] = static_cast<std::uint8_t>(length);
    PutSignature(block, "SIM ");
}

}  // namespace

CommandBlock CardReadCommand(CommandSet set, std::uint8_t functionByte, std::uint16_t length,
                             std::uint8_t reserved) {
    CommandBlock block;
    PutHeader(block, set, false, functionByte, length);
    block.bytes[5] = reserved;
    return block;
}

CommandBlock CardWriteShortCommand(CommandSet set, std::uint8_t functionByte, std::uint16_t length,
                                   std::uint8_t replyCount) {
    CommandBlock block;
    PutHeader(block, set, true, functionByte, length);
    block.bytes[5] = replyCount;
    return block;
}

CommandBlock CardWriteLongCommand(CommandSet set, std::uint8_t functionByte, std::uint16_t length,
                                  std::uint16_t replyCount) {
    CommandBlock block;
    block.length = 16;
    PutHeader(block, set, true, functionByte, length);
    // The classic set carries the count only in bytes 10-11; 0xEE repeats its low byte
    // in byte 5.
    block.bytes[5] = set == CommandSet::Classic ? 0x00 : static_cast<std::uint8_t>(replyCount);
    block.bytes[10] = static_cast<std::uint8_t>(replyCount >> 8);
    block.bytes[11] = static_cast<std::uint8_t>(replyCount);
    return block;
}

CommandBlock InquiryCommand() {
    CommandBlock block;
    block.bytes[0] = 0x08;
    block.bytes[2] = 0x46;
    block.bytes[4] = 0xFF;
    PutSignature(block, "INQU");
    return block;
}

}  // namespace quillon::internal
