// The folder search, the listing and loading a pack, in scratch "lang" folders made of
// copies of the real packs and of libraries that lack or break one part of a pack.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/LanguagePack.h"
#include "support/TempDir.h"

namespace {

using app::CLanguagePack;
using app::CLanguagePackFolder;
using app::PackLoadError;

const std::string kPackDir = std::string(TELVANE_PACK_DIR) + "/";
const std::string kFixtureDir = std::string(TELVANE_PACK_FIXTURE_DIR) + "/";

// A scratch pack folder.
class Folder {
public:
    const std::string& Path() const { return dir_.Path(); }
    std::string File(const std::string& name) const { return dir_.File(name); }
    CLanguagePackFolder Packs() const { return CLanguagePackFolder(dir_.Path()); }

    void Copy(const std::string& from, const std::string& name) const {
        std::filesystem::copy_file(from, File(name));
    }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
    }
    // The entries as the directory listing returns them.
    std::vector<std::string> ListingOrder() const {
        std::vector<std::string> names;
        DIR* listing = opendir(Path().c_str());
        while (const dirent* entry = readdir(listing)) {
            names.push_back(entry->d_name);
        }
        closedir(listing);
        return names;
    }

private:
    support::TempDir dir_;
};

std::vector<std::string> NamesOf(const std::vector<app::LanguagePackInfo>& packs) {
    std::vector<std::string> names;
    for (const app::LanguagePackInfo& pack : packs) {
        names.push_back(pack.name);
    }
    return names;
}

TEST(PackFolderSearch, FindsEachPackByItsExactName) {
    const CLanguagePackFolder folder(kPackDir);
    const app::LanguagePackSearch chinese = folder.Find("Chinese Simplified");
    EXPECT_TRUE(chinese.found);
    EXPECT_EQ(chinese.path, kPackDir + "Zhvalo.so");
    EXPECT_EQ(chinese.id, 2052);
    const app::LanguagePackSearch english = folder.Find("English");
    EXPECT_TRUE(english.found);
    EXPECT_EQ(english.path, kPackDir + "Envalo.so");
    EXPECT_EQ(english.id, 1033);
    EXPECT_EQ(folder.FallbackPackPath(), kPackDir + "Envalo.so");
}

TEST(PackFolderSearch, NameIsComparedByteForByte) {
    const CLanguagePackFolder folder(kPackDir);
    for (const char* name : {"english", "ENGLISH", "English ", " English", "Engl", "", "Chinese",
                             "Chinese  Simplified", "Chinese Simplified\n"}) {
        EXPECT_FALSE(folder.Find(name).found) << '"' << name << '"';
    }
}

TEST(PackFolderSearch, FirstOfTwoPacksWithTheSameNameInListingOrderWins) {
    const Folder folder;
    for (const char* name : {"one.so", "two.so", "three.so"}) {
        folder.Copy(kPackDir + "Envalo.so", name);
    }
    folder.Copy(kPackDir + "Zhvalo.so", "zh.so");
    std::vector<std::string> englishInOrder;
    for (const std::string& name : folder.ListingOrder()) {
        if (name != "zh.so" && name != "." && name != "..") {
            englishInOrder.push_back(folder.Path() + "/" + name);
        }
    }
    ASSERT_EQ(englishInOrder.size(), 3u);

    const app::LanguagePackSearch found = folder.Packs().Find("English");
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.path, englishInOrder.front());
    EXPECT_EQ(found.id, 1033);

    // The listing holds all of them, in the same order.
    std::vector<std::string> listed;
    for (const app::LanguagePackInfo& pack : folder.Packs().List()) {
        if (pack.name == "English") {
            listed.push_back(pack.path);
        }
    }
    EXPECT_EQ(listed, englishInOrder);
}

TEST(PackFolderSearch, LibraryLackingAnExportIsNeitherChosenNorListed) {
    const Folder folder;
    // Each fixture calls itself "English" where it has a name at all.
    folder.Copy(kFixtureDir + "fixture_without_id.so", "without-id.so");
    folder.Copy(kFixtureDir + "fixture_without_name.so", "without-name.so");
    folder.Copy(kFixtureDir + "fixture_null_name.so", "null-name.so");
    EXPECT_FALSE(folder.Packs().Find("English").found);
    EXPECT_TRUE(folder.Packs().List().empty());

    folder.Copy(kPackDir + "Envalo.so", "real.so");
    const app::LanguagePackSearch found = folder.Packs().Find("English");
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.path, folder.File("real.so"));
    EXPECT_EQ(NamesOf(folder.Packs().List()), std::vector<std::string>{"English"});
}

