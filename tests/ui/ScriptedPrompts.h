// The prompts of the GUI tests: every message box, modal dialog, pop-up menu, file dialog
// and opened document is recorded and answered from a script, without an event loop.
#pragma once

#include <QDialog>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <vector>

#include "ui/MenuBuilder.h"
#include "ui/Prompts.h"

namespace support {

class ScriptedPrompts : public ui::CPrompts {
public:
    struct Box {
        QString text;
        QString caption;
        unsigned flags = 0;
        bool hadOwner = false;
    };
    struct Popup {
        QString title;
        std::vector<int> commands;  // the menu's commands, separators as 0
        QPoint at;
    };

    ScriptedPrompts() { ui::SetPrompts(this); }
    ~ScriptedPrompts() override { ui::SetPrompts(nullptr); }

    std::vector<Box> boxes;
    std::deque<int> boxAnswers;             // default kAnswerOk
    std::vector<QString> dialogs;           // class names of the modal dialogs run
    std::function<int(QDialog&)> onDialog;  // runs for each; default rejects
    std::vector<Popup> popups;
    std::deque<int> popupAnswers;  // default 0: nothing chosen
    std::vector<QUrl> openedUrls;
    std::deque<QString> fileNames;

    int MessageBox(QWidget* owner, const QString& text, const QString& caption,
                   unsigned flags) override {
        boxes.push_back({text, caption, flags, owner != nullptr});
        return Next(boxAnswers, int{ui::kAnswerOk});
    }
    int RunModal(QDialog& dialog) override {
        dialogs.push_back(QString::fromLatin1(dialog.metaObject()->className()));
        return onDialog ? onDialog(dialog) : int{QDialog::Rejected};
    }
    int TrackPopupMenu(QMenu& menu, const QPoint& at) override {
        Popup popup{menu.title(), {}, at};
        for (const QAction* action : menu.actions()) {
            popup.commands.push_back(action->isSeparator() ? 0 : ui::CommandOf(action));
        }
        popups.push_back(popup);
        return Next(popupAnswers, 0);
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override {
        return Next(fileNames, QString());
    }
    QString SaveFileName(QWidget*, const QString&, const QString&) override {
        return Next(fileNames, QString());
    }
    bool OpenUrl(const QUrl& url) override {
        openedUrls.push_back(url);
        return true;
    }

private:
    template <typename T>
    static T Next(std::deque<T>& queue, T otherwise) {
        if (queue.empty()) {
            return otherwise;
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

}  // namespace support
