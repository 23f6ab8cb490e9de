#include "ui/CArrowHeader.h"

#include <QPainter>
#include <QStyleOptionHeader>
#include <QtEndian>
#include <algorithm>

CArrowHeader::CArrowHeader(QWidget* parent) : CListHeader(parent) {}

void CArrowHeader::SetArrow(int column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    viewport()->update();
}

QByteArray CArrowHeader::SaveWidths() const {
    QByteArray archive;
    const int items = count();
    archive.resize(4 * (items + 1));
    auto* out = reinterpret_cast<uchar*>(archive.data());
    qToLittleEndian<qint32>(items, out);
    for (int i = 0; i < items; ++i) {
        qToLittleEndian<qint32>(sectionSize(i), out + 4 * (i + 1));
    }
    return archive;
}

bool CArrowHeader::LoadWidths(const QByteArray& archive) {
    if (archive.size() < 4) {
        return false;
    }
    const auto* in = reinterpret_cast<const uchar*>(archive.constData());
    const qint32 items = qFromLittleEndian<qint32>(in);
    if (items < 0 || items != count() || (archive.size() - 4) / 4 < items) {
        return false;
    }
    for (int i = 0; i < items; ++i) {
        resizeSection(i, std::max<qint32>(0, qFromLittleEndian<qint32>(in + 4 * (i + 1))));
    }
    viewport()->update();
    return true;
}

void CArrowHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (logicalIndex != sortColumn_) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    const bool pressed = option.state & QStyle::State_Sunken;

    painter->save();
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(rect, palette().color(QPalette::Button));

    // The item's edges as the arrow's coordinates use them: right and bottom exclusive,
    // y from the item's top.
    const int left = rect.x();
    const int top = rect.y();
    const int right = rect.x() + rect.width();
    const int bottom = rect.y() + rect.height();
    const int q = rect.height() / 4;

    // The text: a quarter of the height in from either side, leaving room for the arrow;
    // a pressed item's text moves one right and two down.
    QRect text(QPoint(left + q, top), QPoint(right - q - 3 * q - 1, bottom - 1));
    if (pressed) {
        text.translate(1, 2);
    }
    if (text.width() > 0 && text.height() > 0) {
        const QString label =
            model() ? model()->headerData(logicalIndex, orientation()).toString().left(255)
                    : QString();
        Qt::Alignment align = Qt::AlignLeft;
        if (model()) {
            const QVariant value =
                model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
            if (value.isValid()) {
                align = Qt::Alignment(value.toInt()) & Qt::AlignHorizontal_Mask;
            }
        }
        const QString shown = fontMetrics().elidedText(label, Qt::ElideRight, text.width());
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->drawText(text, int(align | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    }

    // The arrow: a triangle outline, lit on one side and shaded on the other.
    const QPen highlight(palette().color(QPalette::Light), 0);
    const QPen shadow(palette().color(QPalette::Dark), 0);
    const int r = right;
    if (ascending_) {
        const QPoint lit[] = {
            {r - 2 * q, top + q}, {r - q, bottom - q - 1}, {r - 3 * q - 2, bottom - q - 1}};
        const QPoint shade[] = {{r - 3 * q - 1, bottom - q - 1}, {r - 2 * q, top + q - 1}};
        painter->setPen(highlight);
        painter->drawPolyline(lit, 3);
        painter->setPen(shadow);
        painter->drawPolyline(shade, 2);
    } else {
        const QPoint lit[] = {{r - q - 1, top + q}, {r - 2 * q - 1, bottom - q}};
        const QPoint shade[] = {
            {r - 2 * q - 2, bottom - q}, {r - 3 * q - 1, top + q}, {r - q - 1, top + q}};
        painter->setPen(highlight);
        painter->drawPolyline(lit, 2);
        painter->setPen(shadow);
        painter->drawPolyline(shade, 3);
    }
    painter->restore();
}
