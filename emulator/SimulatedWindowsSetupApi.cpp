// The simulated host's device tree: SetupAPI device information sets over device interface
// classes, the SPDRP_HARDWAREID property, and the configuration manager's CM_Get_Child.
#include "emulator/SimulatedWindowsHost.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace emulator {

using namespace quillon::win;

namespace {

// SetupAPI's size-checked structures, as 32-bit Windows lays them out.
constexpr DWORD kInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);  // 28
constexpr DWORD kDevInfoDataSize = sizeof(SP_DEVINFO_DATA);             // 28
constexpr DWORD kDetailHeaderSize = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
constexpr DWORD kDetailCbSize = kDetailHeaderSize + 1;  // 5

}  // namespace

// ---- SimulatedDevice ----

SimulatedDevice& SimulatedDevice::HardwareIds(std::vector<std::string> ids) {
    hardwareIds_ = std::move(ids);
    return *this;
}

SimulatedDevice& SimulatedDevice::Child(DEVINST child) {
    child_ = child;
    return *this;
}

SimulatedDevice& SimulatedDevice::ChildError(DWORD configManagerResult) {
    childError_ = configManagerResult;
    return *this;
}

SimulatedDevice& SimulatedDevice::Interface(const GUID& interfaceClass, std::string devicePath) {
    host_.interfaces_.push_back(
        {host_.nextInterfaceId_++, interfaceClass, std::move(devicePath), instance_});
    return *this;
}

SimulatedDevice& SimulatedDevice::RecordUnreadable(DWORD error) {
    recordError_ = error;
    return *this;
}

SimulatedDevice& SimulatedDevice::DetailUnreadable(DWORD error) {
    detailError_ = error;
    return *this;
}

SimulatedDevice& SimulatedDevice::HardwareIdUnreadable(DWORD error) {
    hardwareIdError_ = error;
    return *this;
}

// ---- Configuration ----

SimulatedDevice& SimulatedWindowsHost::AddDevice(DEVINST instance) {
    if (FindDevice(instance)) {
        throw std::invalid_argument("device instance " + Hex(instance) + " is already present");
    }
    devices_.push_back(std::unique_ptr<SimulatedDevice>(new SimulatedDevice(*this, instance)));
    nextInstance_ = std::max(nextInstance_, instance + 1);
    return *devices_.back();
}

SimulatedDevice& SimulatedWindowsHost::AddDevice() {
    return AddDevice(nextInstance_);
}

