// CCheckList: the header's check image follows the rows once EnableCheckAll has run, its
// clicks check and uncheck every row, the images come from the pack's strip, and the
// message page's row colours.
#include <QImage>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "UiTest.h"
#include "ui/CCheckHeader.h"
#include "ui/CCheckList.h"

namespace {

using support::ClickHeaderItem;

constexpr int kMessageList = 1901;
constexpr int kUnchecked = 1;
constexpr int kChecked = 2;

class CheckListTest : public support::UiTest {};

// A strip as the pack holds it: three 16 x 16 images on magenta, 0 empty, 1 a box, 2 a
// box with a mark in it.
QImage PackCheckImages() {
    QImage strip(48, 16, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    for (int image : {1, 2}) {
        const int left = image * 16;
        for (int i = 2; i <= 13; ++i) {
            for (const auto& [x, y] : {std::pair{i, 2}, {i, 13}, {2, i}, {13, i}}) {
                strip.setPixel(left + x, y, qRgb(40, 40, 40));
            }
        }
        for (int y = 3; y <= 12; ++y) {
            for (int x = 3; x <= 12; ++x) {
                strip.setPixel(left + x, y, qRgb(255, 255, 255));
            }
        }
    }
    for (int i = 5; i <= 10; ++i) {
        strip.setPixel(32 + i, i, qRgb(0, 128, 0));
    }
    return strip;
}

// A message list on show with one row per entry of checks.
struct ShownList {
    explicit ShownList(const std::vector<bool>& checks, bool enable = true) : list(kMessageList) {
        list.AppendColumn("No", 40);
        list.AppendColumn("Text", 200);
        for (size_t i = 0; i < checks.size(); ++i) {
            const int row = list.AppendRow({QString::number(i + 1), "text"});
            list.SetChecked(row, checks[i]);
        }
        if (enable) {
            list.EnableCheckAll(PackCheckImages());
        }
        list.resize(300, 200);
        list.show();
    }
    int Image() const { return list.CheckHeader()->ImageIndex(0); }
    std::vector<bool> Checks() const {
        std::vector<bool> checks;
        for (int row = 0; row < list.RowCount(); ++row) {
            checks.push_back(list.IsChecked(row));
        }
        return checks;
    }
    CCheckList list;
};

// ---------------------------------------------------------------------------------------
// The header follows the rows

struct TrackingCase {
    const char* name;
    std::vector<bool> checks;  // before the change (and before the list's first change)
    std::function<void(CCheckList&)> change;
    int image;
};

std::ostream& operator<<(std::ostream& out, const TrackingCase& c) {
    return out << c.name;
}

class TrackingTest : public CheckListTest, public ::testing::WithParamInterface<TrackingCase> {};

TEST_P(TrackingTest, HeaderImage) {
    const TrackingCase& c = GetParam();
    ShownList shown(c.checks);
    c.change(shown.list);
    EXPECT_EQ(shown.Image(), c.image);
}

const TrackingCase kTrackingCases[] = {
    {"CheckingTheLastUncheckedRow",
     {true, true, false},
     [](CCheckList& l) { l.SetChecked(2, true); },
     kChecked},
    {"UncheckingOneRow",
     {true, true, true},
     [](CCheckList& l) { l.SetChecked(0, false); },
     kUnchecked},
    {"CheckingOneOfTwoUncheckedRows",
     {false, true, false},
     [](CCheckList& l) { l.SetChecked(0, true); },
     kUnchecked},
    {"CheckBoxClickedInTheView",
     {true, false},
     [](CCheckList& l) {
         l.model()->setData(l.model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
     },
     kChecked},
    {"TextChangeIsNoStateChange",
     {true, true},
     [](CCheckList& l) { l.SetCellText(0, 1, "other"); },
     kUnchecked},
    {"EmptiedList", {false, true}, [](CCheckList& l) { l.ClearRows(); }, kChecked},
    {"OnlyUncheckedRowRemoved", {true, false}, [](CCheckList& l) { l.RemoveRow(1); }, kChecked},
    {"UncheckedRowAppended",
     {true},
     [](CCheckList& l) {
         l.AppendRow({"2", "new"});
     },
     kUnchecked},
    {"UncheckedRowInserted",
     {true},
     [](CCheckList& l) {
         l.InsertRowAt(0, {"0", "new"});
     },
     kUnchecked},
};

INSTANTIATE_TEST_SUITE_P(Changes, TrackingTest, ::testing::ValuesIn(kTrackingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckListTest, EnablingShowsTheUncheckedBoxWhateverTheRowsHold) {
    ShownList shown({true, true});
    EXPECT_TRUE(shown.list.IsCheckAllEnabled());
    EXPECT_EQ(shown.Image(), kUnchecked);
    EXPECT_TRUE(shown.list.CheckHeader()->IsImageShown(0));
    EXPECT_FALSE(shown.list.CheckHeader()->IsImageShown(1));
}

TEST_F(CheckListTest, BeforeEnableCheckAllTheHeaderIsPlain) {
    ShownList shown({true, false}, false);
    EXPECT_TRUE(shown.list.CheckHeader()->ShownImage(0).isNull());
    shown.list.SetChecked(1, true);
    ClickHeaderItem(shown.list.header(), 0);
    EXPECT_EQ(shown.Checks(), std::vector<bool>({true, true}));
    EXPECT_EQ(shown.Image(), 0);
}

// ---------------------------------------------------------------------------------------
// Check-all clicks

TEST_F(CheckListTest, ClickChecksAllUnlessAllAreChecked) {
    ShownList shown({true, false, true});
    EXPECT_EQ(shown.Image(), kUnchecked);
    const struct {
        bool checked;
        int image;
    } clicks[] = {{true, kChecked}, {false, kUnchecked}, {true, kChecked}};
    for (const auto& click : clicks) {
        ClickHeaderItem(shown.list.header(), 0);
        EXPECT_EQ(shown.Checks(), std::vector<bool>(3, click.checked));
        EXPECT_EQ(shown.Image(), click.image);
    }
}

TEST_F(CheckListTest, ClickAfterTheRowsAllGotCheckedUnchecksThem) {
    // Three rows, one unchecked; checking it shows the checked box; a click unchecks all.
    ShownList shown({true, true, false});
    shown.list.SetChecked(2, true);
    ASSERT_EQ(shown.Image(), kChecked);
    ClickHeaderItem(shown.list.header(), 0);
    EXPECT_EQ(shown.Checks(), std::vector<bool>(3, false));
    EXPECT_EQ(shown.Image(), kUnchecked);
}

TEST_F(CheckListTest, ClicksOnOtherItemsChangeNothing) {
    ShownList shown({true, false});
    ClickHeaderItem(shown.list.header(), 1);
    EXPECT_EQ(shown.Checks(), std::vector<bool>({true, false}));
    EXPECT_EQ(shown.Image(), kUnchecked);
}

TEST_F(CheckListTest, SecondEnableCheckAllDoesNothing) {
    ShownList shown({true});
    shown.list.SetChecked(0, true);
    shown.list.SetChecked(0, false);
    shown.list.SetChecked(0, true);
    ASSERT_EQ(shown.Image(), kChecked);
    shown.list.EnableCheckAll(QImage());
    EXPECT_EQ(shown.Image(), kChecked);
    // Still the pack's picture, not the style's.
    EXPECT_EQ(shown.list.CheckHeader()->ShownImage(0).toImage().pixel(7, 7), qRgb(0, 128, 0));
}

// ---------------------------------------------------------------------------------------
// The images

TEST_F(CheckListTest, HeaderShowsThePackImageOfItsIndexWithTheMaskTransparent) {
    const QImage strip = PackCheckImages();
    ShownList shown({false});
    for (int image : {kUnchecked, kChecked}) {
        if (shown.Image() != image) {
            ClickHeaderItem(shown.list.header(), 0);
        }
        ASSERT_EQ(shown.Image(), image);
        const QImage shownImage = shown.list.CheckHeader()->ShownImage(0).toImage();
        ASSERT_EQ(shownImage.size(), QSize(16, 16));
        int masked = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb source = strip.pixel(image * 16 + x, y);
                if ((source & 0xFFFFFF) == 0xFF00FF) {
                    ++masked;
                    EXPECT_EQ(qAlpha(shownImage.pixel(x, y)), 0);
                } else {
                    EXPECT_EQ(shownImage.pixel(x, y), source | 0xFF000000u);
                }
            }
        }
        EXPECT_GT(masked, 0);
    }
}

TEST_F(CheckListTest, TheTwoBoxesLookDifferentInTheHeader) {
    ShownList shown({false});
    const QRect item(0, 0, shown.list.header()->sectionSize(0), shown.list.header()->height());
    const QImage unchecked = shown.list.header()->grab(item).toImage();
    ClickHeaderItem(shown.list.header(), 0);
    const QImage checked = shown.list.header()->grab(item).toImage();
    EXPECT_NE(unchecked, checked);
}

TEST_F(CheckListTest, WithoutThePackImagesTheStyleDrawsTheBoxes) {
    CCheckList list(kMessageList);
    list.AppendColumn("No", 40);
    list.EnableCheckAll(QImage());
    const QImage unchecked = list.CheckHeader()->ShownImage(0).toImage();
    list.CheckHeader()->SetImageIndex(0, kChecked);
    const QImage checked = list.CheckHeader()->ShownImage(0).toImage();
    EXPECT_EQ(unchecked.size(), QSize(16, 16));
    EXPECT_NE(unchecked, checked);
}

// ---------------------------------------------------------------------------------------
// Row colours of the message list

TEST_F(CheckListTest, RowColoursRepeatEveryThreeRows) {
    CCheckList list(kMessageList);
    list.AppendColumn("No", 40);
    list.AppendColumn("Text", 60);
    const QColor red(255, 0, 0), black(0, 0, 0), lightBlue(128, 128, 255);
    list.SetRowTextColours({red, black, lightBlue});
    const QColor expected[] = {red, black, lightBlue, red, black};
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 2; ++column) {
            EXPECT_EQ(list.TextColour(row, column), expected[row]) << row << "," << column;
        }
    }
}

}  // namespace
