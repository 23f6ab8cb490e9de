// A push button that shows an icon and brightens its background while the pointer is
// over it: the row buttons of the main window and the arrow buttons of the phonebook page.
#pragma once

#include <QColor>
#include <QPushButton>

class CActionButton : public QPushButton {
    Q_OBJECT
public:
    // What the background is raised by on each colour channel while hovered.
    static constexpr int kHoverRaise = 30;

    explicit CActionButton(const QString& text = QString(), QWidget* parent = nullptr);

    // colour raised by 30 on each channel, or by less when a channel would pass 255: the
    // same amount for all three.
    static QColor HoverShade(const QColor& colour);

    bool IsHovered() const { return hovered_; }
    // The background colour drawn now.
    QColor BackgroundColour() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetHovered(bool hovered);

    bool hovered_ = false;
    QPalette restingPalette_;
};
