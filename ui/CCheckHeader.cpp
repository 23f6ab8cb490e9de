#include "ui/CCheckHeader.h"

#include <QIcon>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>

namespace {

constexpr QRgb kMaskColour = qRgb(255, 0, 255);

// Image `index` of the strip with the mask colour made transparent.
QPixmap ImageFromStrip(const QImage& strip, int index) {
    constexpr int size = CCheckHeader::kImageSize;
    QImage image = strip.copy(index * size, 0, size, size).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xFF000000u) == kMaskColour) {
                line[x] = 0;
            }
        }
    }
    return QPixmap::fromImage(image);
}

// The style's check box as image `index` (1 unchecked, 2 checked; 0 stays empty).
QPixmap StyleImage(const QWidget* widget, int index) {
    constexpr int size = CCheckHeader::kImageSize;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    if (index > 0) {
        QPainter painter(&pixmap);
        QStyleOptionButton option;
        option.initFrom(widget);
        option.rect = QRect(0, 0, size, size);
        option.state = QStyle::State_Enabled | (index == 2 ? QStyle::State_On : QStyle::State_Off);
        widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
    }
    return pixmap;
}

}  // namespace

CCheckHeader::CCheckHeader(QWidget* parent) : CListHeader(parent) {}

void CCheckHeader::SetImages(const QImage& strip) {
    images_.clear();
    const bool usable =
        !strip.isNull() && strip.width() >= 3 * kImageSize && strip.height() >= kImageSize;
    for (int i = 0; i < 3; ++i) {
        images_.push_back(usable ? ImageFromStrip(strip, i) : StyleImage(this, i));
    }
    viewport()->update();
}

void CCheckHeader::SetImageShown(int item, bool shown) {
    if (item < 0) {
        return;
    }
    if (item >= static_cast<int>(imageShown_.size())) {
        imageShown_.resize(item + 1, false);
    }
    imageShown_[item] = shown;
    if (item < count()) {
        updateSection(item);
    }
}

bool CCheckHeader::IsImageShown(int item) const {
    return item >= 0 && item < static_cast<int>(imageShown_.size()) && imageShown_[item];
}

QPixmap CCheckHeader::ShownImage(int item) const {
    const int image = ImageIndex(item);
    if (!IsImageShown(item) || image < 0 || image >= static_cast<int>(images_.size())) {
        return QPixmap();
    }
    return images_[image];
}

void CCheckHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    CListHeader::initStyleOptionForIndex(option, logicalIndex);
    const QPixmap image = ShownImage(logicalIndex);
    if (!image.isNull()) {
        option->icon = QIcon(image);
        option->iconAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    }
}
