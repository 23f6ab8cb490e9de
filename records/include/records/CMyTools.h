// The codec library: conversions between the card's encodings and text. Static members
// only; every output buffer is the caller's. Text is UTF-8 throughout.
//
// Every decoder treats its input as untrusted: no length field inside the input makes it
// read past the input it was given (the stated record size) or write past the output size
// its contract names. Null pointers and negative lengths give an empty result.
#pragma once

#include <cstddef>
#include <string>

// A decoded short message (GSM: 3GPP TS 23.040; CDMA: 3GPP2 C.S0015), zeroed before use.
// The fields sit at fixed offsets (checked below); bytes 51 to 57 are unused. The text field
// holds any message the decoders accept, in UTF-8, with its terminating zero.
struct SM_PARAM {
    // The text field's size: the longest GSM text is 184 septets of two UTF-8 bytes each
    // (368 bytes); the longest CDMA text is 246 Shift-JIS half-width katakana of three bytes
    // each (738 bytes).
    static constexpr std::size_t kTextSize = 768;

    unsigned char scType;     // service-centre type of number (TS 24.008 10.5.4.7)
    char scDigits[20];        // its digits; zero-terminated when shorter than 20
    unsigned char partyType;  // other party's type of number: 0x91 international, else 0x81
    char partyDigits[21];     // its digits (or an alphanumeric name), zero-terminated
    unsigned char dcs;        // TP-DCS: 0 default alphabet, 4 8-bit data, 8 UCS2
    unsigned char scts[7];    // TP-SCTS; GSM as stored, low nibble first; CDMA plain BCD
    unsigned char unused[7];  // offsets 51 to 57
    char text[kTextSize];     // the message text, UTF-8, zero-terminated
};

static_assert(offsetof(SM_PARAM, scType) == 0);
static_assert(offsetof(SM_PARAM, scDigits) == 1);
static_assert(offsetof(SM_PARAM, partyType) == 21);
static_assert(offsetof(SM_PARAM, partyDigits) == 22);
static_assert(offsetof(SM_PARAM, dcs) == 43);
static_assert(offsetof(SM_PARAM, scts) == 44);
static_assert(offsetof(SM_PARAM, text) == 58);

class CMyTools {
public:
    // Sizes of the card records the message codecs work on.
    static constexpr int kGsmRecordSize = 176;   // EF_SMS, TS 51.011 10.5.3
    static constexpr int kCdmaRecordSize = 255;  // R-UIM EF_SMS, C.S0023 3.4.27
    // A text area that holds any alpha identifier of an EF_ADN record (X up to 241 bytes)
    // decoded by gsm2asc, gsmDecodeUcs2, UCS2ToGB81 or UCS2ToGB82.
    static constexpr int kAlphaTextSize = 3 * 241 + 1;

    // Nonzero when text (UTF-8) holds a character that the GSM 03.38 default alphabet with
    // its extension table cannot carry, that is a text that must go to the card as UCS2.
    // Bytes that are not valid UTF-8 do not count. (The design's signature takes a CString.)
    static int IsDBString(const std::string& text);

    // length bytes of UTF-8 text to GSM 03.38 default-alphabet bytes, one byte per septet:
    // an extension-table character takes two (0x1B and its code). A character the alphabet
    // cannot carry, and every byte that is not valid UTF-8, becomes '?'. Writes at most 260
    // bytes (out is 260 bytes) and never splits an escape pair; returns the bytes written.
    static int asc2gsm(const char* text, unsigned char* out, int length);

    // length default-alphabet bytes to UTF-8 text, zero-terminated. An escape followed by a
    // code the extension table does not define gives the default character of that code
    // (TS 23.038 6.2.1.1); 0xFF is the alpha identifier's filler and gives nothing; any other
    // byte above 0x7F gives '?'. out must hold 2 * length + 1 bytes; returns the bytes
    // written, the terminating zero not counted.
    static int gsm2asc(const unsigned char* in, char* out, int length);

    // length bytes of UTF-8 text to UTF-16 big-endian (UCS2; a character beyond the BMP
    // becomes a surrogate pair). Bytes that are not valid UTF-8 become '?'. out must hold
    // 2 * length bytes; returns the bytes written.
    static int gsmEncodeUcs2(const char* text, unsigned char* out, int length);

    // length bytes of UCS2 (UTF-16 big-endian, surrogate pairs accepted) to UTF-8 text,
    // zero-terminated. A lone surrogate, an odd last byte, and a control character other
    // than tab, line feed, form feed and carriage return give '?'. out must hold
    // 3 * length / 2 + 2 bytes; returns the bytes written, the terminating zero not counted.
    static int gsmDecodeUcs2(const unsigned char* in, unsigned char* out, int length);

    // The alpha identifier forms of GSM 11.11 Annex B, given the length bytes that follow
    // the coding byte 0x81 or 0x82: a character count, the base (0x81: one byte giving bits
    // 15 to 8 of the base, that is byte << 7; 0x82: two bytes), then one byte a character:
    // below 0x80 a default-alphabet character, else base + (byte & 0x7F) ('?' for a
    // surrogate, a control character or a value beyond 16 bits). A count beyond the
    // length given is cut to it. To UTF-8 text, zero-terminated; out must hold
    // 3 * length + 1 bytes; returns the bytes written, the terminating zero not counted.
    static int UCS2ToGB81(unsigned char* in, char* out, int length);
    static int UCS2ToGB82(unsigned char* in, char* out, int length);

