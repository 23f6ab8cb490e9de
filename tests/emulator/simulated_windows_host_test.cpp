// The simulated Windows host's own contract: the SetupAPI protocols and their failures, the
// pass-through header checks and decoding, ASPI request completion and sense data, handle
// and event accounting, and module lookups. The reader library's tests run its Windows
// paths on this host; here a small stub device stands behind it.
#include "emulator/SimulatedWindowsHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace emulator {
namespace {

using namespace quillon::win;

// Records every command block and answers reads from reply.
class StubDevice final : public ScsiDevice {
public:
    struct Call {
        std::vector<std::uint8_t> cdb;
        DataDirection direction;
        std::vector<std::uint8_t> dataOut;
        std::size_t length;
    };

    ScsiResult Execute(const std::uint8_t* cdb, std::size_t cdbLength, DataDirection direction,
                       std::uint8_t* data, std::size_t length) override {
        Call call{{cdb, cdb + cdbLength}, direction, {}, length};
        ScsiResult result = answer;
        if (direction == DataDirection::ToDevice) {
            call.dataOut.assign(data, data + length);
            result.transferred = length;
        } else if (direction == DataDirection::FromDevice) {
            result.transferred = std::min(reply.size(), length);
            std::copy(reply.begin(), reply.begin() + result.transferred, data);
        }
        calls.push_back(std::move(call));
        return result;
    }

    std::vector<std::uint8_t> reply;
    ScsiResult answer;
    std::vector<Call> calls;
};

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

const std::vector<std::uint8_t> kReadCdb = {0x08, 0x20, 0x46, 0x00, 0x04, 0x00, 'S', 'I', 'M', ' '};
const std::vector<std::uint8_t> kLongWriteCdb = {0x0A, 0x21, 0x46, 0x00, 0x05, 0x00, 'S',  'I',
                                                 'M',  ' ',  0x01, 0x02, 0x00, 0x00, 0x00, 0x00};

class SimulatedWindowsTest : public ::testing::Test {
protected:
    // Every test ends without unexpected violations; one that provokes some takes them.
    void TearDown() override { EXPECT_EQ(host.Violations(), std::vector<std::string>{}); }

    std::vector<std::string> TakeViolations() {
        std::vector<std::string> taken = host.Violations();
        host.ClearViolations();
        return taken;
    }

