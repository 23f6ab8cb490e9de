#include "ui/CCheckList.h"

#include "ui/CCheckHeader.h"

CCheckList::CCheckList(int controlId, QWidget* parent) : CReportList(controlId, parent) {
    // The header is a CCheckHeader from the start, so that columns and widths survive
    // EnableCheckAll; until then it has no image and its clicks do nothing.
    auto* header = new CCheckHeader(this);
    header->SetCheckAllActive(false);
    InstallHeader(header);
    connect(header, &CListHeader::checkAllClicked, this, &CReportList::SetAllChecked);
}

CCheckHeader* CCheckList::CheckHeader() const {
    return qobject_cast<CCheckHeader*>(header());
}

void CCheckList::EnableCheckAll(const QImage& checkImages) {
    if (checkAllEnabled_) {
        return;
    }
    CCheckHeader* header = CheckHeader();
    header->SetImages(checkImages);
    header->SetImageShown(0, true);
    header->SetImageIndex(0, 1);
    header->SetCheckAllActive(true);
    checkAllEnabled_ = true;
}

void CCheckList::OnRowStatesChanged() {
    // The count of unchecked rows is kept as rows change, so following them costs the
    // same for one row as for a check-all of every row.
    if (checkAllEnabled_) {
        CheckHeader()->SetImageIndex(0, UncheckedRowCount() > 0 ? 1 : 2);
    }
}
