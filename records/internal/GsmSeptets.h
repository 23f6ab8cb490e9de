// Packing of 7-bit septets into octets (3GPP TS 23.038 6.1.2.1.1): septet i occupies bits
// fill + 7i to fill + 7i + 6 of the octet stream, least significant bit first. fill (0 to 6)
// is the number of fill bits before the first septet, which TS 23.040 9.2.3.24 puts after a
// user data header so that the text starts on a septet boundary.
#pragma once

#include <cstddef>
#include <cstdint>

namespace records::gsm {

// The octets that count septets take after fill bits (0 when there are no septets).
constexpr std::size_t PackedOctets(std::size_t count, unsigned fill = 0) {
    return count == 0 ? 0 : (fill + 7 * count + 7) / 8;
}

// The septets that octets hold after fill bits.
constexpr std::size_t SeptetsIn(std::size_t octets, unsigned fill = 0) {
    return octets * 8 < fill ? 0 : (octets * 8 - fill) / 7;
}

// Packs count septets (only their low 7 bits count) into out, after fill zero bits; out
// must hold PackedOctets(count, fill) bytes. Returns the octets written.
std::size_t PackSeptets(const std::uint8_t* septets, std::size_t count, unsigned fill,
                        std::uint8_t* out);

// Unpacks up to count septets that follow fill bits in the octets bytes at in; stops where
// the octets end. Returns the septets written to out.
std::size_t UnpackSeptets(const std::uint8_t* in, std::size_t octets, unsigned fill,
                          std::size_t count, std::uint8_t* out);

}  // namespace records::gsm
