// Finding the reader with SetupAPI: the USB device by its hardware identifier, then (NT
// family) its child's disk or CD-ROM interface, or (Windows 9x) the reader's own
// interface, whose DevicePath is the device path.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "internal/Carriers.h"
#include "internal/Discovery.h"
#include "internal/ModuleState.h"

namespace quillon::internal {

namespace {

using namespace quillon::win;

// GUID_DEVINTERFACE_USB_DEVICE
constexpr GUID kUsbDeviceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
// GUID_DEVINTERFACE_DISK
constexpr GUID kDiskClass = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
// GUID_DEVINTERFACE_CDROM
constexpr GUID kCdromClass = {
    0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
// The class searched for the reader on Windows 9x, and whose interface path is returned.
constexpr GUID kWin9xReaderClass = {
    0x40EF6CF0, 0x2DB6, 0x11D3, {0x9F, 0x78, 0x00, 0xC0, 0x4F, 0x6D, 0x51, 0x35}};

constexpr DWORD kEnumerationFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

// The device record of an enumerated interface: the detail call without a buffer, which
// must end with ERROR_INSUFFICIENT_BUFFER and fills the record.
bool DeviceRecordOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData, SP_DEVINFO_DATA& record,
                    DWORD* detailSize) {
    WindowsHost& host = *Windows();
    std::memset(&record, 0, sizeof record);
    record.cbSize = sizeof record;
    DWORD required = 0;
    if (host.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required,
                                              &record) ||
        host.GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    if (detailSize) {
        *detailSize = required;
    }
    return true;
}

std::optional<std::string> HardwareIdOf(HDEVINFO set, SP_DEVINFO_DATA& record) {
    WindowsHost& host = *Windows();
    DWORD required = 0;
    DWORD type = 0;
    host.SetupDiGetDeviceRegistryPropertyA(set, &record, SPDRP_HARDWAREID, &type, nullptr, 0,
                                           &required);
    if (required == 0 || required > 65536) {
        return std::nullopt;
    }
    std::vector<BYTE> buffer(required + 1, 0);
    if (!host.SetupDiGetDeviceRegistryPropertyA(set, &record, SPDRP_HARDWAREID, &type,
                                                buffer.data(), required, &required)) {
        return std::nullopt;
    }
    // The first string of the multi-string; the extra byte keeps it terminated.
    return std::string(reinterpret_cast<const char*>(buffer.data()));
}

// The interface at index of an enumeration set; false at the end of the set.
bool NextInterface(HDEVINFO set, const GUID& deviceClass, DWORD index,
                   SP_DEVICE_INTERFACE_DATA& interfaceData) {
    std::memset(&interfaceData, 0, sizeof interfaceData);
    interfaceData.cbSize = sizeof interfaceData;
    return Windows()->SetupDiEnumDeviceInterfaces(set, nullptr, &deviceClass, index,
                                                  &interfaceData);
}

// Ends an enumeration: records the code and, unless the list simply ran out, the text.
void EndOfEnumeration() {
    const unsigned long code = Windows()->GetLastError();
    RecordErrorCode(code);
    if (code != ERROR_NO_MORE_ITEMS) {
        SetLastError(code, "Enumeration process failed: %05lu", code);
    }
}

// One search of a class for the product; the matching device's instance number.
std::optional<DEVINST> FindReaderOnce(const GUID& deviceClass, const char* product) {
    WindowsHost& host = *Windows();
    HDEVINFO set = host.SetupDiGetClassDevsA(&deviceClass, nullptr, nullptr, kEnumerationFlags);
    if (set == INVALID_HANDLE_VALUE) {
        const unsigned long code = host.GetLastError();
        SetLastError(code, "cannot enumerate devices: %05lu", code);
        return std::nullopt;
    }
    std::optional<DEVINST> found;
    SP_DEVICE_INTERFACE_DATA interfaceData;
    for (DWORD index = 0;; ++index) {
        if (!NextInterface(set, deviceClass, index, interfaceData)) {
            EndOfEnumeration();
            break;
        }
        SP_DEVINFO_DATA record;
        if (!DeviceRecordOf(set, interfaceData, record, nullptr)) {
            continue;
        }
        std::optional<std::string> hardwareId = HardwareIdOf(set, record);
        if (hardwareId && MatchesReader(*hardwareId, product)) {
            found = record.DevInst;
            break;
        }
    }
    host.SetupDiDestroyDeviceInfoList(set);
    return found;
}

std::optional<DEVINST> FindReader(const GUID& deviceClass) {
    for (const char* product : kReaderProducts) {
        if (std::optional<DEVINST> found = FindReaderOnce(deviceClass, product)) {
            return found;
        }
    }
    return std::nullopt;
}

// The DevicePath of the class's interface that belongs to the device instance.
char* InterfacePathOf(const GUID& deviceClass, DEVINST instance) {
    WindowsHost& host = *Windows();
    HDEVINFO set = host.SetupDiGetClassDevsA(&deviceClass, nullptr, nullptr, kEnumerationFlags);
    if (set == INVALID_HANDLE_VALUE) {
        const unsigned long code = host.GetLastError();
        SetLastError(code, "Retrive information set failed: %05lu", code);
        return nullptr;
    }
    char* path = nullptr;
    SP_DEVICE_INTERFACE_DATA interfaceData;
    for (DWORD index = 0; !path; ++index) {
        if (!NextInterface(set, deviceClass, index, interfaceData)) {
            EndOfEnumeration();
            break;
        }
        SP_DEVINFO_DATA record;
        DWORD detailSize = 0;
        if (!DeviceRecordOf(set, interfaceData, record, &detailSize) ||
            record.DevInst != instance) {
            continue;
        }
        if (detailSize < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || detailSize > 65536) {
            continue;
        }
        // One spare zero byte keeps the path terminated whatever the host wrote.
        auto* detail =
            static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::calloc(detailSize + 1, 1));
        if (!detail) {
            continue;
        }
        detail->cbSize = 5;  // sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) on 32-bit Windows
        if (host.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, detailSize, nullptr,
                                                  &record)) {
            const std::size_t length = std::strlen(detail->DevicePath);
            path = static_cast<char*>(AllocateResultBlock(length + 1));
            if (path) {
                std::memcpy(path, detail->DevicePath, length);
            }
        }
        std::free(detail);
    }
    host.SetupDiDestroyDeviceInfoList(set);
    return path;
}

}  // namespace

