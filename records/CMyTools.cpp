#include "records/CMyTools.h"

#include <cstring>
#include <initializer_list>

#include "internal/CdmaSms.h"
#include "internal/GsmAlphaId.h"
#include "internal/GsmAlphabet.h"
#include "internal/GsmBcd.h"
#include "internal/PduGsm.h"
#include "internal/TextIconv.h"

namespace {

std::size_t Length(int length) {
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

}  // namespace

int CMyTools::IsDBString(const std::string& text) {
    return records::gsm::CarriesAll(text.data(), text.size()) ? 0 : 1;
}

int CMyTools::asc2gsm(const char* text, unsigned char* out, int length) {
    if (text == nullptr || out == nullptr) {
        return 0;
    }
    static constexpr std::size_t kOutSize = 260;
    return static_cast<int>(records::gsm::Utf8ToSeptets(text, Length(length), out, kOutSize));
}

int CMyTools::gsm2asc(const unsigned char* in, char* out, int length) {
    if (out == nullptr) {
        return 0;
    }
    if (in == nullptr) {
        out[0] = '\0';
        return 0;
    }
    const std::size_t n = Length(length);
    return static_cast<int>(records::gsm::SeptetsToUtf8(in, n, out, 2 * n + 1, true));
}

int CMyTools::gsmEncodeUcs2(const char* text, unsigned char* out, int length) {
    if (text == nullptr || out == nullptr) {
        return 0;
    }
    const std::size_t n = Length(length);
    return static_cast<int>(records::text::Utf8ToUtf16Be(text, n, out, 2 * n));
}

int CMyTools::gsmDecodeUcs2(const unsigned char* in, unsigned char* out, int length) {
    if (out == nullptr) {
        return 0;
    }
    auto* text = reinterpret_cast<char*>(out);
    if (in == nullptr) {
        text[0] = '\0';
        return 0;
    }
    const std::size_t n = Length(length);
    return static_cast<int>(records::text::Utf16BeToUtf8(in, n, text, 3 * n / 2 + 2));
}

int CMyTools::UCS2ToGB81(unsigned char* in, char* out, int length) {
    if (out == nullptr) {
        return 0;
    }
    const std::size_t n = Length(length);
    return static_cast<int>(records::gsm::DecodeAlphaUcs2Form(true, in, n, out, 3 * n + 1));
}

int CMyTools::UCS2ToGB82(unsigned char* in, char* out, int length) {
    if (out == nullptr) {
        return 0;
    }
    const std::size_t n = Length(length);
    return static_cast<int>(records::gsm::DecodeAlphaUcs2Form(false, in, n, out, 3 * n + 1));
}

void CMyTools::bcd2asc(void* in, void* out, int length) {
    auto* text = static_cast<char*>(out);
    if (text == nullptr) {
        return;
    }
    const std::size_t n = in == nullptr ? 0 : Length(length);
    text[records::gsm::BcdToText(static_cast<const unsigned char*>(in), 2 * n, text, 2 * n)] = '\0';
}

int CMyTools::asc2bcd(void* text, void* out, int length, int mode) {
    if (text == nullptr || out == nullptr) {
        return 0;
    }
    const std::size_t n = Length(length);
    return static_cast<int>(records::gsm::TextToBcd(
        static_cast<const char*>(text), n, static_cast<unsigned char*>(out), n, mode != 0));
}

void CMyTools::hex2asc(void* in, void* out, unsigned long length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(in);
    auto* text = static_cast<char*>(out);
    if (text == nullptr) {
        return;
    }
    if (bytes == nullptr) {
        length = 0;
    }
    for (unsigned long i = 0; i < length; ++i) {
        text[2 * i] = kHex[bytes[i] >> 4];
        text[2 * i + 1] = kHex[bytes[i] & 0x0F];
    }
    text[2 * length] = '\0';
}

int CMyTools::GetBitStatus(unsigned char* byte, unsigned int bit) {
    if (byte == nullptr || bit > 7) {
        return 0;
    }
    return (*byte >> bit & 1) != 0 ? 1 : 0;
}

int CMyTools::gsmDecodePdu(const char* pdu, SM_PARAM* out, int deliver) {
    if (pdu == nullptr || out == nullptr) {
        return 0;
    }
    return records::pdu::DecodeGsm(reinterpret_cast<const unsigned char*>(pdu),
                                   records::pdu::kGsmPduSize, *out, deliver != 0)
               ? 1
               : 0;
}

int CMyTools::cdmaDecodePdu(const char* pdu, SM_PARAM* out, int deliver) {
    if (pdu == nullptr || out == nullptr) {
        return 0;
    }
    return records::cdma::DecodeCdma(reinterpret_cast<const unsigned char*>(pdu),
                                     records::cdma::kPduSize, *out, deliver != 0)
               ? 1
               : 0;
}

int CMyTools::gsmEncodePdu(const SM_PARAM* in, char* out) {
    if (in == nullptr || out == nullptr) {
        return 0;
    }
    return static_cast<int>(records::pdu::EncodeGsmSubmit(
        *in, reinterpret_cast<unsigned char*>(out), records::pdu::kGsmPduSize));
}

void CMyTools::encodesms(unsigned char* record, char* text, unsigned char textLength, char* number,
                         unsigned char numberLength) {
    if (record == nullptr) {
        return;
    }
    const std::size_t textBytes = text == nullptr ? 0 : strnlen(text, textLength);
    const std::size_t numberBytes = number == nullptr ? 0 : strnlen(number, numberLength);
    records::cdma::EncodeCdmaRecord(record, text, textBytes, number, numberBytes);
}

int CMyTools::gsmTimeZone(unsigned char octet) {
    // Stored with the tens digit in the low nibble, whose bit 3 is the sign.
    const int quarters = (octet & 0x07) * 10 + (octet >> 4);
    return (octet & 0x08) ? -15 * quarters : 15 * quarters;
}
