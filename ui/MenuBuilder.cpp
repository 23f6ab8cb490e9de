#include "ui/MenuBuilder.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "app/LanguagePack.h"

namespace ui {

namespace {

QAction* NewCommand(QWidget* owner, const app::MenuItem& item, const CommandHandler& onCommand) {
    auto* action = new QAction(QString::fromStdString(item.text), owner);
    action->setProperty(kCommandProperty, item.command);
    if (onCommand) {
        const int command = item.command;
        QObject::connect(action, &QAction::triggered, owner,
                         [onCommand, command] { onCommand(command); });
    }
    return action;
}

void CollectActions(const QList<QAction*>& actions, QList<QAction*>& into) {
    for (QAction* action : actions) {
        into.append(action);
        if (action->menu() != nullptr) {
            CollectActions(action->menu()->actions(), into);
        }
    }
}

QList<QAction*> AllActions(const QWidget* root) {
    QList<QAction*> actions;
    if (root != nullptr) {
        CollectActions(root->actions(), actions);
    }
    return actions;
}

}  // namespace

namespace {

// Appends items to a menu or a menu bar: both take actions, separators and submenus.
template <typename Container>
void AppendItems(Container* container, const std::vector<app::MenuItem>& items,
                 const CommandHandler& onCommand) {
    for (const app::MenuItem& item : items) {
        switch (item.kind) {
            case app::MenuItemKind::Command:
                container->addAction(NewCommand(container, item, onCommand));
                break;
            case app::MenuItemKind::Separator:
                container->addSeparator();
                break;
            case app::MenuItemKind::Submenu:
                AppendItems(container->addMenu(QString::fromStdString(item.text)), item.items,
                            onCommand);
                break;
        }
    }
}

}  // namespace

void FillMenu(QMenu* menu, const std::vector<app::MenuItem>& items,
              const CommandHandler& onCommand) {
    AppendItems(menu, items, onCommand);
}

void FillMenuBar(QMenuBar* bar, const app::MenuTemplate& menu, const CommandHandler& onCommand) {
    // The old menus go once control is back in the event loop: the command that replaces
    // them may be running from one of their items.
    const QList<QAction*> old = bar->actions();
    bar->clear();
    for (QAction* action : old) {
        if (action->menu() != nullptr && action->menu()->parent() == bar) {
            action->menu()->deleteLater();
        } else if (action->parent() == bar) {
            action->deleteLater();
        }
    }
    AppendItems(bar, menu.items, onCommand);
}

std::unique_ptr<QMenu> LoadPopupMenu(int id) {
    const auto menu = app::PackMenu(id);
    if (!menu || menu->items.empty() || menu->items.front().kind != app::MenuItemKind::Submenu) {
        return nullptr;
    }
    auto popup = std::make_unique<QMenu>(QString::fromStdString(menu->items.front().text));
    FillMenu(popup.get(), menu->items.front().items, {});
    return popup;
}

int CommandOf(const QAction* action) {
    return action ? action->property(kCommandProperty).toInt() : 0;
}

QAction* FindCommand(const QWidget* root, int command) {
    for (QAction* action : AllActions(root)) {
        if (action->menu() == nullptr && CommandOf(action) == command) {
            return action;
        }
    }
    return nullptr;
}

bool EnableCommand(const QWidget* root, int command, bool enabled) {
    QAction* action = FindCommand(root, command);
    if (action == nullptr) {
        return false;
    }
    action->setEnabled(enabled);
    return true;
}

void CheckRadioCommand(const QWidget* root, int first, int last, int checked) {
    QList<QAction*> range;
    QActionGroup* group = nullptr;
    for (QAction* action : AllActions(root)) {
        const int command = CommandOf(action);
        if (action->menu() == nullptr && command >= first && command <= last) {
            range.append(action);
            group = group ? group : action->actionGroup();
        }
    }
    if (range.isEmpty()) {
        return;
    }
    // One exclusive group draws the items as radio choices; "optional" lets none be
    // marked.
    if (group == nullptr) {
        group = new QActionGroup(range.front()->parent());
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    for (QAction* action : range) {
        action->setCheckable(true);
        group->addAction(action);
    }
    for (QAction* action : range) {
        action->setChecked(CommandOf(action) == checked);
    }
}

int CheckedRadioCommand(const QWidget* root, int first, int last) {
    for (QAction* action : AllActions(root)) {
        const int command = CommandOf(action);
        if (action->menu() == nullptr && command >= first && command <= last &&
            action->isChecked()) {
            return command;
        }
    }
    return 0;
}

}  // namespace ui
