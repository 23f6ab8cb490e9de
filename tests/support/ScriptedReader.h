// A scripted fake reader: it expects an exact sequence of card-data writes, answers each
// with the reply the script gives, and fails the test on any write it did not expect.
// Reads return the reply of the last write from its first byte, as the reader does, so
// a test states exactly what went to the card and what came back.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "emulator/ScsiDevice.h"

namespace support {

using Bytes = std::vector<std::uint8_t>;

// "A0 A4 00 00 02" -> bytes.
Bytes HexBytes(const std::string& hex);
std::string HexText(const Bytes& bytes);

class ScriptedReader final : public emulator::ScsiDevice {
public:
    struct Step {
        Bytes data;  // the card bytes the write must carry (without the pad byte)
        unsigned replyCount;
        Bytes reply;  // what the card answers
        bool longForm = false;
    };

    // Expect a card-data write of these bytes with this reply count; the card answers
    // reply. Returns *this for chaining.
    ScriptedReader& Expect(const std::string& data, unsigned replyCount, const std::string& reply);
    ScriptedReader& ExpectLong(const std::string& data, unsigned replyCount,
                               const std::string& reply);
    // The answer to reset that mode-2 reads return.
    ScriptedReader& AnswerToReset(const std::string& atr);
    // The reply to the function inquiry ("INQU").
    ScriptedReader& InquiryReply(const Bytes& reply);
    // The next n command blocks do not reach the device (an unplugged reader).
    ScriptedReader& FailNext(int n = 1);

    emulator::ScsiResult Execute(const std::uint8_t* cdb, std::size_t cdbLength,
                                 emulator::DataDirection direction, std::uint8_t* data,
                                 std::size_t length) override;

    // True when every expected write was made.
    bool Done() const { return script_.empty(); }
    std::size_t Remaining() const { return script_.size(); }
    // Every command block seen with its data phase (writes: as sent, pad included),
    // for tests that look at the blocks themselves.
    struct Block {
        Bytes cdb;
        Bytes dataPhase;
    };
    std::vector<Block> blocks;

private:
    std::deque<Step> script_;
    Bytes collected_;
    Bytes atr_;
    Bytes inquiry_;
    int failures_ = 0;
};

}  // namespace support
