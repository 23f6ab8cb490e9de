#include "records/CsvWriter.h"

#include <string_view>

namespace records {

namespace {

// text cut to at most limit bytes, backing off to the start of a UTF-8 character that the
// cut would split (at most three bytes: a character is at most four).
std::string_view CutToBytes(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && limit - end < 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

}  // namespace

std::string CsvHeaderLine(std::span<const std::string> titles) {
    std::string line;
    for (const std::string& title : titles) {
        line.append(CutToBytes(title, kCsvTitleMaxBytes));
        line.push_back(',');
    }
    line.append("\r\n");
    return line;
}

std::string CsvDataLine(std::span<const std::string> cells) {
    std::size_t length = 2;
    for (const std::string& cell : cells) {
        length += cell.size() + 3;
    }
    std::string line;
    line.reserve(length);
    for (const std::string& cell : cells) {
        line.push_back('"');
        line.append(cell);
        line.append("\",");
    }
    line.append("\r\n");
    return line;
}

}  // namespace records
