// The CDMA card's message record: the R-UIM EF_SMS of 3GPP2 C.S0023 3.4.27 (status, message
// length, SMS transport layer message of 3GPP2 C.S0015 3.4), between record bytes and
// SM_PARAM.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/CMyTools.h"

namespace records::cdma {

// The record (at most 255 bytes) and what follows its status byte.
inline constexpr std::size_t kRecordSize = 255;
inline constexpr std::size_t kPduSize = kRecordSize - 1;

// Decodes size bytes after the status byte into out (zeroed by the caller); see
// CMyTools::cdmaDecodePdu.
bool DecodeCdma(const std::uint8_t* pdu, std::size_t size, SM_PARAM& out, bool deliver);

// Writes the whole record (kRecordSize bytes) for a message to be sent; see
// CMyTools::encodesms.
void EncodeCdmaRecord(std::uint8_t* record, const char* text, std::size_t textLength,
                      const char* number, std::size_t numberLength);

}  // namespace records::cdma
