// A progress bar that paints itself: colour bands running from a start colour to an end
// colour, the part beyond the position in the background colour, and optionally the
// percentage over it.
#pragma once

#include <QColor>
#include <QWidget>

class CShadeProgressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CShadeProgressCtrl(QWidget* parent = nullptr);

    // The range; the position becomes lower.
    void SetRange(int lower, int upper);
    void SetStep(int step);
    void SetPos(int position);
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int Step() const { return step_; }
    int Pos() const { return position_; }

    void SetStartColour(const QColor& colour);
    void SetEndColour(const QColor& colour);
    // An invalid colour (the default) follows the style's button colour.
    void SetBkColour(const QColor& colour);
    void SetTextColour(const QColor& colour);
    void SetShowPercent(bool show);
    QColor StartColour() const { return startColour_; }
    QColor EndColour() const { return endColour_; }
    QColor BkColour() const;
    QColor TextColour() const { return textColour_; }
    bool IsPercentShown() const { return showPercent_; }

    // The smooth style of a progress bar; bands are drawn the same either way.
    void SetSmooth(bool smooth) { smooth_ = smooth; }
    bool IsSmooth() const { return smooth_; }

    // The whole percentage the position stands for: (position - lower) * 100 / (upper -
    // lower), 0 for an empty range.
    int Percent() const;

protected:
    // Between lower and upper (both excluded): bands of the gradient up to the position,
    // the background beyond, and the percentage "N%" centred. At or outside the ends the
    // bar is all button colour, without text: a bar at its last step is empty.
    void paintEvent(QPaintEvent* event) override;

private:
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 10;
    int position_ = 0;
    QColor startColour_{255, 0, 0};
    QColor endColour_{0, 0, 255};
    QColor bkColour_;
    QColor textColour_{255, 255, 255};
    bool showPercent_ = false;
    bool smooth_ = false;
};
