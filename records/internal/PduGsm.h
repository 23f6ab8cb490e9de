// The GSM card's message record: the service-centre address (3GPP TS 24.011 8.2.5.2) and a
// TPDU (3GPP TS 23.040 9.2), between record bytes and SM_PARAM.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/CMyTools.h"

namespace records::pdu {

// The EF_SMS record after its status byte (TS 51.011 10.5.3).
inline constexpr std::size_t kGsmPduSize = 175;

// The alphabet of a TP-DCS (TS 23.038 4), and whether the text is compressed.
enum class Alphabet { kGsm7, kEightBit, kUcs2 };
struct Coding {
    Alphabet alphabet;
    bool compressed;
};
Coding ParseDcs(std::uint8_t dcs);

// Decodes size bytes at pdu into out (zeroed by the caller); see CMyTools::gsmDecodePdu.
bool DecodeGsm(const std::uint8_t* pdu, std::size_t size, SM_PARAM& out, bool deliver);

// Encodes in as service-centre address and SMS-SUBMIT into out, size bytes, 0xFF after the
// TPDU; see CMyTools::gsmEncodePdu. Returns the bytes of address and TPDU (at most 170).
std::size_t EncodeGsmSubmit(const SM_PARAM& in, std::uint8_t* out, std::size_t size);

}  // namespace records::pdu
