#include "emulator/VirtualLinuxHost.h"

#include <scsi/sg.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "emulator/FakeSysfs.h"

namespace emulator {

namespace {

constexpr int kDidNoConnect = 0x01;  // the host adapter could not reach the device

std::string MakeTemporaryRoot() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/telvane-reader-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create the virtual reader's sysfs tree in " + pattern);
    }
    return pattern;
}

}  // namespace

VirtualLinuxHost::VirtualLinuxHost(ScsiDevice& device)
    : device_(device), root_(MakeTemporaryRoot()) {
    FakeSysfs sysfs(root_ + "/sys");
    sysfs
        .AddUsbDevice("1-1", "1d6b", "0002")  // a root hub, as every machine has
        .AddUsbDevice("1-2", "0b9d", "7731")
        .AddBlockDevice("1-2", 0, "sdv");
    std::filesystem::create_directories(DevRoot());
    QuillonSetLinuxHost(this);
}

VirtualLinuxHost::~VirtualLinuxHost() {
    QuillonSetLinuxHost(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

int VirtualLinuxHost::Open(const char* path, int flags) {
    if (openError_) {
        errno = openError_;
        openError_ = 0;
        return -1;
    }
    if (ReaderNode() != path) {
        errno = ENOENT;
        return -1;
    }
    ++openCount_;
    openFlags_ = flags;
    return nextFd_++;
}

int VirtualLinuxHost::Close(int fd) {
    if (fd < 1000 || fd >= nextFd_ || openCount_ == 0) {
        errno = EBADF;
        return -1;
    }
    --openCount_;
    return 0;
}

int VirtualLinuxHost::Ioctl(int fd, unsigned long request, void* argument) {
    if (fd < 1000 || fd >= nextFd_) {
        errno = EBADF;
        return -1;
    }
    if (request != SG_IO) {
        errno = ENOTTY;
        return -1;
    }
    auto* header = static_cast<sg_io_hdr_t*>(argument);
    if (header->interface_id != 'S' || !header->cmdp || header->cmd_len == 0 ||
        header->cmd_len > 16) {
        errno = EINVAL;
        return -1;
    }
    DataDirection direction = DataDirection::None;
    if (header->dxfer_direction == SG_DXFER_FROM_DEV) {
        direction = DataDirection::FromDevice;
    } else if (header->dxfer_direction == SG_DXFER_TO_DEV) {
        direction = DataDirection::ToDevice;
    }
    if (recording_) {
        requests_.push_back({header->dxfer_direction,
                             {header->cmdp, header->cmdp + header->cmd_len},
                             header->dxfer_len,
                             header->timeout,
                             openFlags_});
    }
    const ScsiResult result =
        device_.Execute(header->cmdp, header->cmd_len, direction,
                        static_cast<std::uint8_t*>(header->dxferp), header->dxfer_len);
    header->status = 0;
    header->masked_status = 0;
    header->host_status = 0;
    header->driver_status = 0;
    header->sb_len_wr = 0;
    header->resid = 0;
    if (!result.delivered) {
        header->host_status = kDidNoConnect;
        header->info = SG_INFO_CHECK;
        return 0;
    }
    header->status = result.status;
    header->masked_status = static_cast<unsigned char>(result.status >> 1);
    if (result.status == 2 && header->sbp && header->mx_sb_len >= 3) {
        // Fixed-format sense data (SPC-4 4.5.3): response code 0x70, key in byte 2.
        header->sbp[0] = 0x70;
        header->sbp[2] = result.senseKey;
        header->sb_len_wr = 3;
        header->driver_status = 0x08;  // DRIVER_SENSE
        header->info = SG_INFO_CHECK;
    }
    const std::size_t moved =
        result.transferred < header->dxfer_len ? result.transferred : header->dxfer_len;
    header->resid = static_cast<int>(header->dxfer_len - moved);
    return 0;
}

}  // namespace emulator
