#include "support/HostFamily.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "emulator/SimulatedWindowsHost.h"
#include "emulator/VirtualLinuxHost.h"
#include "quillon/Diagnostics.h"
#include "support/HostFamilyHosts.h"

namespace support {

std::string FamilyName(Family family) {
    switch (family) {
        case Family::Linux:
            return "Linux";
        case Family::WinNt:
            return "WinNt";
        case Family::Vista:
            return "Vista";
        case Family::Win9x:
            return "Win9x";
    }
    return "?";
}

HostUnderTest::HostUnderTest(Family family, emulator::ScsiDevice& device)
    : family_(family), hosts_(std::make_unique<Hosts>()) {
    QuillonClearDiagnostics();
    QuillonSetHeaderMode(1);
    if (family == Family::Linux) {
        hosts_->linuxHost = std::make_unique<emulator::VirtualLinuxHost>(device);
    } else {
        hosts_->windows = std::make_unique<emulator::SimulatedWindowsHost>();
        emulator::SimulatedWindowsHost& host = *hosts_->windows;
        switch (family) {
            case Family::WinNt:
                host.SetVersion(emulator::WindowsVersion::WindowsXp());
                host.AddNtReader(device);
                break;
            case Family::Vista:
                host.SetVersion(emulator::WindowsVersion::Windows7());
                host.AddNtReader(device);
                break;
            default:
                host.SetVersion(emulator::WindowsVersion::Windows98());
                host.AddWin9xReader(device);
                break;
        }
        QuillonSetWindowsHost(&host);
    }
    CQuillon reader;
    char* path = reader.FindDeviceEntry();
    EXPECT_NE(path, nullptr) << FamilyName(family) << ": " << QuillonLastErrorText();
    device_ = reader.OpenRX520X(path);
    std::free(path);
    EXPECT_NE(device_, family == Family::Win9x ? reinterpret_cast<void*>(-1) : nullptr);
}

HostUnderTest::~HostUnderTest() {
    CloseRX520X(device_);
    if (hosts_->windows) {
        TermASPI();
        EXPECT_EQ(hosts_->windows->OpenFiles(), 0) << "pass-through handles left open";
        EXPECT_EQ(hosts_->windows->OpenDeviceInfoSets(), 0);
        EXPECT_EQ(hosts_->windows->OpenEvents(), 0);
        EXPECT_TRUE(hosts_->windows->Violations().empty()) << hosts_->windows->Violations().front();
        QuillonSetWindowsHost(nullptr);
    }
    if (hosts_->linuxHost) {
        EXPECT_EQ(hosts_->linuxHost->OpenDescriptors(), 0) << "device nodes left open";
    }
    hosts_.reset();
    QuillonSetHeaderMode(1);
}

}  // namespace support
