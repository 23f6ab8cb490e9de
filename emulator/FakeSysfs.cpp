#include "emulator/FakeSysfs.h"

#include <filesystem>
#include <fstream>

namespace emulator {

namespace fs = std::filesystem;

namespace {

void WriteAttribute(const fs::path& file, const std::string& value) {
    std::ofstream(file) << value << '\n';
}

}  // namespace

FakeSysfs::FakeSysfs(std::string root) : root_(std::move(root)) {
    fs::create_directories(fs::path(root_) / "bus/usb/devices");
    fs::create_directories(fs::path(root_) / "devices/pci0000:00/0000:00:14.0/usb1");
}

std::string FakeSysfs::DevicePath(const std::string& port) const {
    return root_ + "/devices/pci0000:00/0000:00:14.0/usb1/" + port;
}

FakeSysfs& FakeSysfs::AddUsbDevice(const std::string& port, const std::string& vendor,
                                   const std::string& product, const std::string& revision) {
    const fs::path device = DevicePath(port);
    fs::create_directories(device / (port + ":1.0"));
    WriteAttribute(device / "idVendor", vendor);
    WriteAttribute(device / "idProduct", product);
    WriteAttribute(device / "bcdDevice", revision);
    // The kernel's links point back up the tree; the walk must not follow them.
    fs::create_directory_symlink("../../..", device / "subsystem");
    fs::create_directory_symlink(device, fs::path(root_) / "bus/usb/devices" / port);
    return *this;
}

FakeSysfs& FakeSysfs::AddBlockDevice(const std::string& port, int lun,
                                     const std::string& blockName) {
    const std::string host = std::to_string(hostNumber_);
    const fs::path unit = fs::path(DevicePath(port)) / (port + ":1.0") / ("host" + host) /
                          ("target" + host + ":0:0") / (host + ":0:0:" + std::to_string(lun));
    fs::create_directories(unit / "block" / blockName);
    WriteAttribute(unit / "type", blockName.rfind("sr", 0) == 0 ? "5" : "0");
    return *this;
}

FakeSysfs& FakeSysfs::AddUsbInterface(const std::string& port) {
    const fs::path device = DevicePath(port);
    fs::create_directories(device / (port + ":1.0"));
    fs::create_directory_symlink(device / (port + ":1.0"),
                                 fs::path(root_) / "bus/usb/devices" / (port + ":1.0"));
    return *this;
}

}  // namespace emulator
