// The seam of every modal interaction: message boxes, file dialogs, pop-up menus, modal
// dialogs and opening a document with the desktop. The windows ask Prompts(); the program
// answers with Qt's own dialogs, tests install a CPrompts of their own that answers from
// a script, so that no test needs a nested event loop.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <QUrl>

class QMenu;
class QWidget;

namespace ui {

// Message box buttons and icons, combined with '|', and the answers (the values of the
// Windows message box the design names).
enum MessageBoxFlags : unsigned {
    kOk = 0x0,
    kOkCancel = 0x1,
    kYesNo = 0x4,
    kIconError = 0x10,
    kIconQuestion = 0x20,
    kIconExclamation = 0x30,
    kIconInformation = 0x40,
};
enum MessageBoxAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

class CPrompts {
public:
    virtual ~CPrompts() = default;

    // Shows text with caption, buttons and icon (MessageBoxFlags) above owner (null: no
    // owner); returns the answer.
    virtual int MessageBox(QWidget* owner, const QString& text, const QString& caption,
                           unsigned flags) = 0;
    // Runs dialog modally; returns its result (QDialog::Accepted or Rejected).
    virtual int RunModal(QDialog& dialog) = 0;
    // Shows menu at global position at and returns the command id of the chosen action
    // (its "command" property), 0 when nothing was chosen.
    virtual int TrackPopupMenu(QMenu& menu, const QPoint& at) = 0;
    // A file name to read or to write; empty when the user cancelled. filter is Qt's form
    // ("Saved SMS Files (*.txt)").
    virtual QString OpenFileName(QWidget* owner, const QString& filter,
                                 const QString& initialName) = 0;
    virtual QString SaveFileName(QWidget* owner, const QString& filter,
                                 const QString& initialName) = 0;
    // Opens url with the desktop's default handler; the result is whether it started.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The prompts in use: the Qt dialogs unless SetPrompts installed others.
CPrompts& Prompts();
// Installs prompts (not owned; null goes back to the Qt dialogs).
void SetPrompts(CPrompts* prompts);

// The Qt implementation.
class CQtPrompts : public CPrompts {
public:
    int MessageBox(QWidget* owner, const QString& text, const QString& caption,
                   unsigned flags) override;
    int RunModal(QDialog& dialog) override;
    int TrackPopupMenu(QMenu& menu, const QPoint& at) override;
    QString OpenFileName(QWidget* owner, const QString& filter,
                         const QString& initialName) override;
    QString SaveFileName(QWidget* owner, const QString& filter,
                         const QString& initialName) override;
    bool OpenUrl(const QUrl& url) override;
};

}  // namespace ui