    SimulatedWindowsHost host;
    StubDevice device;
};

// ---- Version record ----

TEST_F(SimulatedWindowsTest, VersionPresetsReportTheirRecord) {
    struct Row {
        WindowsVersion version;
        DWORD platform, major, minor;
    };
    const Row rows[] = {
        {WindowsVersion::Windows98(), 1, 4, 10},      {WindowsVersion::WindowsMe(), 1, 4, 90},
        {WindowsVersion::Windows9xMajor5(), 1, 5, 0}, {WindowsVersion::Nt4(), 2, 4, 0},
        {WindowsVersion::Windows2000(), 2, 5, 0},     {WindowsVersion::WindowsXp(), 2, 5, 1},
        {WindowsVersion::WindowsVista(), 2, 6, 0},    {WindowsVersion::Windows7(), 2, 6, 1},
        {WindowsVersion::Windows10(), 2, 10, 0},
    };
    for (const Row& row : rows) {
        host.SetVersion(row.version);
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        ASSERT_TRUE(host.GetVersionExA(&info));
        EXPECT_EQ(info.dwPlatformId, row.platform);
        EXPECT_EQ(info.dwMajorVersion, row.major);
        EXPECT_EQ(info.dwMinorVersion, row.minor);
    }

    OSVERSIONINFOA unsized{};
    EXPECT_FALSE(host.GetVersionExA(&unsized));
    EXPECT_EQ(host.GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_TRUE(Contains(TakeViolations(), "dwOSVersionInfoSize"));
}

// ---- SetupAPI ----

class SimulatedWindowsSetupApiTest : public SimulatedWindowsTest {
protected:
    SP_DEVICE_INTERFACE_DATA Interface(HDEVINFO set, const GUID& cls, DWORD index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        EXPECT_TRUE(host.SetupDiEnumDeviceInterfaces(set, nullptr, &cls, index, &data));
        return data;
    }
    // The device record, from the detail size query (which fails as the protocol has it).
    SP_DEVINFO_DATA Record(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, DWORD* size) {
        SP_DEVINFO_DATA record{};
        record.cbSize = sizeof record;
        EXPECT_FALSE(host.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, size, &record));
        EXPECT_EQ(host.GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        return record;
    }
    HDEVINFO Open(const GUID& cls) {
        return host.SetupDiGetClassDevsA(&cls, nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    }
};

TEST_F(SimulatedWindowsSetupApiTest, EnumeratesAClassInInsertionOrder) {
    host.AddDevice(0x30).Interface(kGuidUsbDevice, "usb-a");
    host.AddDevice(0x10).Interface(kGuidDisk, "disk-b").Interface(kGuidUsbDevice, "usb-b");
    host.AddDevice(0x20).Interface(kGuidUsbDevice, "usb-c");

    HDEVINFO set = Open(kGuidUsbDevice);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(set), std::uintptr_t{1} << 32);
    std::vector<DEVINST> order;
    for (DWORD index = 0; index < 3; ++index) {
        SP_DEVICE_INTERFACE_DATA data = Interface(set, kGuidUsbDevice, index);
        EXPECT_EQ(data.InterfaceClassGuid, kGuidUsbDevice);
        order.push_back(Record(set, data, nullptr).DevInst);
    }
    EXPECT_EQ(order, (std::vector<DEVINST>{0x30, 0x10, 0x20}));

    SP_DEVICE_INTERFACE_DATA past{};
    past.cbSize = sizeof past;
    EXPECT_FALSE(host.SetupDiEnumDeviceInterfaces(set, nullptr, &kGuidUsbDevice, 3, &past));
    EXPECT_EQ(host.GetLastError(), ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(host.OpenDeviceInfoSets(), 1);
    EXPECT_TRUE(host.SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(host.OpenDeviceInfoSets(), 0);
    EXPECT_EQ(host.DeviceInfoSetsCreated(), 1);
    EXPECT_FALSE(host.SetupDiDestroyDeviceInfoList(set));
    EXPECT_TRUE(Contains(TakeViolations(), "not an open device information set"));
}

TEST_F(SimulatedWindowsSetupApiTest, UnpluggedDeviceLeavesTheTree) {
    host.AddDevice(1).HardwareIds({"A"}).Interface(kGuidUsbDevice, "usb-a");
    host.AddDevice(2).HardwareIds({"B"}).Interface(kGuidUsbDevice, "usb-b");
    HDEVINFO before = Open(kGuidUsbDevice);
    host.RemoveDevice(1);

    SP_DEVICE_INTERFACE_DATA gone = Interface(before, kGuidUsbDevice, 0);
    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof record;
    DWORD size = 0;
    EXPECT_FALSE(host.SetupDiGetDeviceInterfaceDetailA(before, &gone, nullptr, 0, &size, &record));
    EXPECT_EQ(host.GetLastError(), win32::ERROR_NO_SUCH_DEVINST);

    HDEVINFO after = Open(kGuidUsbDevice);
    SP_DEVICE_INTERFACE_DATA remaining = Interface(after, kGuidUsbDevice, 0);
    EXPECT_EQ(Record(after, remaining, nullptr).DevInst, 2u);
    host.SetupDiDestroyDeviceInfoList(before);
    host.SetupDiDestroyDeviceInfoList(after);
}

TEST_F(SimulatedWindowsSetupApiTest, InterfaceDetailTwoCallProtocol) {
    const std::string path = "\\\\?\\usbstor#disk&ven_generic#1#{53f56307}";
    host.AddDevice(0x42).Interface(kGuidDisk, path);
    HDEVINFO set = Open(kGuidDisk);
    SP_DEVICE_INTERFACE_DATA data = Interface(set, kGuidDisk, 0);

    DWORD required = 0;
    EXPECT_EQ(Record(set, data, &required).DevInst, 0x42u);
    ASSERT_EQ(required, 4 + path.size() + 1);

    std::vector<std::uint8_t> block(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof record;

    detail->cbSize = 4 + path.size() + 1;  // the whole block's size: a classic mistake
    EXPECT_FALSE(
        host.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, &record));
    EXPECT_EQ(host.GetLastError(), 1784u);
    EXPECT_TRUE(Contains(TakeViolations(), "cbSize"));

    detail->cbSize = 5;
    EXPECT_FALSE(
        host.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required - 1, nullptr, &record));
    EXPECT_EQ(host.GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    ASSERT_TRUE(
        host.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, &record));
    EXPECT_EQ(std::string(detail->DevicePath), path);
    EXPECT_EQ(record.DevInst, 0x42u);
    host.SetupDiDestroyDeviceInfoList(set);
}

TEST_F(SimulatedWindowsSetupApiTest, HardwareIdSizeQueryThenMultiString) {
    host.AddDevice(7)
        .HardwareIds({"USB\\Vid_0b9d&Pid_7731&Rev_0100", "USB\\Vid_0b9d&Pid_7731"})
        .Interface(kGuidUsbDevice, "p");
    HDEVINFO set = Open(kGuidUsbDevice);
    SP_DEVICE_INTERFACE_DATA data = Interface(set, kGuidUsbDevice, 0);
    SP_DEVINFO_DATA record = Record(set, data, nullptr);

    DWORD required = 0;
    DWORD type = 0;
    EXPECT_FALSE(host.SetupDiGetDeviceRegistryPropertyA(set, &record, SPDRP_HARDWAREID, &type,
                                                        nullptr, 0, &required));
    EXPECT_EQ(host.GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    using namespace std::string_literals;
    const std::string expected = "USB\\Vid_0b9d&Pid_7731&Rev_0100\0USB\\Vid_0b9d&Pid_7731\0\0"s;
    ASSERT_EQ(required, expected.size());

    std::vector<BYTE> buffer(required + 1, 0xEE);
    ASSERT_TRUE(host.SetupDiGetDeviceRegistryPropertyA(set, &record, SPDRP_HARDWAREID, &type,
                                                       buffer.data(), required + 1, nullptr));
    EXPECT_EQ(type, 7u);  // REG_MULTI_SZ
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + required), expected);
    EXPECT_EQ(buffer[required], 0xEE);
    host.SetupDiDestroyDeviceInfoList(set);
}

TEST_F(SimulatedWindowsSetupApiTest, InjectedFailuresEndTheRightCall) {
    struct Row {
        const char* reason;
        std::function<void(SimulatedWindowsHost&, SimulatedDevice&)> inject;
        enum { ClassDevs, Enumerate, Record, Detail, HardwareId } failingCall;
    };
    const Row rows[] = {
        {"class cannot be enumerated", [](auto& h, auto&) { h.FailClassDevs(kGuidUsbDevice, 13); },
         Row::ClassDevs},
        {"the next GetClassDevs call fails", [](auto& h, auto&) { h.FailClassDevsCall(1, 13); },
         Row::ClassDevs},
        {"enumeration breaks at index 0",
         [](auto& h, auto&) { h.FailEnumeration(kGuidUsbDevice, 0, 13); }, Row::Enumerate},
        {"device record unreadable", [](auto&, auto& d) { d.RecordUnreadable(13); }, Row::Record},
        {"interface path unreadable", [](auto&, auto& d) { d.DetailUnreadable(13); }, Row::Detail},
        {"hardware id unreadable", [](auto&, auto& d) { d.HardwareIdUnreadable(13); },
         Row::HardwareId},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        SimulatedWindowsHost local;
        SimulatedDevice& node =
            local.AddDevice(1).HardwareIds({"X"}).Interface(kGuidUsbDevice, "path");
        row.inject(local, node);

        // Every call before the failing one succeeds; the failing one reports the error.
        auto endsHere = [&](bool ok, int call) {
            if (call == row.failingCall) {
                EXPECT_FALSE(ok);
                EXPECT_EQ(local.GetLastError(), 13u);
                return true;
            }
            EXPECT_TRUE(ok);
            return false;
        };
        HDEVINFO set = local.SetupDiGetClassDevsA(&kGuidUsbDevice, nullptr, nullptr, 0x12);
        if (endsHere(set != INVALID_HANDLE_VALUE, Row::ClassDevs)) {
            continue;
        }
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (endsHere(local.SetupDiEnumDeviceInterfaces(set, nullptr, &kGuidUsbDevice, 0, &data),
                     Row::Enumerate)) {
            local.SetupDiDestroyDeviceInfoList(set);
            continue;
        }
        SP_DEVINFO_DATA record{};
        record.cbSize = sizeof record;
        DWORD size = 0;
        local.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, &record);
        const bool recordRead = local.GetLastError() == ERROR_INSUFFICIENT_BUFFER;
        endsHere(recordRead, Row::Record);
        if (recordRead) {
            std::vector<std::uint8_t> block(size);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
            detail->cbSize = 5;
            endsHere(
                local.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, size, nullptr, &record),
                Row::Detail);
            BYTE id[8];
            endsHere(local.SetupDiGetDeviceRegistryPropertyA(set, &record, SPDRP_HARDWAREID,
                                                             nullptr, id, sizeof id, nullptr),
                     Row::HardwareId);
        }
        local.SetupDiDestroyDeviceInfoList(set);
        EXPECT_EQ(local.OpenDeviceInfoSets(), 0);
        EXPECT_EQ(local.Violations(), std::vector<std::string>{});
    }
}

