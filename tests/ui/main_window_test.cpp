// The main window: its layout, scaling, logo, menu states, tab changes, the keyboard
// filter, the toolbar's drop-downs, the command routing and the pages' lists.
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>

#include "ProgramFixture.h"
#include "ui/CActionButton.h"
#include "ui/CCheckHeader.h"
#include "ui/CCheckList.h"
#include "ui/CMessagePage.h"
#include "ui/CPageTabCtrl.h"
#include "ui/CPhonebookPage.h"
#include "ui/CRecordList.h"
#include "ui/CToolBarEx.h"
#include "ui/DialogBuilder.h"
#include "ui/MenuBuilder.h"

namespace {

using support::ProgramFixture;

class MainWindowTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        AddBothPacks();
    }
    bool MenuEnabled(int command) const {
        const QAction* action = ui::FindCommand(Window()->menuBar(), command);
        EXPECT_NE(nullptr, action) << command;
        return action && action->isEnabled();
    }
    bool ToolEnabled(int command) const {
        const QToolButton* button = Window()->ToolBar()->ButtonOf(command);
        EXPECT_NE(nullptr, button) << command;
        return button && button->isEnabled();
    }
    bool ControlEnabled(int id) const {
        return ui::FindControl(Window()->Client(), id)->isEnabled();
    }
};

TEST_F(MainWindowTest, LayoutHasEveryElement) {
    ASSERT_TRUE(Start());
    CTelvaneDlg* window = Window();
    EXPECT_EQ(window, MainWindow());
    EXPECT_EQ(QString("Ver 1.5.080108"), ui::ControlText(window->Client(), 1019));
    EXPECT_FALSE(window->windowIcon().isNull());

    // Toolbar: eleven entries, five of them separators, texts beside the images.
    CToolBarEx* toolbar = window->ToolBar();
    ASSERT_EQ(11, toolbar->EntryCount());
    for (int index : {0, 3, 6, 8, 10}) {
        EXPECT_TRUE(toolbar->IsSeparator(index)) << index;
    }
    const std::pair<int, const char*> texts[] = {{1, "Connect"},        {2, "Disconnect"},
                                                 {4, "Read SIM"},       {5, "Write SIM"},
                                                 {7, "PIN Management"}, {9, "File"}};
    for (const auto& [index, text] : texts) {
        EXPECT_EQ(QString(text), toolbar->ButtonText(index));
        EXPECT_FALSE(toolbar->Button(index)->icon().isNull()) << index;
        EXPECT_EQ(Qt::ToolButtonTextBesideIcon, toolbar->Button(index)->toolButtonStyle());
    }
    EXPECT_EQ(QToolButton::MenuButtonPopup, toolbar->ButtonOf(32796)->popupMode());
    EXPECT_EQ(QToolButton::MenuButtonPopup, toolbar->ButtonOf(32798)->popupMode());

    // Row buttons with their icons; as dialog 1700 defines, only Delete is enabled.
    for (int id = 1701; id <= 1706; ++id) {
        auto* button = qobject_cast<CActionButton*>(ui::FindControl(window->Client(), id));
        ASSERT_NE(nullptr, button) << id;
        EXPECT_FALSE(button->icon().isNull()) << id;
        EXPECT_EQ(id == 1704, button->isEnabled()) << id;
    }
    // Tabs with images, the phonebook page on show.
    CPageTabCtrl* tabs = window->TabControl();
    ASSERT_EQ(2, tabs->TabBar()->count());
    EXPECT_EQ(QString("Phonebook"), tabs->TabText(0));
    EXPECT_EQ(QString("Messages"), tabs->TabText(1));
    EXPECT_FALSE(tabs->TabBar()->tabIcon(0).isNull());
    EXPECT_EQ(0, tabs->ShownPage());
    EXPECT_TRUE(window->PhonebookPage()->isVisibleTo(tabs));
    EXPECT_FALSE(window->MessagePage()->isVisibleTo(tabs));
    const QRect area = tabs->DisplayArea();
    EXPECT_EQ(area, window->PhonebookPage()->geometry());
    EXPECT_EQ(tabs->TabBar()->tabRect(0).bottom() + 1, area.top());
    EXPECT_EQ(tabs->width() - area.left() - 2, area.width());

    // Status panes W/5, 2W/5 and the rest, with their first texts.
    const int width = window->width();
    EXPECT_EQ(width / 5, window->StatusPane(0)->width());
    EXPECT_EQ(2 * width / 5, window->StatusPane(1)->width());
    EXPECT_EQ(QStringList({"Title", "Status", "Progress"}),
              QStringList({window->StatusPaneText(0), window->StatusPaneText(1),
                           window->StatusPaneText(2)}));
    // The menu bar of menu 500 with the toolbar below it and the client below the toolbar.
    EXPECT_EQ(4, window->menuBar()->actions().size());
    EXPECT_GE(window->Client()->y(), toolbar->geometry().bottom());
}

