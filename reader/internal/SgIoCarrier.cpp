// SG_IO on the reader's device node (Linux), classic command set. Its 0x08/0x0A opcodes
// are READ(6)/WRITE(6) to the kernel, which lets them through its SCSI command filter on
// a descriptor opened read-write.
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "internal/Carriers.h"
#include "internal/ModuleState.h"

namespace quillon {

namespace {

class SystemHost final : public LinuxHost {
public:
    std::string SysfsRoot() const override { return "/sys"; }
    std::string DevRoot() const override { return "/dev"; }
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        return ::ioctl(fd, request, argument);
    }
    int Close(int fd) override { return ::close(fd); }
};

}  // namespace

LinuxHost& SystemLinuxHost() {
    static SystemHost host;
    return host;
}

}  // namespace quillon

namespace quillon::internal {

namespace {

constexpr unsigned kTimeoutMs = 10000;

// Runs one command block. 1 on success with *transferred the bytes moved; 0 with the
// error code in *error (errno, or EIO when the adapter or driver reported a failure).
int Execute(void* device, const CommandBlock& cdb, bool dataIn, std::uint8_t* data,
            std::uint32_t length, std::uint32_t* transferred, unsigned long* error) {
    *transferred = 0;
    if (!device) {
        *error = EBADF;
        return 0;
    }
    std::uint8_t command[16];
    std::memcpy(command, cdb.bytes, cdb.length);
    std::uint8_t sense[32] = {};
    sg_io_hdr_t header;
    std::memset(&header, 0, sizeof header);
    header.interface_id = 'S';
    header.dxfer_direction = dataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    header.cmd_len = cdb.length;
    header.cmdp = command;
    header.dxfer_len = length;
    header.dxferp = data;
    header.mx_sb_len = sizeof sense;
    header.sbp = sense;
    header.timeout = kTimeoutMs;
    if (Linux().Ioctl(static_cast<LinuxDevice*>(device)->fd, SG_IO, &header) < 0) {
        *error = static_cast<unsigned long>(errno);
        return 0;
    }
    // As on the pass-through carrier, the SCSI status is not examined; a command that did
    // not reach the device (adapter or driver error other than sense) is a failure.
    if (header.host_status != 0 || (header.driver_status & ~0x08u) != 0) {
        *error = EIO;
        return 0;
    }
    const int resid = header.resid < 0 ? 0 : header.resid;
    *transferred = static_cast<std::uint32_t>(resid) < length ? length - resid : 0;
    return 1;
}

}  // namespace

int SgIoRead(void* device, const CommandBlock& cdb, std::uint8_t* buffer, std::uint16_t length) {
    std::memset(buffer, 0, length);  // a short transfer leaves the rest as zeros
    std::uint32_t transferred;
    unsigned long error;
    if (!Execute(device, cdb, true, buffer, length, &transferred, &error)) {
        SetLastError(error, "Query firmware version failed: %05lu", error);
        return 0;
    }
    if (transferred < length) {
        std::memset(buffer + transferred, 0, length - transferred);
    }
    return 1;
}

int SgIoWrite(void* device, const CommandBlock& cdb, const std::uint8_t* data,
              std::uint16_t length) {
    std::uint8_t phase[kExchangeDataSize] = {};
    const std::uint32_t phaseLength = DataPhaseLength(length);
    if (phaseLength > sizeof phase) {
        return 0;
    }
    std::memcpy(phase, data, length);
    std::uint32_t transferred;
    unsigned long error;
    if (!Execute(device, cdb, false, phase, phaseLength, &transferred, &error)) {
        SetLastError(error, "Write EEPROM Data failed: %05lu\nScsiStatus: %05u", error, 0u);
        return 0;
    }
    return 1;
}

char* SgIoInquiry(void* device, unsigned long* length) {
    *length = 0;
    std::uint8_t reply[kInquiryLength] = {};
    std::uint32_t transferred;
    unsigned long error;
    if (!Execute(device, InquiryCommand(), true, reply, kInquiryLength, &transferred, &error)) {
        SetLastError(error, "Query firmware version failed: %05lu", error);
        return nullptr;
    }
    if (reply[0] == 0xFF) {
        return nullptr;
    }
    char* block = static_cast<char*>(AllocateResultBlock(transferred + 1));
    if (!block) {
        SetLastError(ENOMEM, "Cannot allocate enough memory: %05lu",
                     static_cast<unsigned long>(ENOMEM));
        return nullptr;
    }
    std::memcpy(block, reply, transferred);
    *length = transferred;
    return block;
}

}  // namespace quillon::internal