TEST_F(SimulatedWindowsSetupApiTest, RejectsCallsTheDiscoveryNeverMakes) {
    host.AddDevice(1).HardwareIds({"X"}).Interface(kGuidUsbDevice, "p");
    EXPECT_EQ(host.SetupDiGetClassDevsA(&kGuidUsbDevice, nullptr, nullptr, DIGCF_PRESENT),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), 87u);
    EXPECT_TRUE(Contains(TakeViolations(), "flags 0x2"));

    HDEVINFO set = Open(kGuidUsbDevice);
    SP_DEVICE_INTERFACE_DATA data{};  // cbSize left 0
    EXPECT_FALSE(host.SetupDiEnumDeviceInterfaces(set, nullptr, &kGuidUsbDevice, 0, &data));
    EXPECT_EQ(host.GetLastError(), 1784u);
    EXPECT_FALSE(host.SetupDiEnumDeviceInterfaces(set, nullptr, &kGuidDisk, 0, &data));
    const auto violations = TakeViolations();
    EXPECT_TRUE(Contains(violations, "cbSize 0"));
    EXPECT_TRUE(Contains(violations, "not the set's class"));

    SP_DEVINFO_DATA stranger{};
    stranger.cbSize = sizeof stranger;
    stranger.DevInst = 99;
    DWORD size = 0;
    EXPECT_FALSE(host.SetupDiGetDeviceRegistryPropertyA(set, &stranger, SPDRP_HARDWAREID, nullptr,
                                                        nullptr, 0, &size));
    EXPECT_TRUE(Contains(TakeViolations(), "not in this set"));
    host.SetupDiDestroyDeviceInfoList(set);
}

TEST_F(SimulatedWindowsSetupApiTest, ConfigManagerChildThroughSetupApiModule) {
    host.AddDevice(0x10).Child(0x11);
    host.AddDevice(0x20);
    host.AddDevice(0x30).ChildError(0x0D);

    HMODULE setupapi = host.GetModuleHandleA("SetupAPI.dll");
    ASSERT_NE(setupapi, nullptr);
    auto getChild = reinterpret_cast<CM_Get_ChildFn>(host.GetProcAddress(setupapi, "CM_Get_Child"));
    ASSERT_NE(getChild, nullptr);

    DEVINST child = 0;
    EXPECT_EQ(getChild(&child, 0x10, 0), 0u);
    EXPECT_EQ(child, 0x11u);
    EXPECT_EQ(getChild(&child, 0x20, 0), 0x0Du);  // no child node
    EXPECT_EQ(getChild(&child, 0x30, 0), 0x0Du);  // configured failure
    EXPECT_EQ(getChild(&child, 0x99, 0), 0x05u);  // CR_INVALID_DEVNODE
    EXPECT_EQ(host.ConfigManagerCalls().size(), 4u);

    host.ConfigManagerAvailable(false);
    EXPECT_EQ(host.GetProcAddress(setupapi, "CM_Get_Child"), nullptr);
    EXPECT_EQ(host.GetLastError(), 127u);
    host.SetupApiLoaded(false);
    EXPECT_EQ(host.GetModuleHandleA("setupapi.dll"), nullptr);
    // Looking up in the null handle of a module that is not loaded just finds nothing.
    EXPECT_EQ(host.GetProcAddress(nullptr, "CM_Get_Child"), nullptr);
}

// ---- Files and the SCSI pass-through ----

struct Exchange {
    SCSI_PASS_THROUGH header;
    std::uint8_t data[64];
};

Exchange PassThrough(const std::vector<std::uint8_t>& cdb, BYTE dataIn, DWORD transfer) {
    Exchange exchange{};
    exchange.header.Length = 44;
    exchange.header.TargetId = 1;
    exchange.header.CdbLength = static_cast<BYTE>(cdb.size());
    exchange.header.DataIn = dataIn;
    exchange.header.DataTransferLength = transfer;
    exchange.header.TimeOutValue = 10;
    exchange.header.DataBufferOffset = 44;
    std::copy(cdb.begin(), cdb.end(), exchange.header.Cdb);
    return exchange;
}

class SimulatedWindowsPassThroughTest : public SimulatedWindowsTest {
protected:
    void SetUp() override {
        host.AttachPath(kPath, device);
        handle = host.CreateFileA(kPath, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        host.CloseHandle(handle);
        EXPECT_EQ(host.OpenFiles(), 0);
        SimulatedWindowsTest::TearDown();
    }
    BOOL Run(Exchange& exchange, DWORD inSize, DWORD outSize) {
        return host.DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH, &exchange, inSize, &exchange,
                                    outSize, &returned, nullptr);
    }

