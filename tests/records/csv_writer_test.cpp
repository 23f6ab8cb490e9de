// The lines of a record file, and how they come apart again through CCSVLineParser the
// way the record-file loader takes them: fields cut by the list's column count, row 0 the
// header, column 0 of each row ignored.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/CCSVLineParser.h"
#include "records/CsvWriter.h"

namespace {

using records::CsvDataLine;
using records::CsvHeaderLine;

struct LineCase {
    const char* name;
    std::vector<std::string> texts;
    std::string header;
    std::string data;
};

TEST(CsvWriter, Lines) {
    const std::string longCell(300, 'x');
    const LineCase cases[] = {
        {"three columns", {"p", "q", "r"}, "p,q,r,\r\n", "\"p\",\"q\",\"r\",\r\n"},
        {"no columns", {}, "\r\n", "\r\n"},
        {"empty texts", {"", ""}, ",,\r\n", "\"\",\"\",\r\n"},
        {"Chinese titles",
         {"序号", "姓名", "电话号码"},
         "序号,姓名,电话号码,\r\n",
         "\"序号\",\"姓名\",\"电话号码\",\r\n"},
        // No quote doubling or escaping of any character.
        {"quotes, commas and line breaks as they are",
         {"a\"b", "c,d", "e\r\nf"},
         "a\"b,c,d,e\r\nf,\r\n",
         "\"a\"b\",\"c,d\",\"e\r\nf\",\r\n"},
        // A 160-character message in UTF-8 can pass 259 bytes: a cell is kept whole (a
        // title is not, below).
        {"long cell written whole",
         {"1", longCell},
         "1," + longCell.substr(0, 255) + ",\r\n",
         "\"1\",\"" + longCell + "\",\r\n"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CsvHeaderLine(c.texts), c.header);
        EXPECT_EQ(CsvDataLine(c.texts), c.data);
    }
}

TEST(CsvWriter, TitlesAreCutTo255BytesOnACharacterBoundary) {
    struct Case {
        std::string title;
        std::string written;
        const char* reason;
    };
    const std::string a255(255, 'a');
    const Case cases[] = {
        {a255, a255, "exactly 255 bytes stays"},
        {a255 + "b", a255, "256 bytes lose the last"},
        // 254 ASCII bytes and a 3-byte character would end at byte 257.
        {std::string(254, 'a') + "中", std::string(254, 'a'), "no half character"},
        {std::string(252, 'a') + "中", std::string(252, 'a') + "中", "character ending at 255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(CsvHeaderLine(std::vector<std::string>{c.title}), c.written + ",\r\n");
    }
}

// A phonebook file as the record-file loader reads it: 3 columns, so 3 * rows + 4 fields,
// and row r's name and number at fields 3r + 1 and 3r + 2.
TEST(CsvWriter, PhonebookFileComesApartByColumnCount) {
    const std::vector<std::string> header = {"序号", "姓名", "电话号码"};
    const std::vector<std::vector<std::string>> rows = {
        {"1", "Anna", "+4912345"},
        {"2", "王小明", "10086"},
        {"3", "", ""},
        {"4", "line\r\nbreak, comma", "*31#"},
    };
    std::string file = CsvHeaderLine(header);
    for (const auto& row : rows) {
        file += CsvDataLine(row);
    }
    const CCSVLineParser parser(file);
    const int columns = 3;
    ASSERT_EQ(parser.GetCount(), columns * static_cast<int>(rows.size()) + 4);
    EXPECT_EQ(parser.GetField(0), "序号");
    const int fileRows = parser.GetCount() / columns;
    ASSERT_EQ(fileRows - 1, static_cast<int>(rows.size()));
    for (int r = 1; r < fileRows; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(parser.GetField(r * columns + 1), rows[r - 1][1]);
        EXPECT_EQ(parser.GetField(r * columns + 2), rows[r - 1][2]);
    }
    EXPECT_EQ(parser.GetField(parser.GetCount() - 1), "\r\n");
}

// A message file: 5 columns, 5 * rows + 6 fields; a text holding a quote and a comma
// shifts the fields after it (the dialect cannot carry it).
TEST(CsvWriter, MessageFileAndTheQuoteCommaItCannotCarry) {
    const std::vector<std::string> header = {"序号", "状态", "From/To", "时间", "内容"};
    std::string file = CsvHeaderLine(header);
    file += CsvDataLine(std::vector<std::string>{"1", "已读", "+8613800", "08/02/26", "hi"});
    {
        const CCSVLineParser parser(file);
        ASSERT_EQ(parser.GetCount(), 5 * 1 + 6);
        EXPECT_EQ(parser.GetField(5 + 1), "已读");
        EXPECT_EQ(parser.GetField(5 + 4), "hi");
    }
    file += CsvDataLine(std::vector<std::string>{"2", "未读", "10086", "t", "say \",\" now"});
    const CCSVLineParser parser(file);
    EXPECT_EQ(parser.GetCount(), 5 * 2 + 6 + 1);
    EXPECT_EQ(parser.GetField(10 + 4), "say ");
    EXPECT_EQ(parser.GetField(10 + 5), " now");
}

}  // namespace
