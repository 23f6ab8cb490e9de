#include "app/LanguagePackText.h"

#include <cstdio>

namespace app {

namespace {

// One conversion read from a pack text, kept as the parts it was checked for.
struct Conversion {
    std::string flags;   // each of "-+ #0" at most once
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    std::string length;  // "", "h" or "hh"
    char conversion = 0;
    std::size_t end = 0;  // the position after it in the text

    bool TakesText() const { return conversion == 's'; }

    // The conversion rebuilt from its checked parts: the only format printf ever sees.
    std::string Spec() const {
        std::string spec = "%" + flags;
        if (width >= 0) {
            spec += std::to_string(width);
        }
        if (precision >= 0) {
            spec += "." + std::to_string(precision);
        }
        return spec + length + conversion;
    }
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the digits of a width or precision (none read as 0); false past kMaxFieldWidth.
bool ReadNumber(std::string_view text, std::size_t& i, int& value) {
    value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        value = value * 10 + (text[i] - '0');
        ++i;
        if (value > kMaxFieldWidth) {
            return false;
        }
    }
    return true;
}

// Reads the conversion that starts at text[start] == '%' (not "%%").
std::optional<Conversion> ReadConversion(std::string_view text, std::size_t start) {
    Conversion c;
    std::size_t i = start + 1;
    while (i < text.size() && std::string_view("-+ #0").find(text[i]) != std::string_view::npos) {
        if (c.flags.find(text[i]) != std::string::npos) {
            return std::nullopt;
        }
        c.flags += text[i++];
    }
    if (i < text.size() && IsDigit(text[i])) {
        if (!ReadNumber(text, i, c.width)) {
            return std::nullopt;
        }
        if (i < text.size() && text[i] == '$') {
            return std::nullopt;  // positional arguments
        }
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!ReadNumber(text, i, c.precision)) {
            return std::nullopt;
        }
    }
    if (i < text.size() && text[i] == 'h') {
        c.length = (i + 1 < text.size() && text[i + 1] == 'h') ? "hh" : "h";
        i += c.length.size();
    }
    if (i >= text.size()) {
        return std::nullopt;
    }
    c.conversion = text[i];
    if (std::string_view("diuoxXs").find(c.conversion) == std::string_view::npos) {
        return std::nullopt;
    }
    if (c.conversion == 's' && !c.length.empty()) {
        return std::nullopt;  // %hs is no text conversion
    }
    // printf leaves '#' undefined but for o, x and X, and '0' for s.
    const bool alternate = c.flags.find('#') != std::string::npos;
    if ((alternate && std::string_view("oxX").find(c.conversion) == std::string_view::npos) ||
        (c.conversion == 's' && c.flags.find('0') != std::string::npos)) {
        return std::nullopt;
    }
    c.end = i + 1;
    return c;
}

std::string FormatOne(const Conversion& c, const PackTextArgument& argument) {
    const std::string spec = c.Spec();
    // Widths and precisions are at most kMaxFieldWidth, so this always suffices for an
    // integer; a text gets room for itself besides.
    std::size_t room = kMaxFieldWidth + 64;
    if (c.TakesText()) {
        room += std::get<std::string>(argument).size();
    }
    std::string out(room, '\0');
    int written = 0;
    if (c.TakesText()) {
        written = std::snprintf(out.data(), out.size(), spec.c_str(),
                                std::get<std::string>(argument).c_str());
    } else if (c.conversion == 'd' || c.conversion == 'i') {
        written = std::snprintf(out.data(), out.size(), spec.c_str(), std::get<int>(argument));
    } else {
        written = std::snprintf(out.data(), out.size(), spec.c_str(),
                                static_cast<unsigned>(std::get<int>(argument)));
    }
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

}  // namespace

std::optional<std::string> FormatPackText(std::string_view format,
                                          const std::vector<PackTextArgument>& arguments) {
    std::string result;
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const std::size_t percent = format.find('%', i);
        if (percent == std::string_view::npos) {
            result.append(format.substr(i));
            break;
        }
        result.append(format.substr(i, percent - i));
        if (percent + 1 < format.size() && format[percent + 1] == '%') {
            result += '%';
            i = percent + 2;
            continue;
        }
        const std::optional<Conversion> conversion = ReadConversion(format, percent);
        if (!conversion || next >= arguments.size()) {
            return std::nullopt;
        }
        const PackTextArgument& argument = arguments[next++];
        if (conversion->TakesText() != std::holds_alternative<std::string>(argument)) {
            return std::nullopt;
        }
        // A text argument is cut at a zero byte, as printf would read it.
        result += FormatOne(*conversion, argument);
        i = conversion->end;
    }
    return result;
}

std::optional<std::vector<std::string>> PackTextConversions(std::string_view format) {
    std::vector<std::string> conversions;
    std::size_t i = 0;
    while ((i = format.find('%', i)) != std::string_view::npos) {
        if (i + 1 < format.size() && format[i + 1] == '%') {
            i += 2;
            continue;
        }
        const std::optional<Conversion> conversion = ReadConversion(format, i);
        if (!conversion) {
            return std::nullopt;
        }
        conversions.emplace_back(format.substr(i, conversion->end - i));
        i = conversion->end;
    }
    return conversions;
}

}  // namespace app
