// The simulated host's ASPI for Win32 manager (WNASPI32): support information, the request
// blocks the carriers send (host-adapter inquiry, device type, time-outs, SCSI commands),
// the transfer buffer allocator, and the entry points GetProcAddress hands out.
#include "emulator/SimulatedWindowsHost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace emulator {

using namespace quillon::win;

namespace {

constexpr BYTE kScsiInquiry = 0x12;       // SPC: INQUIRY operation code
constexpr std::size_t kInquirySize = 36;  // standard INQUIRY data
constexpr BYTE kAdapterScsiId = 7;

// Copies text into a fixed-width field of an INQUIRY or adapter reply, filled with blanks.
void PutField(BYTE* field, std::size_t width, const std::string& text) {
    std::memset(field, ' ', width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

HANDLE EventOf(const SRB_ExecSCSICmd& srb) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(srb.SRB_PostProc));
}

}  // namespace

// ---- Adapters and targets ----

SimulatedAspiTarget& SimulatedAspiTarget::DeviceType(BYTE type) {
    deviceType_ = type;
    return *this;
}

SimulatedAspiTarget& SimulatedAspiTarget::Inquiry(ScsiInquiryData data) {
    inquiry_ = std::move(data);
    return *this;
}

SimulatedAspiTarget& SimulatedAspiTarget::Attach(ScsiDevice& device) {
    device_ = &device;
    return *this;
}

SimulatedAspiAdapter& SimulatedAspiAdapter::MaxTargets(BYTE count) {
    maxTargets_ = count;
    return *this;
}

SimulatedAspiAdapter& SimulatedAspiAdapter::InquiryStatus(BYTE status) {
    inquiryStatus_ = status;
    return *this;
}

SimulatedAspiTarget& SimulatedAspiAdapter::Target(BYTE id) {
    return targets_[id];
}

// ---- Configuration ----

