#include "ui/CPhonebookPage.h"

#include <QPointer>

#include "app/Configuration.h"
#include "app/LanguagePack.h"
#include "ui/CActionButton.h"
#include "ui/CRecordList.h"
#include "ui/DialogBuilder.h"
#include "ui/PackUi.h"

namespace {

QPointer<CRecordList>& Published() {
    static QPointer<CRecordList> list;
    return list;
}

}  // namespace

CRecordList* PublishedEditingList() {
    return Published().data();
}

CPhonebookPage::CPhonebookPage(QWidget* parent) : CPage(parent) {
    setObjectName(QStringLiteral("phonebookPage"));
}

QString CPhonebookPage::ColumnText(const QString& number, const QString& name, const QString& dial,
                                   int clientWidth) {
    return QStringLiteral("%1,%2; %3,%4; %5,%6")
        .arg(number)
        .arg(2 * clientWidth / 9)
        .arg(name)
        .arg(3 * clientWidth / 9)
        .arg(dial)
        .arg(4 * clientWidth / 9);
}

bool CPhonebookPage::Create(int dialogId, QWidget* parent) {
    const bool created = CreateFromDialog(
        dialogId, parent, [this](const app::DialogControl& control, QWidget* into) -> QWidget* {
            switch (control.id) {
                case kEditingListId:
                    return editingList_ = new CRecordList(control.id, into);
                case kSimListId:
                    return simList_ = new CRecordList(control.id, into);
                case kMoveButtonId:
                case kCopyButtonId:
                    return new CActionButton(QString(), into);
                default:
                    return nullptr;
            }
        });
    if (!created || editingList_ == nullptr || simList_ == nullptr) {
        return false;
    }
    // Both lists take the editing list's widths.
    const int clientWidth = editingList_->width() - 2 * editingList_->frameWidth();
    const QString columns = ColumnText(ui::PackTextOrEmpty(8013), ui::PackTextOrEmpty(8014),
                                       ui::PackTextOrEmpty(8015), clientWidth);
    const CIniProfile profile = app::ConfigurationProfile();
    const QList<QColor> colours{QColor(255, 0, 0), QColor(0, 0, 0), QColor(0, 0, 255)};
    for (CRecordList* list : {editingList_, simList_}) {
        list->DefineColumns(columns);
        list->RestoreColumnWidths(profile);
        list->SetColumnTextColours(colours);
    }
    Published() = editingList_;
    if (auto* move = qobject_cast<CActionButton*>(ui::FindControl(this, kMoveButtonId))) {
        move->setIcon(ui::PackIconImage(173));
    }
    if (auto* copy = qobject_cast<CActionButton*>(ui::FindControl(this, kCopyButtonId))) {
        copy->setIcon(ui::PackIconImage(176));
    }
    return true;
}