SimulatedWindowsHost& SimulatedWindowsHost::RemoveDevice(DEVINST instance) {
    std::erase_if(devices_,
                  [instance](const auto& device) { return device->Instance() == instance; });
    std::erase_if(interfaces_,
                  [instance](const InterfaceEntry& entry) { return entry.owner == instance; });
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::FailClassDevs(const GUID& interfaceClass, DWORD error) {
    classDevsFailures_.emplace_back(interfaceClass, error);
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::FailClassDevsCall(int nth, DWORD error) {
    classDevsCallFailures_[classDevsCalls_ + nth] = error;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::FailEnumeration(const GUID& interfaceClass,
                                                            DWORD memberIndex, DWORD error) {
    enumFailures_.push_back({interfaceClass, memberIndex, error});
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::SetupApiLoaded(bool loaded) {
    setupApiLoaded_ = loaded;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::ConfigManagerAvailable(bool available) {
    configManagerAvailable_ = available;
    return *this;
}

SimulatedDevice* SimulatedWindowsHost::FindDevice(DEVINST instance) {
    for (auto& device : devices_) {
        if (device->Instance() == instance) {
            return device.get();
        }
    }
    return nullptr;
}

const SimulatedWindowsHost::InterfaceEntry* SimulatedWindowsHost::FindInterface(DWORD id) const {
    for (const InterfaceEntry& entry : interfaces_) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

bool SimulatedWindowsHost::SetHoldsDevice(const DeviceInfoSet& set, DEVINST instance) const {
    return std::any_of(
        set.members.begin(), set.members.end(),
        [instance](const InterfaceEntry& member) { return member.owner == instance; });
}

void SimulatedWindowsHost::FillDeviceInfo(SP_DEVINFO_DATA* deviceInfo, DEVINST instance) {
    if (deviceInfo) {
        deviceInfo->ClassGuid = GUID{};
        deviceInfo->DevInst = instance;
        deviceInfo->Reserved = instance;
    }
}

// ---- SetupAPI ----

HDEVINFO SimulatedWindowsHost::SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                                    HWND parent, DWORD flags) {
    const int serial = ++classDevsCalls_;
    std::vector<std::string> problems;
    if (!classGuid) {
        problems.push_back("no class GUID");
    }
    if (enumerator) {
        problems.push_back("an enumerator given, expected none");
    }
    if (parent) {
        problems.push_back("a parent window given, expected none");
    }
    if (flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
        problems.push_back("flags " + Hex(flags) +
                           ", expected DIGCF_PRESENT|DIGCF_DEVICEINTERFACE (0x12)");
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            Violation("SetupDiGetClassDevsA: " + problem);
        }
        Fail(win32::ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (auto failure = classDevsCallFailures_.find(serial);
        failure != classDevsCallFailures_.end()) {
        Fail(failure->second);
        classDevsCallFailures_.erase(failure);
        return INVALID_HANDLE_VALUE;
    }
    for (const auto& [failingClass, error] : classDevsFailures_) {
        if (failingClass == *classGuid) {
            Fail(error);
            return INVALID_HANDLE_VALUE;
        }
    }
    DeviceInfoSet set{*classGuid, {}};
    for (const InterfaceEntry& entry : interfaces_) {
        if (entry.interfaceClass == *classGuid) {
            set.members.push_back(entry);
        }
    }
    HANDLE handle = NewHandle();
    sets_[reinterpret_cast<std::uintptr_t>(handle)] = std::move(set);
    ++setsCreated_;
    return handle;
}

SimulatedWindowsHost::DeviceInfoSet* SimulatedWindowsHost::OpenSet(HDEVINFO setHandle,
                                                                   const std::string& where) {
    DeviceInfoSet* set = Find(sets_, setHandle);
    if (!set) {
        Violation(where + Hex(reinterpret_cast<std::uintptr_t>(setHandle)) +
                  " is not a device information set");
        Fail(win32::ERROR_INVALID_HANDLE);
    }
    return set;
}

BOOL SimulatedWindowsHost::SetupDiEnumDeviceInterfaces(HDEVINFO setHandle, SP_DEVINFO_DATA* device,
                                                       const GUID* classGuid, DWORD memberIndex,
                                                       SP_DEVICE_INTERFACE_DATA* interfaceData) {
    const std::string where = "SetupDiEnumDeviceInterfaces: ";
    DeviceInfoSet* set = OpenSet(setHandle, where);
    if (!set) {
        return 0;
    }
    std::vector<std::string> problems;
    if (device) {
        problems.push_back("a device filter given, expected none");
    }
    if (!classGuid || !(*classGuid == set->interfaceClass)) {
        problems.push_back("class GUID is not the set's class");
    }
    if (!interfaceData) {
        problems.push_back("no interface data");
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            Violation(where + problem);
        }
        Fail(win32::ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (interfaceData->cbSize != kInterfaceDataSize) {
        Violation(where + "interface data cbSize " + std::to_string(interfaceData->cbSize) +
                  ", expected " + std::to_string(kInterfaceDataSize));
        Fail(win32::ERROR_INVALID_USER_BUFFER);
        return 0;
    }
    for (const EnumFailure& failure : enumFailures_) {
        if (failure.interfaceClass == set->interfaceClass && failure.index == memberIndex) {
            Fail(failure.error);
            return 0;
        }
    }
    if (memberIndex >= set->members.size()) {
        Fail(ERROR_NO_MORE_ITEMS);
        return 0;
    }
    interfaceData->InterfaceClassGuid = set->interfaceClass;
    interfaceData->Flags = win32::SPINT_ACTIVE;
    interfaceData->Reserved = set->members[memberIndex].id;
    return 1;
}

BOOL SimulatedWindowsHost::SetupDiGetDeviceInterfaceDetailA(
    HDEVINFO setHandle, SP_DEVICE_INTERFACE_DATA* interfaceData,
    SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize, DWORD* requiredSize,
    SP_DEVINFO_DATA* deviceInfo) {
    const std::string where = "SetupDiGetDeviceInterfaceDetailA: ";
    DeviceInfoSet* set = OpenSet(setHandle, where);
    if (!set) {
        return 0;
    }
    if (!interfaceData || interfaceData->cbSize != kInterfaceDataSize) {
        Violation(where + "interface data missing or its cbSize is wrong");
        Fail(win32::ERROR_INVALID_USER_BUFFER);
        return 0;
    }
    const DWORD id = interfaceData->Reserved;
    auto member = std::find_if(set->members.begin(), set->members.end(),
                               [id](const InterfaceEntry& entry) { return entry.id == id; });
    if (member == set->members.end()) {
        Violation(where + "the interface data is not from this set's enumeration");
        Fail(win32::ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (deviceInfo && deviceInfo->cbSize != kDevInfoDataSize) {
        Violation(where + "device record cbSize " + std::to_string(deviceInfo->cbSize) +
                  ", expected " + std::to_string(kDevInfoDataSize));
        Fail(win32::ERROR_INVALID_USER_BUFFER);
        return 0;
    }
    // An interface whose device was unplugged after the set was made is gone.
    const InterfaceEntry* entry = FindInterface(id);
    const SimulatedDevice* device = entry ? FindDevice(entry->owner) : nullptr;
    if (!entry || !device) {
        Fail(win32::ERROR_NO_SUCH_DEVINST);
        return 0;
    }
    const DWORD needed = kDetailHeaderSize + static_cast<DWORD>(entry->path.size()) + 1;

    if (!detail) {
        // The size query; it also yields the device record.
        if (detailSize != 0) {
            Violation(where + "no detail buffer but a size of " + std::to_string(detailSize));
            Fail(win32::ERROR_INVALID_USER_BUFFER);
            return 0;
        }
        if (device->recordError_) {
            Fail(device->recordError_);
            return 0;
        }
        FillDeviceInfo(deviceInfo, entry->owner);
        if (requiredSize) {
            *requiredSize = needed;
        }
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (detailSize < kDetailCbSize || detail->cbSize != kDetailCbSize) {
        Violation(where + "detail cbSize " + std::to_string(detail->cbSize) + " in a block of " +
                  std::to_string(detailSize) + ", expected cbSize " +
                  std::to_string(kDetailCbSize));
        Fail(win32::ERROR_INVALID_USER_BUFFER);
        return 0;
    }
    if (device->detailError_) {
        Fail(device->detailError_);
        return 0;
    }
    if (requiredSize) {
        *requiredSize = needed;
    }
    if (detailSize < needed) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(detail->DevicePath, entry->path.c_str(), entry->path.size() + 1);
    FillDeviceInfo(deviceInfo, entry->owner);
    return 1;
}

BOOL SimulatedWindowsHost::SetupDiGetDeviceRegistryPropertyA(HDEVINFO setHandle,
                                                             SP_DEVINFO_DATA* deviceInfo,
                                                             DWORD property, DWORD* regType,
                                                             BYTE* buffer, DWORD bufferSize,
                                                             DWORD* requiredSize) {
    const std::string where = "SetupDiGetDeviceRegistryPropertyA: ";
    DeviceInfoSet* set = OpenSet(setHandle, where);
    if (!set) {
        return 0;
    }
    if (!deviceInfo || deviceInfo->cbSize != kDevInfoDataSize) {
        Violation(where + "device record missing or its cbSize is wrong");
        Fail(win32::ERROR_INVALID_USER_BUFFER);
        return 0;
    }
    if (!SetHoldsDevice(*set, deviceInfo->DevInst)) {
        Violation(where + "device " + Hex(deviceInfo->DevInst) + " is not in this set");
        Fail(win32::ERROR_NO_SUCH_DEVINST);
        return 0;
    }
    SimulatedDevice* device = FindDevice(deviceInfo->DevInst);
    if (!device) {  // unplugged after the set was made
        Fail(win32::ERROR_NO_SUCH_DEVINST);
        return 0;
    }
    if (property != SPDRP_HARDWAREID) {
        Violation(where + "property " + std::to_string(property) +
                  " asked for; only SPDRP_HARDWAREID is simulated");
        Fail(win32::ERROR_INVALID_DATA);
        return 0;
    }
    if (!buffer && bufferSize != 0) {
        Violation(where + "no buffer but a size of " + std::to_string(bufferSize));
        Fail(win32::ERROR_INVALID_USER_BUFFER);
        return 0;
    }
    if (device->hardwareIdError_) {
        Fail(device->hardwareIdError_);
        return 0;
    }
    if (device->hardwareIds_.empty()) {
        Fail(win32::ERROR_INVALID_DATA);
        return 0;
    }
    // REG_MULTI_SZ: each string with its terminator, and one more terminator at the end.
    std::string value;
    for (const std::string& id : device->hardwareIds_) {
        value += id;
        value += '\0';
    }
    value += '\0';
    const DWORD needed = static_cast<DWORD>(value.size());
    if (regType) {
        *regType = win32::REG_MULTI_SZ;
    }
    if (requiredSize) {
        *requiredSize = needed;
    }
    if (bufferSize < needed) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, value.data(), needed);
    return 1;
}

BOOL SimulatedWindowsHost::SetupDiDestroyDeviceInfoList(HDEVINFO setHandle) {
    if (sets_.erase(reinterpret_cast<std::uintptr_t>(setHandle))) {
        return 1;
    }
    Violation("SetupDiDestroyDeviceInfoList: " + Hex(reinterpret_cast<std::uintptr_t>(setHandle)) +
              " is not an open device information set");
    Fail(win32::ERROR_INVALID_HANDLE);
    return 0;
}

// ---- Configuration manager ----

DWORD SimulatedWindowsHost::CmGetChild(DEVINST* child, DEVINST parent, DWORD flags) {
    DWORD result = win32::CR_SUCCESS;
    const SimulatedDevice* device = FindDevice(parent);
    if (flags != 0) {
        Violation("CM_Get_Child: flags " + Hex(flags) + ", expected 0");
        result = win32::CR_INVALID_FLAG;
    } else if (!child) {
        Violation("CM_Get_Child: no place for the child");
        result = win32::CR_INVALID_POINTER;
    } else if (!device) {
        result = win32::CR_INVALID_DEVNODE;
    } else if (device->childError_ != win32::CR_SUCCESS) {
        result = device->childError_;
    } else if (!device->child_) {
        result = win32::CR_NO_SUCH_DEVNODE;
    } else {
        *child = *device->child_;
    }
    cmCalls_.push_back({parent, flags, result});
    return result;
}

DWORD SimulatedWindowsHost::CmGetChildEntry(DEVINST* child, DEVINST parent, DWORD flags) {
    return Current() ? Current()->CmGetChild(child, parent, flags) : win32::CR_FAILURE;
}

}  // namespace emulator
