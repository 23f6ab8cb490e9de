// Windows and dialogs built from a language pack's dialog templates: every control by its
// number and kind, placed in dialog units converted with the template font's base units,
// in the template's tab order. Controls are found again by number.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

#include "app/PackResources.h"

class QWidget;

namespace ui {

// The property every control carries: its number (-1 for a control without one).
inline constexpr const char* kControlIdProperty = "controlId";

// Dialog base units: the average character width and the height of the template's font,
// measured as Windows measures them ("A" to "Z" and "a" to "z": (width / 26 + 1) / 2).
// A dialog unit is baseX / 4 pixels across and baseY / 8 pixels down.
struct DialogUnits {
    // The base units of the templates' font, 8-point "MS Sans Serif", on the 96-dpi
    // screens the windows were designed on.
    static constexpr int kDesignBaseX = 6;
    static constexpr int kDesignBaseY = 13;

    int baseX = kDesignBaseX;
    int baseY = kDesignBaseY;

    int ToPixelsX(int units) const { return units * baseX / 4; }
    int ToPixelsY(int units) const { return units * baseY / 8; }
    QRect ToPixels(int x, int y, int width, int height) const {
        return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
    }
};

// The template's font (its face and point size; Qt substitutes a face it lacks).
QFont DialogFont(const app::DialogTemplate& dialog);
DialogUnits DialogUnitsOf(const QFont& font);

// Makes the widget for one control, or returns null to have the standard one made.
using ControlFactory = std::function<QWidget*(const app::DialogControl&, QWidget* parent)>;

// Creates the controls of dialog as children of parent, each at its place in pixels, in
// tab order. A control gets its number as kControlIdProperty, the object name
// "control<number>", its text, its image (a picture or a button: the pack's bitmap or
// icon) and its styles (disabled, password, digits only, alignment, single selection,
// drop-down, multi-line). Returns the widgets in template order.
std::vector<QWidget*> CreateDialogControls(const app::DialogTemplate& dialog, QWidget* parent,
                                           const DialogUnits& units,
                                           const ControlFactory& factory = {});

// The first descendant of root (root itself excluded) with control number id; null when
// there is none.
QWidget* FindControl(const QWidget* root, int id);
// The number of a control; -1 when it has none.
int ControlIdOf(const QWidget* control);

// The text of a control as its kind holds it (a button's or a label's text, an edit's or a
// combo box's text, a group box's title, a multi-line edit's plain text; for other
// kinds the widget's window title).
QString WidgetText(const QWidget* control);
void SetWidgetText(QWidget* control, const QString& text);

// Builds window from dialog: the template's font, its size in pixels and its controls
// (CreateDialogControls with factory). Returns the units used.
DialogUnits BuildDialog(QWidget* window, const app::DialogTemplate& dialog,
                        const ControlFactory& factory = {});

// By number under root; false when there is no such control.
bool SetControlText(QWidget* root, int id, const QString& text);
QString ControlText(const QWidget* root, int id);
bool EnableControl(QWidget* root, int id, bool enable);
bool ShowControl(QWidget* root, int id, bool show);

// A static text's label as Windows shows it: "&&" is one '&', a lone '&' marks the access
// key and is not shown.
QString WithoutAccessKeys(const QString& text);

}  // namespace ui
