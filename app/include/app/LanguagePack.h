// Language packs: finding them in the program's "lang" folder, loading the current one,
// and taking every resource from it by number.
//
// A pack is a shared object lang/NAME.so with the exports of langpack/LanguagePackAbi.h.
// A library that lacks GetLangName or GetLangID is not a pack; loading a library runs no
// code of the program's, and only files directly inside a pack folder are ever loaded.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/LanguagePackText.h"
#include "app/PackResources.h"

namespace app {

// One pack of a folder, as the folder search sees it.
struct LanguagePackInfo {
    std::string name;  // GetLangName
    int id = 0;        // GetLangID
    std::string path;  // the folder followed by the file name
    bool operator==(const LanguagePackInfo&) const = default;
};

// The result of the folder search.
struct LanguagePackSearch {
    bool found = false;
    std::string path;  // found only
    int id = 0;        // found only: GetLangID of the pack
};

// A folder of language packs: the program's own ("lang/" in the program directory) or,
// for tests, any other.
class CLanguagePackFolder {
public:
    // A trailing '/' is added when missing.
    explicit CLanguagePackFolder(std::string directory);

    // The program directory's "lang/" folder: the only one the program loads packs from.
    static CLanguagePackFolder OfProgram();

    // The folder with its trailing '/'.
    const std::string& Directory() const { return directory_; }

    // The English pack that the program falls back on: "Envalo.so" in this folder.
    std::string FallbackPackPath() const;

    // The folder search: every entry whose name ends in ".so", in the order the directory
    // listing returns them, skipping "." and "..", directories, files that do not load
    // and libraries that lack GetLangName or GetLangID (or whose GetLangName is null).
    // The first pack whose name equals `name` byte for byte is the result. A missing or
    // unreadable folder finds nothing. Every library is unloaded again after the look.
    LanguagePackSearch Find(std::string_view name) const;

    // Every pack of the folder, in the same order and by the same rules as Find.
    std::vector<LanguagePackInfo> List() const;

    // True when path names a ".so" file directly inside this folder (the folder's
    // Directory() followed by a plain file name).
    bool Holds(std::string_view path) const;

private:
    std::string directory_;
};

// The folder search and the listing over the program's own folder.
LanguagePackSearch FindLanguagePack(std::string_view name);
std::vector<LanguagePackInfo> ListLanguagePacks();

enum class PackLoadError {
    None,
    OutsideFolder,  // the path is not a pack file of the folder
    NotLoadable,    // the system loader refused the file
    NotAPack,       // GetLangName or GetLangID is missing, or the name is null
    UnknownFormat,  // GetLangFormat or GetLangResource is missing, or the format is not 1
};

// A loaded pack. It owns the library: destroying the object unloads it.
class CLanguagePack {
public:
    // Loads the pack at path, which must lie directly in folder. Nothing on failure, with
    // the reason in *error when error is given.
    static std::unique_ptr<CLanguagePack> Load(const CLanguagePackFolder& folder,
                                               const std::string& path,
                                               PackLoadError* error = nullptr);

    ~CLanguagePack();
    CLanguagePack(const CLanguagePack&) = delete;
    CLanguagePack& operator=(const CLanguagePack&) = delete;

    // As the pack reported them when it was loaded.
    const std::string& Name() const { return name_; }
    int Id() const { return id_; }
    const std::string& Description() const { return description_; }
    const std::string& Path() const { return path_; }

    // The bytes of a resource, valid while this pack is loaded; nothing when the pack has
    // no resource of that type and number.
    std::optional<PackBytes> Resource(PackResourceType type, int id) const;

    // The resources by number, checked and read. Nothing when the pack has no such
    // resource or it is malformed (cut short, too long, out of its form). Results are
    // copies: they stay valid after the pack is unloaded.
    std::optional<std::string> String(int id) const;
    // String id with its conversions filled in (LanguagePackText.h); nothing when the
    // string is missing or its conversions do not fit the arguments.
    std::optional<std::string> FormatString(int id,
                                            const std::vector<PackTextArgument>& arguments) const;
    std::optional<DialogTemplate> Dialog(int id) const;
    std::optional<MenuTemplate> Menu(int id) const;
    std::optional<ToolbarTemplate> Toolbar(int id) const;
    std::optional<std::vector<std::uint8_t>> Bitmap(int id) const;  // a BMP file
    std::optional<std::vector<std::uint8_t>> Icon(int id) const;    // a PNG file

private:
    CLanguagePack() = default;

    void* handle_ = nullptr;
    TelvaneGetLangResource lookup_ = nullptr;
    std::string name_;
    int id_ = 0;
    std::string description_;
    std::string path_;
};

// The current pack: the source of every resource that the program asks for by number.
// There is none before start-up loads one.
//
// Loads the pack at path from the program's own folder and makes it the current pack,
// freeing the one before. When loading fails the current pack stays as it was.
bool LoadCurrentLanguagePack(const std::string& path, PackLoadError* error = nullptr);
// Makes pack (which may be null) the current pack, freeing the one before.
void SetCurrentLanguagePack(std::unique_ptr<CLanguagePack> pack);
void FreeCurrentLanguagePack();
// The current pack, or nullptr.
const CLanguagePack* CurrentLanguagePack();

// The resources of the current pack; nothing when there is no current pack, or as the
// CLanguagePack functions of the same name say.
std::optional<std::string> PackString(int id);
std::optional<std::string> FormatPackString(int id, const std::vector<PackTextArgument>& arguments);
std::optional<DialogTemplate> PackDialog(int id);
std::optional<MenuTemplate> PackMenu(int id);
std::optional<ToolbarTemplate> PackToolbar(int id);
std::optional<std::vector<std::uint8_t>> PackBitmap(int id);
std::optional<std::vector<std::uint8_t>> PackIcon(int id);

}  // namespace app
