// The message page (dialog 1900): the message list 1901 fills it, one row per message
// record, with the columns number, status, party, time and text (widths 2W/27, W/18, W/9,
// W/6 and 11W/18 of its client width W), a check-all box in its first heading, and its
// rows' texts in red, black and light blue by turns.
#pragma once

#include "ui/CPageTabCtrl.h"

class CCheckList;

class CMessagePage : public CPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 1900;
    static constexpr int kListId = 1901;
    // The bitmap of the check-all images.
    static constexpr int kCheckImagesBitmap = 173;

    explicit CMessagePage(QWidget* parent = nullptr);

    bool Create(int dialogId, QWidget* parent) override;

    // The five column widths for a client width.
    static QList<int> ColumnWidths(int clientWidth);

    CCheckList* List() const { return list_; }

private:
    CCheckList* list_ = nullptr;
};
