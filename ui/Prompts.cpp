#include "ui/Prompts.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace ui {

namespace {

CPrompts* installed = nullptr;

}  // namespace

CPrompts& Prompts() {
    static CQtPrompts qtPrompts;
    return installed ? *installed : qtPrompts;
}

void SetPrompts(CPrompts* prompts) {
    installed = prompts;
}

int CQtPrompts::MessageBox(QWidget* owner, const QString& text, const QString& caption,
                           unsigned flags) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
        case kIconError:
            box.setIcon(QMessageBox::Critical);
            break;
        case kIconQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case kIconExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case kIconInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    switch (flags & 0x0F) {
        case kOkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case kYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        case QMessageBox::Cancel:
            return kAnswerCancel;
        default:
            return (flags & 0x0F) == kYesNo ? kAnswerNo : kAnswerOk;
    }
}

int CQtPrompts::RunModal(QDialog& dialog) {
    return dialog.exec();
}

int CQtPrompts::TrackPopupMenu(QMenu& menu, const QPoint& at) {
    const QAction* chosen = menu.exec(at);
    return chosen ? chosen->property("command").toInt() : 0;
}

QString CQtPrompts::OpenFileName(QWidget* owner, const QString& filter,
                                 const QString& initialName) {
    return QFileDialog::getOpenFileName(owner, QString(), initialName, filter);
}

QString CQtPrompts::SaveFileName(QWidget* owner, const QString& filter,
                                 const QString& initialName) {
    return QFileDialog::getSaveFileName(owner, QString(), initialName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool CQtPrompts::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace ui
