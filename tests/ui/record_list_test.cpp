// CRecordList: columns from one text, the three-way sort comparison, sorting and
// renumbering by header clicks, the check-all of header item 0, the sort arrow, the row
// operations' refusals and the saved column widths of section "ListCtrls".
#include <QImage>
#include <QStringList>
#include <QtEndian>
#include <fstream>
#include <string>
#include <vector>

#include "UiTest.h"
#include "app/CIniProfile.h"
#include "support/TempDir.h"
#include "ui/CArrowHeader.h"
#include "ui/CRecordList.h"

namespace {

using support::ClickHeaderItem;

constexpr int kEditingList = 1801;

class RecordListTest : public support::UiTest {};

QStringList HeaderTexts(const CRecordList& list) {
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column) {
        texts << list.headerItem()->text(column);
    }
    return texts;
}

std::vector<int> Widths(const CRecordList& list) {
    std::vector<int> widths;
    for (int column = 0; column < list.columnCount(); ++column) {
        widths.push_back(list.header()->sectionSize(column));
    }
    return widths;
}

QStringList Column(const CRecordList& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.RowCount(); ++row) {
        texts << list.CellText(row, column);
    }
    return texts;
}

std::vector<bool> Checks(const CRecordList& list) {
    std::vector<bool> checks;
    for (int row = 0; row < list.RowCount(); ++row) {
        checks.push_back(list.IsChecked(row));
    }
    return checks;
}

// A phonebook list on show, with its three columns and one row per name.
struct ShownList {
    explicit ShownList(const QStringList& names) : list(kEditingList) {
        list.DefineColumns(QString::fromUtf8("序号,60; 姓名,120; 电话号码,160"));
        for (int i = 0; i < names.size(); ++i) {
            list.AppendRow({QString::number(i + 1), names[i], QString::number(1000 + i)});
        }
        list.resize(400, 300);
        list.show();
    }
    CRecordList list;
};

// ---------------------------------------------------------------------------------------
// DefineColumns

struct ColumnsCase {
    const char* name;
    const char* text;
    QStringList names;
    std::vector<int> widths;
};

std::ostream& operator<<(std::ostream& out, const ColumnsCase& c) {
    return out << c.name;
}

class DefineColumnsTest : public support::UiTest,
                          public ::testing::WithParamInterface<ColumnsCase> {};

TEST_P(DefineColumnsTest, NamesAndWidths) {
    const ColumnsCase& c = GetParam();
    CRecordList list(kEditingList);
    EXPECT_TRUE(list.DefineColumns(QString::fromUtf8(c.text)));
    EXPECT_EQ(HeaderTexts(list), c.names);
    EXPECT_EQ(Widths(list), c.widths);
    EXPECT_EQ(list.ColumnCount(), static_cast<int>(c.names.size()));
}

const ColumnsCase kColumnsCases[] = {
    {"TwoPairs", "A,10;B,20", {"A", "B"}, {10, 20}},
    {"BlankAfterSemicolonStartsTheName", "A,10; B,20", {"A", " B"}, {10, 20}},
    {"PhonebookForm",
     "序号,60; 姓名,90; 电话号码,120",
     {QString::fromUtf8("序号"), QString::fromUtf8(" 姓名"), QString::fromUtf8(" 电话号码")},
     {60, 90, 120}},
    // Rejected or odd input: each row says what it shows.
    {"NoCommaMakesNoColumn", "A", {}, {}},
    {"EmptyTextMakesNoColumn", "", {}, {}},
    {"NameWithoutCommaAtTheEndIsDropped", "A,10;B", {"A"}, {10}},
    {"TrailingSemicolonEndsTheColumns", "A,10;", {"A"}, {10}},
    {"EmptyNameIsAColumn", ",30", {""}, {30}},
    {"SemicolonBeforeTheCommaBelongsToTheName", "A;B,5", {"A;B"}, {5}},
    {"DoubleSemicolonStartsANameWithOne", "A,10;;B,5", {"A", ";B"}, {10, 5}},
    {"WidthThatIsNoNumberIsZero", "A,wide", {"A"}, {0}},
    {"WidthReadAsAtoiReadsIt", "A, 25px;B,+7", {"A", "B"}, {25, 7}},
    {"SecondCommaEndsTheWidth", "A,10,5;B,2", {"A", "B"}, {10, 2}},
    {"NegativeWidthIsZero", "A,-5", {"A"}, {0}},
};

