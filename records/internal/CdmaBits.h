// Bit fields packed most significant bit first, as 3GPP2 C.S0015 lays out its parameters.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::cdma {

class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t octets) : data_(data), bits_(octets * 8) {}

    // The next width bits (at most 16); false, consuming nothing, when fewer are left.
    bool Read(unsigned width, unsigned& value) {
        if (width > bits_ - position_) {
            return false;
        }
        value = 0;
        for (unsigned i = 0; i < width; ++i, ++position_) {
            value = value << 1 | (data_[position_ / 8] >> (7 - position_ % 8) & 1);
        }
        return true;
    }

    bool Skip(std::size_t width) {
        if (width > bits_ - position_) {
            return false;
        }
        position_ += width;
        return true;
    }

    std::size_t left() const { return bits_ - position_; }

private:
    const std::uint8_t* data_;
    std::size_t bits_;
    std::size_t position_ = 0;
};

// Writes into a zeroed buffer of octets bytes.
class BitWriter {
public:
    BitWriter(std::uint8_t* data, std::size_t octets) : data_(data), bits_(octets * 8) {}

    // Appends the low width bits of value; false, writing nothing, when they do not fit.
    bool Write(unsigned width, unsigned value) {
        if (width > bits_ - position_) {
            return false;
        }
        for (unsigned i = width; i-- > 0; ++position_) {
            if (value >> i & 1) {
                data_[position_ / 8] |= static_cast<std::uint8_t>(0x80 >> position_ % 8);
            }
        }
        return true;
    }

    // The octets written so far, the last one padded with zero bits.
    std::size_t octets() const { return (position_ + 7) / 8; }

private:
    std::uint8_t* data_;
    std::size_t bits_;
    std::size_t position_ = 0;
};

}  // namespace records::cdma
