#include "app/ProgramDirectory.h"

#include <unistd.h>

#include <vector>

namespace app {

std::string ProgramPath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        // The path may have been cut: try again with more room, within reason.
        if (buffer.size() >= 65536) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

std::string& DirectoryOverride() {
    static std::string directory;
    return directory;
}

}  // namespace

void SetProgramDirectory(const std::string& directory) {
    DirectoryOverride() = directory;
    if (!directory.empty() && directory.back() != '/') {
        DirectoryOverride() += '/';
    }
}

std::string ProgramDirectory() {
    if (!DirectoryOverride().empty()) {
        return DirectoryOverride();
    }
    const std::string path = ProgramPath();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace app
