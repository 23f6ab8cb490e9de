#include "emulator/VirtualReader.h"

#include <algorithm>
#include <cstring>

#include "emulator/CardImage.h"
#include "emulator/SimCard.h"

namespace emulator {

namespace {

// Command blocks of the reader's two command sets: the classic one (opcodes 0x08 read and
// 0x0A write, byte 2 = 0x46) and the 0xEE one (byte 2 = 0x08 read, 0x0A write).
constexpr std::uint8_t kClassicRead = 0x08;
constexpr std::uint8_t kClassicWrite = 0x0A;
constexpr std::uint8_t kClassicMarker = 0x46;
constexpr std::uint8_t kEe = 0xEE;
constexpr std::uint8_t kEeRead = 0x08;
constexpr std::uint8_t kEeWrite = 0x0A;

constexpr std::size_t kShortBlock = 10;
constexpr std::size_t kLongBlock = 16;
constexpr std::size_t kInquiryLength = 255;

// Low nibble of the function byte.
constexpr std::uint8_t kModeExchange = 0;
constexpr std::uint8_t kModeLongReply = 1;
constexpr std::uint8_t kModeAnswerToReset = 2;

// SCSI status and sense keys (SPC-3 4.5.6).
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kUnitAttention = 0x06;

// ISO/IEC 7816-3 10.3.3: the NULL procedure byte.
constexpr std::uint8_t kNull = 0x60;

ScsiResult CheckCondition(std::uint8_t senseKey) {
    ScsiResult result;
    result.status = kCheckCondition;
    result.senseKey = senseKey;
    return result;
}

bool HasSignature(const std::uint8_t* cdb, const char* signature) {
    return std::memcmp(cdb + 6, signature, 4) == 0;
}

std::uint16_t Word(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

// Four characters, blank-padded or cut, as a tag sits in the inquiry reply.
std::string Tag(const std::string& text) {
    std::string tag = text.substr(0, 4);
    tag.resize(4, ' ');
    return tag;
}

}  // namespace

VirtualReader::VirtualReader() = default;

VirtualReader::VirtualReader(std::shared_ptr<SimCard> card) {
    Insert(std::move(card));
}

VirtualReader::~VirtualReader() = default;

std::unique_ptr<VirtualReader> VirtualReader::FromImage(const std::string& imagePath) {
    return std::make_unique<VirtualReader>(CardImage::OpenCard(imagePath));
}

void VirtualReader::Insert(std::shared_ptr<SimCard> card) {
    card_ = std::move(card);
    collected_.clear();
    if (card_) {
        card_->Reset();  // a card inserted is powered up
    }
}

int VirtualReader::SimFunctionIndex() const {
    for (std::size_t i = 0; i < identity_.functionTags.size(); ++i) {
        if (Tag(identity_.functionTags[i]) == "SIM ") {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ScsiResult VirtualReader::Execute(const std::uint8_t* cdb, std::size_t cdbLength,
                                  DataDirection direction, std::uint8_t* data, std::size_t length) {
    ++exchangeCount_;
    if (faults_.unplugAtExchange > 0 && --faults_.unplugAtExchange == 0) {
        unplugged_ = true;
    }
    const bool failed = faults_.failAtExchange > 0 && --faults_.failAtExchange == 0;
    if (unplugged_ || failed) {
        ScsiResult result;
        result.delivered = false;
        return result;
    }
    if (logging_) {
        Exchange exchange;
        if (cdb) {
            exchange.cdb.assign(cdb, cdb + cdbLength);
        }
        exchange.direction = direction;
        if (direction == DataDirection::ToDevice && data) {
            exchange.dataOut.assign(data, data + length);
        } else if (direction == DataDirection::FromDevice) {
            exchange.lengthIn = length;
        }
        log_.push_back(std::move(exchange));
    }
    if (faults_.unitAttentionOnce) {
        faults_.unitAttentionOnce = false;
        return CheckCondition(kUnitAttention);
    }
    if (!cdb || (cdbLength != kShortBlock && cdbLength != kLongBlock) || (length > 0 && !data)) {
        return CheckCondition(kIllegalRequest);
    }

    const bool classicRead = cdb[0] == kClassicRead && cdb[2] == kClassicMarker;
    const bool classicWrite = cdb[0] == kClassicWrite && cdb[2] == kClassicMarker;
    const bool eeRead = cdb[0] == kEe && cdb[2] == kEeRead;
    const bool eeWrite = cdb[0] == kEe && cdb[2] == kEeWrite;

    // The function inquiry: 08 00 46 00 FF 00 "INQU", the same on every host.
    if (classicRead && HasSignature(cdb, "INQU")) {
        if (cdbLength != kShortBlock || cdb[1] != 0 || direction != DataDirection::FromDevice) {
            return CheckCondition(kIllegalRequest);
        }
        return Inquiry(data, std::min<std::size_t>(length, Word(cdb + 3)));
    }
    if (!HasSignature(cdb, "SIM ")) {
        return CheckCondition(kIllegalRequest);
    }
    if ((classicRead || eeRead) && cdbLength == kShortBlock &&
        direction == DataDirection::FromDevice) {
        return CardRead(cdb, data, length);
    }
    if ((classicWrite || eeWrite) && direction == DataDirection::ToDevice) {
        return CardWrite(cdb, cdbLength, data, length);
    }
    return CheckCondition(kIllegalRequest);
}

ScsiResult VirtualReader::Inquiry(std::uint8_t* data, std::size_t length) const {
    // Model, firmware version (high byte first), an unused byte, the entry count, then one
    // four-character tag per function.
    std::vector<std::uint8_t> reply = {
        identity_.answersFF ? std::uint8_t{0xFF} : identity_.model,
        static_cast<std::uint8_t>(identity_.firmwareVersion >> 8),
        static_cast<std::uint8_t>(identity_.firmwareVersion), 0x00,
        static_cast<std::uint8_t>(identity_.announcedCount >= 0
                                      ? identity_.announcedCount
                                      : static_cast<int>(identity_.functionTags.size()))};
    for (const std::string& text : identity_.functionTags) {
        const std::string tag = Tag(text);
        reply.insert(reply.end(), tag.begin(), tag.end());
    }
    reply.resize(std::min(reply.size(), kInquiryLength));
    std::fill_n(data, length, 0);
    ScsiResult result;
    result.transferred = std::min(length, reply.size());
    std::copy_n(reply.begin(), result.transferred, data);
    return result;
}

ScsiResult VirtualReader::CardRead(const std::uint8_t* cdb, std::uint8_t* data,
                                   std::size_t length) {
    const std::uint8_t mode = cdb[1] & 0x0F;
    if (mode != kModeExchange && mode != kModeLongReply && mode != kModeAnswerToReset) {
        return CheckCondition(kIllegalRequest);
    }
    // The reader supplies the whole length asked for: what it holds, then zeros.
    const std::size_t count = std::min<std::size_t>(length, Word(cdb + 3));
    std::fill_n(data, count, 0);
    ScsiResult result;
    result.transferred = count;
    if ((cdb[1] >> 4) != SimFunctionIndex()) {
        return result;  // another function of the reader: nothing of the card
    }
    const std::vector<std::uint8_t>* source = &collected_;
    if (mode == kModeAnswerToReset) {
        // Reading the answer to reset resets the card (a new session); an empty slot
        // answers nothing.
        collected_.clear();
        if (!card_) {
            return result;
        }
        source = &card_->Reset();
    }
    std::copy_n(source->begin(), std::min(count, source->size()), data);
    return result;
}

ScsiResult VirtualReader::CardWrite(const std::uint8_t* cdb, std::size_t cdbLength,
                                    const std::uint8_t* data, std::size_t length) {
    const std::uint8_t mode = cdb[1] & 0x0F;
    if (mode != kModeExchange && mode != kModeLongReply) {
        return CheckCondition(kIllegalRequest);
    }
    std::size_t replyCount = cdb[5];
    if (cdbLength == kLongBlock) {
        // Long form: bytes 10-11 carry the whole reply count and 12-15 are zero; byte 5
        // is 0 (classic) or the count's low byte (0xEE).
        replyCount = Word(cdb + 10);
        const bool byte5Valid = cdb[0] == kEe ? cdb[5] == cdb[11] : cdb[5] == 0;
        if (!byte5Valid || cdb[12] != 0 || cdb[13] != 0 || cdb[14] != 0 || cdb[15] != 0) {
            return CheckCondition(kIllegalRequest);
        }
    }
    // The data phase holds the true length (bytes 3-4), padded to an even length.
    const std::size_t trueLength = Word(cdb + 3);
    if (length % 2 != 0 || length < trueLength) {
        return CheckCondition(kIllegalRequest);
    }
    ScsiResult result;
    result.transferred = length;
    if ((cdb[1] >> 4) != SimFunctionIndex()) {
        return result;  // another function of the reader: the card sees nothing
    }
    collected_.clear();
    if (!card_) {
        return result;
    }
    // The reader relays the bytes and keeps the first replyCount characters the card
    // answers, dropping NULL procedure bytes as its T=0 handling does.
    for (const CardCharacter& character : card_->Receive({data, trueLength})) {
        if (collected_.size() == replyCount) {
            break;
        }
        if (character.procedure && character.value == kNull) {
            continue;
        }
        collected_.push_back(character.value);
    }
    return result;
}

}  // namespace emulator
