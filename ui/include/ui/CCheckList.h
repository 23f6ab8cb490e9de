// The message page's list (1901): once EnableCheckAll has run, the header's first item
// shows a check box that tells whether every row is checked, and a click on it checks
// every row (or, when all are checked already, unchecks them).
#pragma once

#include <QImage>

#include "ui/CReportList.h"

class CCheckHeader;

class CCheckList : public CReportList {
    Q_OBJECT
public:
    explicit CCheckList(int controlId, QWidget* parent = nullptr);

    // Runs once (later calls do nothing): header item 0 shows image 1 of checkImages (the
    // pack's strip of three 16 x 16 check images on magenta; null gives the style's check
    // boxes), its clicks check and uncheck all rows, and from then on it follows the rows:
    // image 1 (unchecked box) while any row is unchecked, else image 2 (checked box), an
    // empty list included.
    void EnableCheckAll(const QImage& checkImages);
    bool IsCheckAllEnabled() const { return checkAllEnabled_; }

    CCheckHeader* CheckHeader() const;

protected:
    void OnRowStatesChanged() override;

private:
    bool checkAllEnabled_ = false;
};
