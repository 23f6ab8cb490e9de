// A small sysfs tree in a directory of its own, laid out as the kernel lays out USB mass
// storage: devices/.../usbN/<port> with idVendor, idProduct and bcdDevice, its interface,
// SCSI host, target and LUN directories with block/<name> below, and bus/usb/devices/<port>
// as a symbolic link to the device.
#pragma once

#include <string>

namespace emulator {

class FakeSysfs {
public:
    // Builds under root (created if missing); the tree is left in place.
    explicit FakeSysfs(std::string root);

    const std::string& Root() const { return root_; }

    // A USB device on port (e.g. "1-2"); vendor/product as sysfs prints them ("0b9d").
    FakeSysfs& AddUsbDevice(const std::string& port, const std::string& vendor,
                            const std::string& product, const std::string& revision = "0100");
    // A SCSI unit (LUN lun) of that device with a block device (sdX disk, srX CD-ROM).
    FakeSysfs& AddBlockDevice(const std::string& port, int lun, const std::string& blockName);
    // A USB interface entry in bus/usb/devices (no idVendor: never a candidate).
    FakeSysfs& AddUsbInterface(const std::string& port);

private:
    std::string DevicePath(const std::string& port) const;
    std::string root_;
    int hostNumber_ = 6;
};

}  // namespace emulator
