// What a host's SCSI carrier reaches: a device that runs one command block with its data
// phase. The virtual reader implements it; the simulated Windows host and the virtual
// Linux host hand every command block they carry to one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace emulator {

enum class DataDirection { None, ToDevice, FromDevice };

struct ScsiResult {
    // False when the command never reached the device (unplugged reader, failed transfer):
    // the host's carrier reports a system error.
    bool delivered = true;
    std::uint8_t status = 0;    // SCSI status: 0 good, 2 check condition
    std::uint8_t senseKey = 0;  // with check condition: 6 unit attention, ...
    // Bytes the device moved in the data phase (for reads: bytes it supplied).
    std::size_t transferred = 0;
};

class ScsiDevice {
public:
    virtual ~ScsiDevice() = default;
    // Runs one command block. For FromDevice, data has room for length bytes and the
    // device fills at most that many; for ToDevice, data holds length bytes.
    virtual ScsiResult Execute(const std::uint8_t* cdb, std::size_t cdbLength,
                               DataDirection direction, std::uint8_t* data, std::size_t length) = 0;
};

}  // namespace emulator