INSTANTIATE_TEST_SUITE_P(Texts, DefineColumnsTest, ::testing::ValuesIn(kColumnsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordListTest, DefineColumnsTwiceAddsAfterTheFirstColumns) {
    CRecordList list(kEditingList);
    list.DefineColumns("A,10");
    list.DefineColumns("B,20;C,30");
    EXPECT_EQ(HeaderTexts(list), QStringList({"A", "B", "C"}));
}

// ---------------------------------------------------------------------------------------
// The sort comparison

struct CompareCase {
    const char* name;
    const char* a;
    const char* b;
    int expected;
};

std::ostream& operator<<(std::ostream& out, const CompareCase& c) {
    return out << c.name;
}

class CompareTextsTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareTextsTest, ThreeWay) {
    const CompareCase& c = GetParam();
    EXPECT_EQ(CRecordList::CompareTexts(QString::fromUtf8(c.a), QString::fromUtf8(c.b)),
              c.expected);
}

const CompareCase kCompareCases[] = {
    // a all digits: numbers.
    {"NumbersNotTexts", "123", "45", 1},
    {"NumbersNotTextsReversed", "45", "123", -1},
    {"LeadingZeros", "007", "7", 0},
    {"EmptyIsZero", "", "0", 0},
    {"EmptyBeforeFive", "", "5", -1},
    {"TextAfterDigitsReadAsZero", "123", "abc", 1},
    {"OtherTextReadAsAtoiReadsIt", "12", " 12abc", 0},
    {"OtherTextWithSign", "5", "-3", 1},
    {"DateAfterDigitsReadAsNumber", "45", "03/04/2007", 1},
    {"TooLargeForSixtyFourBitsDoesNotWrap", "99999999999999999999", "1", 1},
    // a a date dd/mm/yyyy: year, month, day.
    {"YearDecides", "03/04/2007", "01/05/2006", 1},
    {"YearDecidesReversed", "01/05/2006", "03/04/2007", -1},
    {"MonthNext", "01/05/2007", "03/04/2007", 1},
    {"DayLast", "03/04/2007", "01/04/2007", 1},
    {"SameDate", "03/04/2007", "03/04/2007", 0},
    {"OtherTooShortHasYearZero", "03/04/2007", "2007", 1},
    // Otherwise the locale's order.
    {"Words", "apple", "banana", -1},
    {"WordsReversed", "banana", "apple", 1},
    {"SameWord", "Bob", "Bob", 0},
    {"DigitsWithALetterAreText", "12a", "9", -1},
    {"DateWithDashesIsText", "03-04-2007", "03-04-2007", 0},
    {"DigitsBeforeLetters", "abc", "123", 1},
};

