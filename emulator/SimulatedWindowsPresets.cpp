// Ready-made machines for the simulated Windows host: the device tree of an NT-family PC
// with the reader plugged in, and a Windows 9x PC that reaches the reader through ASPI.
#include "emulator/SimulatedWindowsHost.h"

namespace emulator {

namespace {

const char* const kUsbSuffix = "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const char* const kDiskSuffix = "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const char* const kCdromSuffix = "#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";
const char* const kWin9xSuffix = "#{40ef6cf0-2db6-11d3-9f78-00c04f6d5135}";

}  // namespace

ReaderTree SimulatedWindowsHost::AddNtReader(ScsiDevice& device, const std::string& product,
                                             ReaderChild child) {
    // Devices of the same classes that are not the reader, enumerated before it.
    AddDevice()
        .HardwareIds({"USB\\ROOT_HUB20&VID1A2B&PID0100&REV0001", "USB\\ROOT_HUB20&VID1A2B&PID0100",
                      "USB\\ROOT_HUB20"})
        .Interface(kGuidUsbDevice, std::string("\\\\?\\usb#root_hub20#4&2c1f7a3&0") + kUsbSuffix);
    AddDevice()
        .HardwareIds({"USB\\Vid_1a2b&Pid_0002&Rev_0110", "USB\\Vid_1a2b&Pid_0002"})
        .Interface(kGuidUsbDevice,
                   std::string("\\\\?\\usb#vid_1a2b&pid_0002#6&1d0c9b8&0&1") + kUsbSuffix);
    AddDevice()
        .HardwareIds({"IDE\\DiskSIMDISK_80G_____________________1.00____", "GenDisk"})
        .Interface(kGuidDisk,
                   std::string("\\\\?\\ide#disksimdisk_80g#5&1b2c3d4e&0&0.0.0") + kDiskSuffix);
    AddDevice()
        .HardwareIds({"IDE\\CdRomSIMCD_52X_____________________1.00____", "GenCdRom"})
        .Interface(kGuidCdrom,
                   std::string("\\\\?\\ide#cdromsimcd_52x#5&1b2c3d4e&0&1.0.0") + kCdromSuffix);

    // The reader, its hardware id in the mixed case Windows may report, and its storage
    // function as the child node.
    SimulatedDevice& reader = AddDevice();
    SimulatedDevice& storage = AddDevice();
    reader
        .HardwareIds({"USB\\Vid_0b9d&Pid_" + product + "&Rev_0100", "USB\\Vid_0b9d&Pid_" + product})
        .Interface(kGuidUsbDevice,
                   "\\\\?\\usb#vid_0b9d&pid_" + product + "#5&3a9c0e1&0&2" + kUsbSuffix)
        .Child(storage.Instance());
    std::string path;
    if (child == ReaderChild::Disk) {
        path = std::string(
                   "\\\\?\\usbstor#disk&ven_generic&prod_usb_sim_reader&rev_1.00#"
                   "6&1f2e3d4c&0") +
               kDiskSuffix;
        storage.HardwareIds({"USBSTOR\\DiskGeneric_USB_SIM_Reader_1.00", "GenDisk"})
            .Interface(kGuidDisk, path);
    } else {
        path = std::string(
                   "\\\\?\\usbstor#cdrom&ven_generic&prod_usb_sim_reader&rev_1.00#"
                   "6&1f2e3d4c&0") +
               kCdromSuffix;
        storage.HardwareIds({"USBSTOR\\CdRomGeneric_USB_SIM_Reader_1.00", "GenCdRom"})
            .Interface(kGuidCdrom, path);
    }
    AttachPath(path, device);
    return {reader.Instance(), storage.Instance(), path};
}

ReaderTree SimulatedWindowsHost::AddWin9xReader(ScsiDevice& device, const std::string& product) {
    SimulatedDevice& reader = AddDevice();
    const std::string path = "\\\\.\\usb#vid_0b9d&pid_" + product + "#5&3a9c0e1&0&2" + kWin9xSuffix;
    reader.HardwareIds({"USB\\Vid_0b9d&Pid_" + product + "&Rev_0100"})
        .Interface(kGuidWin9xReader, path);

    // One adapter: an ATAPI CD-ROM at target 0 (passes the device-type test, fails the
    // direct-access test of its INQUIRY), the reader at target 1. The reader's texts end
    // in blanks and a zero byte, as real INQUIRY data may.
    SimulatedAspiAdapter& adapter = AddAspiAdapter();
    adapter.Target(0)
        .DeviceType(win32::DTYPE_CDROM)
        .Inquiry({win32::DTYPE_CDROM, "ATAPI", "CD-ROM DRIVE 52X", "1.00"});
    adapter.Target(1)
        .DeviceType(win32::DTYPE_DASD)
        .Inquiry({win32::DTYPE_DASD, "Generic", "USB SIM Reader", std::string("1.0\0", 4)})
        .Attach(device);
    return {reader.Instance(), 0, path};
}

}  // namespace emulator
