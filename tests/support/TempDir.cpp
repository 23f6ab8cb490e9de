#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace support {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/telvane-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary directory");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace support
