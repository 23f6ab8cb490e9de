// The main window's toolbar: buttons from a pack's toolbar template and its bitmap strip,
// with texts beside the images, entries that can be made separators, and drop-down
// buttons whose face does nothing and whose arrow opens a menu of the pack.
#pragma once

#include <QToolBar>
#include <QToolButton>
#include <map>
#include <vector>

class QAction;

class CToolBarEx : public QToolBar {
    Q_OBJECT
public:
    // The colour of the strip that shows as transparent (the button face of the pack's
    // bitmap).
    static constexpr QRgb kStripMaskColour = qRgb(192, 192, 192);

    explicit CToolBarEx(QWidget* parent = nullptr);

    // Loads toolbar `id` of the current pack with its images from bitmap `id`: one button
    // per entry, in order, each sending its command. False when the pack has no such
    // toolbar (the toolbar then stays empty).
    bool LoadToolBar(int id);

    int EntryCount() const { return static_cast<int>(entries_.size()); }
    // The button of entry index; null for a separator or an index out of range.
    QToolButton* Button(int index) const;
    // The button sending command; null when there is none.
    QToolButton* ButtonOf(int command) const;
    bool IsSeparator(int index) const;

    // Turns entry index into a separator (its image is never shown).
    void SetSeparator(int index);
    // The text beside the image of entry index.
    void SetButtonText(int index, const QString& text);
    QString ButtonText(int index) const;
    // Enables or disables the button of command; false when there is none.
    bool EnableCommand(int command, bool enabled);

    // Gives the button of command the drop-down style: its face sends nothing, its arrow
    // opens the first submenu of pack menu menuId below the button; the chosen command is
    // sent. The first call switches the drop-down arrows on.
    void AddDropDown(int command, int menuId);
    // The drop-down of command: loads its menu from the current pack, shows it below the
    // button's bottom-left corner through Prompts().TrackPopupMenu and sends the chosen
    // command. The menu is destroyed afterwards.
    void OnDropDown(int command);
    bool HasDropDowns() const { return !dropDowns_.empty(); }

signals:
    void commandSent(int command);

private:
    struct Entry {
        QAction* action = nullptr;      // the widget action in the toolbar
        QToolButton* button = nullptr;  // null for a separator
        int command = 0;
    };
    std::vector<Entry> entries_;
    std::map<int, int> dropDowns_;  // command -> menu
};

// A toolbar button; once it has a menu and the MenuButtonPopup mode (AddDropDown), its
// arrow part reports its press instead of showing the menu.
class CDropDownButton : public QToolButton {
    Q_OBJECT
public:
    explicit CDropDownButton(QWidget* parent = nullptr);
    // The arrow's rectangle in the button.
    QRect ArrowRect() const;

signals:
    void arrowPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