    static constexpr const char* kPath = "\\\\?\\usbstor#disk&ven_generic#1#{53f56307}";
    HANDLE handle = nullptr;
    DWORD returned = 0xDEAD;
};

TEST_F(SimulatedWindowsPassThroughTest, ReadHandsTheCommandToTheDeviceAndReturnsWhatItSupplied) {
    device.reply = {0x9F, 0x1A};
    Exchange exchange = PassThrough(kReadCdb, 1, 4);
    std::memset(exchange.data, 0xAA, sizeof exchange.data);

    ASSERT_TRUE(Run(exchange, 44, 48));
    EXPECT_EQ(returned, 46u);  // the header and the 2 bytes the device supplied
    EXPECT_EQ(exchange.header.ScsiStatus, 0);
    EXPECT_EQ(exchange.data[0], 0x9F);
    EXPECT_EQ(exchange.data[1], 0x1A);
    EXPECT_EQ(exchange.data[2], 0xAA);  // bytes not supplied are left alone

    ASSERT_EQ(device.calls.size(), 1u);
    EXPECT_EQ(device.calls[0].cdb, kReadCdb);
    EXPECT_EQ(device.calls[0].direction, DataDirection::FromDevice);
    EXPECT_EQ(device.calls[0].length, 4u);
    ASSERT_EQ(host.PassThroughLog().size(), 1u);
    EXPECT_EQ(host.PassThroughLog()[0].lengthIn, 4u);
}

TEST_F(SimulatedWindowsPassThroughTest, WriteCarriesItsDataPhase) {
    Exchange exchange = PassThrough(kLongWriteCdb, 0, 6);
    const std::uint8_t phase[6] = {0xA0, 0xA4, 0x00, 0x00, 0x02, 0x00};
    std::memcpy(exchange.data, phase, sizeof phase);

    ASSERT_TRUE(Run(exchange, 50, 50));
    EXPECT_EQ(returned, 50u);
    ASSERT_EQ(device.calls.size(), 1u);
    EXPECT_EQ(device.calls[0].cdb, kLongWriteCdb);
    EXPECT_EQ(device.calls[0].direction, DataDirection::ToDevice);
    EXPECT_EQ(device.calls[0].dataOut, std::vector<std::uint8_t>(phase, phase + 6));
    EXPECT_EQ(host.PassThroughLog().at(0).dataOut, device.calls[0].dataOut);
}

TEST_F(SimulatedWindowsPassThroughTest, CheckConditionCompletesWithItsStatus) {
    device.answer.status = 2;
    device.answer.senseKey = 6;
    Exchange exchange = PassThrough(kReadCdb, 1, 4);
    EXPECT_TRUE(Run(exchange, 44, 48));
    EXPECT_EQ(exchange.header.ScsiStatus, 2);
}

TEST_F(SimulatedWindowsPassThroughTest, UndeliveredCommandsFailWithTheConfiguredError) {
    device.answer.delivered = false;
    Exchange exchange = PassThrough(kReadCdb, 1, 4);
    EXPECT_FALSE(Run(exchange, 44, 48));
    EXPECT_EQ(host.GetLastError(), 31u);  // ERROR_GEN_FAILURE

    host.SetUndeliveredError(1167).DetachPath(kPath);  // the reader is unplugged
    exchange = PassThrough(kReadCdb, 1, 4);
    EXPECT_FALSE(Run(exchange, 44, 48));
    EXPECT_EQ(host.GetLastError(), 1167u);
    EXPECT_EQ(device.calls.size(), 1u);
}

