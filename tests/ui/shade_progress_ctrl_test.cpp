// CShadeProgressCtrl, sampled from rendered pictures: the bands from the start colour up
// to the position, the background beyond, the percentage over them, and an empty bar at
// either end of the range.
#include <QImage>
#include <set>
#include <string>

#include "UiTest.h"
#include "ui/CShadeProgressCtrl.h"

namespace {

constexpr QRgb kButtonFace = qRgb(200, 200, 200);
constexpr QRgb kBackground = qRgb(10, 20, 30);

class ShadeProgressCtrlTest : public support::UiTest {};

// A bar of the progress window's colours (blue to red), width x 20, at position of 0..upper.
struct Bar {
    Bar(int width, int upper, int position, bool percent = false) {
        QPalette palette = bar.palette();
        palette.setColor(QPalette::Button, QColor(kButtonFace));
        bar.setPalette(palette);
        bar.SetStartColour(QColor(0, 0, 255));
        bar.SetEndColour(QColor(255, 0, 0));
        bar.SetTextColour(QColor(0, 255, 0));
        bar.SetBkColour(QColor(kBackground));
        bar.SetShowPercent(percent);
        bar.SetRange(0, upper);
        bar.SetPos(position);
        bar.resize(width, 20);
    }
    QImage Picture() { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    CShadeProgressCtrl bar;
};

TEST_F(ShadeProgressCtrlTest, HalfwayShowsTheBlueToPurpleHalf) {
    Bar shown(390, 100, 50);
    const QImage picture = shown.Picture();
    const int fill = 195;
    const int bandWidth = 2;  // 390 / 255 rounded up
    int lastRed = -1;
    for (int x = 0; x < fill; ++x) {
        const QRgb pixel = picture.pixel(x, 10);
        EXPECT_EQ(qRed(pixel) + qBlue(pixel), 255) << "x " << x;
        EXPECT_EQ(qGreen(pixel), 0) << "x " << x;
        EXPECT_GE(qRed(pixel), lastRed) << "x " << x;
        EXPECT_LE(qRed(pixel) - lastRed, 1) << "x " << x;
        lastRed = qRed(pixel);
        // The whole height has the band's colour.
        EXPECT_EQ(picture.pixel(x, 0), pixel);
        EXPECT_EQ(picture.pixel(x, 19), pixel);
    }
    EXPECT_EQ(picture.pixel(0, 10), qRgb(0, 0, 255));
    EXPECT_NEAR(lastRed, 127, 1);
    for (int x = fill + bandWidth; x < 390; ++x) {
        EXPECT_EQ(picture.pixel(x, 10), kBackground) << "x " << x;
    }
}

TEST_F(ShadeProgressCtrlTest, BlueToRedHas255Bands) {
    Bar shown(510, 1000, 999);
    const QImage picture = shown.Picture();
    std::set<QRgb> colours;
    for (int x = 0; x < 510; ++x) {
        colours.insert(picture.pixel(x, 10));
    }
    EXPECT_EQ(colours.size(), 255u);
    EXPECT_EQ(picture.pixel(509, 10), qRgb(254, 0, 1));
}

struct EmptyCase {
    const char* name;
    int lower, upper, position;
};

std::ostream& operator<<(std::ostream& out, const EmptyCase& c) {
    return out << c.name;
}

class EmptyBarTest : public ShadeProgressCtrlTest,
                     public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(EmptyBarTest, AllButtonFaceWithoutText) {
    const EmptyCase& c = GetParam();
    Bar shown(200, c.upper, c.position, true);
    shown.bar.SetRange(c.lower, c.upper);
    shown.bar.SetPos(c.position);
    const QImage picture = shown.Picture();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(picture.pixel(x, y), kButtonFace) << x << "," << y;
        }
    }
}

const EmptyCase kEmptyCases[] = {
    {"AtLower", 0, 3, 0},     {"AtTheLastStep", 0, 3, 3}, {"BeyondUpper", 0, 3, 4},
    {"BelowLower", 5, 10, 2}, {"EmptyRange", 0, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Positions, EmptyBarTest, ::testing::ValuesIn(kEmptyCases),
                         [](const auto& info) { return std::string(info.param.name); });

int GreenPixels(const QImage& picture) {
    int green = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            green += qGreen(pixel) > 200 && qRed(pixel) < 100 && qBlue(pixel) < 100;
        }
    }
    return green;
}

TEST_F(ShadeProgressCtrlTest, PercentageIsDrawnInTheTextColourInTheMiddle) {
    Bar with(390, 100, 50, true);
    Bar without(390, 100, 50, false);
    const QImage picture = with.Picture();
    EXPECT_GT(GreenPixels(picture.copy(160, 0, 70, 20)), 5);
    EXPECT_EQ(GreenPixels(picture.copy(0, 0, 150, 20)), 0);
    EXPECT_EQ(GreenPixels(without.Picture()), 0);
}

TEST_F(ShadeProgressCtrlTest, DefaultsRunFromRedToBlueWithoutText) {
    CShadeProgressCtrl bar;
    bar.resize(510, 10);
    bar.SetPos(50);
    const QImage picture = bar.grab().toImage();
    EXPECT_EQ(picture.pixel(0, 5), qRgb(255, 0, 0));
    EXPECT_EQ(bar.Step(), 10);
    EXPECT_FALSE(bar.IsPercentShown());
    EXPECT_EQ(bar.BkColour(), bar.palette().color(QPalette::Button));
}

TEST_F(ShadeProgressCtrlTest, OneColourFillsUpToThePosition) {
    Bar shown(100, 4, 1);
    shown.bar.SetEndColour(QColor(0, 0, 255));
    const QImage picture = shown.Picture();
    EXPECT_EQ(picture.pixel(0, 10), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(24, 10), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(25, 10), kBackground);
}

}  // namespace
