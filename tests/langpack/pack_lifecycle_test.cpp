// Loading and unloading a pack leaves no trace: the identity exports answer the same on
// every call, and thousands of load and unload cycles leave no open file, no mapping and
// no memory behind.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/LanguagePack.h"
#include "langpack/LanguagePackAbi.h"

#if defined(__SANITIZE_ADDRESS__)
#define TELVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TELVANE_ASAN 1
#endif
#endif

namespace {

const std::string kPackDir = std::string(TELVANE_PACK_DIR) + "/";

struct Identity {
    const char* pack;
    const char* name;
    int id;
};

const Identity kIdentities[] = {
    {"Zhvalo.so", "Chinese Simplified", 2052},
    {"Envalo.so", "English", 1033},
};

int OpenFileCount() {
    int count = 0;
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (readdir(fds)) {
            ++count;
        }
        closedir(fds);
    }
    return count;
}

long VirtualPages() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    statm >> pages;
    return pages;
}

bool Mapped(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    std::stringstream content;
    content << maps.rdbuf();
    return content.str().find(path) != std::string::npos;
}

TEST(PackLifecycle, IdentityIsTheSameOnEveryCall) {
    for (const Identity& expected : kIdentities) {
        const std::string path = kPackDir + expected.pack;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        const auto getName = reinterpret_cast<TelvaneGetLangName>(dlsym(handle, "GetLangName"));
        const auto getId = reinterpret_cast<TelvaneGetLangID>(dlsym(handle, "GetLangID"));
        const auto getDesc = reinterpret_cast<TelvaneGetLangDesc>(dlsym(handle, "GetLangDesc"));
        const auto getFormat =
            reinterpret_cast<TelvaneGetLangFormat>(dlsym(handle, "GetLangFormat"));
        ASSERT_TRUE(getName && getId && getDesc && getFormat) << expected.pack;
        const char* first = getName();
        const char* description = getDesc();
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(getName(), first) << "the same text on every call";
            ASSERT_STREQ(getName(), expected.name);
            ASSERT_EQ(getId(), expected.id);
            ASSERT_EQ(getDesc(), description);
            ASSERT_EQ(getFormat(), TELVANE_PACK_FORMAT);
        }
        EXPECT_EQ(dlclose(handle), 0);
    }
}

TEST(PackLifecycle, UnloadingRemovesThePack) {
    for (const Identity& expected : kIdentities) {
        const std::string path = kPackDir + expected.pack;
        ASSERT_FALSE(Mapped(path));
        {
            const app::CLanguagePackFolder folder(kPackDir);
            const std::unique_ptr<app::CLanguagePack> pack = app::CLanguagePack::Load(folder, path);
            ASSERT_TRUE(pack);
            EXPECT_TRUE(Mapped(path));
        }
        // Nothing keeps a pack loaded once its owner lets it go.
        EXPECT_FALSE(Mapped(path)) << expected.pack;
    }
}

// One cycle: load the pack, read a little of everything, unload it.
void Cycle(const app::CLanguagePackFolder& folder, const std::string& path) {
    const std::unique_ptr<app::CLanguagePack> pack = app::CLanguagePack::Load(folder, path);
    ASSERT_TRUE(pack);
    ASSERT_TRUE(pack->String(8009));
    ASSERT_TRUE(pack->Dialog(1700));
    ASSERT_TRUE(pack->Menu(500));
    ASSERT_TRUE(pack->Icon(128));
}

TEST(PackLifecycle, ThousandsOfCyclesLeaveNoTrace) {
    const app::CLanguagePackFolder folder(kPackDir);
    const std::string paths[] = {kPackDir + "Zhvalo.so", kPackDir + "Envalo.so"};
    // The first rounds fill the loader's caches; what counts is what the next ones add.
    for (int i = 0; i < 20; ++i) {
        for (const std::string& path : paths) {
            Cycle(folder, path);
        }
    }
    ASSERT_FALSE(HasFatalFailure());
    const int files = OpenFileCount();
    [[maybe_unused]] const long pages = VirtualPages();
#if !defined(TELVANE_ASAN)
    const std::size_t heap = mallinfo2().uordblks;
#endif
    constexpr int kCycles = 2500;
    for (int i = 0; i < kCycles; ++i) {
        for (const std::string& path : paths) {
            Cycle(folder, path);
        }
        ASSERT_FALSE(HasFatalFailure());
    }
    EXPECT_EQ(OpenFileCount(), files);
#if !defined(TELVANE_ASAN)
    // A mapping left behind by each cycle would add thousands of pages. (AddressSanitizer
    // keeps freed memory in quarantine, so there its own leak check at exit counts.)
    EXPECT_LE(VirtualPages() - pages, 64);
    // A block left behind by each cycle would add at least 5000 allocations' worth.
    const std::size_t grown = mallinfo2().uordblks - heap;
    EXPECT_LT(static_cast<long>(grown), 16 * 1024) << grown << " bytes more in use";
#endif
    for (const std::string& path : paths) {
        EXPECT_FALSE(Mapped(path));
    }
}

TEST(PackLifecycle, RepeatedFolderSearchesLeaveNoTrace) {
    const app::CLanguagePackFolder folder(kPackDir);
    for (int i = 0; i < 10; ++i) {
        folder.Find("English");
    }
    const int files = OpenFileCount();
    [[maybe_unused]] const long pages = VirtualPages();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(folder.Find("English").found);
        ASSERT_FALSE(folder.Find("Klingon").found);
        ASSERT_GE(folder.List().size(), 2u);
    }
    EXPECT_EQ(OpenFileCount(), files);
#if !defined(TELVANE_ASAN)
    EXPECT_LE(VirtualPages() - pages, 64);
#endif
    EXPECT_FALSE(Mapped(kPackDir + "Zhvalo.so"));
    EXPECT_FALSE(Mapped(kPackDir + "Envalo.so"));
}

}  // namespace
