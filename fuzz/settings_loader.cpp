// The settings file comes from outside (hand edits, other programs, a damaged disk): any
// bytes must read as values or defaults, and the next write must leave a file that reads
// back what was written and everything that read before.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/CXMLSettings.h"

namespace {

// A directory of the run's own, in memory where there is a tmpfs (every input is written
// and replaced there), removed at exit.
class ScratchDirectory {
public:
    ScratchDirectory() {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        path_ = std::string(base) + "/telvane-fuzz-settings-XXXXXX";
        if (!mkdtemp(path_.data())) {
            std::abort();
        }
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

struct Reading {
    std::string name;
    long id = 0;
    std::string title;
    std::string firstRun;

    static Reading Of(const CXMLSettings& store) {
        Reading reading;
        reading.name = store.GetSettingString("Configuration\\Language", "Name", "<none>");
        reading.id = store.GetSettingLong("Configuration\\Language", "ID", -424242);
        reading.title = store.GetSettingString("Info", "Title", "<none>");
        reading.firstRun = store.GetSettingString("Info\\RunTime", "FirstRunTime", "<none>");
        return reading;
    }

    bool operator==(const Reading&) const = default;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchDirectory directory;
    const std::string file = directory.Path() + "/telvane.config.xml";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CXMLSettings store;
    store.SetSettingsFile(file);
    const Reading before = Reading::Of(store);
    const long count = store.GetSettingLong("Configuration\\RunTime", "AlreadyRun", 0);
    const long written = count % 65536 + 1;
    if (store.SetSettingLong("Configuration\\RunTime", "AlreadyRun", written) != 1) {
        __builtin_trap();
    }
    CXMLSettings nextRun;
    nextRun.SetSettingsFile(file);
    if (nextRun.GetSettingLong("Configuration\\RunTime", "AlreadyRun", 0) != written ||
        !(Reading::Of(nextRun) == before) || !(Reading::Of(store) == before)) {
        __builtin_trap();
    }
    return 0;
}
