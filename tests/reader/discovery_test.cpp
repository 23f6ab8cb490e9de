// Finding and opening the reader: the hardware identifier rule, the NT family's child
// interface, Windows 9x through ASPI, and the Linux sysfs walk.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

#include "emulator/FakeSysfs.h"
#include "emulator/SimulatedWindowsHost.h"
#include "emulator/VirtualLinuxHost.h"
#include "quillon/Diagnostics.h"
#include "quillon/LinuxHost.h"
#include "quillon/Quillon.h"
#include "support/ScriptedReader.h"
#include "support/TempDir.h"

namespace {

namespace win = quillon::win;
using emulator::kGuidCdrom;
using emulator::kGuidDisk;
using emulator::kGuidUsbDevice;
using emulator::kGuidWin9xReader;
using emulator::SimulatedWindowsHost;
using emulator::WindowsVersion;

std::string Found(CQuillon& reader) {
    char* path = reader.FindDeviceEntry();
    std::string text = path ? path : "";
    std::free(path);
    return text;
}

// ---- NT family and Windows 9x on the simulated host ----

class WindowsDiscovery : public testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void TearDown() override {
        CheckHost();
        QuillonSetWindowsHost(nullptr);
    }
    // A new machine: an empty tree, XP, no ASPI.
    void Fresh() {
        if (machine) {
            CheckHost();
        }
        machine = std::make_unique<SimulatedWindowsHost>();
        QuillonSetWindowsHost(machine.get());
        QuillonClearDiagnostics();
    }
    void CheckHost() {
        TermASPI();
        EXPECT_EQ(host().OpenDeviceInfoSets(), 0) << "enumeration sets left open";
        EXPECT_EQ(host().OpenFiles(), 0);
        EXPECT_TRUE(host().Violations().empty()) << host().Violations().front();
    }
    SimulatedWindowsHost& host() { return *machine; }

    // A USB device with a disk child whose interface path is "disk-of-<instance>".
    void AddUsb(win::DEVINST instance, const std::string& hardwareId, bool disk = true) {
        host()
            .AddDevice(instance)
            .HardwareIds({hardwareId})
            .Interface(kGuidUsbDevice, "usb-" + std::to_string(instance))
            .Child(instance + 1);
        host()
            .AddDevice(instance + 1)
            .Interface(disk ? kGuidDisk : kGuidCdrom,
                       (disk ? "disk-of-" : "cdrom-of-") + std::to_string(instance));
    }

    std::unique_ptr<SimulatedWindowsHost> machine;
    CQuillon reader;
    support::ScriptedReader card;
};

TEST_F(WindowsDiscovery, HardwareIdentifierRule) {
    struct Case {
        const char* why;
        std::vector<std::string> ids;  // one USB device each, in enumeration order
        const char* found;
    } cases[] = {
        {"plain match", {"USB\\VID_0B9D&PID_7731&REV_0100"}, "disk-of-100"},
        {"lower case is upper-cased", {"usb\\vid_0b9d&pid_7731"}, "disk-of-100"},
        {"7734 is found only after a whole search for 7731",
         {"USB\\VID_0B9D&PID_7734", "USB\\VID_0B9D&PID_7731"},
         "disk-of-110"},
        {"7734 alone", {"USB\\VID_1234&PID_0001", "USB\\VID_0B9D&PID_7734"}, "disk-of-110"},
        {"product only before the vendor", {"USB\\VID_7731&PID_0B9D"}, ""},
        {"other vendor", {"USB\\VID_0B9E&PID_7731"}, ""},
        {"other product", {"USB\\VID_0B9D&PID_7732"}, ""},
    };
    for (const Case& c : cases) {
        Fresh();
        win::DEVINST instance = 100;
        for (const std::string& id : c.ids) {
            AddUsb(instance, id);
            instance += 10;
        }
        EXPECT_EQ(Found(reader), c.found) << c.why;
    }
}

TEST_F(WindowsDiscovery, ChildThatIsACdromGivesItsInterface) {
    AddUsb(200, "USB\\VID_0B9D&PID_7731", false);
    EXPECT_EQ(Found(reader), "cdrom-of-200");
}

TEST_F(WindowsDiscovery, PresetTreesAreFound) {
    for (auto child : {emulator::ReaderChild::Disk, emulator::ReaderChild::Cdrom}) {
        Fresh();
        const emulator::ReaderTree tree = host().AddNtReader(card, "7734", child);
        EXPECT_EQ(Found(reader), tree.devicePath);
    }
}

