#include "ui/CShadeProgressCtrl.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

CShadeProgressCtrl::CShadeProgressCtrl(QWidget* parent) : QWidget(parent) {
    // The paint covers every pixel; nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CShadeProgressCtrl::SetRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    position_ = lower;
    update();
}

void CShadeProgressCtrl::SetStep(int step) {
    step_ = step;
}

void CShadeProgressCtrl::SetPos(int position) {
    position_ = position;
    update();
}

void CShadeProgressCtrl::SetStartColour(const QColor& colour) {
    startColour_ = colour;
    update();
}

void CShadeProgressCtrl::SetEndColour(const QColor& colour) {
    endColour_ = colour;
    update();
}

void CShadeProgressCtrl::SetBkColour(const QColor& colour) {
    bkColour_ = colour;
    update();
}

void CShadeProgressCtrl::SetTextColour(const QColor& colour) {
    textColour_ = colour;
    update();
}

void CShadeProgressCtrl::SetShowPercent(bool show) {
    showPercent_ = show;
    update();
}

QColor CShadeProgressCtrl::BkColour() const {
    return bkColour_.isValid() ? bkColour_ : palette().color(QPalette::Button);
}

int CShadeProgressCtrl::Percent() const {
    if (upper_ <= lower_) {
        return 0;
    }
    return static_cast<int>((static_cast<long long>(position_) - lower_) * 100 /
                            (static_cast<long long>(upper_) - lower_));
}

void CShadeProgressCtrl::paintEvent(QPaintEvent*) {
    // Qt paints into the window's back buffer and shows it in one step.
    QPainter painter(this);
    const int width = this->width();
    const int height = this->height();
    if (!(lower_ < position_ && position_ < upper_)) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }

    const double done =
        (static_cast<double>(position_) - lower_) / (static_cast<double>(upper_) - lower_);
    const int fill = static_cast<int>(done * width);
    const int start[3] = {startColour_.red(), startColour_.green(), startColour_.blue()};
    const int span[3] = {endColour_.red() - start[0], endColour_.green() - start[1],
                         endColour_.blue() - start[2]};
    // One band per step of the channel that changes most, so that neighbouring bands
    // differ by at most one in every channel. A band's colour follows from its place,
    // not from the position: the bar always starts with the start colour.
    const int bands = std::max({std::abs(span[0]), std::abs(span[1]), std::abs(span[2])});
    if (bands == 0) {
        // Start and end colours are the same: one band of that colour.
        painter.fillRect(0, 0, fill, height, startColour_);
        painter.fillRect(fill, 0, width - fill, height, BkColour());
    } else {
        const double bandWidth = static_cast<double>(width) / bands;
        for (int i = 0; i < bands; ++i) {
            const int left = static_cast<int>(i * bandWidth);
            const int right = static_cast<int>((i + 1) * bandWidth);
            const QColor colour(static_cast<int>(start[0] + i * (double(span[0]) / bands)),
                                static_cast<int>(start[1] + i * (double(span[1]) / bands)),
                                static_cast<int>(start[2] + i * (double(span[2]) / bands)));
            painter.fillRect(left, 0, right - left, height, colour);
            if (fill < right) {
                painter.fillRect(right, 0, width - right, height, BkColour());
                break;
            }
        }
    }

    if (showPercent_) {
        painter.setPen(textColour_);
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                         QString::number(Percent()) + u'%');
    }
}
