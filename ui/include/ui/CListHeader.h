// The header shared by the two list classes: a report list's header whose items keep an
// image index, and whose item 0 checks or unchecks every row when clicked ("check-all").
#pragma once

#include <QHeaderView>
#include <vector>

class CListHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit CListHeader(QWidget* parent = nullptr);

    // The image index of header item `item`; 0 (the empty image) for an item never set or
    // out of range.
    int ImageIndex(int item) const;
    // Stores the image index of header item `item` (ignored for a negative item) and
    // redraws that item.
    void SetImageIndex(int item, int image);

    // Whether a click on item 0 runs the check-all (on by default).
    void SetCheckAllActive(bool active) { checkAllActive_ = active; }
    bool IsCheckAllActive() const { return checkAllActive_; }

    // The check-all of a click on item 0: the image index becomes 2 when it was 1, else 1,
    // and checkAllClicked tells the list to check (image 2) or uncheck (image 1) every row.
    // A click on another item, or while the check-all is not active, does nothing here.
    void OnItemClicked(int item);

signals:
    void checkAllClicked(bool check);

private:
    std::vector<int> imageIndex_;
    bool checkAllActive_ = true;
};