TEST_F(MainWindowTest, WindowScalesWithTheScreen) {
    ASSERT_TRUE(Start(QSize(1024, 768)));
    const QRect designed = Window()->TabControl()->geometry();
    const QSize client = Window()->Client()->minimumSize();
    Stop();
    ASSERT_TRUE(Start(QSize(1280, 1024)));
    const QRect larger = Window()->TabControl()->geometry();
    EXPECT_NEAR(1.25, double(larger.width()) / designed.width(), 0.01);
    EXPECT_NEAR(4.0 / 3.0, double(larger.height()) / designed.height(), 0.01);
    EXPECT_NEAR(1.25, double(Window()->Client()->minimumWidth()) / client.width(), 0.01);
    // On the designed screen the window takes the designed share of it: 682 dialog units
    // of 6/4 pixels.
    Stop();
    ASSERT_TRUE(Start(QSize(1024, 768)));
    EXPECT_NEAR(1023, Window()->Client()->minimumWidth(), 2);
}

TEST_F(MainWindowTest, LogoShowsLogoBmpScaledAndStaysEmptyWithoutIt) {
    ASSERT_TRUE(Start());
    auto* logo = qobject_cast<QLabel*>(ui::FindControl(Window()->Client(), 1045));
    ASSERT_NE(nullptr, logo);
    EXPECT_TRUE(logo->pixmap().isNull());
    Stop();

    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(Dir() + "logo.bmp"), "BMP"));
    ASSERT_TRUE(Start());
    logo = qobject_cast<QLabel*>(ui::FindControl(Window()->Client(), 1045));
    ASSERT_FALSE(logo->pixmap().isNull());
    EXPECT_EQ(logo->contentsRect().size(), logo->pixmap().size());
}

TEST_F(MainWindowTest, MenuStateFollowsTheConnection) {
    ASSERT_TRUE(Start());
    for (bool connected : {true, false}) {
        Window()->UpdateMenuState(connected);
        EXPECT_EQ(!connected, MenuEnabled(5000));
        for (int command : {5001, 5002, 5004, 5005, 5100, 5101}) {
            EXPECT_EQ(connected, MenuEnabled(command)) << command;
        }
        EXPECT_FALSE(MenuEnabled(5003));
        EXPECT_EQ(!connected, ToolEnabled(5000));
        for (int command : {5001, 5002, 32796, 32798}) {
            EXPECT_EQ(connected, ToolEnabled(command)) << command;
        }
        EXPECT_FALSE(ToolEnabled(5003));
    }
}

TEST_F(MainWindowTest, TabChangeFollowsTheLoadedFlagsAndClearsCheckMarks) {
    ASSERT_TRUE(Start());
    CTelvaneDlg* window = Window();
    CRecordList* editing = window->PhonebookPage()->EditingList();
    CCheckList* messages = window->MessagePage()->List();
    editing->AppendRow({"1", "Ann", "123"});
    editing->SetChecked(0, true);
    messages->AppendRow({"1", "Read", "+8613800100500", "", "Hi"});
    messages->SetChecked(0, true);
    ui::EnableControl(window->Client(), 1702, true);

    const struct {
        int tab;
        bool phonebookLoaded;
        bool messagesLoaded;
        bool expected;
    } cases[] = {{1, false, true, true},
                 {0, false, true, false},
                 {1, true, false, false},
                 {0, true, false, true}};
    for (const auto& c : cases) {
        window->phonebookLoaded = c.phonebookLoaded;
        window->messagesLoaded = c.messagesLoaded;
        window->TabControl()->SetCurrentTab(c.tab);
        EXPECT_EQ(c.tab, window->TabControl()->ShownPage());
        for (int command : {5003, 5100, 5101}) {
            EXPECT_EQ(c.expected, MenuEnabled(command)) << "tab " << c.tab << " " << command;
        }
        EXPECT_EQ(c.expected, ToolEnabled(5003)) << "tab " << c.tab;
        EXPECT_EQ(c.expected, ControlEnabled(1701)) << "tab " << c.tab;
        if (c.tab == 1) {
            EXPECT_FALSE(ControlEnabled(1702));
        }
    }
    EXPECT_FALSE(editing->IsChecked(0));
    EXPECT_FALSE(messages->IsChecked(0));
    // Insert on the message tab does nothing.
    window->OnCommand(1702);
}

TEST_F(MainWindowTest, TabChosenWithTheKeyboardShowsItsPage) {
    ASSERT_TRUE(Start());
    CTelvaneDlg* window = Window();
    window->messagesLoaded = true;
    QTabBar* bar = window->TabControl()->TabBar();
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(1, bar->currentIndex());
    EXPECT_TRUE(ControlEnabled(1701));  // the selection change ran
    EXPECT_TRUE(window->MessagePage()->isVisibleTo(window->TabControl()));
    EXPECT_FALSE(window->PhonebookPage()->isVisibleTo(window->TabControl()));
}