SimulatedWindowsHost& SimulatedWindowsHost::InstallAspi() {
    aspiInstalled_ = true;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::AspiLoadFails(DWORD error) {
    aspiLoadFailure_ = error;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::RemoveAspiEntryPoint(const std::string& name) {
    aspiMissing_.insert(name);
    return *this;
}

SimulatedAspiAdapter& SimulatedWindowsHost::AddAspiAdapter() {
    aspiInstalled_ = true;
    return adapters_.emplace_back();
}

SimulatedWindowsHost& SimulatedWindowsHost::SetAspiSupportStatus(BYTE status) {
    supportStatus_ = status;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::SetAspiAdapterCount(BYTE count) {
    adapterCount_ = count;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::SetAspiCompletion(AspiCompletion mode) {
    completion_ = mode;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::FailAspiExec(int nth, AspiFault fault) {
    execFaults_[execSerial_ + nth] = fault;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::GrantAspiBufferSizes(std::set<DWORD> sizes) {
    grantedBufferSizes_ = std::move(sizes);
    return *this;
}

int SimulatedWindowsHost::AspiExecCount(BYTE adapter, BYTE target) const {
    auto found = execCounts_.find({adapter, target});
    return found == execCounts_.end() ? 0 : found->second;
}

SimulatedAspiTarget* SimulatedWindowsHost::FindTarget(BYTE adapter, BYTE target, BYTE lun) {
    if (adapter >= adapters_.size() || lun != 0) {
        return nullptr;
    }
    auto& targets = adapters_[adapter].targets_;
    auto found = targets.find(target);
    return found == targets.end() ? nullptr : &found->second;
}

void SimulatedWindowsHost::CheckAspiLoaded(const char* entryPoint) {
    if (aspiLoads_ <= aspiFrees_) {
        Violation(std::string(entryPoint) + " called while WNASPI32 is not loaded");
    }
}

// ---- Entry points ----

DWORD SimulatedWindowsHost::GetASPI32SupportInfo() {
    CheckAspiLoaded("GetASPI32SupportInfo");
    const BYTE count = adapterCount_ ? *adapterCount_ : static_cast<BYTE>(adapters_.size());
    const BYTE status = supportStatus_      ? *supportStatus_
                        : adapters_.empty() ? SS_NO_ADAPTERS
                                            : SS_COMP;
    return static_cast<DWORD>(status) << 8 | count;
}

DWORD SimulatedWindowsHost::SendASPI32Command(void* request) {
    CheckAspiLoaded("SendASPI32Command");
    if (!request) {
        Violation("SendASPI32Command: null request block");
        return win32::SS_INVALID_SRB;
    }
    auto& header = *static_cast<SRB_Header*>(request);
    switch (header.SRB_Cmd) {
        case SC_HA_INQUIRY:
            return HaInquiry(*static_cast<SRB_HAInquiry*>(request));
        case SC_GET_DEV_TYPE:
            return GetDeviceType(*static_cast<SRB_GDEVBlock*>(request));
        case SC_EXEC_SCSI_CMD:
            return ExecScsiCommand(*static_cast<SRB_ExecSCSICmd*>(request));
        case SC_GETSET_TIMEOUTS:
            return SetTimeouts(*static_cast<SRB_GetSetTimeouts*>(request));
        default:
            Violation("SendASPI32Command: command " + std::to_string(header.SRB_Cmd) +
                      " is not one the carriers send");
            header.SRB_Status = win32::SS_INVALID_CMD;
            return win32::SS_INVALID_CMD;
    }
}

BYTE SimulatedWindowsHost::HaInquiry(SRB_HAInquiry& srb) {
    BYTE status = SS_COMP;
    if (srb.SRB_HaId >= adapters_.size()) {
        status = win32::SS_INVALID_HA;
    } else if (adapters_[srb.SRB_HaId].inquiryStatus_ != SS_COMP) {
        status = adapters_[srb.SRB_HaId].inquiryStatus_;
    } else {
        srb.HA_Count = static_cast<BYTE>(adapters_.size());
        srb.HA_SCSI_ID = kAdapterScsiId;
        PutField(srb.HA_ManagerId, sizeof srb.HA_ManagerId, "ASPI for WIN32");
        PutField(srb.HA_Identifier, sizeof srb.HA_Identifier, "USB Storage");
        std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
        srb.HA_Unique[3] = adapters_[srb.SRB_HaId].maxTargets_;
        // Bytes 4-7: the largest transfer, 64 KiB, little-endian.
        srb.HA_Unique[6] = 0x01;
    }
    srb.SRB_Status = status;
    aspiLog_.push_back(
        {SC_HA_INQUIRY, srb.SRB_HaId, 0, 0, srb.SRB_Flags, {}, {}, 0, false, status});
    return status;
}

BYTE SimulatedWindowsHost::GetDeviceType(SRB_GDEVBlock& srb) {
    BYTE status = SS_COMP;
    if (srb.SRB_HaId >= adapters_.size()) {
        status = win32::SS_INVALID_HA;
    } else if (const SimulatedAspiTarget* target =
                   FindTarget(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) {
        srb.SRB_DeviceType = target->deviceType_;
    } else {
        status = win32::SS_NO_DEVICE;
    }
    srb.SRB_Status = status;
    aspiLog_.push_back({SC_GET_DEV_TYPE,
                        srb.SRB_HaId,
                        srb.SRB_Target,
                        srb.SRB_Lun,
                        srb.SRB_Flags,
                        {},
                        {},
                        0,
                        false,
                        status});
    return status;
}

BYTE SimulatedWindowsHost::SetTimeouts(SRB_GetSetTimeouts& srb) {
    timeouts_.push_back(
        {srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun, srb.SRB_Flags, srb.SRB_Timeout});
    srb.SRB_Status = SS_COMP;
    aspiLog_.push_back({SC_GETSET_TIMEOUTS,
                        srb.SRB_HaId,
                        srb.SRB_Target,
                        srb.SRB_Lun,
                        srb.SRB_Flags,
                        {},
                        {},
                        0,
                        false,
                        SS_COMP});
    return SS_COMP;
}

bool SimulatedWindowsHost::CheckExecBlock(const SRB_ExecSCSICmd& srb) {
    std::vector<std::string> problems;
    if (srb.SRB_Lun != 0) {
        problems.push_back("SRB_Lun " + std::to_string(srb.SRB_Lun) + ", expected 0");
    }
    if (srb.SRB_SenseLen != SENSE_LEN) {
        problems.push_back("SRB_SenseLen " + std::to_string(srb.SRB_SenseLen) + ", expected 14");
    }
    if (srb.SRB_CDBLen != 6 && srb.SRB_CDBLen != 10 && srb.SRB_CDBLen != 16) {
        problems.push_back("SRB_CDBLen " + std::to_string(srb.SRB_CDBLen) +
                           ", expected 6, 10 or 16");
    } else if (!std::all_of(srb.CDBByte + srb.SRB_CDBLen, srb.CDBByte + sizeof srb.CDBByte,
                            [](BYTE b) { return b == 0; })) {
        problems.push_back("command block bytes past SRB_CDBLen are not zero");
    }
    const BYTE direction = srb.SRB_Flags & (SRB_DIR_IN | SRB_DIR_OUT);
    if (direction != SRB_DIR_IN && direction != SRB_DIR_OUT) {
        problems.push_back("SRB_Flags " + Hex(srb.SRB_Flags) +
                           " name no single direction (0x08 in, 0x10 out)");
    }
    if (srb.SRB_Flags & ~(SRB_DIR_IN | SRB_DIR_OUT | SRB_EVENT_NOTIFY)) {
        problems.push_back("SRB_Flags " + Hex(srb.SRB_Flags) + " carry unexpected bits");
    }
    if (srb.SRB_Flags & SRB_EVENT_NOTIFY) {
        if (!Find(events_, EventOf(srb))) {
            problems.push_back("event notification asked for, but SRB_PostProc " +
                               Hex(srb.SRB_PostProc) + " is not an open event");
        }
    } else if (srb.SRB_PostProc != 0) {
        problems.push_back("SRB_PostProc " + Hex(srb.SRB_PostProc) +
                           " given without SRB_EVENT_NOTIFY");
    }
    if (srb.SRB_BufLen != 0 && !PointerFrom32(srb.SRB_BufPointer)) {
        problems.push_back("SRB_BufPointer " + Hex(srb.SRB_BufPointer) +
                           " is not an address from PointerTo32");
    }
    for (const std::string& problem : problems) {
        Violation("SendASPI32Command(SC_EXEC_SCSI_CMD): " + problem);
    }
    return problems.empty();
}

BYTE SimulatedWindowsHost::ExecScsiCommand(SRB_ExecSCSICmd& srb) {
    const std::size_t logIndex = aspiLog_.size();
    AspiRequest request{SC_EXEC_SCSI_CMD,
                        srb.SRB_HaId,
                        srb.SRB_Target,
                        srb.SRB_Lun,
                        srb.SRB_Flags,
                        {},
                        {},
                        srb.SRB_BufLen,
                        (srb.SRB_Flags & SRB_EVENT_NOTIFY) != 0,
                        SS_PENDING};
    request.cdb.assign(srb.CDBByte, srb.CDBByte + std::min<std::size_t>(srb.SRB_CDBLen, 16));
    ++execCounts_[{srb.SRB_HaId, srb.SRB_Target}];
    const int serial = ++execSerial_;
    std::optional<AspiFault> fault;
    if (auto found = execFaults_.find(serial); found != execFaults_.end()) {
        fault = found->second;
        execFaults_.erase(found);
    }

    if (!CheckExecBlock(srb)) {
        srb.SRB_Status = win32::SS_INVALID_SRB;
        request.status = win32::SS_INVALID_SRB;
        aspiLog_.push_back(std::move(request));
        return win32::SS_INVALID_SRB;
    }
    if ((srb.SRB_Flags & SRB_DIR_OUT) && srb.SRB_BufLen) {
        const auto* data = static_cast<const std::uint8_t*>(PointerFrom32(srb.SRB_BufPointer));
        request.dataOut.assign(data, data + srb.SRB_BufLen);
    }
    aspiLog_.push_back(std::move(request));

    srb.SRB_Status = SS_PENDING;
    srb.SRB_HaStat = 0;
    srb.SRB_TargStat = 0;
    Event* event = (srb.SRB_Flags & SRB_EVENT_NOTIFY) ? Find(events_, EventOf(srb)) : nullptr;
    if (completion_ != AspiCompletion::Immediate && event) {
        event->signalled = false;
        event->pending = &srb;
        event->pendingLogIndex = logIndex;
        event->pendingFault = fault;
        return SS_PENDING;
    }
    Complete(srb, logIndex, fault);
    if (event) {
        event->signalled = true;
    }
    // A polled request under Pending or Never: SendASPI32Command reports it pending, and
    // it has completed by the time the caller looks at SRB_Status.
    return completion_ == AspiCompletion::Immediate ? srb.SRB_Status : SS_PENDING;
}

void SimulatedWindowsHost::Complete(SRB_ExecSCSICmd& srb, std::size_t logIndex,
                                    const std::optional<AspiFault>& fault) {
    BYTE status = SS_COMP;
    BYTE hostStatus = 0;
    BYTE targetStatus = 0;
    BYTE senseKey = 0;
    SimulatedAspiTarget* target = FindTarget(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (srb.SRB_HaId >= adapters_.size()) {
        status = win32::SS_INVALID_HA;
    } else if (!target) {
        status = win32::SS_NO_DEVICE;
    } else if (fault) {
        status = fault->srbStatus;
        hostStatus = fault->hostStatus;
        targetStatus = fault->targetStatus;
        senseKey = fault->senseKey;
    } else {
        auto* data = static_cast<std::uint8_t*>(PointerFrom32(srb.SRB_BufPointer));
        const DataDirection direction = srb.SRB_BufLen == 0            ? DataDirection::None
                                        : (srb.SRB_Flags & SRB_DIR_IN) ? DataDirection::FromDevice
                                                                       : DataDirection::ToDevice;
        ScsiResult result;
        if (srb.CDBByte[0] == kScsiInquiry && direction == DataDirection::FromDevice) {
            result = Inquiry(*target, data, srb.SRB_BufLen);
        } else if (target->device_) {
            result = target->device_->Execute(srb.CDBByte, srb.SRB_CDBLen, direction, data,
                                              srb.SRB_BufLen);
        } else {
            result.delivered = false;
        }
        if (!result.delivered) {
            status = SS_ERR;
            hostStatus = win32::HASTAT_SEL_TO;
        } else if (result.status != 0) {
            status = SS_ERR;
            targetStatus = result.status;
            senseKey = result.senseKey;
        }
    }
    srb.SRB_Status = status;
    srb.SRB_HaStat = hostStatus;
    srb.SRB_TargStat = targetStatus;
    if (targetStatus == STATUS_CHKCOND) {
        // Fixed-format sense data (SPC): response code 0x70, the key in byte 2, the
        // additional length in byte 7 covering the rest of the SRB_SenseLen bytes.
        const std::size_t length = std::min<std::size_t>(srb.SRB_SenseLen, sizeof srb.SenseArea);
        std::memset(srb.SenseArea, 0, length);
        if (length >= 8) {
            srb.SenseArea[0] = 0x70;
            srb.SenseArea[2] = senseKey & 0x0F;
            srb.SenseArea[7] = static_cast<BYTE>(length - 8);
        }
    }
    aspiLog_[logIndex].status = status;
}

ScsiResult SimulatedWindowsHost::Inquiry(const SimulatedAspiTarget& target, std::uint8_t* data,
                                         std::size_t length) {
    BYTE reply[kInquirySize] = {};
    reply[0] = target.inquiry_.peripheralType & 0x1F;
    reply[2] = 0x02;  // SCSI-2
    reply[3] = 0x02;  // response data format
    reply[4] = kInquirySize - 5;
    PutField(reply + 8, 8, target.inquiry_.vendor);
    PutField(reply + 16, 16, target.inquiry_.product);
    PutField(reply + 32, 4, target.inquiry_.revision);
    ScsiResult result;
    result.transferred = std::min(length, kInquirySize);
    std::memcpy(data, reply, result.transferred);
    return result;
}

BOOL SimulatedWindowsHost::GetASPI32Buffer(ASPI32BUFF* descriptor) {
    CheckAspiLoaded("GetASPI32Buffer");
    if (!descriptor) {
        Violation("GetASPI32Buffer: null buffer descriptor");
        return 0;
    }
    const DWORD length = descriptor->AB_BufLen;
    const bool granted = grantedBufferSizes_.count(length) != 0;
    bufferRequests_.push_back({length, granted});
    if (!granted) {
        return 0;
    }
    void* buffer = std::calloc(length, 1);
    aspiBuffers_[buffer] = length;
    descriptor->AB_BufPointer = PointerTo32(buffer);
    return 1;
}

BOOL SimulatedWindowsHost::FreeASPI32Buffer(ASPI32BUFF* descriptor) {
    CheckAspiLoaded("FreeASPI32Buffer");
    void* buffer = descriptor ? PointerFrom32(descriptor->AB_BufPointer) : nullptr;
    auto found = aspiBuffers_.find(buffer);
    if (found == aspiBuffers_.end()) {
        Violation("FreeASPI32Buffer: the descriptor names no buffer from GetASPI32Buffer");
        return 0;
    }
    if (descriptor->AB_BufLen != found->second) {
        Violation("FreeASPI32Buffer: AB_BufLen " + std::to_string(descriptor->AB_BufLen) +
                  ", the buffer has " + std::to_string(found->second));
    }
    bufferFrees_.push_back(found->second);
    std::free(found->first);
    aspiBuffers_.erase(found);
    return 1;
}

BOOL SimulatedWindowsHost::TranslateASPI32Address(DWORD*, DWORD*) {
    ++translateCalls_;
    Violation("TranslateASPI32Address called; the carriers look it up but never call it");
    return 0;
}

DWORD SimulatedWindowsHost::GetSupportInfoEntry() {
    return Current() ? Current()->GetASPI32SupportInfo() : 0;
}

DWORD SimulatedWindowsHost::SendCommandEntry(void* srb) {
    return Current() ? Current()->SendASPI32Command(srb) : win32::SS_INVALID_SRB;
}

BOOL SimulatedWindowsHost::GetBufferEntry(void* buffer) {
    return Current() ? Current()->GetASPI32Buffer(static_cast<ASPI32BUFF*>(buffer)) : 0;
}

BOOL SimulatedWindowsHost::FreeBufferEntry(void* buffer) {
    return Current() ? Current()->FreeASPI32Buffer(static_cast<ASPI32BUFF*>(buffer)) : 0;
}

BOOL SimulatedWindowsHost::TranslateAddressEntry(DWORD* path, DWORD* devNode) {
    return Current() ? Current()->TranslateASPI32Address(path, devNode) : 0;
}

}  // namespace emulator
