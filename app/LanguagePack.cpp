#include "app/LanguagePack.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <utility>

#include "app/ProgramDirectory.h"

namespace app {

namespace {

constexpr std::string_view kPackSuffix = ".so";
constexpr std::string_view kFallbackPack = "Envalo.so";
// A name longer than this without its terminating zero is taken for a broken pack.
constexpr std::size_t kMaxNameLength = 4096;
// A resource larger than this is taken for a broken pack.
constexpr std::size_t kMaxResourceSize = 16u << 20;

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// A library loaded for as long as the object lives. Every symbol is bound at load
// (RTLD_NOW), so a library with unresolved symbols fails here rather than later; its
// symbols stay out of the program's namespace (RTLD_LOCAL).
class Library {
public:
    explicit Library(const std::string& path)
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) {
            dlerror();  // leaves no error behind for the next caller
        }
    }
    ~Library() {
        if (handle_) {
            dlclose(handle_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    void* Release() { return std::exchange(handle_, nullptr); }

    template <typename Function>
    Function Symbol(const char* name) const {
        void* symbol = dlsym(handle_, name);
        if (!symbol) {
            dlerror();
        }
        return reinterpret_cast<Function>(symbol);
    }

private:
    void* handle_;
};

// The identity of a loaded library, when it is a pack.
struct Identity {
    std::string name;
    int id = 0;
};

std::optional<Identity> IdentityOf(const Library& library) {
    const auto getName = library.Symbol<TelvaneGetLangName>("GetLangName");
    const auto getId = library.Symbol<TelvaneGetLangID>("GetLangID");
    if (!getName || !getId) {
        return std::nullopt;
    }
    const char* name = getName();
    if (!name) {
        return std::nullopt;
    }
    const std::size_t length = strnlen(name, kMaxNameLength + 1);
    if (length > kMaxNameLength) {
        return std::nullopt;
    }
    return Identity{std::string(name, length), getId()};
}

bool IsDirectory(const std::string& path, const dirent& entry) {
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) {
        return false;
    }
    // A symbolic link counts as what it points to.
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Runs visit over every pack of the folder in listing order until it returns false.
void ForEachPack(const std::string& directory,
                 const std::function<bool(const LanguagePackInfo&)>& visit) {
    DIR* listing = opendir(directory.c_str());
    if (!listing) {
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || !EndsWith(name, kPackSuffix)) {
            continue;
        }
        const std::string path = directory + std::string(name);
        if (IsDirectory(path, *entry)) {
            continue;
        }
        std::optional<Identity> identity;
        {
            const Library library(path);
            if (!library.Loaded()) {
                continue;
            }
            identity = IdentityOf(library);
        }
        if (identity && !visit(LanguagePackInfo{identity->name, identity->id, path})) {
            break;
        }
    }
    closedir(listing);
}

std::optional<std::vector<std::uint8_t>> CheckedImage(
    std::optional<PackBytes> bytes, std::optional<ImageInfo> (*inspect)(PackBytes)) {
    if (!bytes || !inspect(*bytes)) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

std::unique_ptr<CLanguagePack>& CurrentSlot() {
    static std::unique_ptr<CLanguagePack> current;
    return current;
}

}  // namespace

CLanguagePackFolder::CLanguagePackFolder(std::string directory) : directory_(std::move(directory)) {
    if (directory_.empty() || directory_.back() != '/') {
        directory_ += '/';
    }
}

CLanguagePackFolder CLanguagePackFolder::OfProgram() {
    return CLanguagePackFolder(ProgramDirectory() + "lang/");
}

std::string CLanguagePackFolder::FallbackPackPath() const {
    return directory_ + std::string(kFallbackPack);
}

LanguagePackSearch CLanguagePackFolder::Find(std::string_view name) const {
    LanguagePackSearch result;
    ForEachPack(directory_, [&](const LanguagePackInfo& pack) {
        if (pack.name != name) {
            return true;
        }
        result = LanguagePackSearch{true, pack.path, pack.id};
        return false;
    });
    return result;
}

std::vector<LanguagePackInfo> CLanguagePackFolder::List() const {
    std::vector<LanguagePackInfo> packs;
    ForEachPack(directory_, [&](const LanguagePackInfo& pack) {
        packs.push_back(pack);
        return true;
    });
    return packs;
}

bool CLanguagePackFolder::Holds(std::string_view path) const {
    if (path.size() <= directory_.size() || path.substr(0, directory_.size()) != directory_) {
        return false;
    }
    const std::string_view name = path.substr(directory_.size());
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos &&
           EndsWith(name, kPackSuffix);
}

LanguagePackSearch FindLanguagePack(std::string_view name) {
    return CLanguagePackFolder::OfProgram().Find(name);
}

std::vector<LanguagePackInfo> ListLanguagePacks() {
    return CLanguagePackFolder::OfProgram().List();
}

std::unique_ptr<CLanguagePack> CLanguagePack::Load(const CLanguagePackFolder& folder,
                                                   const std::string& path, PackLoadError* error) {
    PackLoadError ignored;
    PackLoadError& reason = error ? *error : ignored;
    if (!folder.Holds(path)) {
        reason = PackLoadError::OutsideFolder;
        return nullptr;
    }
    Library library(path);
    if (!library.Loaded()) {
        reason = PackLoadError::NotLoadable;
        return nullptr;
    }
    std::optional<Identity> identity = IdentityOf(library);
    if (!identity) {
        reason = PackLoadError::NotAPack;
        return nullptr;
    }
    const auto getFormat = library.Symbol<TelvaneGetLangFormat>("GetLangFormat");
    const auto lookup = library.Symbol<TelvaneGetLangResource>("GetLangResource");
    if (!getFormat || !lookup || getFormat() != TELVANE_PACK_FORMAT) {
        reason = PackLoadError::UnknownFormat;
        return nullptr;
    }
    std::unique_ptr<CLanguagePack> pack(new CLanguagePack);
    if (const auto getDescription = library.Symbol<TelvaneGetLangDesc>("GetLangDesc")) {
        if (const char* description = getDescription()) {
            pack->description_.assign(description, strnlen(description, kMaxNameLength));
        }
    }
    pack->name_ = std::move(identity->name);
    pack->id_ = identity->id;
    pack->path_ = path;
    pack->lookup_ = lookup;
    pack->handle_ = library.Release();
    reason = PackLoadError::None;
    return pack;
}

CLanguagePack::~CLanguagePack() {
    if (handle_) {
        dlclose(handle_);
    }
}

std::optional<PackBytes> CLanguagePack::Resource(PackResourceType type, int id) const {
    if (id <= 0 || id > 0xFFFF) {
        return std::nullopt;
    }
    std::size_t size = 0;
    const void* data = lookup_(static_cast<unsigned>(type), static_cast<unsigned>(id), &size);
    if (!data || size > kMaxResourceSize) {
        return std::nullopt;
    }
    return PackBytes(static_cast<const std::uint8_t*>(data), size);
}

std::optional<std::string> CLanguagePack::String(int id) const {
    const std::optional<PackBytes> bytes = Resource(PackResourceType::String, id);
    return bytes ? ParseStringResource(*bytes) : std::nullopt;
}

std::optional<std::string> CLanguagePack::FormatString(
    int id, const std::vector<PackTextArgument>& arguments) const {
    const std::optional<std::string> format = String(id);
    return format ? FormatPackText(*format, arguments) : std::nullopt;
}

std::optional<DialogTemplate> CLanguagePack::Dialog(int id) const {
    const std::optional<PackBytes> bytes = Resource(PackResourceType::Dialog, id);
    return bytes ? ParseDialogResource(*bytes) : std::nullopt;
}

std::optional<MenuTemplate> CLanguagePack::Menu(int id) const {
    const std::optional<PackBytes> bytes = Resource(PackResourceType::Menu, id);
    return bytes ? ParseMenuResource(*bytes) : std::nullopt;
}

std::optional<ToolbarTemplate> CLanguagePack::Toolbar(int id) const {
    const std::optional<PackBytes> bytes = Resource(PackResourceType::Toolbar, id);
    return bytes ? ParseToolbarResource(*bytes) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> CLanguagePack::Bitmap(int id) const {
    return CheckedImage(Resource(PackResourceType::Bitmap, id), InspectBitmapResource);
}

std::optional<std::vector<std::uint8_t>> CLanguagePack::Icon(int id) const {
    return CheckedImage(Resource(PackResourceType::Icon, id), InspectIconResource);
}

bool LoadCurrentLanguagePack(const std::string& path, PackLoadError* error) {
    std::unique_ptr<CLanguagePack> pack =
        CLanguagePack::Load(CLanguagePackFolder::OfProgram(), path, error);
    if (!pack) {
        return false;
    }
    SetCurrentLanguagePack(std::move(pack));
    return true;
}

void SetCurrentLanguagePack(std::unique_ptr<CLanguagePack> pack) {
    CurrentSlot() = std::move(pack);
}

void FreeCurrentLanguagePack() {
    CurrentSlot().reset();
}

const CLanguagePack* CurrentLanguagePack() {
    return CurrentSlot().get();
}

std::optional<std::string> PackString(int id) {
    const CLanguagePack* pack = CurrentLanguagePack();
    return pack ? pack->String(id) : std::nullopt;
}

std::optional<std::string> FormatPackString(int id,
                                            const std::vector<PackTextArgument>& arguments) {
    const CLanguagePack* pack = CurrentLanguagePack();
    return pack ? pack->FormatString(id, arguments) : std::nullopt;
}

std::optional<DialogTemplate> PackDialog(int id) {
    const CLanguagePack* pack = CurrentLanguagePack();
    return pack ? pack->Dialog(id) : std::nullopt;
}

std::optional<MenuTemplate> PackMenu(int id) {
    const CLanguagePack* pack = CurrentLanguagePack();
    return pack ? pack->Menu(id) : std::nullopt;
}

std::optional<ToolbarTemplate> PackToolbar(int id) {
    const CLanguagePack* pack = CurrentLanguagePack();
    return pack ? pack->Toolbar(id) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> PackBitmap(int id) {
    const CLanguagePack* pack = CurrentLanguagePack();
    return pack ? pack->Bitmap(id) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> PackIcon(int id) {
    const CLanguagePack* pack = CurrentLanguagePack();
    return pack ? pack->Icon(id) : std::nullopt;
}

}  // namespace app