TEST(PackFolderSearch, SkipsWhatIsNotAPackFile) {
    const Folder folder;
    folder.Write("notes.so", "this is not a library\n");
    folder.Write("empty.so", "");
    folder.Write("elf-head.so", std::string("\x7F"
                                            "ELF\x02\x01\x01",
                                            7) +
                                    std::string(64, '\0'));
    // A pack under a name that does not end in ".so" is not looked at.
    folder.Copy(kPackDir + "Envalo.so", "Envalo.so.old");
    folder.Copy(kPackDir + "Envalo.so", "Envalo");
    // Directories, also behind a link, are skipped.
    std::filesystem::create_directory(folder.File("directory.so"));
    std::filesystem::create_directory_symlink(folder.File("directory.so"), folder.File("link.so"));
    EXPECT_FALSE(folder.Packs().Find("English").found);
    EXPECT_TRUE(folder.Packs().List().empty());

    // A link to a pack is a pack.
    std::filesystem::create_symlink(kPackDir + "Zhvalo.so", folder.File("alias.so"));
    const app::LanguagePackSearch found = folder.Packs().Find("Chinese Simplified");
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.path, folder.File("alias.so"));
}

TEST(PackFolderSearch, MissingOrUnreadableFolderFindsNothing) {
    const Folder parent;
    const CLanguagePackFolder missing(parent.File("lang"));
    EXPECT_FALSE(missing.Find("English").found);
    EXPECT_TRUE(missing.List().empty());

    if (geteuid() != 0) {  // root reads any folder
        const Folder closed;
        closed.Copy(kPackDir + "Envalo.so", "Envalo.so");
        chmod(closed.Path().c_str(), 0);
        EXPECT_FALSE(closed.Packs().Find("English").found);
        chmod(closed.Path().c_str(), 0700);
    }
}

TEST(PackFolderSearch, ProgramFolderIsLangBesideTheProgram) {
    // The test program lives in the build's tests/ folder.
    const CLanguagePackFolder folder = CLanguagePackFolder::OfProgram();
    const std::string directory = folder.Directory();
    ASSERT_GE(directory.size(), 6u);
    EXPECT_EQ(directory.substr(directory.size() - 6), "/lang/");
    EXPECT_EQ(CLanguagePackFolder("/x/lang").Directory(), "/x/lang/");
}

// -- loading ------------------------------------------------------------------------------

struct LoadCase {
    const char* name;
    std::string path;  // relative to the scratch folder when it starts without '/'
    PackLoadError error;
};

TEST(PackLoading, RefusesWhatIsNotAPackOfTheFolder) {
    const Folder folder;
    folder.Copy(kPackDir + "Envalo.so", "Envalo.so");
    folder.Copy(kFixtureDir + "fixture_without_id.so", "without-id.so");
    folder.Copy(kFixtureDir + "fixture_format_2.so", "format-2.so");
    folder.Write("notes.so", "text");
    std::filesystem::create_directory(folder.File("sub"));
    folder.Copy(kPackDir + "Envalo.so", "sub/Envalo.so");
    const LoadCase cases[] = {
        {"APackOfTheFolder", "Envalo.so", PackLoadError::None},
        {"SameFileOutsideTheFolder", kPackDir + "Envalo.so", PackLoadError::OutsideFolder},
        {"SubFolder", "sub/Envalo.so", PackLoadError::OutsideFolder},
        {"ClimbsOut",
         "../" + std::filesystem::path(folder.Path()).filename().string() + "/Envalo.so",
         PackLoadError::OutsideFolder},
        {"NotEndingInSo", "Envalo", PackLoadError::OutsideFolder},
        {"TheFolderItself", "", PackLoadError::OutsideFolder},
        {"MissingFile", "Missing.so", PackLoadError::NotLoadable},
        {"NotALibrary", "notes.so", PackLoadError::NotLoadable},
        {"LacksGetLangID", "without-id.so", PackLoadError::NotAPack},
        {"AnotherResourceFormat", "format-2.so", PackLoadError::UnknownFormat},
    };
    for (const LoadCase& c : cases) {
        const std::string path =
            c.path.starts_with('/') ? c.path : folder.Packs().Directory() + c.path;
        PackLoadError error = PackLoadError::None;
        const std::unique_ptr<CLanguagePack> pack =
            CLanguagePack::Load(folder.Packs(), path, &error);
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_EQ(pack != nullptr, c.error == PackLoadError::None) << c.name;
    }
}

TEST(PackLoading, DamagedResourcesAreMissing) {
    const Folder folder;
    folder.Copy(kFixtureDir + "fixture_damaged.so", "damaged.so");
    const std::unique_ptr<CLanguagePack> pack =
        CLanguagePack::Load(folder.Packs(), folder.File("damaged.so"));
    ASSERT_TRUE(pack);
    EXPECT_EQ(pack->Name(), "Damaged");
    EXPECT_FALSE(pack->String(1)) << "not UTF-8";
    EXPECT_FALSE(pack->String(2)) << "a zero byte inside";
    EXPECT_EQ(pack->String(3), "ok %d");
    EXPECT_EQ(pack->FormatString(3, {7}), "ok 7");
    EXPECT_FALSE(pack->FormatString(3, {std::string("text for %d")})) << "argument of a wrong kind";
    EXPECT_FALSE(pack->Dialog(1)) << "cut short";
    EXPECT_FALSE(pack->Menu(1)) << "nested too deep";
    EXPECT_FALSE(pack->Toolbar(1)) << "fewer buttons than it says";
    EXPECT_FALSE(pack->Bitmap(1)) << "pixels past the end";
    EXPECT_FALSE(pack->Icon(1)) << "a bare signature";
    // Present but of another type, or never there.
    EXPECT_FALSE(pack->Dialog(3));
    EXPECT_FALSE(pack->String(4));
    EXPECT_FALSE(pack->String(0));
    EXPECT_FALSE(pack->String(-1));
    EXPECT_FALSE(pack->String(65536 + 3)) << "numbers are 16 bits, not cut to them";
}

