// The reader's function inquiry reply, as the program reads it: model, firmware version,
// and the list of four-character function tags whose "SIM " entry gives the function
// index of every card command.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

struct FunctionList {
    // The program keeps at most this many entries of the list.
    static constexpr std::size_t kMaxEntries = 16;

    std::uint8_t readerModel = 0;
    std::uint16_t firmwareVersion = 0;
    std::uint8_t reserved = 0;
    // Entries announced by the reader, and those actually kept (at most kMaxEntries, and
    // no more than the reply holds).
    std::uint8_t announcedCount = 0;
    std::size_t count = 0;
    std::array<std::array<char, 4>, kMaxEntries> tags{};
    // Positions of the tags holding "INQU", "EEPR" and "SIM " (-1: none). Each tag counts
    // for the first of the three it holds.
    int inquiryIndex = -1;
    int eepromIndex = -1;
    int simIndex = -1;

    // The reader model 0xB0 with firmware 0x0208 takes the long command form.
    bool IsLongFormReader() const { return readerModel == 0xB0 && firmwareVersion == 0x0208; }
};

// Parses a reply of length bytes: offset 0 model, 1-2 firmware (high byte first), 3 not
// used, 4 the entry count N, then N tags of 4 bytes from offset 5. A reply shorter than
// 5 bytes gives false; entries beyond the reply's end or beyond 16 are dropped.
bool ParseFunctionList(const std::uint8_t* reply, std::size_t length, FunctionList& list);

}  // namespace sim
