// The phonebook page (dialog 1800): the editing list 1801 on the left, the SIM list 1802
// on the right, and between them the buttons 1710 (move from the SIM list into the editing
// list) and 1713 (copy from the editing list into the SIM list). Both lists have the
// columns number, name and number, with widths 2W/9, 3W/9 and 4W/9 of the editing list's
// client width W, and their texts in red, black and blue.
#pragma once

#include "ui/CPageTabCtrl.h"

class CActionButton;
class CRecordList;

class CPhonebookPage : public CPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 1800;
    static constexpr int kEditingListId = 1801;
    static constexpr int kSimListId = 1802;
    static constexpr int kMoveButtonId = 1710;
    static constexpr int kCopyButtonId = 1713;

    explicit CPhonebookPage(QWidget* parent = nullptr);

    bool Create(int dialogId, QWidget* parent) override;

    // The lists' column text: "%s,%d; %s,%d; %s,%d" with the three headings (8013-8015)
    // and widths 2W/9, 3W/9 and 4W/9.
    static QString ColumnText(const QString& number, const QString& name, const QString& dial,
                              int clientWidth);

    CRecordList* EditingList() const { return editingList_; }
    CRecordList* SimList() const { return simList_; }

private:
    CRecordList* editingList_ = nullptr;
    CRecordList* simList_ = nullptr;
};

// The editing list the page publishes for other windows (the message editor's recipients);
// null before the page is created.
CRecordList* PublishedEditingList();