TEST(PackLoading, ResultsOutliveThePack) {
    const CLanguagePackFolder folder(kPackDir);
    std::optional<std::string> text;
    std::optional<app::DialogTemplate> dialog;
    std::optional<std::vector<std::uint8_t>> icon;
    {
        const std::unique_ptr<CLanguagePack> pack =
            CLanguagePack::Load(folder, kPackDir + "Envalo.so");
        ASSERT_TRUE(pack);
        text = pack->FormatString(8028, {0x12, 0x3456});
        dialog = pack->Dialog(157);
        icon = pack->Icon(163);
    }
    EXPECT_EQ(text, "Supported device found: 12 - 3456");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->caption, "Edit Phonebook Entry");
    ASSERT_NE(dialog->Control(1030), nullptr);
    EXPECT_EQ(dialog->Control(1030)->text, "+");
    EXPECT_EQ(dialog->Control(4242), nullptr);
    ASSERT_TRUE(icon);
    EXPECT_TRUE(app::InspectIconResource(*icon));
}

// -- the current pack ---------------------------------------------------------------------

TEST(CurrentPack, IsTheSourceOfEveryResourceUntilFreed) {
    app::FreeCurrentLanguagePack();
    EXPECT_EQ(app::CurrentLanguagePack(), nullptr);
    EXPECT_FALSE(app::PackString(8021)) << "no pack, no texts";
    EXPECT_FALSE(app::PackMenu(500));

    const CLanguagePackFolder folder(kPackDir);
    app::SetCurrentLanguagePack(CLanguagePack::Load(folder, kPackDir + "Zhvalo.so"));
    ASSERT_NE(app::CurrentLanguagePack(), nullptr);
    EXPECT_EQ(app::PackString(8021), "Harmund SIM编辑工具");
    EXPECT_EQ(app::FormatPackString(8029, {std::string("8986001234")}),
              "成功连接SIM卡. ICCID 为 8986001234");
    EXPECT_EQ(app::FormatPackString(8009, {12, 3}), "总计有12条记录,当前正在读取第 3 条记录");
    EXPECT_FALSE(app::FormatPackString(8029, {12})) << "%s with a number";
    EXPECT_FALSE(app::FormatPackString(8009, {12})) << "too few arguments";
    ASSERT_TRUE(app::PackDialog(1700));
    EXPECT_EQ(app::PackDialog(1700)->menu, 500);
    ASSERT_TRUE(app::PackToolbar(137));
    EXPECT_TRUE(app::PackBitmap(173));
    EXPECT_TRUE(app::PackIcon(128));
    EXPECT_FALSE(app::PackString(7999)) << "a number the pack does not have";
    EXPECT_FALSE(app::PackIcon(8021)) << "a number of another type";

    // Switching replaces the source.
    app::SetCurrentLanguagePack(CLanguagePack::Load(folder, kPackDir + "Envalo.so"));
    EXPECT_EQ(app::PackString(8021), "Harmund SIM Editor");

    app::FreeCurrentLanguagePack();
    EXPECT_EQ(app::CurrentLanguagePack(), nullptr);
    EXPECT_FALSE(app::PackString(8021));
}

TEST(CurrentPack, LoadsOnlyFromTheProgramsFolderAndKeepsThePackOnFailure) {
    app::FreeCurrentLanguagePack();
    const CLanguagePackFolder folder(kPackDir);
    app::SetCurrentLanguagePack(CLanguagePack::Load(folder, kPackDir + "Envalo.so"));
    ASSERT_NE(app::CurrentLanguagePack(), nullptr);

    // The build's pack folder is not beside the test program: it is refused, and the
    // current pack stays the source.
    PackLoadError error = PackLoadError::None;
    EXPECT_FALSE(app::LoadCurrentLanguagePack(kPackDir + "Zhvalo.so", &error));
    EXPECT_EQ(error, PackLoadError::OutsideFolder);
    EXPECT_FALSE(app::LoadCurrentLanguagePack(
        CLanguagePackFolder::OfProgram().Directory() + "Missing.so", &error));
    EXPECT_EQ(error, PackLoadError::NotLoadable);
    ASSERT_NE(app::CurrentLanguagePack(), nullptr);
    EXPECT_EQ(app::CurrentLanguagePack()->Name(), "English");
    EXPECT_TRUE(app::PackString(8021));
    app::FreeCurrentLanguagePack();
}

}  // namespace
