// The system operations the Linux carrier stands on, as a seam: where sysfs and the device
// nodes are, and open/ioctl/close on a device node. With none installed the library uses
// the real system ("/sys", "/dev", open(2), ioctl(2), close(2)). Tests install a host
// over a fake sysfs tree; the virtual reader installs one that answers SG_IO itself.
#pragma once

#include <string>

#include "quillon/Quillon.h"

namespace quillon {

class LinuxHost {
public:
    virtual ~LinuxHost() = default;
    // Root of the sysfs tree, without a trailing '/' ("/sys").
    virtual std::string SysfsRoot() const = 0;
    // Directory of the device nodes, without a trailing '/' ("/dev").
    virtual std::string DevRoot() const = 0;
    virtual int Open(const char* path, int flags) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual int Close(int fd) = 0;
};

// The real system: "/sys", "/dev" and the system calls.
QUILLON_API LinuxHost& SystemLinuxHost();

}  // namespace quillon

extern "C" {
// Installs the Linux host the library runs on; null returns to the real system. The host
// must outlive every call into the library made while it is installed.
QUILLON_API void QuillonSetLinuxHost(quillon::LinuxHost* host);
}
