// The phonebook page's lists (the editing list 1801 and the SIM list 1802): columns built
// from one text, a sort by the name column when its header is clicked, a sort arrow in the
// header (CArrowHeader), saved column widths from the program's profile, and the
// check-all of the header's first item.
#pragma once

#include <QString>

#include "ui/CReportList.h"

class CArrowHeader;
class CIniProfile;

class CRecordList : public CReportList {
    Q_OBJECT
public:
    // The profile section of the saved column widths.
    static constexpr const char* kWidthsSection = "ListCtrls";
    // The column whose header click sorts.
    static constexpr int kSortingColumn = 1;

    explicit CRecordList(int controlId, QWidget* parent = nullptr);

    // Adds the columns of a text of name-comma-width pairs separated by ';', such as
    // "No.,60;Name,90;Number,120". A name runs from the start (or the character after a
    // ';') up to its ',', verbatim: "A,10; B,20" names the second column " B". The width
    // is read as atoi reads a number (leading blanks, a sign, the digits that follow; none
    // is 0). Text with no further ',' ends the columns: "A" makes none, "A,10;B" one.
    // Returns true (adding a column cannot fail here).
    bool DefineColumns(const QString& text);
    // Columns made so far.
    int ColumnCount() const { return columnCount(); }

    // Applies the column widths saved under the list's control id (decimal) in section
    // "ListCtrls" of the profile: the hexadecimal digits of a CArrowHeader width archive
    // (count, then one width per column, 32-bit little-endian). Returns true when it
    // applied them; a missing or empty entry, text that is not hexadecimal, or a count
    // other than the number of columns leaves the widths as they are. Never written.
    bool RestoreColumnWidths(const CIniProfile& profile);

    // Stores column and direction, shows the arrow on that column and sorts the rows by it
    // with CompareTexts. A column the list does not have is stored but sorts nothing.
    void SortRows(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool IsAscending() const { return ascending_; }

    // The three-way comparison of the sort: -1, 0 or 1 as a goes before, with or after b.
    // a alone chooses the rule, and b is read by the same rule whatever it holds:
    // - a is all ASCII digits (or empty): the numbers atoi reads from a and b;
    // - a is a date dd/mm/yyyy: years, then months, then days of a and b (atoi of the
    //   characters at those places, 0 where b has none);
    // - otherwise the locale-aware comparison of the two texts.
    // Numbers too large for 64 bits count as the largest.
    static int CompareTexts(const QString& a, const QString& b);

    CArrowHeader* ArrowHeader() const;

    // A click on a header item: item 1 sorts (ascending, unless the last sort was an
    // ascending sort by item 1); then, after any item, column 0 of every row is rewritten
    // as its position + 1. (Item 0's check-all runs in the header itself.)
    void OnColumnClicked(int column);

protected:
    bool IsTextBefore(const QString& a, const QString& b) const override;

private:
    int sortColumn_ = -1;
    bool ascending_ = true;
};