TEST_F(WindowsDiscovery, Failures) {
    struct Case {
        const char* why;
        void (*arrange)(SimulatedWindowsHost&, support::ScriptedReader&);
        const char* text;
    } cases[] = {
        {"no reader: the enumeration simply ends",
         [](SimulatedWindowsHost&, support::ScriptedReader&) {}, ""},
        {"CM_Get_Child unavailable",
         [](SimulatedWindowsHost& h, [[maybe_unused]] support::ScriptedReader& r) {
             h.ConfigManagerAvailable(false);
         },
         ""},
        {"the reader has no child",
         [](SimulatedWindowsHost& h, [[maybe_unused]] support::ScriptedReader& r) {
             h.AddDevice(300)
                 .HardwareIds({"USB\\VID_0B9D&PID_7731"})
                 .Interface(kGuidUsbDevice, "usb-300");
         },
         "Disk drive not found00013"},
        {"the USB class cannot be enumerated",
         [](SimulatedWindowsHost& h, [[maybe_unused]] support::ScriptedReader& r) {
             h.FailClassDevs(kGuidUsbDevice, 5);
         },
         "cannot enumerate devices: 00005"},
        {"the disk class cannot be enumerated",
         [](SimulatedWindowsHost& h, [[maybe_unused]] support::ScriptedReader& r) {
             h.AddNtReader(r);
             h.FailClassDevs(kGuidDisk, 8);
         },
         "Retrive information set failed: 00008"},
        {"the enumeration breaks off",
         [](SimulatedWindowsHost& h, [[maybe_unused]] support::ScriptedReader& r) {
             h.FailEnumeration(kGuidUsbDevice, 0, 31);
         },
         "Enumeration process failed: 00031"},
    };
    for (const Case& c : cases) {
        Fresh();
        QuillonClearDiagnostics();
        c.arrange(host(), card);
        EXPECT_EQ(Found(reader), "") << c.why;
        EXPECT_STREQ(QuillonLastErrorText(), c.text) << c.why;
    }
}

TEST_F(WindowsDiscovery, UnreadableEntriesAreSkipped) {
    host()
        .AddDevice(400)
        .HardwareIds({"USB\\VID_0B9D&PID_7731"})
        .RecordUnreadable()
        .Interface(kGuidUsbDevice, "usb-400");
    host()
        .AddDevice(410)
        .HardwareIds({"USB\\VID_0B9D&PID_7731"})
        .HardwareIdUnreadable()
        .Interface(kGuidUsbDevice, "usb-410");
    AddUsb(420, "USB\\VID_0B9D&PID_7731");
    EXPECT_EQ(Found(reader), "disk-of-420");
}

TEST_F(WindowsDiscovery, OpenOnTheNtFamily) {
    const emulator::ReaderTree tree = host().AddNtReader(card);
    char path[256];
    std::snprintf(path, sizeof path, "%s", tree.devicePath.c_str());
    void* device = reader.OpenRX520X(path);
    EXPECT_NE(device, nullptr);
    CloseRX520X(device);

    host().FailOpen(tree.devicePath, 5);
    EXPECT_EQ(reader.OpenRX520X(path), nullptr);  // null, not -1
    EXPECT_STREQ(QuillonLastErrorText(), "Cannot open the device: 00005\n");
}

TEST_F(WindowsDiscovery, Windows9xSearchesThroughAspi) {
    host().SetVersion(WindowsVersion::Windows98());
    const emulator::ReaderTree tree = host().AddWin9xReader(card);
    char* path = reader.FindDeviceEntry();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), tree.devicePath);
    // The preset's reader is target 1 of adapter 0 (target 0 is a CD-ROM).
    EXPECT_EQ(reader.OpenRX520X(path), reinterpret_cast<void*>(1));
    std::free(path);
    EXPECT_EQ(reader.OpenRX520X(nullptr), reinterpret_cast<void*>(-1));
    ASSERT_EQ(host().DebugOutput().size(), 2u);
    EXPECT_EQ(host().DebugOutput()[1], "AdaptID is 0, TargetID is 1\n");
}

TEST_F(WindowsDiscovery, Windows9xWithoutAspiShowsTheMessageOnEverySearch) {
    host().SetVersion(WindowsVersion::Windows98());
    host()
        .AddDevice(500)
        .HardwareIds({"USB\\VID_0B9D&PID_7731"})
        .Interface(kGuidWin9xReader, "reader-500");
    host().AspiLoadFails(win::ERROR_DLL_NOT_FOUND);
    for (int search = 1; search <= 2; ++search) {
        EXPECT_EQ(Found(reader), "reader-500") << "the search goes on without ASPI";
        ASSERT_EQ(host().MessageBoxes().size(), static_cast<std::size_t>(search));
        EXPECT_EQ(host().MessageBoxes().back().text,
                  "This program requires ASPI for Win32 (i.e. WNASPI32.DLL) to run properly.");
        EXPECT_EQ(host().MessageBoxes().back().caption, "Dav Irer I/R");
    }
    char path[] = "reader-500";
    EXPECT_EQ(reader.OpenRX520X(path), reinterpret_cast<void*>(-1));
}