TEST_F(SimulatedWindowsPassThroughTest, MalformedRequestsAreRejected) {
    struct Call {
        Exchange exchange = PassThrough(kReadCdb, 1, 4);
        DWORD code = IOCTL_SCSI_PASS_THROUGH;
        DWORD inSize = 44;
        DWORD outSize = 48;
        bool separateOutput = false;
    };
    struct Row {
        const char* expected;  // part of the violation text
        std::function<void(Call&)> spoil;
    };
    const Row rows[] = {
        {"Length 36", [](Call& c) { c.exchange.header.Length = 36; }},
        {"ScsiStatus 2 on input", [](Call& c) { c.exchange.header.ScsiStatus = 2; }},
        {"PathId 1", [](Call& c) { c.exchange.header.PathId = 1; }},
        {"TargetId 0", [](Call& c) { c.exchange.header.TargetId = 0; }},
        {"Lun 1", [](Call& c) { c.exchange.header.Lun = 1; }},
        {"CdbLength 12", [](Call& c) { c.exchange.header.CdbLength = 12; }},
        {"past CdbLength", [](Call& c) { c.exchange.header.Cdb[12] = 0x01; }},
        {"SenseInfoLength 14", [](Call& c) { c.exchange.header.SenseInfoLength = 14; }},
        {"DataIn 2", [](Call& c) { c.exchange.header.DataIn = 2; }},
        {"TimeOutValue 5", [](Call& c) { c.exchange.header.TimeOutValue = 5; }},
        {"DataBufferOffset 48", [](Call& c) { c.exchange.header.DataBufferOffset = 48; }},
        {"SenseInfoOffset 48", [](Call& c) { c.exchange.header.SenseInfoOffset = 48; }},
        {"input size 48", [](Call& c) { c.inSize = 48; }},
        {"output size 44", [](Call& c) { c.outSize = 44; }},
        {"input size 44, expected 50",
         [](Call& c) {
             c.exchange = PassThrough(kLongWriteCdb, 0, 6);
             c.outSize = 50;
         }},
        {"control code", [](Call& c) { c.code = 0x4D014; }},
        {"not the same exchange buffer", [](Call& c) { c.separateOutput = true; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        Call call;
        row.spoil(call);
        Exchange output = call.exchange;
        void* out = call.separateOutput ? &output : &call.exchange;
        EXPECT_FALSE(host.DeviceIoControl(handle, call.code, &call.exchange, call.inSize, out,
                                          call.outSize, &returned, nullptr));
        EXPECT_EQ(host.GetLastError(), 87u);
        const auto violations = TakeViolations();
        EXPECT_EQ(violations.size(), 1u);
        EXPECT_TRUE(Contains(violations, row.expected)) << violations.front();
    }
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(SimulatedWindowsTest, CreateFileOpensAttachedPathsOnly) {
    host.AttachPath("\\\\?\\USBSTOR#Disk#1", device).FailOpen("\\\\?\\locked", 5);
    auto open = [&](const char* path, DWORD access) {
        return host.CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    };
    const DWORD readWrite = GENERIC_READ | GENERIC_WRITE;

    HANDLE first = open("\\\\?\\usbstor#disk#1", readWrite);  // paths ignore case
    HANDLE second = open("\\\\?\\USBSTOR#Disk#1", readWrite);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_NE(first, second);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(second), std::uintptr_t{1} << 32);

    EXPECT_EQ(open("\\\\?\\elsewhere", readWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), 2u);
    EXPECT_EQ(open("\\\\?\\locked", readWrite), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), 5u);
    EXPECT_EQ(open("\\\\?\\usbstor#disk#1", GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(host.GetLastError(), 87u);
    EXPECT_TRUE(Contains(TakeViolations(), "access 0x80000000"));

    EXPECT_EQ(host.FilesOpened(), 2);
    EXPECT_EQ(host.OpenFiles(), 2);
    EXPECT_TRUE(host.CloseHandle(first));
    EXPECT_TRUE(host.CloseHandle(second));
    EXPECT_EQ(host.OpenFiles(), 0);
    EXPECT_FALSE(host.CloseHandle(second));
    EXPECT_EQ(host.GetLastError(), 6u);
    EXPECT_TRUE(Contains(TakeViolations(), "not an open handle"));
}

// ---- Modules and ASPI for Win32 ----

TEST_F(SimulatedWindowsTest, AspiLibraryLoadsOnlyWhenInstalled) {
    EXPECT_EQ(host.LoadLibraryA("WNASPI32"), nullptr);
    EXPECT_EQ(host.GetLastError(), 1157u);
    host.AspiLoadFails(126);
    EXPECT_EQ(host.LoadLibraryA("WNASPI32"), nullptr);
    EXPECT_EQ(host.GetLastError(), 126u);

    SimulatedWindowsHost installed;
    installed.InstallAspi().RemoveAspiEntryPoint("GetASPI32Buffer");
    installed.SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE aspi = installed.LoadLibraryA("WNASPI32");
    installed.SetErrorMode(0);
    ASSERT_NE(aspi, nullptr);
    EXPECT_EQ(installed.ErrorModes(), (std::vector<UINT>{0x8000, 0}));
    EXPECT_EQ(installed.LibraryLoads().at(0).errorMode, 0x8000u);

    for (const char* name : {"GetASPI32SupportInfo", "SendASPI32Command", "FreeASPI32Buffer",
                             "TranslateASPI32Address"}) {
        EXPECT_NE(installed.GetProcAddress(aspi, name), nullptr) << name;
    }
    EXPECT_EQ(installed.GetProcAddress(aspi, "GetASPI32Buffer"), nullptr);
    EXPECT_EQ(installed.GetLastError(), 127u);

    EXPECT_TRUE(installed.FreeLibrary(aspi));
    EXPECT_EQ(installed.AspiLoads(), 1);
    EXPECT_EQ(installed.AspiFrees(), 1);
    EXPECT_FALSE(installed.FreeLibrary(aspi));
    EXPECT_TRUE(Contains(installed.Violations(), "not a loaded library"));
}

TEST_F(SimulatedWindowsTest, AspiEntryPointsReachTheCurrentHost) {
    host.AddAspiAdapter();
    host.AddAspiAdapter();
    HMODULE aspi = host.LoadLibraryA("wnaspi32.dll");
    auto supportInfo =
        reinterpret_cast<GetASPI32SupportInfoFn>(host.GetProcAddress(aspi, "GetASPI32SupportInfo"));
    EXPECT_EQ(supportInfo(), 0x0102u);  // SS_COMP, two adapters
    host.SetAspiSupportStatus(0x55).SetAspiAdapterCount(9);
    EXPECT_EQ(supportInfo(), 0x5509u);

    {
        SimulatedWindowsHost other;  // the newest host is the current one
        EXPECT_EQ(SimulatedWindowsHost::Current(), &other);
        other.InstallAspi();
        other.LoadLibraryA("WNASPI32");
        EXPECT_EQ(supportInfo(), 0xE800u);  // no adapters
        host.MakeCurrent();
        EXPECT_EQ(supportInfo(), 0x5509u);
        other.MakeCurrent();
    }
    // Once the newer host is gone, the older one is current again.
    EXPECT_EQ(SimulatedWindowsHost::Current(), &host);
    EXPECT_EQ(supportInfo(), 0x5509u);

    auto translate = reinterpret_cast<TranslateASPI32AddressFn>(
        host.GetProcAddress(aspi, "TranslateASPI32Address"));
    DWORD path = 0, node = 0;
    translate(&path, &node);
    EXPECT_EQ(host.TranslateAddressCalls(), 1);
    EXPECT_TRUE(Contains(TakeViolations(), "TranslateASPI32Address"));
    host.FreeLibrary(aspi);
}

class SimulatedWindowsAspiTest : public SimulatedWindowsTest {
protected:
    void SetUp() override {
        SimulatedAspiAdapter& adapter = host.AddAspiAdapter().MaxTargets(16);
        adapter.Target(1).Attach(device);
        adapter.Target(3).DeviceType(win32::DTYPE_CDROM);
        host.AddAspiAdapter().InquiryStatus(SS_ERR);
        aspi = host.LoadLibraryA("WNASPI32");
    }
    void TearDown() override {
        host.FreeLibrary(aspi);
        EXPECT_EQ(host.OpenEvents(), 0);
        SimulatedWindowsTest::TearDown();
    }

    // A cleared request block for the reader at 0:1, as the carriers fill it.
    SRB_ExecSCSICmd Exec(const std::vector<std::uint8_t>& cdb, BYTE direction, void* buffer,
                         DWORD length, HANDLE event = nullptr) {
        SRB_ExecSCSICmd srb{};
        srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        srb.SRB_Target = 1;
        srb.SRB_Flags = direction | (event ? SRB_EVENT_NOTIFY : 0);
        srb.SRB_BufLen = length;
        srb.SRB_BufPointer = host.PointerTo32(buffer);
        srb.SRB_SenseLen = SENSE_LEN;
        srb.SRB_CDBLen = static_cast<BYTE>(cdb.size());
        srb.SRB_PostProc = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(event));
        std::copy(cdb.begin(), cdb.end(), srb.CDBByte);
        return srb;
    }
    HANDLE NewEvent() { return host.CreateEventA(nullptr, 1, 0, nullptr); }

    HMODULE aspi = nullptr;
    std::uint8_t buffer[64] = {};
};

TEST_F(SimulatedWindowsAspiTest, AdapterInquiryAndDeviceTypes) {
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    EXPECT_EQ(host.SendASPI32Command(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.SRB_Status, SS_COMP);
    EXPECT_EQ(inquiry.HA_Unique[3], 16);
    inquiry = {};
    inquiry.SRB_HaId = 1;
    EXPECT_EQ(host.SendASPI32Command(&inquiry), SS_ERR);  // this adapter does not complete
    inquiry = {};
    inquiry.SRB_HaId = 2;
    EXPECT_EQ(host.SendASPI32Command(&inquiry), win32::SS_INVALID_HA);

    struct Row {
        BYTE target;
        BYTE status;
        BYTE type;
    };
    for (const Row& row : {Row{1, SS_COMP, win32::DTYPE_DASD}, Row{3, SS_COMP, win32::DTYPE_CDROM},
                           Row{0, win32::SS_NO_DEVICE, 0}}) {
        SRB_GDEVBlock type{};
        type.SRB_Cmd = SC_GET_DEV_TYPE;
        type.SRB_Target = row.target;
        EXPECT_EQ(host.SendASPI32Command(&type), row.status) << int(row.target);
        EXPECT_EQ(type.SRB_Status, row.status);
        EXPECT_EQ(type.SRB_DeviceType, row.type);
    }

    SRB_GetSetTimeouts timeouts{};
    timeouts.SRB_Cmd = SC_GETSET_TIMEOUTS;
    timeouts.SRB_HaId = timeouts.SRB_Target = timeouts.SRB_Lun = 0xFF;
    timeouts.SRB_Flags = SRB_DIR_OUT;
    timeouts.SRB_Timeout = 30;
    EXPECT_EQ(host.SendASPI32Command(&timeouts), SS_COMP);
    ASSERT_EQ(host.TimeoutRequests().size(), 1u);
    EXPECT_EQ(host.TimeoutRequests()[0].adapter, 0xFF);
    EXPECT_EQ(host.TimeoutRequests()[0].timeout, 30u);
}

TEST_F(SimulatedWindowsAspiTest, CompletionModes) {
    struct Row {
        const char* name;
        AspiCompletion mode;
        bool event;
        DWORD sendReturns;
        BYTE statusAfterSend;
        DWORD waitResult;  // unused without an event
        BYTE finalStatus;
    };
    const Row rows[] = {
        {"immediate, event", AspiCompletion::Immediate, true, SS_COMP, SS_COMP, WAIT_OBJECT_0,
         SS_COMP},
        {"immediate, polled", AspiCompletion::Immediate, false, SS_COMP, SS_COMP, 0, SS_COMP},
        {"pending, event", AspiCompletion::Pending, true, SS_PENDING, SS_PENDING, WAIT_OBJECT_0,
         SS_COMP},
        {"pending, polled", AspiCompletion::Pending, false, SS_PENDING, SS_COMP, 0, SS_COMP},
        {"never, event", AspiCompletion::Never, true, SS_PENDING, SS_PENDING, WAIT_TIMEOUT,
         SS_PENDING},
        {"never, polled", AspiCompletion::Never, false, SS_PENDING, SS_COMP, 0, SS_COMP},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.SetAspiCompletion(row.mode);
        device.calls.clear();
        device.reply = {0x9F, 0x0F};
        std::memset(buffer, 0, sizeof buffer);
        HANDLE event = row.event ? NewEvent() : nullptr;
        if (event) {
            host.ResetEvent(event);
        }
        SRB_ExecSCSICmd srb = Exec(kReadCdb, SRB_DIR_IN, buffer, 2, event);

        EXPECT_EQ(host.SendASPI32Command(&srb), row.sendReturns);
        EXPECT_EQ(srb.SRB_Status, row.statusAfterSend);
        if (event) {
            EXPECT_EQ(host.WaitForSingleObject(event, 15000), row.waitResult);
            EXPECT_TRUE(host.CloseHandle(event));
        }
        EXPECT_EQ(srb.SRB_Status, row.finalStatus);
        const bool ran = row.finalStatus == SS_COMP;
        EXPECT_EQ(device.calls.size(), ran ? 1u : 0u);
        EXPECT_EQ(buffer[0], ran ? 0x9F : 0x00);
        EXPECT_EQ(host.AspiLog().back().status, row.finalStatus);
    }
    EXPECT_EQ(host.Waits().back().milliseconds, 15000u);
}

TEST_F(SimulatedWindowsAspiTest, CheckConditionCarriesTheSenseKey) {
    device.answer.status = 2;
    device.answer.senseKey = 6;
    SRB_ExecSCSICmd srb = Exec(kReadCdb, SRB_DIR_IN, buffer, 4);
    EXPECT_EQ(host.SendASPI32Command(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(srb.SenseArea[0], 0x70);
    EXPECT_EQ(srb.SenseArea[2] & 0x0F, 6);

    device.answer = {};
    device.answer.delivered = false;
    srb = Exec(kReadCdb, SRB_DIR_IN, buffer, 4);
    EXPECT_EQ(host.SendASPI32Command(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, win32::HASTAT_SEL_TO);
    EXPECT_EQ(srb.SRB_TargStat, 0);
}

TEST_F(SimulatedWindowsAspiTest, InjectedFaultEndsTheNthRequestBeforeTheUnit) {
    host.FailAspiExec(2, AspiFault::CheckCondition(6)).SetAspiCompletion(AspiCompletion::Pending);
    std::vector<BYTE> statuses;
    for (int i = 0; i < 3; ++i) {
        HANDLE event = NewEvent();
        SRB_ExecSCSICmd srb = Exec(kReadCdb, SRB_DIR_IN, buffer, 4, event);
        host.SendASPI32Command(&srb);
        host.WaitForSingleObject(event, 15000);
        host.CloseHandle(event);
        statuses.push_back(srb.SRB_Status);
        if (i == 1) {
            EXPECT_EQ(srb.SRB_TargStat, STATUS_CHKCOND);
            EXPECT_EQ(srb.SenseArea[2] & 0x0F, 6);
        }
    }
    EXPECT_EQ(statuses, (std::vector<BYTE>{SS_COMP, SS_ERR, SS_COMP}));
    EXPECT_EQ(device.calls.size(), 2u);
    EXPECT_EQ(host.AspiExecCount(0, 1), 3);
    EXPECT_EQ(host.AspiExecCount(0, 3), 0);
}

TEST_F(SimulatedWindowsAspiTest, HostAnswersInquiryWithTheTargetsTexts) {
    host.AddAspiAdapter().Target(0).Inquiry(
        {win32::DTYPE_DASD, "Vend", "Product", std::string("1.0\0", 4)});
    const std::vector<std::uint8_t> inquiry = {0x12, 0x00, 0x00, 0x00, 0x24, 0x00};
    SRB_ExecSCSICmd srb = Exec(inquiry, SRB_DIR_IN, buffer, 36);
    srb.SRB_HaId = 2;
    srb.SRB_Target = 0;
    ASSERT_EQ(host.SendASPI32Command(&srb), SS_COMP);
    EXPECT_EQ(buffer[0], 0x00);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 8, 28),
              std::string("Vend    Product         1.0\0", 28));
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(SimulatedWindowsAspiTest, MalformedExecBlocksAreRejected) {
    struct Row {
        const char* expected;
        std::function<void(SRB_ExecSCSICmd&)> spoil;
    };
    const Row rows[] = {
        {"SRB_Lun 1", [](SRB_ExecSCSICmd& s) { s.SRB_Lun = 1; }},
        {"SRB_SenseLen 18", [](SRB_ExecSCSICmd& s) { s.SRB_SenseLen = 18; }},
        {"SRB_CDBLen 12", [](SRB_ExecSCSICmd& s) { s.SRB_CDBLen = 12; }},
        {"past SRB_CDBLen", [](SRB_ExecSCSICmd& s) { s.CDBByte[11] = 1; }},
        {"no single direction", [](SRB_ExecSCSICmd& s) { s.SRB_Flags = SRB_DIR_IN | SRB_DIR_OUT; }},
        {"unexpected bits", [](SRB_ExecSCSICmd& s) { s.SRB_Flags |= 0x01; }},
        {"not an open event", [](SRB_ExecSCSICmd& s) { s.SRB_Flags |= SRB_EVENT_NOTIFY; }},
        {"without SRB_EVENT_NOTIFY", [](SRB_ExecSCSICmd& s) { s.SRB_PostProc = 0x104; }},
        {"not an address from PointerTo32", [](SRB_ExecSCSICmd& s) { s.SRB_BufPointer = 0x1234; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        SRB_ExecSCSICmd srb = Exec(kReadCdb, SRB_DIR_IN, buffer, 4);
        row.spoil(srb);
        EXPECT_EQ(host.SendASPI32Command(&srb), win32::SS_INVALID_SRB);
        const auto violations = TakeViolations();
        EXPECT_EQ(violations.size(), 1u);
        EXPECT_TRUE(Contains(violations, row.expected)) << violations.front();
    }
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(SimulatedWindowsAspiTest, TransferBuffersAndEvents) {
    host.GrantAspiBufferSizes({131072});
    ASPI32BUFF descriptor{};
    descriptor.AB_BufLen = 524288;
    EXPECT_FALSE(host.GetASPI32Buffer(&descriptor));
    descriptor.AB_BufLen = 131072;
    ASSERT_TRUE(host.GetASPI32Buffer(&descriptor));
    ASSERT_NE(host.PointerFrom32(descriptor.AB_BufPointer), nullptr);
    EXPECT_EQ(host.OutstandingAspiBuffers(), 1);
    EXPECT_TRUE(host.FreeASPI32Buffer(&descriptor));
    EXPECT_EQ(host.AspiBufferFrees(), (std::vector<DWORD>{131072}));
    EXPECT_EQ(host.OutstandingAspiBuffers(), 0);
    EXPECT_FALSE(host.FreeASPI32Buffer(&descriptor));
    EXPECT_TRUE(Contains(TakeViolations(), "FreeASPI32Buffer"));

    EXPECT_EQ(host.CreateEventA(nullptr, 0, 0, nullptr), nullptr);  // auto-reset
    EXPECT_TRUE(Contains(TakeViolations(), "manual reset"));
    host.CreateEventFails();
    EXPECT_EQ(NewEvent(), nullptr);
    EXPECT_EQ(host.EventsCreated(), 0);
}

// ---- Memory ----

TEST_F(SimulatedWindowsTest, AllocationsAndAddresses) {
    host.FailGlobalAlloc(2);
    void* first = host.GlobalAlloc(GPTR, 16);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(static_cast<std::uint8_t*>(first)[15], 0);
    EXPECT_EQ(host.GlobalAlloc(GPTR, 16), nullptr);
    EXPECT_EQ(host.GetLastError(), 8u);
    void* third = host.GlobalAlloc(GPTR, 16);
    EXPECT_NE(third, nullptr);
    std::free(first);
    std::free(third);

    host.FailVirtualAlloc(1);
    EXPECT_EQ(host.VirtualAlloc(nullptr, 65536, MEM_COMMIT, PAGE_READWRITE), nullptr);
    void* block = host.VirtualAlloc(nullptr, 65536, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(host.OutstandingVirtualAllocs(), 1);
    EXPECT_TRUE(host.VirtualFree(block, 0, MEM_RELEASE));
    EXPECT_EQ(host.OutstandingVirtualAllocs(), 0);

    int a = 0, b = 0;
    const DWORD addressA = host.PointerTo32(&a);
    EXPECT_NE(addressA, 0u);
    EXPECT_EQ(host.PointerTo32(&a), addressA);
    EXPECT_NE(host.PointerTo32(&b), addressA);
    EXPECT_EQ(host.PointerFrom32(addressA), &a);
    EXPECT_EQ(host.PointerTo32(nullptr), 0u);
}

// ---- Presets ----

// Walks a preset's tree the way discovery does: the interface of a class whose first
// hardware id, upper-cased, holds "0B9D" and then product; its device instance.
std::optional<DEVINST> FindReader(SimulatedWindowsHost& host, const GUID& cls,
                                  const std::string& product) {
    HDEVINFO set = host.SetupDiGetClassDevsA(&cls, nullptr, nullptr, 0x12);
    std::optional<DEVINST> found;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; !found && host.SetupDiEnumDeviceInterfaces(set, nullptr, &cls, i, &data);
         ++i) {
        SP_DEVINFO_DATA record{};
        record.cbSize = sizeof record;
        host.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, nullptr, &record);
        char id[256] = {};
        host.SetupDiGetDeviceRegistryPropertyA(set, &record, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE*>(id), sizeof id - 1, nullptr);
        std::string text = id;
        std::transform(text.begin(), text.end(), text.begin(), ::toupper);
        const auto vendor = text.find("0B9D");
        if (vendor != std::string::npos && text.find(product, vendor) != std::string::npos) {
            found = record.DevInst;
        }
    }
    host.SetupDiDestroyDeviceInfoList(set);
    return found;
}

std::string PathOf(SimulatedWindowsHost& host, const GUID& cls, DEVINST instance) {
    HDEVINFO set = host.SetupDiGetClassDevsA(&cls, nullptr, nullptr, 0x12);
    std::string path;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; host.SetupDiEnumDeviceInterfaces(set, nullptr, &cls, i, &data); ++i) {
        SP_DEVINFO_DATA record{};
        record.cbSize = sizeof record;
        DWORD size = 0;
        host.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, &record);
        if (record.DevInst == instance) {
            std::vector<std::uint8_t> block(size);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
            detail->cbSize = 5;
            host.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, size, nullptr, nullptr);
            path = detail->DevicePath;
        }
    }
    host.SetupDiDestroyDeviceInfoList(set);
    return path;
}

TEST_F(SimulatedWindowsTest, NtPresetsLeadFromTheUsbDeviceToAnOpenablePath) {
    struct Row {
        const char* product;
        ReaderChild child;
        const GUID* childClass;
    };
    for (const Row& row :
         {Row{"7731", ReaderChild::Disk, &kGuidDisk}, Row{"7734", ReaderChild::Disk, &kGuidDisk},
          Row{"7731", ReaderChild::Cdrom, &kGuidCdrom}}) {
        SCOPED_TRACE(row.product);
        SimulatedWindowsHost local;
        const ReaderTree tree = local.AddNtReader(device, row.product, row.child);
        EXPECT_EQ(FindReader(local, kGuidUsbDevice, row.product), tree.reader);
        const std::string other = std::string(row.product) == "7731" ? "7734" : "7731";
        EXPECT_EQ(FindReader(local, kGuidUsbDevice, other), std::nullopt);

        DEVINST child = 0;
        ASSERT_EQ(local.CmGetChild(&child, tree.reader, 0), 0u);
        EXPECT_EQ(child, tree.storage);
        EXPECT_EQ(PathOf(local, *row.childClass, child), tree.devicePath);

        HANDLE handle = local.CreateFileA(tree.devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
        local.CloseHandle(handle);
        EXPECT_EQ(local.Violations(), std::vector<std::string>{});
    }
}

TEST_F(SimulatedWindowsTest, Win9xPresetHasTheReaderAtTarget1) {
    const ReaderTree tree = host.AddWin9xReader(device);
    EXPECT_EQ(FindReader(host, kGuidWin9xReader, "7731"), tree.reader);
    EXPECT_EQ(PathOf(host, kGuidWin9xReader, tree.reader), tree.devicePath);

    HMODULE aspi = host.LoadLibraryA("WNASPI32");
    EXPECT_EQ(host.GetASPI32SupportInfo(), 0x0101u);
    struct Row {
        BYTE target;
        BYTE status;
        BYTE type;
    };
    for (const Row& row : {Row{0, SS_COMP, win32::DTYPE_CDROM}, Row{1, SS_COMP, win32::DTYPE_DASD},
                           Row{2, win32::SS_NO_DEVICE, 0}}) {
        SRB_GDEVBlock type{};
        type.SRB_Cmd = SC_GET_DEV_TYPE;
        type.SRB_Target = row.target;
        EXPECT_EQ(host.SendASPI32Command(&type), row.status);
        EXPECT_EQ(type.SRB_DeviceType, row.type);
    }
    std::uint8_t reply[4] = {};
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Target = 1;
    srb.SRB_Flags = SRB_DIR_IN;
    srb.SRB_BufLen = sizeof reply;
    srb.SRB_BufPointer = host.PointerTo32(reply);
    srb.SRB_SenseLen = SENSE_LEN;
    srb.SRB_CDBLen = 10;
    std::copy(kReadCdb.begin(), kReadCdb.end(), srb.CDBByte);
    EXPECT_EQ(host.SendASPI32Command(&srb), SS_COMP);
    EXPECT_EQ(device.calls.size(), 1u);
    host.FreeLibrary(aspi);
}

}  // namespace
}  // namespace emulator
