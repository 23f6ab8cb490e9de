// CXMLSettings: what the program relies on (a value written is read back, in this run and
// the next; anything never written, or unusable, reads as its default), the file's layout,
// and writes that never leave a damaged file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/CXMLSettings.h"
#include "support/TempDir.h"

namespace {

// The protected parts, for the handle's tests.
class InspectableSettings : public CXMLSettings {
public:
    using CXMLSettings::DocumentReferences;
    using CXMLSettings::UnloadXML;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::vector<std::string> DirectoryEntries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

CXMLSettings StoreAt(const std::string& file) {
    CXMLSettings store;
    store.SetSettingsFile(file);
    return store;
}

TEST(SettingsStore, StringsComeBackInThisRunAndTheNext) {
    struct Case {
        const char* path;
        const char* key;
        std::string value;
    };
    const Case cases[] = {
        {"Configuration\\Language", "Name", "English"},
        {"Info", "Title", ""},
        {"Info", "Company", "王小明电子"},
        {"Info\\RunTime", "FirstRunTime", "2008,02,26,02:42:55"},
        {"Info", "Author", "<\"&'> quotes & markup"},
        {"Info", "Version", "  surrounding blanks  "},
        {"Info", "Notes", "line\r\nbreaks\tand\ttabs\n"},
        {"Deep\\Nested\\Section.Path", "key_1-a", "x"},
    };
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    CXMLSettings store = StoreAt(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " / " + c.key);
        EXPECT_EQ(store.SetSettingString(c.path, c.key, c.value), 1);
        EXPECT_EQ(store.GetSettingString(c.path, c.key, "default"), c.value);
    }
    const CXMLSettings nextRun = StoreAt(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " / " + c.key);
        EXPECT_EQ(nextRun.GetSettingString(c.path, c.key, "default"), c.value);
    }
}

TEST(SettingsStore, LongsComeBackInThisRunAndTheNext) {
    const long values[] = {0, 1, -1, 65536, 2052, LONG_MAX, LONG_MIN};
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    CXMLSettings store = StoreAt(file);
    for (const long value : values) {
        SCOPED_TRACE(value);
        EXPECT_EQ(store.SetSettingLong("Configuration\\RunTime", "AlreadyRun", value), 1);
        EXPECT_EQ(store.GetSettingLong("Configuration\\RunTime", "AlreadyRun", 7), value);
        EXPECT_EQ(StoreAt(file).GetSettingLong("Configuration\\RunTime", "AlreadyRun", 7), value);
    }
}

TEST(SettingsStore, LayoutOfTheFile) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    CXMLSettings store = StoreAt(file);
    store.SetSettingString("Configuration\\Language", "Name", "English");
    store.SetSettingLong("Configuration\\Language", "ID", 1033);
    store.SetSettingString("Info", "Author", "Ivo Darran");
    store.SetSettingString("Info\\RunTime", "FirstRunTime", "2008,02,26,02:42:55");
    store.SetSettingString("Info", "Title", "A \"title\" & <more>");
    EXPECT_EQ(ReadFile(file),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Settings>\n"
              "  <Configuration>\n"
              "    <Language Name=\"English\" ID=\"1033\" />\n"
              "  </Configuration>\n"
              "  <Info Author=\"Ivo Darran\" Title=\"A &quot;title&quot; &amp; &lt;more>\">\n"
              "    <RunTime FirstRunTime=\"2008,02,26,02:42:55\" />\n"
              "  </Info>\n"
              "</Settings>\n");
}

