// An EF_ADN alpha identifier comes from the card: any bytes. Its first byte chooses the
// form, as the phonebook read does: 0x80 UCS2, 0x81 and 0x82 the forms of GSM 11.11 Annex B,
// else the default alphabet. Each decoder writes into exactly the bytes its contract names;
// its text then goes through the encoders the phonebook write uses, each into exactly the
// bytes their contracts name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "records/CMyTools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 255) {
        return 0;
    }
    // A copy of exactly the input, the decoders' arguments not being const.
    auto in = std::make_unique<unsigned char[]>(size);
    std::memcpy(in.get(), data, size);
    const int rest = static_cast<int>(size - 1);
    std::size_t textSize;
    std::unique_ptr<char[]> text;
    int n;
    switch (data[0]) {
        case 0x80:
            textSize = 3 * static_cast<std::size_t>(rest) / 2 + 2;
            text = std::make_unique<char[]>(textSize);
            n = CMyTools::gsmDecodeUcs2(in.get() + 1, reinterpret_cast<unsigned char*>(text.get()),
                                        rest);
            break;
        case 0x81:
        case 0x82:
            textSize = 3 * static_cast<std::size_t>(rest) + 1;
            text = std::make_unique<char[]>(textSize);
            n = data[0] == 0x81 ? CMyTools::UCS2ToGB81(in.get() + 1, text.get(), rest)
                                : CMyTools::UCS2ToGB82(in.get() + 1, text.get(), rest);
            break;
        default:
            textSize = 2 * size + 1;
            text = std::make_unique<char[]>(textSize);
            n = CMyTools::gsm2asc(in.get(), text.get(), static_cast<int>(size));
            break;
    }
    if (n < 0 || static_cast<std::size_t>(n) >= textSize ||
        text[static_cast<std::size_t>(n)] != 0 ||
        std::strlen(text.get()) > static_cast<std::size_t>(n)) {
        __builtin_trap();
    }
    // The phonebook write's encoders over the text.
    CMyTools::IsDBString(std::string(text.get(), static_cast<std::size_t>(n)));
    unsigned char septets[260];
    CMyTools::asc2gsm(text.get(), septets, n);
    auto ucs2 = std::make_unique<unsigned char[]>(2 * static_cast<std::size_t>(n));
    const int octets = CMyTools::gsmEncodeUcs2(text.get(), ucs2.get(), n);
    if (octets < 0 || octets > 2 * n) {
        __builtin_trap();
    }
    return 0;
}
