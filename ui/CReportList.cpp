#include "ui/CReportList.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

#include "ui/CListHeader.h"

// A row of the list. It tells its list when its check box changes, whatever changed it.
class CReportList::Row : public QTreeWidgetItem {
public:
    Row() : QTreeWidgetItem(QTreeWidgetItem::UserType) {}

    bool IsUnchecked() const { return checkState(0) == Qt::Unchecked; }

    void setData(int column, int role, const QVariant& value) override {
        if (column != 0 || role != Qt::CheckStateRole) {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        const bool wasUnchecked = IsUnchecked();
        QTreeWidgetItem::setData(column, role, value);
        if (auto* list = qobject_cast<CReportList*>(treeWidget())) {
            list->RowCheckChanged(wasUnchecked, IsUnchecked());
        }
    }

    // The order of SortRowsBy: the list's comparison of the sort column's texts.
    bool operator<(const QTreeWidgetItem& other) const override {
        const auto* list = qobject_cast<const CReportList*>(treeWidget());
        if (list == nullptr) {
            return QTreeWidgetItem::operator<(other);
        }
        const int column = list->sortingColumn_;
        return list->IsTextBefore(text(column), other.text(column));
    }
};

namespace {

// Draws the cells with the list's text colours and light grid lines.
class ReportDelegate : public QStyledItemDelegate {
public:
    explicit ReportDelegate(CReportList* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        const QRect& r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QColor colour = list_->TextColour(index.row(), index.column());
        if (colour.isValid()) {
            option->palette.setColor(QPalette::Text, colour);
        }
    }

private:
    CReportList* list_;
};

}  // namespace

CReportList::CReportList(int controlId, QWidget* parent)
    : QTreeWidget(parent), controlId_(controlId) {
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setSortingEnabled(false);
    setItemDelegate(new ReportDelegate(this));

    // The count of unchecked rows follows every row that comes and goes, so that a list
    // can tell whether every row is checked without walking its rows.
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid()) {
                    CountUnchecked(first, last, +1);
                    OnRowStatesChanged();
                }
            });
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid()) {
                    CountUnchecked(first, last, -1);
                }
            });
    connect(model(), &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex& parent, int, int) {
                if (!parent.isValid()) {
                    OnRowStatesChanged();
                }
            });
    connect(model(), &QAbstractItemModel::modelReset, this, [this] {
        uncheckedRows_ = 0;
        CountUnchecked(0, RowCount() - 1, +1);
        OnRowStatesChanged();
    });
}

CReportList::~CReportList() {
    // The tree deletes its rows after this part of the object has gone.
    disconnect(model(), nullptr, this, nullptr);
}

void CReportList::InstallHeader(CListHeader* header) {
    setHeader(header);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
}

CListHeader* CReportList::ListHeader() const {
    return qobject_cast<CListHeader*>(header());
}

int CReportList::AppendColumn(const QString& name, int width) {
    const int column = columnCount();
    setColumnCount(column + 1);
    headerItem()->setText(column, name);
    headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    header()->resizeSection(column, std::max(0, width));
    return column;
}

CReportList::Row* CReportList::NewRow(const QStringList& texts) const {
    auto* row = new Row;
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                  Qt::ItemNeverHasChildren);
    for (int column = 0; column < columnCount(); ++column) {
        row->setText(column, column < texts.size() ? texts[column] : QString());
    }
    row->setCheckState(0, Qt::Unchecked);
    return row;
}

CReportList::Row* CReportList::RowAt(int row) const {
    return static_cast<Row*>(row >= 0 && row < RowCount() ? topLevelItem(row) : nullptr);
}

int CReportList::AppendRow(const QStringList& texts) {
    addTopLevelItem(NewRow(texts));
    return RowCount() - 1;
}

int CReportList::InsertRowAt(int row, const QStringList& texts) {
    if (row < 0) {
        return -1;
    }
    row = std::min(row, RowCount());
    insertTopLevelItem(row, NewRow(texts));
    return row;
}

bool CReportList::SetCellText(int row, int column, const QString& text) {
    Row* item = RowAt(row);
    if (item == nullptr || column < 0 || column >= columnCount()) {
        return false;
    }
    item->setText(column, text);
    return true;
}

QString CReportList::CellText(int row, int column) const {
    const Row* item = RowAt(row);
    if (item == nullptr || column < 0 || column >= columnCount()) {
        return QString();
    }
    return item->text(column);
}

bool CReportList::RemoveRow(int row) {
    if (RowAt(row) == nullptr) {
        return false;
    }
    delete takeTopLevelItem(row);
    return true;
}

void CReportList::ClearRows() {
    clear();
}

bool CReportList::IsChecked(int row) const {
    const Row* item = RowAt(row);
    return item != nullptr && item->checkState(0) == Qt::Checked;
}

bool CReportList::SetChecked(int row, bool checked) {
    Row* item = RowAt(row);
    if (item == nullptr) {
        return false;
    }
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    return true;
}

void CReportList::SetAllChecked(bool checked) {
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    for (int row = 0; row < RowCount(); ++row) {
        topLevelItem(row)->setCheckState(0, state);
    }
}

void CReportList::RenumberRows(int firstRow) {
    for (int row = std::max(0, firstRow); row < RowCount(); ++row) {
        SetCellText(row, 0, QString::number(row + 1));
    }
}

QList<int> CReportList::SelectedRows() const {
    QList<int> rows;
    const QModelIndexList selected = selectionModel()->selectedRows(0);
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CReportList::SetColumnTextColours(const QList<QColor>& columnColours) {
    columnColours_ = columnColours;
    viewport()->update();
}

void CReportList::SetRowTextColours(const QList<QColor>& rowColours) {
    rowColours_ = rowColours;
    viewport()->update();
}

QColor CReportList::TextColour(int row, int column) const {
    if (!rowColours_.isEmpty()) {
        return row >= 0 ? rowColours_[row % rowColours_.size()] : QColor();
    }
    if (column >= 0 && column < columnColours_.size()) {
        return columnColours_[column];
    }
    return QColor();
}

void CReportList::RowCheckChanged(bool wasUnchecked, bool isUnchecked) {
    uncheckedRows_ += int(isUnchecked) - int(wasUnchecked);
    if (wasUnchecked != isUnchecked) {
        OnRowStatesChanged();
    }
}

void CReportList::SortRowsBy(int column, bool ascending) {
    if (column < 0 || column >= columnCount()) {
        return;
    }
    sortingColumn_ = column;
    // A stable sort that keeps the selection and the current row with their rows; a
    // descending sort compares the two texts the other way round.
    sortItems(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool CReportList::IsTextBefore(const QString& a, const QString& b) const {
    return QString::localeAwareCompare(a, b) < 0;
}

void CReportList::CountUnchecked(int first, int last, int sign) {
    for (int row = std::max(0, first); row <= last && row < RowCount(); ++row) {
        if (static_cast<const Row*>(topLevelItem(row))->IsUnchecked()) {
            uncheckedRows_ += sign;
        }
    }
}

bool CReportList::viewportEvent(QEvent* event) {
    // The tip shows the whole text of a cell that is cut short.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString text = index.isValid() ? CellText(index.row(), index.column()) : QString();
        const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 2;
        const QRect cell = visualRect(index);
        const int room = cell.width() - margin - (index.column() == 0 ? 2 * cell.height() : 0);
        if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) > room) {
            QToolTip::showText(help->globalPos(), text, viewport(), cell);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}
