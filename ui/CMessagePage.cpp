#include "ui/CMessagePage.h"

#include "app/LanguagePack.h"
#include "ui/CCheckList.h"
#include "ui/DialogBuilder.h"
#include "ui/PackUi.h"

CMessagePage::CMessagePage(QWidget* parent) : CPage(parent) {
    setObjectName(QStringLiteral("messagePage"));
}

QList<int> CMessagePage::ColumnWidths(int w) {
    return {2 * w / 27, w / 18, w / 9, w / 6, 11 * w / 18};
}

bool CMessagePage::Create(int dialogId, QWidget* parent) {
    const bool created = CreateFromDialog(
        dialogId, parent, [this](const app::DialogControl& control, QWidget* into) -> QWidget* {
            if (control.id == kListId) {
                return list_ = new CCheckList(control.id, into);
            }
            return nullptr;
        });
    if (!created || list_ == nullptr) {
        return false;
    }
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    const QList<int> widths = ColumnWidths(list_->width() - 2 * list_->frameWidth());
    for (int column = 0; column < widths.size(); ++column) {
        list_->AppendColumn(ui::PackTextOrEmpty(8016 + column), widths[column]);
    }
    list_->EnableCheckAll(ui::PackBitmapImage(kCheckImagesBitmap));
    list_->SetRowTextColours({QColor(255, 0, 0), QColor(0, 0, 0), QColor(128, 128, 255)});
    return true;
}
