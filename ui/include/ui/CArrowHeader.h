// The header of a CRecordList: the check-all of item 0 (CListHeader), a sort arrow drawn
// on the column last sorted by, and its column widths as an archive.
#pragma once

#include <QByteArray>

#include "ui/CListHeader.h"

class CArrowHeader : public CListHeader {
    Q_OBJECT
public:
    explicit CArrowHeader(QWidget* parent = nullptr);

    // Shows the arrow on `column` (pointing up when ascending) and redraws the header. The
    // arrow column is drawn by this class; -1, or a column the header does not have, shows
    // no arrow.
    void SetArrow(int column, bool ascending);
    int ArrowColumn() const { return sortColumn_; }
    bool IsAscending() const { return ascending_; }

    // The column widths as an archive: a 32-bit count, then one 32-bit width per column,
    // little-endian.
    QByteArray SaveWidths() const;
    // Applies an archive of SaveWidths' form when its count equals the number of header
    // items, and redraws the header; returns whether it did. A short archive, a count of
    // another size or a negative count changes nothing; negative widths count as 0.
    bool LoadWidths(const QByteArray& archive);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int sortColumn_ = -1;
    bool ascending_ = true;
};
