#include "ui/CActionButton.h"

#include <algorithm>

CActionButton::CActionButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setIconSize(QSize(32, 32));
    setAutoDefault(false);
}

QColor CActionButton::HoverShade(const QColor& colour) {
    const int highest = std::max({colour.red(), colour.green(), colour.blue()});
    const int raise = std::clamp(255 - highest, 0, kHoverRaise);
    return QColor(colour.red() + raise, colour.green() + raise, colour.blue() + raise);
}

QColor CActionButton::BackgroundColour() const {
    return palette().color(QPalette::Button);
}

void CActionButton::SetHovered(bool hovered) {
    if (hovered == hovered_) {
        return;
    }
    hovered_ = hovered;
    if (hovered) {
        restingPalette_ = palette();
        QPalette shaded = restingPalette_;
        shaded.setColor(QPalette::Button, HoverShade(restingPalette_.color(QPalette::Button)));
        setPalette(shaded);
    } else {
        setPalette(restingPalette_);
    }
    update();
}

void CActionButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    SetHovered(true);
}

void CActionButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    SetHovered(false);
}
