// The Language menu and switching the language at run time: what is re-labelled, the
// status panes replayed, the menu mark, the fallback and a pack that fails to load.
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTreeWidget>
#include <cstdio>

#include "ProgramFixture.h"
#include "app/LanguageSelection.h"
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

class LanguageSwitchTest : public ProgramFixture {
protected:
    QMenu* LanguageMenu() const {
        return Window()->menuBar()->actions().at(2)->menu()->actions().at(0)->menu();
    }
    // The language items as shown: texts, separators as "-".
    QStringList LanguageItems() const {
        QStringList items;
        for (const QAction* action : LanguageMenu()->actions()) {
            items << (action->isSeparator() ? QString("-") : action->text());
        }
        return items;
    }
    int Marked() const {
        return ui::CheckedRadioCommand(LanguageMenu(), 5200, Window()->LastLanguageCommand());
    }
    // The command of the language item named name.
    int CommandNamed(const QString& name) const {
        for (const QAction* action : LanguageMenu()->actions()) {
            if (action->text() == name) {
                return ui::CommandOf(action);
            }
        }
        return 0;
    }
    QStringList Headings(const QTreeWidget* list) const {
        QStringList texts;
        for (int column = 0; column < list->columnCount(); ++column) {
            texts << list->headerItem()->text(column);
        }
        return texts;
    }
};

TEST_F(LanguageSwitchTest, MenuListsEveryPackAndMarksTheStoredOne) {
    AddPack("Envalo.so", "Envalo.so");
    AddPack("Zhvalo.so", "Zhvalo.so");
    ASSERT_TRUE(Start());
    QStringList items = LanguageItems();
    ASSERT_EQ(4, items.size());
    EXPECT_EQ(QString("&Default"), items[0]);
    EXPECT_EQ(QString("-"), items[1]);
    items.removeFirst();
    items.removeFirst();
    items.sort();
    EXPECT_EQ(QStringList({"Chinese Simplified", "English"}), items);
    EXPECT_EQ(5202, Window()->LastLanguageCommand());
    EXPECT_EQ(CommandNamed("English"), Marked());
}

TEST_F(LanguageSwitchTest, SwitchRelabelsEverythingAndReplaysTheStatusPanes) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Customization]\nAppName=Telvane\n");
    ASSERT_TRUE(Start());
    CTelvaneDlg* window = Window();
    app::StatusLineRecord& record = window->StatusRecord();
    record.deviceText = 8028;
    record.deviceNumber8 = 0x0B;
    record.deviceNumber16 = 0x7731;
    record.cardText = 8029;
    record.iccid = "89860012345678901234";
    record.recordsText = 8025;
    record.recordsFirst = 3;
    record.recordsSecond = 1;
    window->setWindowTitle("before");

    window->OnCommand(CommandNamed("Chinese Simplified"));

    EXPECT_EQ(2052, window->LanguageId());
    EXPECT_EQ("Chinese Simplified", Stored("Configuration\\Language", "Name"));
    EXPECT_EQ("2052", Stored("Configuration\\Language", "ID"));
    // The stored title replaces string 8021.
    EXPECT_EQ(QString("Telvane"), window->windowTitle());
    // A fresh menu in the new language, its Language submenu built again and marked.
    EXPECT_EQ(QString::fromUtf8("SIM卡"), window->menuBar()->actions().at(0)->text());
    EXPECT_EQ(CommandNamed("Chinese Simplified"), Marked());
    // Controls take string id + 6356.
    QWidget* client = window->Client();
    EXPECT_EQ(QString::fromUtf8("拓展"), ui::ControlText(client, 1701));
    EXPECT_EQ(QString::fromUtf8("向下"), ui::ControlText(client, 1706));
    EXPECT_EQ(QString::fromUtf8("由SIM卡中读取的电话簿"),
              ui::ControlText(window->PhonebookPage(), 1708));
    EXPECT_EQ(QString::fromUtf8("电话簿编辑窗口"), ui::ControlText(window->PhonebookPage(), 1711));
    EXPECT_EQ(QString(), ui::ControlText(window->PhonebookPage(), 1710));
    // Toolbar, tabs and headings.
    CToolBarEx* toolbar = window->ToolBar();
    EXPECT_EQ(QString::fromUtf8("连接"), toolbar->ButtonText(1));
    EXPECT_EQ(QString::fromUtf8("文件"), toolbar->ButtonText(9));
    EXPECT_EQ(QString::fromUtf8("短信息"), window->TabControl()->TabText(1));
    EXPECT_FALSE(window->TabControl()->TabBar()->tabIcon(1).isNull());
    const QStringList phonebook{QString::fromUtf8("序号"), QString::fromUtf8("姓名"),
                                QString::fromUtf8("电话号码")};
    EXPECT_EQ(phonebook, Headings(window->PhonebookPage()->EditingList()));
    EXPECT_EQ(phonebook, Headings(window->PhonebookPage()->SimList()));
    EXPECT_EQ(QString::fromUtf8("内容"), Headings(window->MessagePage()->List()).value(4));
    // The panes from the record, in Chinese.
    EXPECT_EQ(QString::fromUtf8("找到支持的设备: b - 7731"), window->StatusPaneText(0));
    EXPECT_EQ(QString::fromUtf8("成功连接SIM卡. ICCID 为 89860012345678901234"),
              window->StatusPaneText(1));
    EXPECT_EQ(QString::fromUtf8("总计交换 3 条记录, 其中有 1 条重复."), window->StatusPaneText(2));

    // And back to English, chosen in the menu: the menu that runs the choice is replaced
    // by it.
    ui::FindCommand(LanguageMenu(), CommandNamed("English"))->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QString("Supported device found: b - 7731"), window->StatusPaneText(0));
    EXPECT_EQ(QString("Add"), ui::ControlText(client, 1701));
    EXPECT_EQ(1033, window->LanguageId());
}

