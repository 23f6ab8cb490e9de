// Menus from a language pack's menu templates: every command item is a QAction that
// carries its command id (the "command" property), so that items are enabled, greyed and
// marked by command id, and a chosen item reports its id.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/PackResources.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace ui {

inline constexpr const char* kCommandProperty = "command";

using CommandHandler = std::function<void(int command)>;

// Appends items to menu: commands (sending their id to onCommand when chosen, if given),
// separators and submenus.
void FillMenu(QMenu* menu, const std::vector<app::MenuItem>& items,
              const CommandHandler& onCommand);
// Replaces the menu bar's contents with menu's top-level items (each a submenu, or a
// command directly on the bar).
void FillMenuBar(QMenuBar* bar, const app::MenuTemplate& menu, const CommandHandler& onCommand);

// The first submenu of the pack's menu `id`, for a pop-up menu (its chosen command comes
// back from Prompts().TrackPopupMenu); null when the pack has no such menu or the menu has
// no submenu first.
std::unique_ptr<QMenu> LoadPopupMenu(int id);

// The action of command under root (a menu bar or a menu, searched through its
// submenus); null when there is none.
QAction* FindCommand(const QWidget* root, int command);
int CommandOf(const QAction* action);

// Enables or greys the item of command; false when there is none.
bool EnableCommand(const QWidget* root, int command, bool enabled);
// Marks checked as the one radio choice among the items first to last (every other item
// of that range is unmarked; checked 0 leaves all unmarked).
void CheckRadioCommand(const QWidget* root, int first, int last, int checked);
// The command of the item marked among first to last; 0 when none is.
int CheckedRadioCommand(const QWidget* root, int first, int last);

}  // namespace ui
