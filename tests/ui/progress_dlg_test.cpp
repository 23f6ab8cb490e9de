// CProgressDlg: the caption's percentages, the owner disabled while modal and enabled
// again at the end, Cancel as command 10 (also while a transfer pumps events), the layout
// measured with the message font, and a window that is gone after EndModal.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <optional>
#include <string>
#include <vector>

#include "UiTest.h"
#include "ui/CProgressDlg.h"
#include "ui/CShadeProgressCtrl.h"

namespace {

class ProgressDlgTest : public support::UiTest {
protected:
    void SetUp() override {
        owner_.emplace();
        owner_->resize(600, 400);
        owner_->show();
    }
    void TearDown() override {
        owner_.reset();
        support::UiTest::TearDown();
    }
    QWidget& Owner() { return *owner_; }

private:
    std::optional<QWidget> owner_;
};

// ---------------------------------------------------------------------------------------
// Caption

struct CaptionCase {
    const char* name;
    int upper;
    int steps;
    QStringList captions;  // every caption shown after the title, in order
};

std::ostream& operator<<(std::ostream& out, const CaptionCase& c) {
    return out << c.name;
}

class CaptionTest : public ProgressDlgTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(CaptionTest, ChangesOnlyWithTheWholePercentage) {
    const CaptionCase& c = GetParam();
    CProgressDlg progress(&Owner(), "Progress", true);
    progress.BeginModal();
    progress.SetBounds(0, c.upper, 1);
    QSignalSpy captions(&progress, &QWidget::windowTitleChanged);
    for (int i = 0; i < c.steps; ++i) {
        progress.Advance();
        QApplication::processEvents();
    }
    QStringList shown;
    for (const QList<QVariant>& signal : captions) {
        shown << signal.at(0).toString();
    }
    EXPECT_EQ(shown, c.captions);
    EXPECT_EQ(progress.windowTitle(), c.captions.isEmpty() ? "Progress" : c.captions.last());
    EXPECT_EQ(progress.Position(), c.steps);
    EXPECT_EQ(progress.Bar()->Pos(), c.steps);
}

const CaptionCase kCaptionCases[] = {
    {"ZeroToThree", 3, 3, {"Progress [33%]", "Progress [66%]", "Progress [100%]"}},
    {"ZeroToSevenShowsEachPercentOnce",
     7,
     7,
     {"Progress [14%]", "Progress [28%]", "Progress [42%]", "Progress [57%]", "Progress [71%]",
      "Progress [85%]", "Progress [100%]"}},
    {"ZeroToThreeHundredStaysAtTheTitleForTwoSteps", 300, 3, {"Progress [1%]"}},
    {"TwoPositionsOfOnePercentChangeItOnce", 200, 4, {"Progress [1%]", "Progress [2%]"}},
    {"NoRecordsKeepTheTitle", 0, 0, {}},
    {"EmptyRangeKeepsTheTitleWhateverThePosition", 0, 2, {}},
};

INSTANTIATE_TEST_SUITE_P(Ranges, CaptionTest, ::testing::ValuesIn(kCaptionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgressDlgTest, CaptionStartsAsTheTitleWithoutCloseButton) {
    CProgressDlg progress(&Owner(), QString::fromUtf8("当前进度"), true);
    EXPECT_EQ(progress.windowTitle(), QString::fromUtf8("当前进度"));
    EXPECT_TRUE(progress.isVisible());
    EXPECT_FALSE(progress.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(progress.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(progress.Bar()->IsSmooth());
}

TEST_F(ProgressDlgTest, TextIsShownAsGivenAndCutAt511Characters) {
    CProgressDlg progress(&Owner(), "Progress", false);
    auto* text = progress.findChild<QLabel*>("progressText");
    ASSERT_NE(text, nullptr);
    progress.ShowText("50% done\n\nplease wait");
    EXPECT_EQ(text->text(), "50% done\n\nplease wait");
    progress.ShowText(QString(600, u'x'));
    EXPECT_EQ(text->text(), QString(511, u'x'));
}

// ---------------------------------------------------------------------------------------
// Modal

TEST_F(ProgressDlgTest, OwnerIsDisabledWhileModalAndEnabledAtTheEnd) {
    CProgressDlg progress(&Owner(), "Progress", true);
    EXPECT_TRUE(Owner().isEnabled());
    ASSERT_TRUE(progress.BeginModal());
    EXPECT_FALSE(Owner().isEnabled());
    EXPECT_TRUE(progress.isEnabled());
    EXPECT_TRUE(progress.CancelButton()->isEnabled());
    EXPECT_EQ(progress.DisabledOwner(), &Owner());
    EXPECT_FALSE(progress.BeginModal());  // once only
    progress.EndModal();
    EXPECT_TRUE(Owner().isEnabled());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_FALSE(progress.IsModal());
}

TEST_F(ProgressDlgTest, DestructionEndsTheModalState) {
    {
        CProgressDlg progress(&Owner(), "Progress", true);
        progress.BeginModal();
        EXPECT_FALSE(Owner().isEnabled());
    }
    EXPECT_TRUE(Owner().isEnabled());
}

TEST_F(ProgressDlgTest, OwnerInsideAWindowDisablesTheWindow) {
    auto* page = new QWidget(&Owner());
    CProgressDlg progress(page, "Progress", true);
    progress.BeginModal();
    EXPECT_FALSE(Owner().isEnabled());
    EXPECT_TRUE(progress.isEnabled());
    progress.EndModal();
    EXPECT_TRUE(Owner().isEnabled());
    EXPECT_TRUE(page->isEnabled());
}

TEST_F(ProgressDlgTest, OwnerDisabledByOthersStaysDisabled) {
    Owner().setEnabled(false);
    CProgressDlg progress(&Owner(), "Progress", true);
    progress.BeginModal();
    EXPECT_TRUE(progress.isEnabled());
    progress.EndModal();
    EXPECT_FALSE(Owner().isEnabled());
}

TEST_F(ProgressDlgTest, AfterTheEndUpdatesDoNothing) {
    CProgressDlg progress(&Owner(), "Progress", true);
    progress.BeginModal();
    progress.SetBounds(0, 4, 1);
    progress.Advance();
    progress.EndModal();
    EXPECT_FALSE(progress.IsCreated());
    progress.Advance();
    progress.SetPosition(3);
    progress.SetBounds(0, 10, 2);
    EXPECT_EQ(progress.windowTitle(), "Progress [25%]");
    EXPECT_EQ(progress.Position(), 1);
    EXPECT_EQ(progress.Upper(), 4);
    EXPECT_FALSE(progress.BeginModal());
    EXPECT_TRUE(Owner().isEnabled());
}

// ---------------------------------------------------------------------------------------
// Cancel

TEST_F(ProgressDlgTest, CancelButtonSendsCommandTen) {
    CProgressDlg progress(&Owner(), "Progress", true);
    progress.BeginModal();
    QSignalSpy commands(&progress, &CProgressDlg::commandSent);
    auto* cancel = progress.findChild<QPushButton*>("progressCancel");
    ASSERT_NE(cancel, nullptr);
    EXPECT_FALSE(progress.IsCancelled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 10);
    EXPECT_TRUE(progress.IsCancelled());
}

TEST_F(ProgressDlgTest, OtherCommandsAreSentOnWithoutCancelling) {
    CProgressDlg progress(&Owner(), "Progress", true);
    QSignalSpy commands(&progress, &CProgressDlg::commandSent);
    progress.OnCommand(11);
    EXPECT_FALSE(progress.IsCancelled());
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 11);
}

TEST_F(ProgressDlgTest, ClosingTheWindowCancelsAndLeavesItUp) {
    CProgressDlg progress(&Owner(), "Progress", true);
    progress.BeginModal();
    EXPECT_FALSE(progress.close());
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_TRUE(progress.isVisible());
    EXPECT_FALSE(Owner().isEnabled());
}

TEST_F(ProgressDlgTest, ClickDuringATransferStopsItAfterThatRecord) {
    // A transfer loop as the card transfers run it: advance, process pending events, test
    // the flag, do the record's work. The click arrives as an event while record 2 runs.
    CProgressDlg progress(&Owner(), "Progress", true);
    progress.BeginModal();
    const int records = 10;
    progress.SetBounds(0, records, 1);
    std::vector<int> done;
    for (int record = 0; record < records; ++record) {
        progress.Advance();
        QApplication::processEvents();
        if (progress.IsCancelled()) {
            break;
        }
        done.push_back(record);
        if (record == 2) {
            QMetaObject::invokeMethod(progress.CancelButton(), "click", Qt::QueuedConnection);
        }
    }
    EXPECT_EQ(done, std::vector<int>({0, 1, 2}));
    EXPECT_EQ(progress.windowTitle(), "Progress [40%]");
    progress.EndModal();
    EXPECT_TRUE(Owner().isEnabled());
}

// ---------------------------------------------------------------------------------------
// Layout

class LayoutTest : public ProgressDlgTest, public ::testing::WithParamInterface<int> {
protected:
    void TearDown() override {
        QApplication::setFont(saved_, "QMessageBox");
        ProgressDlgTest::TearDown();
    }
    QFont saved_ = QApplication::font("QMessageBox");
};

TEST_P(LayoutTest, MeasuredWithTheMessageFont) {
    QFont font = saved_;
    if (GetParam() > 0) {
        font.setPixelSize(GetParam());
    }
    QApplication::setFont(font, "QMessageBox");
    const QFontMetrics metrics(font);
    const int lineBlock =
        metrics.boundingRect(QRect(0, 0, 390, 0), Qt::AlignLeft, "M\nM\nM\nM").height();
    const int cancelHeight = metrics.boundingRect(QRect(), 0, " Cancel ").height();

    CProgressDlg progress(&Owner(), "Progress", true);
    const QRect text = progress.findChild<QLabel*>("progressText")->geometry();
    const QRect bar = progress.findChild<CShadeProgressCtrl*>("progressBar")->geometry();
    const QRect cancel = progress.findChild<QPushButton*>("progressCancel")->geometry();
    EXPECT_EQ(text, QRect(10, 10, 390, lineBlock));
    EXPECT_EQ(bar, QRect(10, text.bottom() + 1 + 10, 390, cancelHeight + 6));
    EXPECT_EQ(cancel.top(), bar.bottom() + 1 + 10);
    EXPECT_EQ(cancel.right(), bar.right());
    EXPECT_EQ(progress.size(), QSize(410, cancel.bottom() + 1 + 10));
    EXPECT_GT(lineBlock, 4 * metrics.height() - 4);
}

INSTANTIATE_TEST_SUITE_P(Fonts, LayoutTest, ::testing::Values(0, 24), [](const auto& info) {
    return info.param == 0 ? std::string("DesktopFont") : "Pixels" + std::to_string(info.param);
});

TEST_F(ProgressDlgTest, CentredOverItsOwner) {
    Owner().move(100, 50);
    CProgressDlg progress(&Owner(), "Progress", true);
    const QPoint offset = progress.frameGeometry().center() - Owner().frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

}  // namespace
