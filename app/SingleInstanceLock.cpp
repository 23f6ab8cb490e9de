#include "app/SingleInstanceLock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

namespace app {

CSingleInstanceLock::CSingleInstanceLock(std::string name) : name_(std::move(name)) {}

CSingleInstanceLock::~CSingleInstanceLock() {
    Release();
}

bool CSingleInstanceLock::Acquire() {
    if (IsHeld()) {
        return true;
    }
    const std::string name = name_ + "/" + std::to_string(getuid());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // An abstract name: a zero byte first, then the name (cut to the room there is).
    const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        close(fd);
        return false;
    }
    socket_ = fd;
    return true;
}

void CSingleInstanceLock::Release() {
    if (socket_ >= 0) {
        close(socket_);
        socket_ = -1;
    }
}

}  // namespace app
