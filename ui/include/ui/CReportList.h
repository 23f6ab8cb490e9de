// A report-style list with a check box on every row: the part that CRecordList (the
// phonebook lists) and CCheckList (the message list) share. Full-row selection of several
// rows, grid lines, a tip with the whole text of a cut cell, text colours per column or
// per row. Rows are added, changed and removed through this class's operations only.
//
// Row and column arguments are 0-based; an index outside the list is refused (false, -1
// or an empty text) and changes nothing.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

class CListHeader;

class CReportList : public QTreeWidget {
    Q_OBJECT
public:
    // controlId is the list's number in its page (1801, 1802, 1901); the saved column
    // widths are found by it.
    explicit CReportList(int controlId, QWidget* parent = nullptr);
    ~CReportList() override;

    int ControlId() const { return controlId_; }

    // Adds a left-aligned column at the end with this header text and width in pixels
    // (negative counts as 0); returns its index.
    int AppendColumn(const QString& name, int width);

    // Adds an unchecked row at the end with one text per column (missing texts are empty,
    // extra ones ignored); returns its index.
    int AppendRow(const QStringList& texts);
    // The same at `row`: 0 makes it the first row, the row count or more the last; returns
    // the index it got, or -1 for a negative row.
    int InsertRowAt(int row, const QStringList& texts);
    // Sets the text of one cell; false when the row or the column does not exist.
    bool SetCellText(int row, int column, const QString& text);
    // The text of one cell.
    QString CellText(int row, int column) const;
    // Removes one row; false when it does not exist.
    bool RemoveRow(int row);
    void ClearRows();
    int RowCount() const { return topLevelItemCount(); }

    // The row's check box.
    bool IsChecked(int row) const;
    bool SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    int UncheckedRowCount() const { return uncheckedRows_; }

    // Rewrites column 0 of every row from firstRow to the end as its position + 1.
    void RenumberRows(int firstRow = 0);
    // The selected rows, top to bottom.
    QList<int> SelectedRows() const;

    // Text colours: column c's texts in columnColours[c]; or, when row colours are set,
    // row r's texts in rowColours[r % size]. Invalid colours and columns without one keep
    // the style's colour; a selected row keeps the style's selected text colour.
    void SetColumnTextColours(const QList<QColor>& columnColours);
    void SetRowTextColours(const QList<QColor>& rowColours);
    QColor TextColour(int row, int column) const;

    CListHeader* ListHeader() const;

protected:
    // Puts a CListHeader (or a subclass) in place of the tree's own header; call before
    // any column is added.
    void InstallHeader(CListHeader* header);
    // Runs after every change of a row's check box and after rows were added or removed.
    virtual void OnRowStatesChanged() {}
    // Sorts the rows by the texts of `column` (nothing for a column the list does not
    // have), in the order IsTextBefore gives, reversed for a descending sort.
    void SortRowsBy(int column, bool ascending);
    // Whether text a (of one row) goes before text b (of another) in an ascending sort;
    // locale-aware by default.
    virtual bool IsTextBefore(const QString& a, const QString& b) const;

    bool viewportEvent(QEvent* event) override;

private:
    class Row;
    friend class Row;
    void RowCheckChanged(bool wasUnchecked, bool isUnchecked);
    void CountUnchecked(int first, int last, int sign);
    Row* RowAt(int row) const;
    Row* NewRow(const QStringList& texts) const;

    int controlId_;
    int uncheckedRows_ = 0;
    int sortingColumn_ = 0;
    QList<QColor> columnColours_;
    QList<QColor> rowColours_;
};