bool MatchesReader(const std::string& hardwareId, const char* product) {
    std::string upper = hardwareId;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::size_t vendor = upper.find("0B9D");
    return vendor != std::string::npos && upper.find(product, vendor) != std::string::npos;
}

char* FindDeviceEntryNt() {
    WindowsHost& host = *Windows();
    auto getChild = reinterpret_cast<CM_Get_ChildFn>(
        host.GetProcAddress(host.GetModuleHandleA("setupapi.dll"), "CM_Get_Child"));
    if (!getChild) {
        return nullptr;
    }
    std::optional<DEVINST> reader = FindReader(kUsbDeviceClass);
    if (!reader) {
        return nullptr;
    }
    DEVINST child = 0;
    const DWORD result = getChild(&child, *reader, 0);
    if (result != 0) {
        SetLastError(result, "Disk drive not found%05lu", static_cast<unsigned long>(result));
        return nullptr;
    }
    if (char* path = InterfacePathOf(kDiskClass, child)) {
        return path;
    }
    return InterfacePathOf(kCdromClass, child);
}

char* FindDeviceEntryWin9x() {
    InitASPI();  // its result is not examined: the search goes on without ASPI
    std::optional<DEVINST> reader = FindReader(kWin9xReaderClass);
    if (!reader) {
        return nullptr;
    }
    return InterfacePathOf(kWin9xReaderClass, *reader);
}

void* OpenDeviceNt(const char* devicePath) {
    WindowsHost& host = *Windows();
    HANDLE handle =
        host.CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        const unsigned long code = host.GetLastError();
        SetLastError(code, "Cannot open the device: %05lu\n", code);
        return nullptr;
    }
    return handle;
}

}  // namespace quillon::internal
