#include "records/MessageStore.h"

#include <algorithm>
#include <cstring>

#include "records/CMyTools.h"

namespace records {

namespace {

// Copies at most size bytes of value into a zeroed field (a full field has no terminator,
// as the service-centre digits of SM_PARAM allow).
void CopyField(char* field, std::size_t size, const std::string& value) {
    std::memcpy(field, value.data(), std::min(size, value.size()));
}

}  // namespace

void MessageStore::Clear() {
    records_.reset();
    size_ = 0;
    capacity_ = 0;
}

std::size_t MessageStore::GrownCapacity(std::size_t size, std::size_t capacity,
                                        std::size_t growthStep) {
    if (capacity == 0) {
        return size + 1;
    }
    if (size + 1 <= capacity) {
        return capacity;
    }
    const std::size_t step = growthStep ? growthStep : std::clamp<std::size_t>(size / 8, 4, 1024);
    return std::max(capacity + step, size + 1);
}

void MessageStore::Grow() {
    const std::size_t n = size_;
    const std::size_t capacity = GrownCapacity(n, records_ ? capacity_ : 0, growthStep_);
    if (capacity != capacity_ || !records_) {
        // New storage is zeroed; the records move over.
        auto grown = std::make_unique<MessageRecord[]>(capacity);
        if (records_) {
            std::copy_n(records_.get(), n, grown.get());
        }
        records_ = std::move(grown);
        capacity_ = capacity;
    } else {
        records_[n] = MessageRecord{};
    }
    size_ = n + 1;
}

void MessageStore::Append(const MessageRecord& record) {
    Grow();
    records_[size_ - 1] = record;
}

bool MessageStore::RemoveAt(std::size_t index) {
    if (index >= size_) {
        return false;
    }
    std::copy(records_.get() + index + 1, records_.get() + size_, records_.get() + index);
    --size_;
    return true;
}

bool MessageStore::Swap(std::size_t first, std::size_t second) {
    if (first >= size_ || second >= size_) {
        return false;
    }
    std::swap(records_[first], records_[second]);
    return true;
}

bool MessageStore::ReplaceAt(std::size_t index, const MessageRecord& record) {
    if (index >= size_) {
        return false;
    }
    records_[index] = record;
    return true;
}

int MessageStore::ComposeMessage(const CardValues& values, const std::string& number,
                                 const std::string& text) {
    MessageRecord record;
    if (values.cdmaCard) {
        // encodesms takes byte lengths: a longer text or number is cut, as its callers'
        // limits (160 bytes, 20 digits) keep them well below 256.
        std::string body = text.substr(0, 255);
        std::string digits = number.substr(0, 255);
        CMyTools::encodesms(record.bytes, body.data(), static_cast<unsigned char>(body.size()),
                            digits.data(), static_cast<unsigned char>(digits.size()));
    } else {
        SM_PARAM message;
        std::memset(&message, 0, sizeof message);
        message.scType = values.serviceCentreType;
        CopyField(message.scDigits, sizeof message.scDigits, values.serviceCentreDigits);
        message.dcs = CMyTools::IsDBString(text) ? 8 : 0;
        const bool international = !number.empty() && number[0] == '+';
        message.partyType = international ? 0x91 : 0x81;
        CopyField(message.partyDigits, sizeof message.partyDigits - 1,
                  international ? number.substr(1) : number);
        CopyField(message.text, sizeof message.text - 1, text);
        record.bytes[0] = kStatusToBeSent;
        CMyTools::gsmEncodePdu(&message, reinterpret_cast<char*>(record.bytes + 1));
    }
    Append(record);
    return 1;
}

}  // namespace records
