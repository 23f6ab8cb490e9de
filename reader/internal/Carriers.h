// The host carriers that run one vendor command block: SCSI pass-through (NT family),
// ASPI for Win32 (Windows 9x) and SG_IO (Linux). Each keeps the diagnostic texts of its
// family; the dispatch on the host family is CQuillon's.
#pragma once

#include <cstdint>

#include "internal/CommandBlocks.h"

namespace quillon::internal {

// --- SCSI pass-through through the module's exchange buffer (NT family) ---
// Read: 1 and length bytes in buffer (bytes not supplied read as 0x00), or 0 with
// "Query firmware version failed: %05lu".
int PassThroughRead(void* device, const CommandBlock& cdb, std::uint8_t* buffer,
                    std::uint16_t length);
// Write of length bytes (padded to even). reportErrors: a failure sets
// "Write EEPROM Data failed: %05lu\nScsiStatus: %05u"; otherwise it leaves the
// diagnostic state as it was.
int PassThroughWrite(void* device, const CommandBlock& cdb, const std::uint8_t* data,
                     std::uint16_t length, bool reportErrors);
char* PassThroughInquiry(void* device, unsigned long* length);

// --- ASPI for Win32 (Windows 9x) ---
// Runs one request block for the recorded adapter and target: 1 when it completes; a
// failure is repeated once, unless the first attempt ended with unit attention.
int AspiExecute(std::uint8_t adapter, std::uint8_t target, std::uint8_t directionFlag,
                std::uint32_t bufferLength, std::uint8_t* buffer, std::uint8_t cdbLength,
                const std::uint8_t* cdb);
int AspiRead(const CommandBlock& cdb, std::uint8_t* buffer, std::uint16_t length);
int AspiWrite(const CommandBlock& cdb, const std::uint8_t* data, std::uint16_t length);
char* AspiInquiry(unsigned long* length);

// --- SG_IO on the reader's device node (Linux) ---
int SgIoRead(void* device, const CommandBlock& cdb, std::uint8_t* buffer, std::uint16_t length);
int SgIoWrite(void* device, const CommandBlock& cdb, const std::uint8_t* data,
              std::uint16_t length);
char* SgIoInquiry(void* device, unsigned long* length);

// The Linux device token: the descriptor of the opened device node.
struct LinuxDevice {
    int fd;
};

// Blocks handed to the caller: zero-filled, owned by the caller (free()).
void* AllocateResultBlock(std::size_t bytes);

}  // namespace quillon::internal