    // Packed BCD, two digits a byte with the first in the low nibble (GSM 11.11 10.1.1,
    // ICCID and dialling numbers), to digit text: nibbles 0-9 give '0'-'9', 0xA '*',
    // 0xB '#', 0xC 'p', 0xD '?', 0xE 'w'; the filler 0xF gives nothing. out receives at
    // most 2 * length characters and a terminating zero.
    static void bcd2asc(void* in, void* out, int length);

    // length characters of digit text to packed BCD: '0'-'9', '*' (0xA), '#' (0xB), 'p'
    // (0xC), '?' (0xD) and 'w' (0xE), upper or lower case; any other character (a '+', a
    // space or a dash) is skipped. mode 1 puts the first digit in the low nibble (GSM 11.11
    // 10.5.1), mode 0 in the high nibble; any other mode is taken as 1. An odd digit count
    // is padded with 0xF. out must hold (length + 1) / 2 bytes; returns the bytes written.
    static int asc2bcd(void* text, void* out, int length, int mode);

    // length bytes as 2 * length upper-case hexadecimal digits and a terminating zero.
    static void hex2asc(void* in, void* out, unsigned long length);

    // Nonzero when bit (0 = least significant) of *byte is set; 0 for a bit above 7.
    static int GetBitStatus(unsigned char* byte, unsigned int bit);

    // An EF_SMS record of a GSM card after its status byte (the 175 bytes of TS 51.011
    // 10.5.3: the service-centre address of TS 24.011 8.2.5.2, then a TS 23.040 TPDU), as
    // octets, into out (which the caller zeroes). The TPDU's own message type decides how
    // it is read: SMS-DELIVER or SMS-SUBMIT; the type 2 is read as SMS-STATUS-REPORT when
    // deliver is 1 (received) and as SMS-COMMAND when it is 0 (sent), giving the party and
    // time but no text. Numeric addresses give digits, an alphanumeric one (TS 23.040
    // 9.1.2.5) its text, cut to 20 bytes; any type of number other than international is
    // given as 0x81. A user data header is skipped. The text holds no control character but
    // tab, line feed, form feed and carriage return (others, and zeros, become '?'). Returns 1 when
    // the record held a whole well-formed message; 0 when it did not (a field running past the
    // record, a length beyond TS 23.040's bounds, compressed text, an unknown message type): out
    // then holds what was read before the fault, every text zero-terminated.
    static int gsmDecodePdu(const char* pdu, SM_PARAM* out, int deliver);

    // An R-UIM EF_SMS record after its status byte (C.S0023 3.4.27: the message length,
    // then a C.S0015 SMS transport layer message), at most 254 bytes, into out (which the
    // caller zeroes): the originating address when deliver is 1, else the destination
    // (either when only one is present), the user data of the bearer data (7-bit ASCII,
    // IA5, Latin, Latin/Hebrew, Unicode, Shift-JIS, Korean, GSM 7-bit, octets as Latin) and
    // the message-centre time stamp as its six BCD bytes. Returns 1 or 0 as gsmDecodePdu.
    static int cdmaDecodePdu(const char* pdu, SM_PARAM* out, int deliver);

    // The service-centre address of in (none when it has no digits) and an SMS-SUBMIT TPDU
    // to in's party (TS 23.040 9.2.2.2: message reference 0, validity period relative 24
    // hours, PID 0), DCS 8 (UCS2) when in's dcs names UCS2 and DCS 0 (7-bit packed)
    // otherwise, into out, the EF_SMS record after its status byte. A text longer than a
    // message holds (160 septets, 140 octets) is cut at a character. Writes exactly the
    // record's 175 bytes, 0xFF after the TPDU (TS 51.011 10.5.3); returns the bytes of the
    // address and TPDU, or 0 for a null argument.
    static int gsmEncodePdu(const SM_PARAM* in, char* out);

    // A CDMA card's whole EF_SMS record (C.S0023 3.4.27) for a message to be sent: status 7,
    // the message length, and an SMS point-to-point message (C.S0015 3.4.2.1) with the
    // teleservice 4098 (CMT-95), the destination address (DTMF digits; international with
    // ASCII digits when number starts with '+'; other characters skipped, at most 32 digits)
    // and bearer data with a message identifier (SMS Submit) and the user data in 7-bit ASCII
    // when the text is ASCII, else in Unicode, cut at a character to what the record holds.
    // text and number are read up to their lengths or their terminating zero; a character
    // that textLength cuts is left out. Writes the 255
    // bytes of record, 0xFF after the message.
    static void encodesms(unsigned char* record, char* text, unsigned char textLength, char* number,
                          unsigned char numberLength);

    // The time zone of a TP-SCTS (its seventh octet, as stored): minutes east of GMT, signed
    // (TS 23.040 9.2.3.11: quarters of an hour, bit 3 the sign).
    static int gsmTimeZone(unsigned char octet);
};
