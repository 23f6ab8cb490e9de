#include "ui/CListHeader.h"

CListHeader::CListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    // Widths given by the program or a saved archive apply as they are, narrow ones too.
    setMinimumSectionSize(0);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Connected here, so that the check-all runs before any handler the list adds.
    connect(this, &QHeaderView::sectionClicked, this, &CListHeader::OnItemClicked);
}

int CListHeader::ImageIndex(int item) const {
    if (item < 0 || item >= static_cast<int>(imageIndex_.size())) {
        return 0;
    }
    return imageIndex_[item];
}

void CListHeader::SetImageIndex(int item, int image) {
    if (item < 0) {
        return;
    }
    if (item >= static_cast<int>(imageIndex_.size())) {
        imageIndex_.resize(item + 1, 0);
    }
    if (imageIndex_[item] == image) {
        return;
    }
    imageIndex_[item] = image;
    if (item < count()) {
        updateSection(item);
    }
}

void CListHeader::OnItemClicked(int item) {
    if (item != 0 || !checkAllActive_) {
        return;
    }
    const int image = ImageIndex(0) == 1 ? 2 : 1;
    SetImageIndex(0, image);
    emit checkAllClicked(image == 2);
}
