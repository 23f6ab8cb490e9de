#include "records/CCSVLineParser.h"

#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kComma = ",";
constexpr std::string_view kQuoteComma = "\",";
constexpr std::string_view kTripleQuote = "\"\"\"";

// The first occurrence of a pattern at or after a position, for positions that only grow
// while a text is parsed: a search is repeated only once the position has passed the last
// occurrence found, so a whole parse looks at every byte a bounded number of times.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view pattern)
        : text_(text), pattern_(pattern) {}

    std::size_t From(std::size_t position) {
        if (!searched_ || (found_ != std::string_view::npos && found_ < position)) {
            found_ = text_.find(pattern_, position);
            searched_ = true;
        }
        return found_;
    }

private:
    std::string_view text_;
    std::string_view pattern_;
    std::size_t found_ = std::string_view::npos;
    bool searched_ = false;
};

// The length of the last character of text[begin, end): a well-formed UTF-8 sequence that
// ends there counts whole, any other byte alone; 0 for an empty range.
std::size_t LastCharacterLength(std::string_view text, std::size_t begin, std::size_t end) {
    if (end == begin) {
        return 0;
    }
    std::size_t lead = end - 1;
    std::size_t length = 1;
    while (length < 4 && lead > begin && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) {
        --lead;
        ++length;
    }
    const auto byte = static_cast<unsigned char>(text[lead]);
    std::size_t expected = 0;
    if (byte < 0x80) {
        expected = 1;
    } else if ((byte & 0xE0) == 0xC0) {
        expected = 2;
    } else if ((byte & 0xF0) == 0xE0) {
        expected = 3;
    } else if ((byte & 0xF8) == 0xF0) {
        expected = 4;
    }
    return expected == length ? length : 1;
}

}  // namespace

CCSVLineParser::CCSVLineParser(std::string text) : text_(std::move(text)) {
    Parse();
}

std::string CCSVLineParser::GetField(int index, bool source) const {
    if (index < 0 || index >= GetCount()) {
        throw Range();
    }
    const Field& field = fields_[static_cast<std::size_t>(index)];
    if (source) {
        return text_.substr(field.sourceBegin, field.sourceLength);
    }
    return field.value;
}

void CCSVLineParser::Parse() {
    const std::string_view text(text_);
    if (text.empty()) {
        return;
    }
    ForwardFinder commas(text, kComma);
    ForwardFinder quoteCommas(text, kQuoteComma);
    ForwardFinder tripleQuotes(text, kTripleQuote);

    // The unparsed rest is text[position, end); fieldStart is where the current field's
    // source begins (its opening quote, if it has one).
    std::size_t fieldStart = 0;
    std::size_t position = 0;
    bool quoted = text[0] == '"';
    if (quoted) {
        ++position;
    }
    std::string prefix;
    for (;;) {
        ForwardFinder& separators = quoted ? quoteCommas : commas;
        // Three quotes in a row before the field's end: keep the first, drop the other two.
        prefix.clear();
        for (;;) {
            const std::size_t triple = tripleQuotes.From(position);
            if (triple == std::string_view::npos) {
                break;
            }
            const std::size_t separator = separators.From(position);
            if (separator != std::string_view::npos && triple >= separator) {
                break;
            }
            prefix.append(text.substr(position, triple - position + 1));
            position = triple + kTripleQuote.size();
        }
        const std::size_t separator = separators.From(position);
        if (separator == std::string_view::npos) {
            break;
        }
        Field field;
        field.value = prefix;
        field.value.append(text.substr(position, separator - position));
        field.sourceBegin = fieldStart;
        // The source takes in the closing quote of a quoted field, never the comma.
        field.sourceLength = separator + (quoted ? 1 : 0) - fieldStart;
        fields_.push_back(std::move(field));

        position = separator + (quoted ? kQuoteComma.size() : kComma.size());
        fieldStart = position;
        quoted = position < text.size() && text[position] == '"';
        if (quoted) {
            ++position;
        }
    }

    // The last field is the rest; a quoted one gives up its final character, meant to be
    // the closing quote.
    std::size_t end = text.size();
    if (quoted) {
        end -= LastCharacterLength(text, position, end);
    }
    Field last;
    last.value = prefix;
    last.value.append(text.substr(position, end - position));
    last.sourceBegin = fieldStart;
    last.sourceLength = text.size() - fieldStart;
    fields_.push_back(std::move(last));
}
