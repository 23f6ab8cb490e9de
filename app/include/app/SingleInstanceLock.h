// The system-wide named lock that lets one copy of the program run at a time.
//
// The lock is an abstract Unix socket bound under the name (with the user id, so that
// each user's session has its own, as a Windows session does): the kernel releases it
// when the process ends, however it ends, and a second copy's bind fails while the first
// holds it. No file is left behind.
#pragma once

#include <string>

namespace app {

inline constexpr const char* kInstanceLockName = "Telvane.exe";

class CSingleInstanceLock {
public:
    explicit CSingleInstanceLock(std::string name = kInstanceLockName);
    ~CSingleInstanceLock();
    CSingleInstanceLock(const CSingleInstanceLock&) = delete;
    CSingleInstanceLock& operator=(const CSingleInstanceLock&) = delete;

    // Takes the lock; false when another holder (another copy, or another object of this
    // process) has it already, or when the system refused a socket.
    bool Acquire();
    bool IsHeld() const { return socket_ >= 0; }
    void Release();

private:
    std::string name_;
    int socket_ = -1;
};

}  // namespace app
