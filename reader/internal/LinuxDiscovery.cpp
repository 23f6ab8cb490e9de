// Finding the reader in sysfs: a USB device whose identifier (built as Windows spells it,
// "USB\VID_0B9D&PID_7731&REV_0100") matches the reader rule, then the block device of
// its SCSI child, a disk (sd*) before a CD-ROM (sr*).
#include <fcntl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "internal/Carriers.h"
#include "internal/Discovery.h"
#include "internal/ModuleState.h"

namespace quillon::internal {

namespace {

namespace fs = std::filesystem;

// sysfs holds loops through its symbolic links; the walk below follows none and stops
// at this depth (a reader's block device sits about five levels below its USB device).
constexpr int kMaxDepth = 8;

std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string value;
    std::getline(in, value);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
        value.pop_back();
    }
    return value;
}

std::optional<std::string> HardwareIdOf(const fs::path& device) {
    std::error_code error;
    if (!fs::exists(device / "idVendor", error) || !fs::exists(device / "idProduct", error)) {
        return std::nullopt;
    }
    std::string id = "USB\\VID_" + ReadAttribute(device / "idVendor") + "&PID_" +
                     ReadAttribute(device / "idProduct");
    const std::string revision = ReadAttribute(device / "bcdDevice");
    if (!revision.empty()) {
        id += "&REV_" + revision;
    }
    return id;
}

// The USB devices, in name order so that the search is repeatable.
std::optional<std::vector<fs::path>> UsbDevices(const std::string& sysfsRoot,
                                                unsigned long* error) {
    std::error_code code;
    fs::directory_iterator it(fs::path(sysfsRoot) / "bus/usb/devices", code);
    if (code) {
        *error = static_cast<unsigned long>(code.value());
        return std::nullopt;
    }
    std::vector<fs::path> devices;
    for (const fs::directory_entry& entry : it) {
        devices.push_back(entry.path());
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

void CollectBlockDevices(const fs::path& directory, int depth, std::vector<std::string>& disks,
                         std::vector<std::string>& cdroms) {
    if (depth > kMaxDepth) {
        return;
    }
    std::error_code code;
    std::vector<fs::path> children;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, code)) {
        std::error_code ignored;
        if (entry.is_symlink(ignored) || !entry.is_directory(ignored)) {
            continue;
        }
        children.push_back(entry.path());
    }
    std::sort(children.begin(), children.end());
    for (const fs::path& child : children) {
        if (directory.filename() == "block") {
            const std::string name = child.filename().string();
            if (name.rfind("sd", 0) == 0) {
                disks.push_back(name);
            } else if (name.rfind("sr", 0) == 0) {
                cdroms.push_back(name);
            }
            continue;
        }
        CollectBlockDevices(child, depth + 1, disks, cdroms);
    }
}

}  // namespace

char* FindDeviceEntryLinux() {
    LinuxHost& host = Linux();
    unsigned long error = 0;
    std::optional<std::vector<fs::path>> devices = UsbDevices(host.SysfsRoot(), &error);
    if (!devices) {
        SetLastError(error, "cannot enumerate devices: %05lu", error);
        return nullptr;
    }
    std::optional<fs::path> reader;
    for (const char* product : kReaderProducts) {
        for (const fs::path& device : *devices) {
            std::optional<std::string> id = HardwareIdOf(device);
            if (id && MatchesReader(*id, product)) {
                reader = device;
                break;
            }
        }
        if (reader) {
            break;
        }
    }
    if (!reader) {
        return nullptr;
    }
    // The entry in bus/usb/devices is a link; its SCSI children live under the target.
    std::error_code code;
    const fs::path device = fs::canonical(*reader, code);
    std::vector<std::string> disks;
    std::vector<std::string> cdroms;
    CollectBlockDevices(code ? *reader : device, 0, disks, cdroms);
    const std::vector<std::string>& chosen = disks.empty() ? cdroms : disks;
    if (chosen.empty()) {
        SetLastError(ENODEV, "Disk drive not found%05lu", static_cast<unsigned long>(ENODEV));
        return nullptr;
    }
    const std::string path = host.DevRoot() + "/" + chosen.front();
    char* block = static_cast<char*>(AllocateResultBlock(path.size() + 1));
    if (block) {
        std::memcpy(block, path.c_str(), path.size());
    }
    return block;
}

void* OpenDeviceLinux(const char* devicePath) {
    if (!devicePath) {
        SetLastError(EINVAL, "Cannot open the device: %05lu\n", static_cast<unsigned long>(EINVAL));
        return nullptr;
    }
    const int fd = Linux().Open(devicePath, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const unsigned long code = static_cast<unsigned long>(errno);
        SetLastError(code, "Cannot open the device: %05lu\n", code);
        return nullptr;
    }
    return new LinuxDevice{fd};
}

void CloseDeviceLinux(void* device) {
    auto* linuxDevice = static_cast<LinuxDevice*>(device);
    Linux().Close(linuxDevice->fd);
    delete linuxDevice;
}

}  // namespace quillon::internal