TEST(SettingsStore, AbsentEntriesGiveTheirDefaults) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    {
        SCOPED_TRACE("no file yet");
        const CXMLSettings store = StoreAt(file);
        EXPECT_EQ(store.GetSettingString("Configuration\\Language", "Name", ""), "");
        EXPECT_EQ(store.GetSettingString("Info", "Title", "fallback"), "fallback");
        EXPECT_EQ(store.GetSettingLong("Configuration\\Language", "ID", 0), 0);
        EXPECT_EQ(store.GetSettingLong("Configuration\\RunTime", "AlreadyRun", 42), 42);
    }
    {
        SCOPED_TRACE("file holds other entries");
        CXMLSettings store = StoreAt(file);
        ASSERT_EQ(store.SetSettingString("Info", "Title", "x"), 1);
        EXPECT_EQ(store.GetSettingString("Info", "Author", "d"), "d");
        EXPECT_EQ(store.GetSettingString("Info\\RunTime", "Title", "d"), "d");
        EXPECT_EQ(store.GetSettingLong("Info", "Count", -3), -3);
    }
    {
        SCOPED_TRACE("no settings file set");
        CXMLSettings store;
        EXPECT_EQ(store.GetSettingString("Info", "Title", "d"), "d");
        EXPECT_EQ(store.SetSettingString("Info", "Title", "x"), 0);
        EXPECT_EQ(store.SetSettingLong("Info", "Count", 1), 0);
    }
}

TEST(SettingsStore, RejectedEntriesAreNotWritten) {
    struct Case {
        std::string path;
        std::string key;
        std::string value;
        const char* reason;
    };
    const Case cases[] = {
        {"", "Name", "x", "empty path"},
        {"\\Info", "Name", "x", "empty first level"},
        {"Info\\", "Name", "x", "empty last level"},
        {"Info\\\\RunTime", "Name", "x", "empty middle level"},
        {"Info/RunTime", "Name", "x", "slash is no level separator"},
        {"My Section", "Name", "x", "blank in a level"},
        {"1Info", "Name", "x", "level starting with a digit"},
        {"Info", "", "x", "empty key"},
        {"Info", "Two words", "x", "blank in a key"},
        {"Info", "a:b", "x", "colon in a key"},
        {"Info", "-key", "x", "key starting with '-'"},
        {"Info", "Schlüssel", "x", "non-ASCII key"},
        {"Info", "Title", std::string("a\0b", 3), "zero byte in the value"},
        {"Info", "Title", "\xC3", "truncated UTF-8 in the value"},
        {"Info", "Title", "\xC0\xAF", "overlong UTF-8 in the value"},
        {"Info", "Title", "\xED\xA0\x80", "UTF-8 surrogate in the value"},
    };
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    CXMLSettings store = StoreAt(file);
    ASSERT_EQ(store.SetSettingString("Info", "Title", "kept"), 1);
    const std::string before = ReadFile(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(store.SetSettingString(c.path, c.key, c.value), 0);
        const bool goodName = c.path == "Info" && c.key == "Title";
        EXPECT_EQ(store.GetSettingString(c.path, c.key, "default"), goodName ? "kept" : "default");
        if (!goodName) {
            EXPECT_EQ(store.SetSettingLong(c.path, c.key, 5), 0);
            EXPECT_EQ(store.GetSettingLong(c.path, c.key, -1), -1);
        }
    }
    EXPECT_EQ(ReadFile(file), before);
}

// Each file reads as empty; the next write replaces it by a sound file that holds only
// the new entry.
TEST(SettingsStore, UnusableFilesReadAsDefaultsAndAreReplacedCleanly) {
    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"empty", ""},
        {"not XML", std::string("\x00\xFF garbage \x01", 12)},
        {"cut short", "<?xml version=\"1.0\"?><Settings><Info Title=\"old\" Author=\"a\">"},
        {"unclosed attribute", "<Settings><Info Title=\"old /></Settings>"},
        {"foreign root", "<Other><Info Title=\"old\" /></Other>"},
        {"two roots", "<Settings><Info Title=\"old\"/></Settings><Settings/>"},
        {"oversized",
         "<Settings><Info Title=\"old\" /><!--" + std::string(1 << 20, ' ') + "--></Settings>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        support::TempDir dir;
        const std::string file = dir.File("telvane.config.xml");
        WriteFile(file, c.content);
        CXMLSettings store = StoreAt(file);
        EXPECT_EQ(store.GetSettingString("Info", "Title", "default"), "default");
        EXPECT_EQ(store.GetSettingString("Info", "Author", "default"), "default");
        EXPECT_EQ(store.SetSettingString("Info", "Company", "new"), 1);
        EXPECT_EQ(store.GetSettingString("Info", "Title", "default"), "default");
        EXPECT_EQ(ReadFile(file),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<Settings>\n"
                  "  <Info Company=\"new\" />\n"
                  "</Settings>\n");
    }
}