TEST_F(MainWindowTest, EnterAndEscapePressNoButtonAndCloseNothing) {
    ASSERT_TRUE(Start());
    CTelvaneDlg* window = Window();
    auto* remove = qobject_cast<QPushButton*>(ui::FindControl(window->Client(), 1704));
    QSignalSpy clicked(remove, &QPushButton::clicked);
    QSignalSpy closed(window, &CTelvaneDlg::closed);
    remove->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(remove, key);
    }
    EXPECT_EQ(0, clicked.count());
    EXPECT_EQ(0, closed.count());
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(remove, Qt::Key_Space);  // the button itself still works
    EXPECT_EQ(1, clicked.count());
}

TEST_F(MainWindowTest, DropDownFaceDoesNothingAndItsArrowOpensThePacksMenu) {
    ASSERT_TRUE(Start());
    CToolBarEx* toolbar = Window()->ToolBar();
    Window()->UpdateMenuState(true);
    QSignalSpy sent(toolbar, &CToolBarEx::commandSent);
    auto* pin = qobject_cast<CDropDownButton*>(toolbar->ButtonOf(32796));
    ASSERT_NE(nullptr, pin);
    QTest::mouseClick(pin, Qt::LeftButton, Qt::NoModifier, QPoint(4, pin->height() / 2));
    EXPECT_EQ(0, sent.count());
    EXPECT_TRUE(prompts.popups.empty());

    prompts.popupAnswers.push_back(5005);
    QTest::mouseClick(pin, Qt::LeftButton, Qt::NoModifier, pin->ArrowRect().center());
    ASSERT_EQ(1u, prompts.popups.size());
    EXPECT_EQ(std::vector<int>({5004, 0, 5005}), prompts.popups[0].commands);
    EXPECT_EQ(pin->mapToGlobal(QPoint(0, pin->height())), prompts.popups[0].at);
    ASSERT_EQ(1, sent.count());
    EXPECT_EQ(5005, sent.at(0).at(0).toInt());

    toolbar->OnDropDown(32798);  // the file button, nothing chosen
    ASSERT_EQ(2u, prompts.popups.size());
    EXPECT_EQ(std::vector<int>({5100, 0, 5101}), prompts.popups[1].commands);
    EXPECT_EQ(1, sent.count());
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
    ASSERT_TRUE(Start());
    QSignalSpy closed(Window(), &CTelvaneDlg::closed);
    Window()->OnCommand(5006);
    EXPECT_EQ(1, closed.count());
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_FALSE(Window()->PumpPendingMessages());
}

TEST_F(MainWindowTest, PagesListsHaveTheirColumnsColoursAndCheckAll) {
    ASSERT_TRUE(Start());
    CPhonebookPage* phonebook = Window()->PhonebookPage();
    CRecordList* editing = phonebook->EditingList();
    CRecordList* sim = phonebook->SimList();
    ASSERT_EQ(3, editing->ColumnCount());
    ASSERT_EQ(3, sim->ColumnCount());
    // The design's column text keeps its "; " separators: the later headings start with a
    // blank until a language switch writes them afresh.
    EXPECT_EQ(QString(" Name"), editing->headerItem()->text(1));
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(editing->columnWidth(column), sim->columnWidth(column));
    }
    EXPECT_EQ(QColor(255, 0, 0), editing->TextColour(0, 0));
    EXPECT_EQ(QColor(0, 0, 0), editing->TextColour(0, 1));
    EXPECT_EQ(QColor(0, 0, 255), sim->TextColour(5, 2));
    EXPECT_EQ(QString("No.,22; Name,33; Phone Number,44"),
              CPhonebookPage::ColumnText("No.", "Name", "Phone Number", 100));

    CCheckList* messages = Window()->MessagePage()->List();
    ASSERT_EQ(5, messages->columnCount());
    EXPECT_EQ(QList<int>({20, 15, 30, 45, 165}), CMessagePage::ColumnWidths(270));
    EXPECT_TRUE(messages->IsCheckAllEnabled());
    EXPECT_FALSE(messages->CheckHeader()->ShownImage(0).isNull());
    EXPECT_EQ(QAbstractItemView::SingleSelection, messages->selectionMode());
    EXPECT_EQ(QColor(128, 128, 255), messages->TextColour(5, 3));
    EXPECT_EQ(QColor(255, 0, 0), messages->TextColour(6, 0));
    // The arrow buttons show their icons and no text.
    for (int id : {1710, 1713}) {
        auto* button = qobject_cast<QPushButton*>(ui::FindControl(phonebook, id));
        ASSERT_NE(nullptr, button);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_TRUE(button->text().isEmpty());
    }
}

TEST(ActionButtonTest, HoverRaisesEveryChannelByTheSameAmountUpTo30) {
    const struct {
        QColor resting;
        QColor hovered;
    } cases[] = {{QColor(192, 192, 192), QColor(222, 222, 222)},
                 {QColor(240, 100, 0), QColor(255, 115, 15)},
                 {QColor(255, 0, 0), QColor(255, 0, 0)},
                 {QColor(0, 0, 0), QColor(30, 30, 30)}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.hovered, CActionButton::HoverShade(c.resting))
            << c.resting.name().toStdString();
    }
}

}  // namespace
