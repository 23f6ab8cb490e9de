// A pack's text is a format string from outside. Whatever it holds, formatting it never
// reaches printf unchecked; and a text it accepts formats exactly as printf formats it
// with the same arguments, which is only safe to ask printf because the text was accepted.
//
// Input: one byte choosing the arguments, eight bytes for two integers, then the text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/LanguagePackText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) {
        return 0;
    }
    int a = 0;
    int b = 0;
    std::memcpy(&a, data + 1, 4);
    std::memcpy(&b, data + 5, 4);
    std::string format(reinterpret_cast<const char*>(data + 9), size - 9);
    // printf reads its format up to a zero byte; compare on what it would read.
    format = format.substr(0, format.find('\0'));
    const std::string text = "SIM 电话簿 %d";

    std::vector<app::PackTextArgument> arguments;
    const int shape = data[0] % 6;
    switch (shape) {
        case 1:
            arguments = {a};
            break;
        case 2:
            arguments = {a, b};
            break;
        case 3:
            arguments = {text};
            break;
        case 4:
            arguments = {text, a};
            break;
        case 5:
            arguments = {a, text, b};
            break;
        default:
            break;
    }
    const std::optional<std::string> formatted = app::FormatPackText(format, arguments);
    app::PackTextConversions(format);
    if (!formatted) {
        return 0;
    }
    std::vector<char> expected(formatted->size() + 2);
    int length = 0;
    switch (shape) {
        case 1:
            length = std::snprintf(expected.data(), expected.size(), format.c_str(), a);
            break;
        case 2:
            length = std::snprintf(expected.data(), expected.size(), format.c_str(), a, b);
            break;
        case 3:
            length = std::snprintf(expected.data(), expected.size(), format.c_str(), text.c_str());
            break;
        case 4:
            length =
                std::snprintf(expected.data(), expected.size(), format.c_str(), text.c_str(), a);
            break;
        case 5:
            length =
                std::snprintf(expected.data(), expected.size(), format.c_str(), a, text.c_str(), b);
            break;
        default:
            length = std::snprintf(expected.data(), expected.size(), format.c_str(), 0);
            break;
    }
    if (length < 0 || static_cast<std::size_t>(length) != formatted->size() ||
        std::string(expected.data(), static_cast<std::size_t>(length)) != *formatted) {
        __builtin_trap();
    }
    return 0;
}
