// A Linux host whose reader is a ScsiDevice: it builds a sysfs tree (in a temporary
// directory of its own) with one combo reader 0B9D:7731 whose disk is "sdv", and answers
// SG_IO on that device node by handing the command block to the device. The library's
// Linux carrier runs unchanged on it: discovery, open, the sg_io_hdr it builds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/ScsiDevice.h"
#include "quillon/LinuxHost.h"

namespace emulator {

class VirtualLinuxHost final : public quillon::LinuxHost {
public:
    // Installs itself as the library's Linux host; the destructor uninstalls it and
    // removes the tree.
    explicit VirtualLinuxHost(ScsiDevice& device);
    ~VirtualLinuxHost() override;
    VirtualLinuxHost(const VirtualLinuxHost&) = delete;
    VirtualLinuxHost& operator=(const VirtualLinuxHost&) = delete;

    std::string SysfsRoot() const override { return root_ + "/sys"; }
    std::string DevRoot() const override { return root_ + "/dev"; }
    int Open(const char* path, int flags) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int Close(int fd) override;

    // The reader's device node as FindDeviceEntry reports it.
    std::string ReaderNode() const { return DevRoot() + "/sdv"; }

    // What the carrier asked for, per SG_IO, for tests.
    struct Request {
        int direction;
        std::vector<std::uint8_t> cdb;
        unsigned dataLength;
        unsigned timeoutMs;
        int flagsAtOpen;
    };
    const std::vector<Request>& Requests() const { return requests_; }
    void SetRecording(bool on) { recording_ = on; }
    int OpenDescriptors() const { return openCount_; }
    // Makes the next Open fail with this errno (0: succeed).
    void FailNextOpen(int error) { openError_ = error; }

private:
    ScsiDevice& device_;
    std::string root_;
    std::vector<Request> requests_;
    bool recording_ = true;
    int openCount_ = 0;
    int openFlags_ = 0;
    int openError_ = 0;
    int nextFd_ = 1000;
};

}  // namespace emulator