TEST(SettingsStore, StoredTextsThatAreNoValuesReadAsDefaults) {
    struct Case {
        std::string stored;
        const char* reason;
    };
    const Case longs[] = {
        {"", "empty"},
        {"abc", "not a number"},
        {"12abc", "trailing text"},
        {" 5", "leading blank"},
        {"+5", "plus sign"},
        {"0x10", "hexadecimal"},
        {"99999999999999999999999", "beyond long"},
    };
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    for (const Case& c : longs) {
        SCOPED_TRACE(c.reason);
        WriteFile(file, "<Settings><Info Count=\"" + c.stored + "\"/></Settings>");
        EXPECT_EQ(StoreAt(file).GetSettingLong("Info", "Count", -7), -7);
    }
    WriteFile(file, "<Settings><Info Title=\"caf\xE9\" Author=\"ok\"/></Settings>");
    const CXMLSettings store = StoreAt(file);
    EXPECT_EQ(store.GetSettingString("Info", "Title", "default"), "default") << "not UTF-8";
    EXPECT_EQ(store.GetSettingString("Info", "Author", "default"), "ok");
}

TEST(SettingsStore, HandEditedFilesAreReadAndKept) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    // UTF-16 with a byte-order mark, a comment, an element the store does not know, a
    // section given twice (the first counts), and an entry as element text (not a key).
    const std::u16string text =
        u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
        u"<!-- kept -->\n"
        u"<Settings>\n"
        u"  <Info Title=\"中文标题\"><Author>not a key</Author></Info>\n"
        u"  <Info Title=\"second\" Company=\"second\"/>\n"
        u"  <Extra note=\"kept\"/>\n"
        u"</Settings>\n";
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    WriteFile(file, bytes);
    CXMLSettings store = StoreAt(file);
    EXPECT_EQ(store.GetSettingString("Info", "Title", "d"), "中文标题");
    EXPECT_EQ(store.GetSettingString("Info", "Company", "d"), "d");
    EXPECT_EQ(store.GetSettingString("Info", "Author", "d"), "d");
    ASSERT_EQ(store.SetSettingString("Info", "Version", "1.0.04282007"), 1);
    const std::string written = ReadFile(file);
    EXPECT_EQ(written.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- kept -->", 0), 0u)
        << written;
    EXPECT_NE(written.find("<Extra note=\"kept\" />"), std::string::npos) << written;
    EXPECT_NE(written.find("Title=\"中文标题\" Version=\"1.0.04282007\""), std::string::npos)
        << written;
}

TEST(SettingsStore, ChangesByAnotherWriterAreSeenAndKept) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    CXMLSettings first = StoreAt(file);
    CXMLSettings second = StoreAt(file);
    ASSERT_EQ(first.SetSettingString("Configuration\\Language", "Name", "English"), 1);
    EXPECT_EQ(second.GetSettingString("Configuration\\Language", "Name", ""), "English");
    // Another copy of the program writes; this one reads and writes on top of it.
    ASSERT_EQ(second.SetSettingLong("Configuration\\Language", "ID", 2052), 1);
    ASSERT_EQ(second.SetSettingString("Configuration\\Language", "Name", "Chinese"), 1);
    EXPECT_EQ(first.GetSettingString("Configuration\\Language", "Name", ""), "Chinese");
    ASSERT_EQ(first.SetSettingLong("Configuration\\RunTime", "AlreadyRun", 3), 1);
    const CXMLSettings later = StoreAt(file);
    EXPECT_EQ(later.GetSettingLong("Configuration\\Language", "ID", 0), 2052);
    EXPECT_EQ(later.GetSettingLong("Configuration\\RunTime", "AlreadyRun", 0), 3);
    // The file removed behind the store's back reads as empty.
    std::filesystem::remove(file);
    EXPECT_EQ(first.GetSettingString("Configuration\\Language", "Name", "gone"), "gone");
}

