// The run record, the configured language, the help file table and the single-instance
// lock.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "app/Configuration.h"
#include "app/LanguageSelection.h"
#include "app/SingleInstanceLock.h"
#include "support/TempDir.h"

namespace {

class RunRecordTest : public ::testing::Test {
protected:
    RunRecordTest() {
        settings.SetSettingsFile(dir.File("telvane.config.xml"));
        profile.SetFile(dir.File("telvane.cfg").c_str());
    }
    void WriteIni(const std::string& text) { std::ofstream(dir.File("telvane.cfg")) << text; }

    static std::tm Time(int year, int month, int day, int hour, int minute, int second) {
        std::tm time{};
        time.tm_year = year - 1900;
        time.tm_mon = month - 1;
        time.tm_mday = day;
        time.tm_hour = hour;
        time.tm_min = minute;
        time.tm_sec = second;
        return time;
    }

    support::TempDir dir;
    CXMLSettings settings;
    CIniProfile profile;
};

TEST_F(RunRecordTest, TimesAreWrittenInTheRecordsFormat) {
    EXPECT_EQ("2008,02,26,02:42:55", app::FormatRunTime(Time(2008, 2, 26, 2, 42, 55)));
    app::UpdateRunRecord(settings, profile, Time(2008, 2, 26, 2, 42, 55));
    app::UpdateRunRecord(settings, profile, Time(2009, 12, 1, 23, 5, 0));
    EXPECT_EQ("2008,02,26,02:42:55",
              settings.GetSettingString("Info\\RunTime", "FirstRunTime", ""));
    EXPECT_EQ("2009,12,01,23:05:00", settings.GetSettingString("Info\\RunTime", "LastRunTime", ""));
}

TEST_F(RunRecordTest, RunCountWrapsAt65536) {
    const struct {
        long stored;
        long written;
    } cases[] = {{0, 1}, {41, 42}, {65535, 65536}, {65536, 1}, {65537, 2}};
    for (const auto& c : cases) {
        settings.SetSettingLong("Configuration\\RunTime", "AlreadyRun", c.stored);
        app::UpdateRunRecord(settings, profile, Time(2008, 1, 1, 0, 0, 0));
        EXPECT_EQ(c.written, settings.GetSettingLong("Configuration\\RunTime", "AlreadyRun", -1))
            << "stored " << c.stored;
    }
}

TEST_F(RunRecordTest, StoredEntriesAreLeftAloneAndTheTitleIsOnlyGivenWhenItWasEmpty) {
    WriteIni("[Customization]\nAppName=Tool\nCompanyName=Acme\n");
    const app::RunRecordResult first =
        app::UpdateRunRecord(settings, profile, Time(2008, 1, 1, 0, 0, 0));
    ASSERT_TRUE(first.title.has_value());
    EXPECT_EQ("Tool", *first.title);
    WriteIni("[Customization]\nAppName=Other\nCompanyName=Other\n");
    settings.SetSettingString("Info", "Author", "Somebody");
    const app::RunRecordResult second =
        app::UpdateRunRecord(settings, profile, Time(2008, 1, 1, 0, 0, 0));
    EXPECT_FALSE(second.title.has_value());
    EXPECT_EQ("Tool", settings.GetSettingString("Info", "Title", ""));
    EXPECT_EQ("Acme", settings.GetSettingString("Info", "Company", ""));
    EXPECT_EQ("Somebody", settings.GetSettingString("Info", "Author", ""));
}

TEST_F(RunRecordTest, LanguageIdComesFromTheStoreWhenItNamesALanguageElseFromTheIni) {
    WriteIni("[Language]\nLangID=2052\nName=" + std::string(300, 'x') + "\n");
    app::ConfiguredLanguage language = app::ReadConfiguredLanguage(settings, profile);
    EXPECT_EQ(2052, language.id);
    EXPECT_EQ(std::string(255, 'x'), language.name);  // cut to 255 bytes
    EXPECT_EQ(2052, app::UpdateRunRecord(settings, profile, Time(2008, 1, 1, 0, 0, 0)).languageId);

    settings.SetSettingString("Configuration\\Language", "Name", "English");
    language = app::ReadConfiguredLanguage(settings, profile);
    EXPECT_EQ("English", language.name);
    EXPECT_EQ(0, language.id);  // a name without an id
    settings.SetSettingLong("Configuration\\Language", "ID", 0x10000 + 1033);
    EXPECT_EQ(1033, app::UpdateRunRecord(settings, profile, Time(2008, 1, 1, 0, 0, 0)).languageId);
}

TEST(HelpFileTest, EachLanguageIdHasItsFileAndEveryOtherTheEnglishOne) {
    const struct {
        std::uint16_t id;
        const char* file;
    } cases[] = {{1028, "Help/Telvane_tw.html"}, {1031, "Help/Telvane_ge.html"},
                 {1034, "Help/Telvane_sp.html"}, {1036, "Help/Telvane_fr.html"},
                 {1040, "Help/Telvane_it.html"}, {1041, "Help/Telvane_jp.html"},
                 {1043, "Help/Telvane_dt.html"}, {2052, "Help/Telvane_cn.html"},
                 {1033, "Help/Telvane_En.html"}, {0, "Help/Telvane_En.html"},
                 {3076, "Help/Telvane_En.html"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.file, app::HelpFileFor(c.id)) << c.id;
    }
}

TEST(SingleInstanceLockTest, OneHolderAtATimeAndTheSystemReleasesItWithTheProcess) {
    const std::string name = "Telvane.exe.lock-test." + std::to_string(getpid());
    int ready[2];
    int finish[2];
    ASSERT_EQ(0, pipe(ready));
    ASSERT_EQ(0, pipe(finish));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        app::CSingleInstanceLock first(name);
        const char held = first.Acquire() ? '1' : '0';
        (void)!write(ready[1], &held, 1);
        char byte;
        (void)!read(finish[0], &byte, 1);
        _exit(0);  // the lock goes with the process, without a release
    }
    char held = 0;
    ASSERT_EQ(1, read(ready[0], &held, 1));
    ASSERT_EQ('1', held);
    app::CSingleInstanceLock second(name);
    EXPECT_FALSE(second.Acquire());
    (void)!write(finish[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(second.Acquire());
    app::CSingleInstanceLock third(name);
    EXPECT_FALSE(third.Acquire());
    second.Release();
    EXPECT_TRUE(third.Acquire());
    for (int fd : {ready[0], ready[1], finish[0], finish[1]}) {
        close(fd);
    }
}

}  // namespace
