// CIniProfile reads "telvane.cfg" the way the Windows profile functions read an INI file:
// case-insensitive names, trimmed values, quotes removed in pairs, 255-byte strings, and
// the default for whatever is missing.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <string>

#include <ini.h>

#include "app/CIniProfile.h"
#include "app/ProgramDirectory.h"
#include "support/TempDir.h"

namespace {

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

CIniProfile ProfileAt(const std::string& file) {
    CIniProfile profile;
    EXPECT_TRUE(profile.SetFile(file.c_str()));
    return profile;
}

struct StringCase {
    const char* name;
    std::string content;
    const char* section;
    const char* key;
    std::string defaultValue;
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const StringCase& c) {
    return out << c.name;
}

const std::string kA255(255, 'a');

const StringCase kStringCases[] = {
    {"Plain", "[Language]\nName=English\n", "Language", "Name", "d", "English"},
    {"SectionAndKeyIgnoreCase", "[LANGUAGE]\nnAmE=English\n", "Language", "Name", "d", "English"},
    {"BlanksAroundEverything", "  [ Language ]  \n\t Name \t=\t English  Edition \t\n", "Language",
     "Name", "d", "English  Edition"},
    {"WindowsLineEnds", "[Language]\r\nName=English\r\nLangID=1033\r\n", "Language", "Name", "d",
     "English"},
    {"ByteOrderMark", "\xEF\xBB\xBF[Language]\nName=English\n", "Language", "Name", "d", "English"},
    {"DoubleQuotesRemoved", "[C]\nAppName=\"  Telvane  \"\n", "C", "AppName", "d", "  Telvane  "},
    {"SingleQuotesRemoved", "[C]\nAppName='Telvane'\n", "C", "AppName", "d", "Telvane"},
    {"MismatchedQuotesKept", "[C]\nAppName=\"Telvane'\n", "C", "AppName", "d", "\"Telvane'"},
    {"OpeningQuoteAloneKept", "[C]\nAppName=\"Telvane\n", "C", "AppName", "d", "\"Telvane"},
    {"LoneQuoteKept", "[C]\nAppName=\"\n", "C", "AppName", "d", "\""},
    {"EmptyQuotesGiveEmpty", "[C]\nAppName=\"\"\n", "C", "AppName", "d", ""},
    {"InnerQuotesKept", "[C]\nAppName=a \"b\" c\n", "C", "AppName", "d", "a \"b\" c"},
    {"SemicolonBelongsToTheValue", "[C]\nAppName=Telvane ; SIM tool\n", "C", "AppName", "d",
     "Telvane ; SIM tool"},
    {"CommentLinesIgnored", "; [C]\n[C]\n;AppName=commented\nAppName=real\n", "C", "AppName", "d",
     "real"},
    {"HashStartsAKeyNotAComment", "[C]\n#AppName=x\n", "C", "#AppName", "d", "x"},
    {"EqualsInsideTheValue", "[C]\nAppName=a=b=c\n", "C", "AppName", "d", "a=b=c"},
    {"EmptyValueIsNotTheDefault", "[C]\nAppName=\n", "C", "AppName", "d", ""},
    {"FirstOfTwoKeysCounts", "[C]\nAppName=first\nAppName=second\n", "C", "AppName", "d", "first"},
    {"FirstOfTwoSectionsCounts", "[C]\nAppName=first\n[Other]\nx=1\n[c]\nAppName=second\n", "C",
     "AppName", "d", "first"},
    {"KeyFromALaterSectionOfTheSameName", "[C]\nx=1\n[C]\nAppName=later\n", "C", "AppName", "d",
     "later"},
    {"IndentedLineIsNoContinuation", "[C]\nAppName=first\n  part\nNext=1\n", "C", "AppName", "d",
     "first"},
    {"UnicodeValue", "[Customization]\nCompanyName=王小明电子\n", "Customization", "CompanyName",
     "d", "王小明电子"},
    {"KeysBeforeAnySection", "AppName=top\n[C]\nx=1\n", "", "AppName", "d", "top"},
    {"LongValueCutTo255", "[C]\nAppName=" + kA255 + "bcd\n", "C", "AppName", "d", kA255},
    {"LongQuotedValueCutTo255", "[C]\nAppName=\"" + kA255 + "bcd\"\n", "C", "AppName", "d", kA255},
    {"CutNeverSplitsACharacter", "[C]\nAppName=" + std::string(254, 'a') + "中\n", "C", "AppName",
     "d", std::string(254, 'a')},
    // A line longer than the library's usual buffer stays one line: its tail is not read
    // as further keys.
    {"TailOfALongLineIsNoKey", "[C]\nAppName=x" + std::string(500, ' ') + "Injected=1\n", "C",
     "Injected", "d", "d"},
    {"VeryLongLineIsOneValue",
     "[C]\nAppName=" + std::string(1000, 'x') + "\nInjected=0" + std::string(100000, 'y') +
         "Injected=1\n",
     "C", "Injected", "d", std::string("0") + std::string(254, 'y')},
    // Missing pieces give the default, with its trailing blanks removed.
    {"MissingKey", "[Language]\nName=English\n", "Language", "LangName", "fallback", "fallback"},
    {"MissingSection", "[Language]\nName=English\n", "Customization", "Name", "fallback",
     "fallback"},
    {"DefaultLosesTrailingBlanks", "", "Language", "Name", "  x \t ", "  x"},
    {"DefaultCutTo255", "", "Language", "Name", kA255 + "b", kA255},
    {"KeyInAnotherSection", "[Customization]\nName=x\n[Language]\n", "Language", "Name", "d", "d"},
    {"LineWithoutEqualsIgnored", "[Language]\nName\nName=English\n", "Language", "Name", "d",
     "English"},
    {"UnclosedSectionLineIgnored", "[Language]\n[Broken\nName=English\n", "Language", "Name", "d",
     "English"},
    {"TextAfterAZeroByteIgnored", std::string("[Language]\n\0Name=English\n", 25), "Language",
     "Name", "d", "d"},
    // The library keeps 49 bytes of a section name: a longer one is never taken for a
    // shorter one asked for.
    {"SectionCutByTheLibraryNeverMatches",
     "[Language" + std::string(60, ' ') + "x]\nName=English\n", "Language", "Name", "d", "d"},
};

class IniReadString : public testing::TestWithParam<StringCase> {};

TEST_P(IniReadString, ValueOrDefault) {
    const StringCase& c = GetParam();
    support::TempDir dir;
    const std::string file = dir.File("telvane.cfg");
    WriteFile(file, c.content);
    std::string out = "stale";
    const int length = ProfileAt(file).ReadString(c.section, c.key, c.defaultValue, out);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(length, static_cast<int>(c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Profile, IniReadString, testing::ValuesIn(kStringCases),
                         [](const testing::TestParamInfo<StringCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(IniReadInt, NumbersTheWayGetPrivateProfileIntReadsThem) {
    struct Case {
        const char* line;
        int expected;
        const char* reason;
    };
    const int kDefault = 1033;
    const Case cases[] = {
        {"LangID=2052", 2052, "plain"},
        {"LangID =   2052  ", 2052, "blanks around"},
        {"LangID=102abc", 102, "leading digits only"},
        {"LangID=-5", -5, "negative"},
        {"LangID=+7", 7, "plus sign"},
        {"LangID=\"2052\"", 2052, "quotes removed first"},
        {"LangID=\" 12\"", 12, "blanks inside the quotes"},
        {"LangID=007", 7, "leading zeros"},
        {"LangID=abc", 0, "not a number"},
        {"LangID=- 5", 0, "sign without digits"},
        {"LangID=0x10", 0, "no hexadecimal"},
        {"LangID=99999999999", INT_MAX, "beyond int"},
        {"LangID=-99999999999", INT_MIN, "below int"},
        {"LangID=", kDefault, "empty value"},
        {"LangID=\"\"", kDefault, "empty quotes"},
        {"LangIDs=5", kDefault, "other key"},
    };
    support::TempDir dir;
    const std::string file = dir.File("telvane.cfg");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        WriteFile(file, std::string("[Language]\n") + c.line + "\n");
        EXPECT_EQ(ProfileAt(file).ReadInt("language", "langid", kDefault), c.expected);
    }
}

TEST(IniProfile, MissingOrUnreadableFileGivesDefaults) {
    support::TempDir dir;
    struct Case {
        std::string file;
        const char* reason;
    };
    const Case cases[] = {
        {dir.File("absent.cfg"), "no such file"},
        {dir.Path() + "/", "a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const CIniProfile profile = ProfileAt(c.file);
        EXPECT_EQ(profile.ReadInt("Language", "LangID", 1033), 1033);
        std::string out;
        EXPECT_EQ(profile.ReadString("Customization", "AppName", "", out), 0);
        EXPECT_EQ(out, "");
    }
}

TEST(IniProfile, EachReadSeesTheFileAsItIsNow) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.cfg");
    const CIniProfile profile = ProfileAt(file);
    WriteFile(file, "[Language]\nLangID=2052\n");
    EXPECT_EQ(profile.ReadInt("Language", "LangID", 1033), 2052);
    WriteFile(file, "[Language]\nLangID=1041\n");
    EXPECT_EQ(profile.ReadInt("Language", "LangID", 1033), 1041);
}

TEST(IniProfile, SetFile) {
    struct Case {
        const char* name;
        std::string path;
        const char* reason;
    };
    const std::string programDirectory = app::ProgramDirectory();
    ASSERT_FALSE(programDirectory.empty());
    const Case cases[] = {
        {"telvane.cfg", programDirectory + "telvane.cfg", "bare name: beside the program"},
        {" \ttelvane.cfg \r\n", programDirectory + "telvane.cfg", "trimmed"},
        {"/etc/telvane/telvane.cfg", "/etc/telvane/telvane.cfg", "full path kept"},
        {"conf/telvane.cfg", "conf/telvane.cfg", "path with a directory kept"},
        {"back\\slash.cfg", programDirectory + "back\\slash.cfg", "backslash is no separator"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        CIniProfile profile;
        EXPECT_TRUE(profile.SetFile(c.name));
        EXPECT_EQ(profile.GetFile(), c.path);
    }
    CIniProfile profile;
    ASSERT_TRUE(profile.SetFile("/x/telvane.cfg"));
    EXPECT_FALSE(profile.SetFile(nullptr)) << "a null name is refused";
    EXPECT_EQ(profile.GetFile(), "/x/telvane.cfg") << "and changes nothing";
}

TEST(IniProfile, DefaultFileIsTheProgramPathWithAnIniExtension) {
    const std::string program = app::ProgramPath();
    ASSERT_FALSE(program.empty());
    // The test program's name has no extension.
    EXPECT_EQ(CIniProfile().GetFile(), program + ".ini");
}

TEST(IniProfile, LibraryOptionsAreRestoredAfterARead) {
    support::TempDir dir;
    const std::string file = dir.File("telvane.cfg");
    WriteFile(file, "[C]\nAppName=" + std::string(5000, 'x') + "\n");
    const bool multiline = ini_allow_multiline;
    const bool inlineComments = ini_allow_inline_comments;
    const int maxLine = ini_max_line;
    const char* prefixes = ini_start_comment_prefixes;
    std::string out;
    ProfileAt(file).ReadString("C", "AppName", "", out);
    EXPECT_EQ(ini_allow_multiline, multiline);
    EXPECT_EQ(ini_allow_inline_comments, inlineComments);
    EXPECT_EQ(ini_max_line, maxLine);
    EXPECT_EQ(ini_start_comment_prefixes, prefixes);
}

}  // namespace
