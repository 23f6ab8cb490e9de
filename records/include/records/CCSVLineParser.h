// The reader of the record files' comma-separated dialect. The loader hands it a whole
// file as one text; line breaks are ordinary characters inside fields, and the dialect's
// rules (below) are the file format, odd corners included.
//
// The rules, applied field after field:
// - A field that starts with a double quote runs to the next quote-comma pair; its opening
//   quote and the quote of that pair are not part of its value. Any other field runs to
//   the next comma.
// - Three double quotes in a row that come before the field's end stand for one quote.
//   Two stay two.
// - The last field is whatever follows the last separator, even a lone line break; a
//   text ending in a comma (or quote-comma) has an empty last field. A last field that
//   starts with a quote loses its final character, meant to be the closing quote.
// - There is no error: any text parses. An empty text has no fields.
//
// Each field keeps two texts: its value, and its source (its text as it stands in the
// parsed text, quotes included). Text is UTF-8; only ASCII quotes and commas are special,
// and a final character that is dropped is dropped whole.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

class CCSVLineParser {
public:
    // Thrown by GetField for an index outside 0 .. GetCount() - 1.
    class Range : public std::out_of_range {
    public:
        Range() : std::out_of_range("Out of range") {}
    };

    // Parses text at once; the parser then owns its fields.
    explicit CCSVLineParser(std::string text);

    // The number of fields.
    int GetCount() const { return static_cast<int>(fields_.size()); }

    // A copy of field index's value (source false) or of its source text (source true).
    // Throws Range when index < 0 or index >= GetCount().
    std::string GetField(int index, bool source = false) const;

private:
    struct Field {
        std::string value;
        // The source text is text_[sourceBegin, sourceBegin + sourceLength).
        std::size_t sourceBegin = 0;
        std::size_t sourceLength = 0;
    };

    void Parse();

    std::string text_;
    std::vector<Field> fields_;
};
