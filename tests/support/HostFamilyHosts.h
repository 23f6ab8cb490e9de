// The hosts behind a HostUnderTest, for tests that look at one family's own records.
#pragma once

#include <memory>

#include "emulator/SimulatedWindowsHost.h"
#include "emulator/VirtualLinuxHost.h"
#include "support/HostFamily.h"

namespace support {

struct HostUnderTest::Hosts {
    std::unique_ptr<emulator::VirtualLinuxHost> linuxHost;
    std::unique_ptr<emulator::SimulatedWindowsHost> windows;
};

}  // namespace support