TEST(SettingsStore, WritesLeaveNoTemporaryFilesAndKeepPermissions) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    CXMLSettings store = StoreAt(file);
    ASSERT_EQ(store.SetSettingString("Info", "Title", "a"), 1);
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(store.SetSettingLong("Configuration\\RunTime", "AlreadyRun", i), 1);
    }
    EXPECT_EQ(DirectoryEntries(dir.Path()), std::vector<std::string>{"telvane.config.xml"});
    struct stat status {};
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

// A write that fails half-way leaves the old file whole, no temporary file, and nothing of
// the value in the store. The file-size limit makes the write fail even for root.
TEST(SettingsStore, FailedWriteLeavesTheOldFile) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    CXMLSettings store = StoreAt(file);
    ASSERT_EQ(store.SetSettingString("Info", "Title", "old"), 1);
    const std::string before = ReadFile(file);

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const long status = store.SetSettingString("Info", "Title", std::string(4096, 'n'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(DirectoryEntries(dir.Path()), std::vector<std::string>{"telvane.config.xml"});
    EXPECT_EQ(store.GetSettingString("Info", "Title", "d"), "old");
}

TEST(SettingsStore, WriteIntoAMissingDirectoryFails) {
    support::TempDir dir;
    CXMLSettings store = StoreAt(dir.File("no-such-directory/telvane.config.xml"));
    EXPECT_EQ(store.SetSettingString("Info", "Title", "x"), 0);
    EXPECT_EQ(store.GetSettingString("Info", "Title", "d"), "d");
}

TEST(SettingsStore, HandleIsSharedByCopiesAndReleased) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.config.xml");
    InspectableSettings store;
    store.SetSettingsFile(file);
    EXPECT_EQ(store.DocumentReferences(), 0) << "empty at construction";
    ASSERT_EQ(store.SetSettingString("Info", "Title", "t"), 1);
    EXPECT_EQ(store.DocumentReferences(), 1);
    {
        InspectableSettings copy(store);
        EXPECT_EQ(store.DocumentReferences(), 2);
        EXPECT_EQ(copy.GetSettingString("Info", "Title", "d"), "t");
        InspectableSettings other;
        other.SetSettingsFile(dir.File("other.xml"));
        ASSERT_EQ(other.SetSettingString("Info", "Title", "o"), 1);
        copy = other;
        EXPECT_EQ(store.DocumentReferences(), 1) << "assignment released the old document";
        EXPECT_EQ(other.DocumentReferences(), 2);
        EXPECT_EQ(copy.GetSettingString("Info", "Title", "d"), "o");
        const InspectableSettings& alias = copy;
        copy = alias;
        EXPECT_EQ(other.DocumentReferences(), 2) << "assignment to itself";
    }
    // A copy outlives the store it came from.
    auto* original = new InspectableSettings(store);
    const InspectableSettings survivor(*original);
    delete original;
    EXPECT_EQ(survivor.GetSettingString("Info", "Title", "d"), "t");

    store.UnloadXML();
    EXPECT_EQ(store.DocumentReferences(), 0);
    EXPECT_EQ(survivor.DocumentReferences(), 1);
    EXPECT_EQ(store.GetSettingString("Info", "Title", "d"), "t") << "loaded again";

    // Pointing the store at another file releases the document it shared.
    InspectableSettings moved(store);
    moved.SetSettingsFile(dir.File("moved.xml"));
    EXPECT_EQ(moved.DocumentReferences(), 0);
    EXPECT_EQ(moved.GetSettingString("Info", "Title", "d"), "d");
    EXPECT_EQ(store.GetSettingString("Info", "Title", "d"), "t");
}

}  // namespace
