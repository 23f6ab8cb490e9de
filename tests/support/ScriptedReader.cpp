#include "support/ScriptedReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace support {

Bytes HexBytes(const std::string& hex) {
    Bytes bytes;
    std::istringstream in(hex);
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

std::string HexText(const Bytes& bytes) {
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i ? " %02X" : "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

ScriptedReader& ScriptedReader::Expect(const std::string& data, unsigned replyCount,
                                       const std::string& reply) {
    script_.push_back({HexBytes(data), replyCount, HexBytes(reply), false});
    return *this;
}

ScriptedReader& ScriptedReader::ExpectLong(const std::string& data, unsigned replyCount,
                                           const std::string& reply) {
    script_.push_back({HexBytes(data), replyCount, HexBytes(reply), true});
    return *this;
}

ScriptedReader& ScriptedReader::AnswerToReset(const std::string& atr) {
    atr_ = HexBytes(atr);
    return *this;
}

ScriptedReader& ScriptedReader::InquiryReply(const Bytes& reply) {
    inquiry_ = reply;
    return *this;
}

ScriptedReader& ScriptedReader::FailNext(int n) {
    failures_ = n;
    return *this;
}

emulator::ScsiResult ScriptedReader::Execute(const std::uint8_t* cdb, std::size_t cdbLength,
                                             emulator::DataDirection direction, std::uint8_t* data,
                                             std::size_t length) {
    emulator::ScsiResult result;
    blocks.push_back({Bytes(cdb, cdb + cdbLength), {}});
    if (failures_ > 0) {
        --failures_;
        result.delivered = false;
        return result;
    }
    if (std::equal(cdb + 6, cdb + 10, "INQU")) {
        const std::size_t supplied = std::min(inquiry_.size(), length);
        std::copy_n(inquiry_.begin(), supplied, data);
        result.transferred = supplied;
        return result;
    }
    const bool ee = cdb[0] == 0xEE;
    const bool write = ee ? cdb[2] == 0x0A : cdb[0] == 0x0A;
    const unsigned count = static_cast<unsigned>(cdb[3] << 8 | cdb[4]);
    const unsigned mode = cdb[1] & 0x0F;
    if (!write) {
        EXPECT_EQ(direction, emulator::DataDirection::FromDevice);
        const Bytes& source = mode == 2 ? atr_ : collected_;
        const std::size_t supplied = std::min(source.size(), length);
        std::copy_n(source.begin(), supplied, data);
        result.transferred = supplied;
        return result;
    }
    EXPECT_EQ(direction, emulator::DataDirection::ToDevice);
    blocks.back().dataPhase.assign(data, data + length);
    const Bytes sent(data, data + std::min<std::size_t>(count, length));
    const bool longForm = cdbLength == 16;
    const unsigned replyCount = longForm ? (cdb[10] << 8 | cdb[11]) : cdb[5];
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected card write " << HexText(sent);
        collected_.clear();
        return result;
    }
    const Step step = script_.front();
    script_.pop_front();
    EXPECT_EQ(HexText(sent), HexText(step.data)) << "card write";
    EXPECT_EQ(replyCount, step.replyCount) << "reply count of " << HexText(sent);
    EXPECT_EQ(longForm, step.longForm) << "command form of " << HexText(sent);
    collected_ = step.reply;
    if (collected_.size() > replyCount) {
        collected_.resize(replyCount);  // the reader collects no more than it was told
    }
    result.transferred = length;
    return result;
}

}  // namespace support
