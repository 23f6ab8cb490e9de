// Runs the reader library on one host family with a given device behind it: Linux (the
// SG_IO carrier on a virtual sysfs), the NT family (pass-through, classic and 0xEE) and
// Windows 9x (ASPI) on the simulated Windows host. The reader is found and opened as the
// program does; the token is closed and the host uninstalled at the end.
#pragma once

#include <memory>
#include <string>

#include "emulator/ScsiDevice.h"
#include "quillon/Quillon.h"

namespace support {

enum class Family { Linux, WinNt, Vista, Win9x };

std::string FamilyName(Family family);
inline constexpr Family kAllFamilies[] = {Family::Linux, Family::WinNt, Family::Vista,
                                          Family::Win9x};

class HostUnderTest {
public:
    HostUnderTest(Family family, emulator::ScsiDevice& device);
    ~HostUnderTest();
    HostUnderTest(const HostUnderTest&) = delete;
    HostUnderTest& operator=(const HostUnderTest&) = delete;

    Family family() const { return family_; }
    // The opened device token.
    void* Device() const { return device_; }
    // The host's own state, for tests of one family (null for other families).
    struct Hosts;
    Hosts& hosts() { return *hosts_; }

private:
    Family family_;
    std::unique_ptr<Hosts> hosts_;
    void* device_ = nullptr;
};

// CQuillon with its protected answer-to-reset check opened up for tests.
class CardTypeProbe : public CQuillon {
public:
    int CardType(void* device, int& type, unsigned char fn) {
        return CheckCardType(device, type, fn);
    }
};

}  // namespace support