TEST_F(WindowsDiscovery, HostFamilyFromTheVersionRecord) {
    // The family shows in the command set: 0xEE from NT 6 on, ASPI on 9x with major 4.
    struct Case {
        WindowsVersion version;
        const char* name;
        bool ee;
    } cases[] = {
        {WindowsVersion::Nt4(), "NT 4", false},
        {WindowsVersion::WindowsXp(), "XP", false},
        {WindowsVersion::Windows9xMajor5(), "9x with major 5 counts as NT", false},
        {WindowsVersion::WindowsVista(), "Vista", true},
        {WindowsVersion::Windows10(), "10", true},
    };
    for (const Case& c : cases) {
        Fresh();
        host().SetVersion(c.version);
        support::ScriptedReader scripted;
        scripted.AnswerToReset("3B 00");
        const emulator::ReaderTree tree = host().AddNtReader(scripted);
        char* path = reader.FindDeviceEntry();
        ASSERT_NE(path, nullptr) << c.name;
        void* device = reader.OpenRX520X(path);
        std::free(path);
        unsigned char atr[64];
        EXPECT_EQ(reader.GetATRValue(device, atr, 0), 1) << c.name;
        CloseRX520X(device);
        ASSERT_FALSE(scripted.blocks.empty()) << c.name;
        EXPECT_EQ(scripted.blocks.back().cdb[0], c.ee ? 0xEE : 0x08) << c.name;
    }
}

// ---- Linux: sysfs ----

class SysfsHost final : public quillon::LinuxHost {
public:
    explicit SysfsHost(std::string root) : root_(std::move(root)) {}
    std::string SysfsRoot() const override { return root_; }
    std::string DevRoot() const override { return "/dev"; }
    int Open(const char*, int) override {
        errno = EACCES;
        return -1;
    }
    int Ioctl(int, unsigned long, void*) override { return -1; }
    int Close(int) override { return 0; }

private:
    std::string root_;
};

TEST(LinuxDiscovery, SysfsTrees) {
    using emulator::FakeSysfs;
    struct Case {
        const char* why;
        void (*build)(FakeSysfs&);
        const char* found;
        const char* text;
    } cases[] = {
        {"the reader's disk",
         [](FakeSysfs& s) {
             s.AddUsbDevice("1-1", "1d6b", "0002").AddUsbDevice("1-4", "0b9d", "7731");
             s.AddBlockDevice("1-4", 0, "sdc").AddUsbInterface("1-4");
         },
         "/dev/sdc", ""},
        {"a disk before a CD-ROM",
         [](FakeSysfs& s) {
             s.AddUsbDevice("2-1", "0b9d", "7731").AddBlockDevice("2-1", 0, "sr0");
             s.AddBlockDevice("2-1", 1, "sdb");
         },
         "/dev/sdb", ""},
        {"a CD-ROM alone",
         [](FakeSysfs& s) {
             s.AddUsbDevice("2-1", "0B9D", "7731").AddBlockDevice("2-1", 0, "sr1");
         },
         "/dev/sr1", ""},
        {"7731 through the whole tree before 7734",
         [](FakeSysfs& s) {
             s.AddUsbDevice("1-1", "0b9d", "7734").AddBlockDevice("1-1", 0, "sdb");
             s.AddUsbDevice("3-1", "0b9d", "7731").AddBlockDevice("3-1", 0, "sdd");
         },
         "/dev/sdd", ""},
        {"7734 alone",
         [](FakeSysfs& s) {
             s.AddUsbDevice("1-1", "0b9d", "7734").AddBlockDevice("1-1", 0, "sdb");
         },
         "/dev/sdb", ""},
        {"no reader", [](FakeSysfs& s) { s.AddUsbDevice("1-1", "0b9e", "7731"); }, "", ""},
        {"a reader without its SCSI child",
         [](FakeSysfs& s) { s.AddUsbDevice("1-1", "0b9d", "7731"); }, "",
         "Disk drive not found00019"},
    };
    for (const Case& c : cases) {
        support::TempDir dir;
        FakeSysfs sysfs(dir.Path());
        c.build(sysfs);
        SysfsHost host(dir.Path());
        QuillonSetLinuxHost(&host);
        QuillonClearDiagnostics();
        CQuillon reader;
        EXPECT_EQ(Found(reader), c.found) << c.why;
        EXPECT_STREQ(QuillonLastErrorText(), c.text) << c.why;
        QuillonSetLinuxHost(nullptr);
    }
}

TEST(LinuxDiscovery, MissingSysfs) {
    SysfsHost host("/nonexistent-sysfs");
    QuillonSetLinuxHost(&host);
    CQuillon reader;
    EXPECT_EQ(Found(reader), "");
    EXPECT_STREQ(QuillonLastErrorText(), "cannot enumerate devices: 00002");
    QuillonSetLinuxHost(nullptr);
}

TEST(LinuxDiscovery, OpenFailure) {
    support::ScriptedReader card;
    emulator::VirtualLinuxHost host(card);
    CQuillon reader;
    char* path = reader.FindDeviceEntry();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), host.ReaderNode());
    host.FailNextOpen(EACCES);
    EXPECT_EQ(reader.OpenRX520X(path), nullptr);
    EXPECT_STREQ(QuillonLastErrorText(), "Cannot open the device: 00013\n");
    void* device = reader.OpenRX520X(path);
    EXPECT_NE(device, nullptr);
    EXPECT_EQ(host.OpenDescriptors(), 1);
    CloseRX520X(device);
    EXPECT_EQ(host.OpenDescriptors(), 0);
    std::free(path);
}

}  // namespace
