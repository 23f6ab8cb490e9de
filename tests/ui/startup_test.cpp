// Start-up: the configured language and its pack, the run record, the error box of a pack
// that cannot be loaded, and the second copy.
#include <QLabel>

#include "ProgramFixture.h"
#include "app/LanguageSelection.h"
#include "app/SingleInstanceLock.h"
#include "ui/CAboutDlg.h"
#include "ui/CPageTabCtrl.h"
#include "ui/DialogBuilder.h"
#include "ui/PackUi.h"

namespace {

using support::ProgramFixture;

class StartupTest : public ProgramFixture {};

TEST_F(StartupTest, FirstRunWithNeitherFileFallsBackOnEnglishAndWritesTheRunRecord) {
    AddBothPacks();
    ASSERT_TRUE(Start());
    EXPECT_EQ("English", Stored("Configuration\\Language", "Name"));
    EXPECT_EQ("1033", Stored("Configuration\\Language", "ID"));
    EXPECT_EQ("1", Stored("Configuration\\RunTime", "AlreadyRun"));
    EXPECT_EQ("1.0.04282007", Stored("Info", "Version"));
    EXPECT_EQ("Ivo Darran", Stored("Info", "Author"));
    EXPECT_EQ("", Stored("Info", "Title"));
    EXPECT_EQ("", Stored("Info", "Company"));
    const std::string first = Stored("Info\\RunTime", "FirstRunTime");
    EXPECT_EQ(first, Stored("Info\\RunTime", "LastRunTime"));
    EXPECT_EQ(19u, first.size()) << first;  // 2026,12,11,18:24:57
    EXPECT_EQ(QString(), Window()->windowTitle());
    EXPECT_EQ(1033, Window()->LanguageId());
    EXPECT_EQ("English", app::CurrentLanguagePack()->Name());
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(StartupTest, TitleFromTheIniIsStoredAndShownAtTheFirstStartOnly) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Customization]\nAppName=My Editor\nCompanyName=Acme\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(QString("My Editor"), Window()->windowTitle());
    EXPECT_EQ("My Editor", Stored("Info", "Title"));
    EXPECT_EQ("Acme", Stored("Info", "Company"));
    Stop();

    ASSERT_TRUE(Start());
    // The stored title stands: the window keeps dialog 1700's caption.
    EXPECT_EQ(QString::fromStdString(app::PackDialog(1700)->caption), Window()->windowTitle());
    EXPECT_EQ("2", Stored("Configuration\\RunTime", "AlreadyRun"));
}

TEST_F(StartupTest, ConfiguredPackIsFoundByName) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Language]\nName=Chinese Simplified\nLangID=1033\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ("Chinese Simplified", Stored("Configuration\\Language", "Name"));
    EXPECT_EQ("2052", Stored("Configuration\\Language", "ID"));
    EXPECT_EQ(2052, Window()->LanguageId());
    EXPECT_EQ(QString::fromUtf8("电话簿"), Window()->TabControl()->TabText(0));
}

TEST_F(StartupTest, StoredNameWinsOverTheIniAndAMissingIdIsReplacedByThePacks) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Language]\nName=English\nLangID=1033\n");
    WriteFile("telvane.config.xml",
              "<Settings><Configuration><Language Name=\"Chinese Simplified\"/>"
              "</Configuration></Settings>");
    app::OpenSettings();
    const app::ConfiguredLanguage configured =
        app::ReadConfiguredLanguage(app::Settings(), app::ConfigurationProfile());
    EXPECT_EQ("Chinese Simplified", configured.name);
    EXPECT_EQ(0, configured.id);
    ASSERT_TRUE(Start());
    EXPECT_EQ("2052", Stored("Configuration\\Language", "ID"));
}

TEST_F(StartupTest, FallbackAtStartKeepsTheConfiguredIdForTheHelpFile) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Language]\nName=Klingon\nLangID=2052\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ("English", app::CurrentLanguagePack()->Name());
    EXPECT_EQ("English", Stored("Configuration\\Language", "Name"));
    EXPECT_EQ("2052", Stored("Configuration\\Language", "ID"));
    Window()->OnCommand(5300);
    ASSERT_EQ(1u, prompts.openedUrls.size());
    EXPECT_EQ(QString::fromStdString(Dir() + "Help/Telvane_cn.html"),
              prompts.openedUrls[0].toLocalFile());
}

TEST_F(StartupTest, PackThatCannotBeLoadedEndsStartUpWithTheErrorBox) {
    AddPack("Zhvalo.so", "Zhvalo.so");  // no Envalo.so to fall back on
    WriteFile("telvane.cfg", "[Language]\nName=Klingon\n");
    EXPECT_FALSE(Start());
    EXPECT_EQ(nullptr, Window());
    ASSERT_EQ(1u, prompts.boxes.size());
    EXPECT_EQ(QString::fromStdString("Can not load " + LangDir() +
                                     "Envalo.so. Please reinstall your software"),
              prompts.boxes[0].text);
    EXPECT_EQ(QString("Harmund Telvane Tool - Error configuration"), prompts.boxes[0].caption);
    EXPECT_EQ(unsigned{ui::kOk | ui::kIconExclamation}, prompts.boxes[0].flags);
    EXPECT_FALSE(prompts.boxes[0].hadOwner);
    // Nothing was written for a pack that never loaded.
    EXPECT_EQ("<none>", Stored("Configuration\\Language", "Name"));
}

TEST_F(StartupTest, SecondCopyShowsString8001InItsLanguageAndEnds) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Language]\nName=Chinese Simplified\n");
    app::CSingleInstanceLock firstCopy(LockName());
    ASSERT_TRUE(firstCopy.Acquire());
    EXPECT_FALSE(Start());
    EXPECT_EQ(nullptr, Window());
    ASSERT_EQ(1u, prompts.boxes.size());
    EXPECT_EQ(QString::fromUtf8("HarmundSIM编辑工具已经运行!!"), prompts.boxes[0].text);
    EXPECT_EQ(unsigned{ui::kOk | ui::kIconInformation}, prompts.boxes[0].flags);
    // The second copy still loaded its pack and wrote its name first.
    EXPECT_EQ("Chinese Simplified", Stored("Configuration\\Language", "Name"));
    EXPECT_TRUE(firstCopy.IsHeld());

    // The first copy gone, a new start runs.
    firstCopy.Release();
    EXPECT_TRUE(Start());
}

TEST_F(StartupTest, AboutBoxShowsTheApplicationNameAndVersion) {
    AddBothPacks();
    WriteFile("telvane.cfg", "[Customization]\nAppName=Telvane\n");
    ASSERT_TRUE(Start());
    QString line;
    prompts.onDialog = [&](QDialog& dialog) {
        line = ui::ControlText(&dialog, 1019);
        return int{QDialog::Accepted};
    };
    Window()->OnCommand(5301);
    ASSERT_EQ(1u, prompts.dialogs.size());
    EXPECT_EQ(QString("CAboutDlg"), prompts.dialogs[0]);
    EXPECT_EQ(QString("Telvane\nVersion 1.5.0109.2008"), line);
}

}  // namespace
