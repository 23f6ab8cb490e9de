// ASPI for Win32 (Windows 9x): every command is an SRB_ExecSCSICmd request for the adapter
// and target that the last successful OpenRX520X found.
#include <chrono>
#include <cstring>

#include "internal/Carriers.h"
#include "internal/ModuleState.h"

namespace quillon::internal {

namespace {

using namespace quillon::win;

constexpr DWORD kCompletionWaitMs = 15000;

// One attempt: 1 when the request completed; sets unitAttention when it ended with check
// condition and sense key 6.
int RunOnce(BYTE adapter, BYTE target, BYTE directionFlag, DWORD bufferLength, BYTE* buffer,
            BYTE cdbLength, const BYTE* cdb, bool& unitAttention) {
    WindowsHost& host = *Windows();
    SendASPI32CommandFn send = State().aspi.sendCommand;
    unitAttention = false;
    if (!send) {
        return 0;
    }
    SRB_ExecSCSICmd srb;
    std::memset(&srb, 0, sizeof srb);
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = adapter;
    srb.SRB_Flags = directionFlag;
    srb.SRB_Target = target;
    srb.SRB_Lun = 0;
    srb.SRB_BufLen = bufferLength;
    srb.SRB_BufPointer = host.PointerTo32(buffer);
    srb.SRB_SenseLen = SENSE_LEN;
    srb.SRB_CDBLen = cdbLength;
    std::memcpy(srb.CDBByte, cdb, cdbLength);

    HANDLE event = host.CreateEventA(nullptr, 1, 0, nullptr);
    if (event) {
        srb.SRB_Flags |= SRB_EVENT_NOTIFY;
        srb.SRB_PostProc = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(event));
        host.ResetEvent(event);
        if (send(&srb) == SS_PENDING) {
            host.WaitForSingleObject(event, kCompletionWaitMs);
            if (srb.SRB_Status == SS_PENDING) {
                host.ResetEvent(event);
            }
        }
        host.CloseHandle(event);
    } else {
        // No event: poll the status. The wait is bounded like the event wait, so a request
        // that never completes fails instead of hanging the program.
        send(&srb);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kCompletionWaitMs);
        volatile BYTE* status = &srb.SRB_Status;
        while (*status == SS_PENDING && std::chrono::steady_clock::now() < deadline) {
        }
    }
    if (srb.SRB_Status == SS_COMP) {
        return 1;
    }
    unitAttention = srb.SRB_TargStat == STATUS_CHKCOND && (srb.SenseArea[2] & 0x0F) == 6;
    return 0;
}

}  // namespace

int AspiExecute(std::uint8_t adapter, std::uint8_t target, std::uint8_t directionFlag,
                std::uint32_t bufferLength, std::uint8_t* buffer, std::uint8_t cdbLength,
                const std::uint8_t* cdb) {
    bool unitAttention;
    if (RunOnce(adapter, target, directionFlag, bufferLength, buffer, cdbLength, cdb,
                unitAttention)) {
        return 1;
    }
    if (unitAttention) {
        return 0;  // the medium changed: repeating would not help
    }
    return RunOnce(adapter, target, directionFlag, bufferLength, buffer, cdbLength, cdb,
                   unitAttention);
}

int AspiRead(const CommandBlock& cdb, std::uint8_t* buffer, std::uint16_t length) {
    std::memset(buffer, 0, length);
    const AspiState& aspi = State().aspi;
    return AspiExecute(aspi.adapter, aspi.target, SRB_DIR_IN, length, buffer, cdb.length,
                       cdb.bytes);
}

int AspiWrite(const CommandBlock& cdb, const std::uint8_t* data, std::uint16_t length) {
    // The caller's block holds length bytes; the pad byte needs a copy.
    std::uint8_t phase[kExchangeDataSize] = {};
    const std::uint32_t phaseLength = DataPhaseLength(length);
    if (phaseLength > sizeof phase) {
        return 0;
    }
    std::memcpy(phase, data, length);
    const AspiState& aspi = State().aspi;
    return AspiExecute(aspi.adapter, aspi.target, SRB_DIR_OUT, phaseLength, phase, cdb.length,
                       cdb.bytes);
}

char* AspiInquiry(unsigned long* length) {
    std::uint8_t reply[kInquiryLength] = {};
    const CommandBlock cdb = InquiryCommand();
    const AspiState& aspi = State().aspi;
    if (!AspiExecute(aspi.adapter, aspi.target, SRB_DIR_IN, kInquiryLength, reply, cdb.length,
                     cdb.bytes)) {
        const unsigned long code = Windows()->GetLastError();
        SetLastError(code, "Query firmware version failed: %05lu", code);
        return nullptr;
    }
    char* block = static_cast<char*>(AllocateResultBlock(kInquiryLength));
    if (!block) {
        const unsigned long code = Windows()->GetLastError();
        SetLastError(code, "Cannot allocate enough memory: %05lu", code);
        return nullptr;
    }
    std::memcpy(block, reply, kInquiryLength - 1);
    *length = kInquiryLength;
    return block;
}

}  // namespace quillon::internal
