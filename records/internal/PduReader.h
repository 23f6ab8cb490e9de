// A cursor over a bounded byte record: every read says whether the bytes were there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::pdu {

class PduReader {
public:
    PduReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next byte; false at the end.
    bool Take(std::uint8_t& value) {
        if (position_ >= size_) {
            return false;
        }
        value = data_[position_++];
        return true;
    }

    // The next n bytes, or nullptr (consuming nothing) when fewer are left.
    const std::uint8_t* TakeBytes(std::size_t n) {
        if (n > size_ - position_) {
            return nullptr;
        }
        const std::uint8_t* bytes = data_ + position_;
        position_ += n;
        return bytes;
    }

    std::size_t left() const { return size_ - position_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace records::pdu
