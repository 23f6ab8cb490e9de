// A record file is any bytes: CCSVLineParser must take every text, and must split it
// exactly as the dialect's rules say. The rules are transcribed here a second time, as
// plainly as they read (cutting the rest of the text step by step), and both must agree.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "records/CCSVLineParser.h"

namespace {

struct Field {
    std::string value;
    std::string source;
};

// Bytes of the final character of text: a whole UTF-8 sequence, else one byte.
std::size_t FinalCharacterBytes(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    std::size_t continuation = 0;
    while (continuation < 3 && continuation + 1 < text.size() &&
           (static_cast<unsigned char>(text[text.size() - 1 - continuation]) & 0xC0) == 0x80) {
        ++continuation;
    }
    const auto lead = static_cast<unsigned char>(text[text.size() - 1 - continuation]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xF0 && lead < 0xF8 ? 4
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xC0 && lead < 0xE0 ? 2
                                                             : 0;
    return length == continuation + 1 ? length : 1;
}

std::vector<Field> SplitPlainly(const std::string& s) {
    std::vector<Field> fields;
    if (s.empty()) {
        return fields;
    }
    const std::string quoteComma = "\",";
    std::string rest = s;
    std::string sep;
    std::size_t off = 0;
    auto chooseSeparator = [&] {
        if (!rest.empty() && rest[0] == '"') {
            sep = quoteComma;
            rest.erase(0, 1);
        } else {
            sep = ",";
        }
    };
    chooseSeparator();
    std::string prefix;
    std::size_t t = 0;
    for (;;) {
        prefix.clear();
        t = 0;
        for (;;) {
            const std::size_t triple = rest.find("\"\"\"");
            const std::size_t at = rest.find(sep);
            if (triple == std::string::npos || (at != std::string::npos && triple >= at)) {
                break;
            }
            prefix += rest.substr(0, triple + 1);
            rest.erase(0, triple + 3);
            t += 2;
        }
        const std::size_t at = rest.find(sep);
        if (at == std::string::npos) {
            break;
        }
        const std::string value = prefix + rest.substr(0, at);
        rest.erase(0, at + sep.size());
        if (sep == quoteComma) {
            t += 2;
        }
        fields.push_back({value, s.substr(off, value.size() + t)});
        off += value.size() + t + 1;
        chooseSeparator();
    }
    std::size_t dropped = 0;
    if (sep == quoteComma) {
        dropped = FinalCharacterBytes(rest);
        rest.erase(rest.size() - dropped);
        t += 2;
    }
    const std::string value = prefix + rest;
    const std::size_t extra = dropped > 1 ? dropped - 1 : 0;
    fields.push_back({value, s.substr(off, value.size() + t + extra)});
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CCSVLineParser parser(text);
    const std::vector<Field> expected = SplitPlainly(text);
    if (parser.GetCount() != static_cast<int>(expected.size())) {
        __builtin_trap();
    }
    for (int i = 0; i < parser.GetCount(); ++i) {
        const Field& field = expected[static_cast<std::size_t>(i)];
        if (parser.GetField(i) != field.value || parser.GetField(i, true) != field.source) {
            __builtin_trap();
        }
    }
    for (const int index : {-1, parser.GetCount()}) {
        try {
            parser.GetField(index);
            __builtin_trap();
        } catch (const CCSVLineParser::Range&) {
        }
    }
    return 0;
}