INSTANTIATE_TEST_SUITE_P(Rules, CompareTextsTest, ::testing::ValuesIn(kCompareCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// Header clicks: sort by column 1, renumber after every click

struct SortCase {
    const char* name;
    QStringList names;
    QStringList ascending;
};

std::ostream& operator<<(std::ostream& out, const SortCase& c) {
    return out << c.name;
}

class HeaderSortTest : public support::UiTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(HeaderSortTest, FirstClickAscendsSecondDescendsThirdAscends) {
    const SortCase& c = GetParam();
    ShownList shown(c.names);
    CRecordList& list = shown.list;
    QStringList descending = c.ascending;
    std::reverse(descending.begin(), descending.end());
    QStringList numbers;
    for (int i = 1; i <= c.names.size(); ++i) {
        numbers << QString::number(i);
    }

    ClickHeaderItem(list.header(), 1);
    EXPECT_EQ(Column(list, 1), c.ascending);
    EXPECT_EQ(Column(list, 0), numbers);
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_TRUE(list.IsAscending());
    EXPECT_EQ(list.ArrowHeader()->ArrowColumn(), 1);
    EXPECT_TRUE(list.ArrowHeader()->IsAscending());

    ClickHeaderItem(list.header(), 1);
    EXPECT_EQ(Column(list, 1), descending);
    EXPECT_FALSE(list.IsAscending());
    EXPECT_FALSE(list.ArrowHeader()->IsAscending());
    EXPECT_EQ(Column(list, 0), numbers);

    ClickHeaderItem(list.header(), 1);
    EXPECT_EQ(Column(list, 1), c.ascending);
}

const SortCase kSortCases[] = {
    {"NumbersAsNumbers", {"45", "123", "7", ""}, {"", "7", "45", "123"}},
    {"DatesByYearMonthDay",
     {"03/04/2007", "01/05/2006", "02/04/2007", "31/12/2006"},
     {"01/05/2006", "31/12/2006", "02/04/2007", "03/04/2007"}},
    {"Words", {"Carol", "Alice", "Bob"}, {"Alice", "Bob", "Carol"}},
};

INSTANTIATE_TEST_SUITE_P(Names, HeaderSortTest, ::testing::ValuesIn(kSortCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordListTest, SortMovesCheckMarksPhoneNumbersAndSelectionWithTheirRows) {
    ShownList shown({"Carol", "Alice", "Bob"});
    CRecordList& list = shown.list;
    list.SetChecked(0, true);                 // Carol
    list.topLevelItem(1)->setSelected(true);  // Alice
    ClickHeaderItem(list.header(), 1);
    EXPECT_EQ(Column(list, 1), QStringList({"Alice", "Bob", "Carol"}));
    EXPECT_EQ(Column(list, 2), QStringList({"1001", "1002", "1000"}));
    EXPECT_EQ(Checks(list), std::vector<bool>({false, false, true}));
    EXPECT_EQ(list.SelectedRows(), QList<int>({0}));
}

TEST_F(RecordListTest, ClickOnColumnTwoOnlyRenumbers) {
    ShownList shown({"Carol", "Alice", "Bob"});
    CRecordList& list = shown.list;
    ClickHeaderItem(list.header(), 1);  // ascending by name
    for (int row = 0; row < list.RowCount(); ++row) {
        list.SetCellText(row, 0, "x");
    }
    ClickHeaderItem(list.header(), 2);
    EXPECT_EQ(Column(list, 1), QStringList({"Alice", "Bob", "Carol"}));
    EXPECT_EQ(Column(list, 0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_TRUE(list.IsAscending());
    // The next click on the name still reverses the ascending sort.
    ClickHeaderItem(list.header(), 1);
    EXPECT_EQ(Column(list, 1), QStringList({"Carol", "Bob", "Alice"}));
}

TEST_F(RecordListTest, SortByAColumnTheListLacksSortsNothing) {
    ShownList shown({"Carol", "Alice"});
    shown.list.SortRows(7, true);
    EXPECT_EQ(Column(shown.list, 1), QStringList({"Carol", "Alice"}));
}

// ---------------------------------------------------------------------------------------
// Check-all of header item 0

TEST_F(RecordListTest, CheckAllClicksUncheckFirstThenAlternate) {
    ShownList shown({"Carol", "Alice", "Bob"});
    CRecordList& list = shown.list;
    list.SetChecked(1, true);
    for (int row = 0; row < list.RowCount(); ++row) {
        list.SetCellText(row, 0, "x");
    }
    EXPECT_EQ(list.ArrowHeader()->ImageIndex(0), 0);

    const struct {
        bool checked;
        int image;
    } clicks[] = {{false, 1}, {true, 2}, {false, 1}};
    for (const auto& click : clicks) {
        ClickHeaderItem(list.header(), 0);
        EXPECT_EQ(Checks(list), std::vector<bool>(3, click.checked));
        EXPECT_EQ(list.ArrowHeader()->ImageIndex(0), click.image);
    }
    EXPECT_EQ(Column(list, 0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Column(list, 1), QStringList({"Carol", "Alice", "Bob"}));
}

TEST_F(RecordListTest, HeaderOfARecordListDoesNotFollowTheRows) {
    ShownList shown({"Carol", "Alice"});
    shown.list.SetAllChecked(true);
    shown.list.SetChecked(0, false);
    EXPECT_EQ(shown.list.ArrowHeader()->ImageIndex(0), 0);
}

// ---------------------------------------------------------------------------------------
// The sort arrow

// A pixel of the arrow: x = R + xq * q + dx, y = (B when fromBottom, else 0) + yq * q + dy,
// with R and B the arrow item's right and bottom edges and q a quarter of its height.
struct ArrowPixel {
    int xq, dx;
    bool fromBottom;
    int yq, dy;
    bool highlight;  // else the shadow
};

struct ArrowCase {
    const char* name;
    bool ascending;
    std::vector<ArrowPixel> pixels;
};

std::ostream& operator<<(std::ostream& out, const ArrowCase& c) {
    return out << c.name;
}

class ArrowTest : public support::UiTest, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(ArrowTest, OutlineInHighlightAndShadow) {
    const ArrowCase& c = GetParam();
    ShownList shown({"Carol", "Alice"});
    CArrowHeader* header = shown.list.ArrowHeader();
    QPalette palette = header->palette();
    palette.setColor(QPalette::Button, QColor(192, 192, 192));
    palette.setColor(QPalette::Light, QColor(255, 255, 255));
    palette.setColor(QPalette::Dark, QColor(64, 64, 64));
    header->setPalette(palette);
    shown.list.SortRows(1, c.ascending);

    const QImage image = header->grab().toImage();
    const int right = header->sectionViewportPosition(1) + header->sectionSize(1);
    const int bottom = header->height();
    const int q = bottom / 4;
    ASSERT_GE(q, 3);
    for (const ArrowPixel& pixel : c.pixels) {
        const int x = right + pixel.xq * q + pixel.dx;
        const int y = (pixel.fromBottom ? bottom : 0) + pixel.yq * q + pixel.dy;
        EXPECT_EQ(QColor(image.pixel(x, y)),
                  pixel.highlight ? QColor(255, 255, 255) : QColor(64, 64, 64))
            << "at " << x << "," << y;
    }
    // Inside the triangle and to its right: the item's button colour.
    EXPECT_EQ(QColor(image.pixel(right - q / 2, bottom / 2)), QColor(192, 192, 192));
    EXPECT_EQ(QColor(image.pixel(right - 2 * q, bottom / 2 + 1)), QColor(192, 192, 192));
}

const ArrowCase kArrowCases[] = {
    {"AscendingPointsUp",
     true,
     {{-2, 0, false, 1, 0, true},       // apex (R - 2q, q)
      {-2, 0, true, -1, -1, true},      // the base (R - 2q, B - q - 1)
      {-3, -1, true, -1, -1, false}}},  // left foot (R - 3q - 1, B - q - 1)
    {"DescendingPointsDown",
     false,
     {{-2, -1, true, -1, 0, true},    // apex (R - 2q - 1, B - q)
      {-3, -1, false, 1, 0, false},   // left corner (R - 3q - 1, q)
      {-2, 0, false, 1, 0, false}}},  // the top edge
};

INSTANTIATE_TEST_SUITE_P(Directions, ArrowTest, ::testing::ValuesIn(kArrowCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// Row operations

TEST_F(RecordListTest, RowOperationsRefuseRowsAndColumnsThatDoNotExist) {
    CRecordList list(kEditingList);
    list.DefineColumns("No,30;Name,60;Number,90");
    EXPECT_EQ(list.AppendRow({"1", "Alice"}), 0);               // a missing text is empty
    EXPECT_EQ(list.AppendRow({"2", "Bob", "22", "extra"}), 1);  // an extra one ignored
    EXPECT_EQ(list.CellText(0, 2), "");
    EXPECT_EQ(list.CellText(1, 2), "22");
    EXPECT_EQ(list.CellText(1, 3), "");
    EXPECT_EQ(Checks(list), std::vector<bool>({false, false}));

    EXPECT_FALSE(list.SetCellText(2, 1, "nobody"));
    EXPECT_FALSE(list.SetCellText(-1, 1, "nobody"));
    EXPECT_FALSE(list.SetCellText(0, 3, "nobody"));
    EXPECT_FALSE(list.RemoveRow(2));
    EXPECT_FALSE(list.SetChecked(5, true));
    EXPECT_EQ(list.InsertRowAt(-1, {"x"}), -1);
    EXPECT_EQ(Column(list, 1), QStringList({"Alice", "Bob"}));

    EXPECT_EQ(list.InsertRowAt(9, {"3", "Carol"}), 2);  // past the end: last
    EXPECT_EQ(list.InsertRowAt(0, {"0", "Zed"}), 0);
    EXPECT_EQ(Column(list, 1), QStringList({"Zed", "Alice", "Bob", "Carol"}));
    EXPECT_TRUE(list.RemoveRow(1));
    list.RenumberRows(0);
    EXPECT_EQ(Column(list, 0), QStringList({"1", "2", "3"}));
    list.ClearRows();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(HeaderTexts(list), QStringList({"No", "Name", "Number"}));
}

TEST_F(RecordListTest, ColumnTextColoursDrawTheCells) {
    ShownList shown({"MMMMMMMM"});
    CRecordList& list = shown.list;
    list.SetColumnTextColours({QColor(255, 0, 0), QColor(0, 0, 0), QColor(0, 0, 255)});
    list.SetCellText(0, 2, "88888888");
    list.clearSelection();
    list.setCurrentItem(nullptr);
    const QImage image = list.viewport()->grab().toImage();
    auto hasColour = [&](int column, QRgb colour) {
        const QRect cell = list.visualRect(list.model()->index(0, column));
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                if (image.pixel(x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(hasColour(0, qRgb(255, 0, 0)));
    EXPECT_TRUE(hasColour(2, qRgb(0, 0, 255)));
    EXPECT_FALSE(hasColour(1, qRgb(0, 0, 255)));
}

// ---------------------------------------------------------------------------------------
// Saved column widths

QString Hex(const std::vector<qint32>& words) {
    QByteArray bytes(4 * static_cast<int>(words.size()), '\0');
    for (size_t i = 0; i < words.size(); ++i) {
        qToLittleEndian<qint32>(words[i], bytes.data() + 4 * i);
    }
    return QString::fromLatin1(bytes.toHex());
}

struct WidthsCase {
    const char* name;
    std::string entry;  // the "ListCtrls" section's lines
    std::vector<int> widths;
    bool applied;
};

std::ostream& operator<<(std::ostream& out, const WidthsCase& c) {
    return out << c.name;
}

class RestoreWidthsTest : public support::UiTest,
                          public ::testing::WithParamInterface<WidthsCase> {};

TEST_P(RestoreWidthsTest, AppliesOnlyAWholeArchiveForEveryColumn) {
    const WidthsCase& c = GetParam();
    support::TempDir dir;
    const std::string file = dir.File("telvane.ini");
    std::ofstream(file) << "[Other]\n1801=" << Hex({3, 1, 2, 3}).toStdString() << "\n[ListCtrls]\n"
                        << c.entry;
    CIniProfile profile;
    ASSERT_TRUE(profile.SetFile(file.c_str()));

    CRecordList list(kEditingList);
    list.DefineColumns("No,60;Name,90;Number,120");
    EXPECT_EQ(list.RestoreColumnWidths(profile), c.applied);
    EXPECT_EQ(Widths(list), c.widths);
}

const std::vector<int> kDefined = {60, 90, 120};

const WidthsCase kWidthsCases[] = {
    {"ThreeWidths", "1801=" + Hex({3, 50, 70, 200}).toStdString() + "\n", {50, 70, 200}, true},
    {"UpperCaseHex",
     "1801=" + Hex({3, 50, 70, 200}).toUpper().toStdString() + "\n",
     {50, 70, 200},
     true},
    {"NegativeWidthIsZero",
     "1801=" + Hex({3, -4, 70, 200}).toStdString() + "\n",
     {0, 70, 200},
     true},
    {"KeyIsTheControlIdInDecimal", "1802=" + Hex({3, 5, 5, 5}).toStdString() + "\n", kDefined,
     false},
    {"NoSection", "", kDefined, false},
    {"EmptyEntry", "1801=\n", kDefined, false},
    {"CountOfAnotherHeader", "1801=" + Hex({2, 50, 70}).toStdString() + "\n", kDefined, false},
    {"NegativeCount", "1801=" + Hex({-1, 50, 70, 80}).toStdString() + "\n", kDefined, false},
    {"ShortArchive", "1801=" + Hex({3, 50, 70}).toStdString() + "\n", kDefined, false},
    {"NotHexadecimal", "1801=zz000000320000004600000050000000\n", kDefined, false},
    {"OddNumberOfDigits", "1801=0300000032000000460000005000000\n", kDefined, false},
};

INSTANTIATE_TEST_SUITE_P(Entries, RestoreWidthsTest, ::testing::ValuesIn(kWidthsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordListTest, WidthArchiveReadsBackWhatItWrote) {
    CRecordList from(kEditingList);
    from.DefineColumns("No,33;Name,44;Number,55");
    CRecordList to(kEditingList);
    to.DefineColumns("No,1;Name,2;Number,3");
    EXPECT_TRUE(to.ArrowHeader()->LoadWidths(from.ArrowHeader()->SaveWidths()));
    EXPECT_EQ(Widths(to), std::vector<int>({33, 44, 55}));
}

}  // namespace