TEST_F(LanguageSwitchTest, PanesWithoutARecordedTextBecomeEmptyAndOthersShowUnformatted) {
    AddBothPacks();
    ASSERT_TRUE(Start());
    app::StatusLineRecord& record = Window()->StatusRecord();
    record.deviceText = 8026;  // no conversions
    record.cardText = 8030;
    Window()->OnCommand(CommandNamed("Chinese Simplified"));
    EXPECT_EQ(QString::fromUtf8("在你的系统上没有指定的 RX5209 设备!"),
              Window()->StatusPaneText(0));
    EXPECT_EQ(QString::fromUtf8("连接 SIM 卡失败. 卡槽中没有卡?"), Window()->StatusPaneText(1));
    EXPECT_EQ(QString(), Window()->StatusPaneText(2));
    EXPECT_EQ(QString(), Window()->windowTitle());  // the stored title, empty
}

TEST_F(LanguageSwitchTest, ChoosingTheMarkedItemDoesNothing) {
    AddBothPacks();
    ASSERT_TRUE(Start());
    Window()->setWindowTitle("unchanged");
    // Chosen in the menu, as a user does: the click toggles the item's check first.
    ui::FindCommand(LanguageMenu(), CommandNamed("English"))->trigger();
    EXPECT_EQ(QString("unchanged"), Window()->windowTitle());
    EXPECT_EQ(CommandNamed("English"), Marked());
    EXPECT_EQ(CommandNamed("English"), Window()->MarkedLanguageCommand());
}

TEST_F(LanguageSwitchTest, DefaultWithAnEmptyIniNameReloadsTheCurrentPack) {
    AddBothPacks();
    WriteFile("telvane.config.xml",
              "<Settings><Configuration><Language Name=\"Chinese Simplified\" ID=\"2052\"/>"
              "</Configuration></Settings>");
    ASSERT_TRUE(Start());
    ui::SetControlText(Window()->Client(), 1701, "scribbled");
    Window()->ToolBar()->SetButtonText(1, "scribbled");
    Window()->OnCommand(5200);
    EXPECT_EQ("Chinese Simplified", app::CurrentLanguagePack()->Name());
    EXPECT_EQ(QString::fromUtf8("拓展"), ui::ControlText(Window()->Client(), 1701));
    EXPECT_EQ(QString::fromUtf8("连接"), Window()->ToolBar()->ButtonText(1));
    // The rebuilt menu marks the pack's own item, never "默认".
    EXPECT_EQ(CommandNamed("Chinese Simplified"), Marked());
}

TEST_F(LanguageSwitchTest, DefaultNamingNoPackFallsBackOnEnglishWithId1033) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Language]\nName=Chinese Simplified\nLangID=2052\n");
    ASSERT_TRUE(Start());
    WriteFile("telvane.cfg", "[Language]\nName=Klingon\nLangID=2052\n");
    Window()->OnCommand(5200);
    EXPECT_EQ("English", app::CurrentLanguagePack()->Name());
    EXPECT_EQ(1033, Window()->LanguageId());
    EXPECT_EQ("1033", Stored("Configuration\\Language", "ID"));
    Window()->OnCommand(5300);
    ASSERT_EQ(1u, prompts.openedUrls.size());
    EXPECT_TRUE(prompts.openedUrls[0].toLocalFile().endsWith("Help/Telvane_En.html"));
}

TEST_F(LanguageSwitchTest, FailedSwitchKeepsTheLoadedPackAndItsMark) {
    AddPack("Zhvalo.so", "Zhvalo.so");
    AddPack("Envalo.so", "Envalo.so");
    WriteFile("telvane.cfg", "[Language]\nName=Chinese Simplified\n");
    ASSERT_TRUE(Start());
    const int chinese = CommandNamed("Chinese Simplified");
    // The fallback pack disappears; "Default" then names a pack that is not there.
    ASSERT_EQ(0, std::remove((LangDir() + "Envalo.so").c_str()));
    WriteFile("telvane.cfg", "[Language]\nName=Klingon\n");
    Window()->setWindowTitle("unchanged");
    Window()->OnCommand(5200);
    ASSERT_EQ(1u, prompts.boxes.size());
    EXPECT_EQ(QString::fromStdString("Can not load " + LangDir() +
                                     "Envalo.so. Please reinstall your software"),
              prompts.boxes[0].text);
    EXPECT_TRUE(prompts.boxes[0].hadOwner);
    EXPECT_EQ("Chinese Simplified", app::CurrentLanguagePack()->Name());
    EXPECT_EQ(QString::fromUtf8("电话簿"), Window()->TabControl()->TabText(0));
    EXPECT_EQ(QString("unchanged"), Window()->windowTitle());
    EXPECT_EQ(chinese, Marked());
    EXPECT_EQ("Chinese Simplified", Stored("Configuration\\Language", "Name"));
}

TEST_F(LanguageSwitchTest, AtMost49PacksAreListedAndTheMarkGoesToTheLastOfEqualNames) {
    // 55 copies of the English pack: all named "English".
    for (int copy = 0; copy < 55; ++copy) {
        char name[32];
        std::snprintf(name, sizeof name, "English%02d.so", copy);
        AddPack("Envalo.so", name);
    }
    WriteFile("telvane.cfg", "[Language]\nName=English\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(5249, Window()->LastLanguageCommand());
    EXPECT_EQ(2 + 49, LanguageMenu()->actions().size());
    EXPECT_EQ(5249, Marked());
}

}  // namespace
