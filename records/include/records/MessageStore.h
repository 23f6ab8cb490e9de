// The message store: one growable array of message records for the whole program. Record
// k belongs to row k of the message list; whatever adds, removes or reorders rows makes
// the same change here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "records/CardValues.h"

namespace records {

// A message record: bytes 0 to L - 1 are the card's EF_SMS record image (L = 176 on GSM
// cards, 255 on CDMA cards), the rest zero. Byte 0 is the status byte.
struct MessageRecord {
    static constexpr std::size_t kSize = 260;
    std::uint8_t bytes[kSize] = {};
};

// GSM 11.11 10.5.3: the status byte's low three bits.
inline constexpr std::uint8_t kStatusReceivedRead = 1;
inline constexpr std::uint8_t kStatusReceivedUnread = 3;
inline constexpr std::uint8_t kStatusSent = 5;
inline constexpr std::uint8_t kStatusToBeSent = 7;

// Bit 0 clear: a free record, never a message.
inline bool IsMessage(std::uint8_t status) {
    return (status & 0x01) != 0;
}
// Bit 2 set: from this side (an SMS-SUBMIT); clear: received (an SMS-DELIVER).
inline bool IsOutgoing(std::uint8_t status) {
    return (status & 0x04) != 0;
}

class MessageStore {
public:
    MessageStore() = default;
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    // Frees all records: size and capacity 0.
    void Clear();
    // Grows by one record and copies record in at the end.
    void Append(const MessageRecord& record);
    // The records after index move down by one. An index out of range changes nothing
    // and gives false.
    bool RemoveAt(std::size_t index);
    bool Swap(std::size_t first, std::size_t second);
    bool ReplaceAt(std::size_t index, const MessageRecord& record);

    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }
    // The record at index (index < Size()).
    const MessageRecord& At(std::size_t index) const { return records_[index]; }

    // Builds a to-be-sent record for a message to number with text and appends it: on a
    // CDMA card laid out by encodesms; on a GSM card an SMS-SUBMIT with the service
    // centre of values, UCS2 when the text holds a character the default alphabet cannot
    // carry. Returns 1.
    int ComposeMessage(const CardValues& values, const std::string& number,
                       const std::string& text);

    // The capacity after growing a store of size records and capacity records by one:
    // unchanged while there is room; else the capacity plus the step (growthStep, or when
    // 0 an eighth of the size, at least 4 and at most 1024), at least size + 1. An empty
    // store allocates exactly one record.
    static std::size_t GrownCapacity(std::size_t size, std::size_t capacity,
                                     std::size_t growthStep = 0);

private:
    void Grow();

    std::unique_ptr<MessageRecord[]> records_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    // 0 selects the growth rule: an eighth of the size, at least 4, at most 1024.
    std::size_t growthStep_ = 0;
};

}  // namespace records
