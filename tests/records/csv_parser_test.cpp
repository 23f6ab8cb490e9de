// The record files' CSV dialect as CCSVLineParser reads it: every odd corner here is part
// of the file format and must stay as it is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/CCSVLineParser.h"

namespace {

struct ParseCase {
    const char* name;
    std::string text;
    std::vector<std::string> values;
    // Checked when not empty.
    std::vector<std::string> sources;
};

std::ostream& operator<<(std::ostream& out, const ParseCase& c) {
    return out << c.name;
}

const ParseCase kParseCases[] = {
    {"Empty", "", {}, {}},
    {"PlainFields", "p,q,r", {"p", "q", "r"}, {"p", "q", "r"}},
    {"TrailingCommaGivesEmptyLastField", "p,q,r,", {"p", "q", "r", ""}, {}},
    {"QuotedFieldKeepsItsComma", "\"p,q\",r", {"p,q", "r"}, {"\"p,q\"", "r"}},
    {"LastQuotedFieldLosesClosingQuote", "\"a\",\"b\"", {"a", "b"}, {"\"a\"", "\"b\""}},
    {"UnclosedQuoteLosesLastCharacter", "\"abc", {"ab"}, {"\"abc"}},
    {"TwoQuotesStayTwo", "\"a\"\"b\",x", {"a\"\"b", "x"}, {"\"a\"\"b\"", "x"}},
    {"ThreeQuotesStandForOne", "\"a\"\"\"b\",x", {"a\"b", "x"}, {"\"a\"\"\"b\"", "x"}},
    // A record file's header and one row: the header's CR LF opens the row's index field,
    // which therefore does not start with a quote and keeps its quotes.
    {"RecordFileLines",
     "序号,姓名,电话号码,\r\n\"1\",\"n\",\"5\",\r\n",
     {"序号", "姓名", "电话号码", "\r\n\"1\"", "n", "5", "\r\n"},
     {"序号", "姓名", "电话号码", "\r\n\"1\"", "\"n\"", "\"5\"", "\r\n"}},
    {"LastRowWithoutCommaAtEndOfText", "\"1\",\"n\",\"5\"", {"1", "n", "5"}, {}},
    // Only the final character goes: the cell keeps its closing quote and the CR.
    {"LastRowWithoutCommaBeforeLineEnd", "\"1\",\"n\",\"5\"\r\n", {"1", "n", "5\"\r"}, {}},
    {"QuoteCommaInsideCellSplitsTheRow",
     "\"1\",\"hi\",there\",\r\n",
     {"1", "hi", "there\"", "\r\n"},
     {}},
    {"LineBreaksInsideQuotedField", "\"a\r\nb\",c", {"a\r\nb", "c"}, {}},
    {"QuoteInsideUnquotedField", "a\"b,c", {"a\"b", "c"}, {}},
    {"ThreeQuotesInUnquotedField", "a\"\"\"b,c", {"a\"b", "c"}, {"a\"\"\"b", "c"}},
    {"QuoteThenTwoQuotesBeforeSeparator", "\"\"\",x", {"\"", "x"}, {"\"\"\"", "x"}},
    // The three quotes end before the field's quote-comma begins, so they swallow it: the
    // rest is one last field.
    {"ThreeQuotesSwallowTheSeparator",
     "\"a\"\"\",b",
     {
         "a\",",
     },
     {"\"a\"\"\",b"}},
    {"RepeatedTripleQuotes", "\"\"\"\"\"\"\"x\",y", {"\"\"x", "y"}, {}},
    {"LoneComma", ",", {"", ""}, {"", ""}},
    {"LoneQuote", "\"", {""}, {"\""}},
    {"TwoQuotes", "\"\"", {""}, {"\"\""}},
    {"EmptyQuotedField", "\"\",", {"", ""}, {"\"\"", ""}},
    {"LoneLineBreakIsAField", "a,\r\n", {"a", "\r\n"}, {}},
    // The final character of an unclosed quoted field is a whole UTF-8 character.
    {"UnclosedQuoteLosesWholeCharacter", "\"ab中", {"ab"}, {"\"ab中"}},
    {"UnclosedQuoteLosesStrayByteAlone", "\"ab\x80", {"ab"}, {}},
    {"UnclosedQuoteLosesTruncatedSequenceByteAlone", "\"ab\xE4\xB8", {"ab\xE4"}, {}},
};

class CsvParse : public testing::TestWithParam<ParseCase> {};

TEST_P(CsvParse, ValuesAndSources) {
    const ParseCase& c = GetParam();
    const CCSVLineParser parser(c.text);
    std::vector<std::string> values;
    std::vector<std::string> sources;
    for (int i = 0; i < parser.GetCount(); ++i) {
        values.push_back(parser.GetField(i));
        sources.push_back(parser.GetField(i, true));
    }
    EXPECT_EQ(values, c.values);
    if (!c.sources.empty()) {
        EXPECT_EQ(sources, c.sources);
    }
    // The sources, joined by the commas between fields, are the text again.
    std::string joined;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        joined += (i == 0 ? "" : ",") + sources[i];
    }
    EXPECT_EQ(joined, c.text);
}

INSTANTIATE_TEST_SUITE_P(Dialect, CsvParse, testing::ValuesIn(kParseCases),
                         [](const testing::TestParamInfo<ParseCase>& info) {
                             return std::string(info.param.name);
                         });

struct IndexCase {
    const char* text;
    int index;
    const char* reason;
};

TEST(CsvParseRange, IndexOutsideTheFieldsThrowsRange) {
    const IndexCase cases[] = {
        {"p,q,r", -1, "below zero"},
        {"p,q,r", 3, "equal to the count"},
        {"p,q,r", 1000, "far beyond the count"},
        {"", 0, "an empty text has no fields"},
    };
    for (const IndexCase& c : cases) {
        SCOPED_TRACE(c.reason);
        const CCSVLineParser parser(c.text);
        for (const bool source : {false, true}) {
            try {
                parser.GetField(c.index, source);
                ADD_FAILURE() << "no exception for index " << c.index;
            } catch (const CCSVLineParser::Range& range) {
                EXPECT_STREQ(range.what(), "Out of range");
            }
        }
    }
}

TEST(CsvParseRange, LastIndexIsInside) {
    const CCSVLineParser parser("p,q,r");
    ASSERT_EQ(parser.GetCount(), 3);
    EXPECT_EQ(parser.GetField(2), "r");
}

}  // namespace
