// The resources of a language pack as the program uses them: dialog and menu templates,
// the toolbar, images and strings, read from the bytes a pack returns (the forms of
// langpack/LanguagePackAbi.h, format 1).
//
// A pack is outside data: every reader here checks every length, count and value and
// returns nothing for bytes that are cut short, too long, or hold anything the form does
// not allow. It never reads past the bytes it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "langpack/LanguagePackAbi.h"

namespace app {

enum class PackResourceType : unsigned {
    String = TELVANE_RESOURCE_STRING,
    Dialog = TELVANE_RESOURCE_DIALOG,
    Menu = TELVANE_RESOURCE_MENU,
    Toolbar = TELVANE_RESOURCE_TOOLBAR,
    Bitmap = TELVANE_RESOURCE_BITMAP,
    Icon = TELVANE_RESOURCE_ICON,
};

using PackBytes = std::span<const std::uint8_t>;

enum class ControlKind : std::uint8_t {
    PushButton = TELVANE_CONTROL_PUSH_BUTTON,
    DefaultPushButton = TELVANE_CONTROL_DEFAULT_PUSH_BUTTON,
    StaticText = TELVANE_CONTROL_STATIC_TEXT,
    Edit = TELVANE_CONTROL_EDIT,
    CheckBox = TELVANE_CONTROL_CHECK_BOX,
    RadioButton = TELVANE_CONTROL_RADIO_BUTTON,
    GroupBox = TELVANE_CONTROL_GROUP_BOX,
    Picture = TELVANE_CONTROL_PICTURE,
    Frame = TELVANE_CONTROL_FRAME,
    ComboBox = TELVANE_CONTROL_COMBO_BOX,
    ListView = TELVANE_CONTROL_LIST_VIEW,
    TabControl = TELVANE_CONTROL_TAB_CONTROL,
    RichEdit = TELVANE_CONTROL_RICH_EDIT,
};

// Control styles, bits of DialogControl::styles.
enum ControlStyle : std::uint32_t {
    kStyleDisabled = TELVANE_STYLE_DISABLED,
    kStylePassword = TELVANE_STYLE_PASSWORD,
    kStyleDigitsOnly = TELVANE_STYLE_DIGITS_ONLY,
    kStyleAutoHScroll = TELVANE_STYLE_AUTO_HSCROLL,
    kStyleNoPrefix = TELVANE_STYLE_NO_PREFIX,
    kStyleCentre = TELVANE_STYLE_CENTRE,
    kStyleRight = TELVANE_STYLE_RIGHT,
    kStyleReportView = TELVANE_STYLE_REPORT_VIEW,
    kStyleSingleSelection = TELVANE_STYLE_SINGLE_SELECTION,
    kStyleBorder = TELVANE_STYLE_BORDER,
    kStyleDropDown = TELVANE_STYLE_DROP_DOWN,
    kStyleVScroll = TELVANE_STYLE_VSCROLL,
    kStyleMultiline = TELVANE_STYLE_MULTILINE,
};

// Dialog styles, bits of DialogTemplate::styles.
enum DialogStyle : std::uint32_t {
    kDialogPopup = TELVANE_DIALOG_POPUP,
    kDialogChild = TELVANE_DIALOG_CHILD,
    kDialogVisible = TELVANE_DIALOG_VISIBLE,
    kDialogCaption = TELVANE_DIALOG_CAPTION,
    kDialogSystemMenu = TELVANE_DIALOG_SYSTEM_MENU,
    kDialogMinimizeBox = TELVANE_DIALOG_MINIMIZE_BOX,
    kDialogMaximizeBox = TELVANE_DIALOG_MAXIMIZE_BOX,
    kDialogModalFrame = TELVANE_DIALOG_MODAL_FRAME,
};

// A control of a dialog template. Places are in dialog units.
struct DialogControl {
    static constexpr int kNoId = -1;

    int id = kNoId;  // kNoId for a control without a number
    ControlKind kind = ControlKind::StaticText;
    std::uint32_t styles = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string text;
    // The image a picture or a button shows: Bitmap or Icon and its number; imageId 0
    // when it shows none.
    PackResourceType imageType = PackResourceType::Icon;
    int imageId = 0;

    bool Has(std::uint32_t style) const { return (styles & style) == style; }
    bool operator==(const DialogControl&) const = default;
};

struct DialogTemplate {
    std::uint32_t styles = 0;
    int width = 0;  // dialog units
    int height = 0;
    int menu = 0;  // the menu bar's number, 0 for none
    std::string caption;
    int fontPointSize = 0;
    std::string fontFace;
    std::vector<DialogControl> controls;  // in tab order

    bool Has(std::uint32_t style) const { return (styles & style) == style; }
    // The first control with that number, or nullptr.
    const DialogControl* Control(int id) const;
    bool operator==(const DialogTemplate&) const = default;
};

enum class MenuItemKind : std::uint8_t {
    Command = TELVANE_MENU_COMMAND,
    Separator = TELVANE_MENU_SEPARATOR,
    Submenu = TELVANE_MENU_SUBMENU,
};

struct MenuItem {
    MenuItemKind kind = MenuItemKind::Separator;
    int command = 0;              // Command only
    std::string text;             // Command and Submenu; '&' marks the access key
    std::vector<MenuItem> items;  // Submenu only
    bool operator==(const MenuItem&) const = default;
};

struct MenuTemplate {
    std::vector<MenuItem> items;
    bool operator==(const MenuTemplate&) const = default;
};

struct ToolbarTemplate {
    static constexpr int kSeparator = 0;

    int buttonWidth = 0;  // pixels
    int buttonHeight = 0;
    std::vector<int> commands;  // one per button, in order; kSeparator for a separator
    bool operator==(const ToolbarTemplate&) const = default;
};

// What the image checks find out about an image file.
struct ImageInfo {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;  // per pixel of the file: 1, 4, 8, 24 (BMP) or 32 (RGBA PNG)
};

// Each returns nothing when the bytes are not exactly one resource of its form.
std::optional<std::string> ParseStringResource(PackBytes bytes);  // valid UTF-8, no NUL
std::optional<DialogTemplate> ParseDialogResource(PackBytes bytes);
std::optional<MenuTemplate> ParseMenuResource(PackBytes bytes);
std::optional<ToolbarTemplate> ParseToolbarResource(PackBytes bytes);
// A bitmap is a whole, uncompressed BMP file: its header is read and its pixel rows
// checked to lie inside the bytes.
std::optional<ImageInfo> InspectBitmapResource(PackBytes bytes);
// An icon is a whole PNG file (RGBA, 8 bits, not interlaced): its chunks are walked and
// their CRCs checked; the picture data itself is left to the image decoder.
std::optional<ImageInfo> InspectIconResource(PackBytes bytes);

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace app
