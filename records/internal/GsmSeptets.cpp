#include "internal/GsmSeptets.h"

namespace records::gsm {

std::size_t PackSeptets(const std::uint8_t* septets, std::size_t count, unsigned fill,
                        std::uint8_t* out) {
    if (count == 0) {
        return 0;
    }
    std::size_t i = 0;
    std::size_t written = 0;
    if (fill == 0) {
        // Eight septets fill seven octets exactly.
        for (; i + 8 <= count; i += 8) {
            std::uint64_t bits = 0;
            for (int k = 0; k < 8; ++k) {
                bits |= static_cast<std::uint64_t>(septets[i + k] & 0x7F) << (7 * k);
            }
            for (int k = 0; k < 7; ++k) {
                out[written++] = static_cast<std::uint8_t>(bits >> (8 * k));
            }
        }
    }
    std::uint32_t bits = 0;
    unsigned pending = fill;
    for (; i < count; ++i) {
        bits |= static_cast<std::uint32_t>(septets[i] & 0x7F) << pending;
        pending += 7;
        if (pending >= 8) {
            out[written++] = static_cast<std::uint8_t>(bits);
            bits >>= 8;
            pending -= 8;
        }
    }
    if (pending > 0) {
        out[written++] = static_cast<std::uint8_t>(bits);
    }
    return written;
}

std::size_t UnpackSeptets(const std::uint8_t* in, std::size_t octets, unsigned fill,
                          std::size_t count, std::uint8_t* out) {
    const std::size_t available = SeptetsIn(octets, fill);
    const std::size_t n = count < available ? count : available;
    std::size_t i = 0;
    if (fill == 0) {
        // Seven octets hold eight septets exactly.
        for (; i + 8 <= n; i += 8) {
            const std::uint8_t* group = in + i / 8 * 7;
            std::uint64_t bits = 0;
            for (int k = 0; k < 7; ++k) {
                bits |= static_cast<std::uint64_t>(group[k]) << (8 * k);
            }
            for (int k = 0; k < 8; ++k) {
                out[i + k] = static_cast<std::uint8_t>(bits >> (7 * k) & 0x7F);
            }
        }
    }
    for (; i < n; ++i) {
        const std::size_t bit = fill + 7 * i;
        const std::size_t byte = bit / 8;
        const unsigned shift = bit % 8;
        unsigned value = in[byte] >> shift;
        if (shift > 1) {
            // The septet runs into the next octet, which lies inside the input: bit + 7 is
            // at most octets * 8.
            value |= static_cast<unsigned>(in[byte + 1]) << (8 - shift);
        }
        out[i] = static_cast<std::uint8_t>(value & 0x7F);
    }
    return n;
}

}  // namespace records::gsm
