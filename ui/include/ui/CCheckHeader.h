// The header of a CCheckList: the check-all of item 0 (CListHeader), with item 0 showing
// the check image of its image index.
#pragma once

#include <QImage>
#include <QPixmap>
#include <vector>

#include "ui/CListHeader.h"

class CCheckHeader : public CListHeader {
    Q_OBJECT
public:
    explicit CCheckHeader(QWidget* parent = nullptr);

    // The check images, from a strip of 16 x 16 pictures side by side on a magenta
    // (255,0,255) mask colour: 0 empty, 1 an unchecked box, 2 a checked box. A null strip,
    // or one less than 48 x 16, gives the style's own check boxes instead.
    void SetImages(const QImage& strip);
    // Whether header item `item` shows its image (the item's image flag).
    void SetImageShown(int item, bool shown);
    bool IsImageShown(int item) const;
    // The picture header item `item` shows now; null when it shows none.
    QPixmap ShownImage(int item) const;

    static constexpr int kImageSize = 16;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;

private:
    std::vector<QPixmap> images_;
    std::vector<bool> imageShown_;
};
