// ASPI for Win32 (WNASPI32) on Windows 9x: loading and releasing it, and the scan that
// takes the first direct-access unit to be the reader.
#include <cstdio>
#include <cstring>
#include <string>

#include "internal/Carriers.h"
#include "internal/Discovery.h"
#include "internal/ModuleState.h"
#include "quillon/Quillon.h"

namespace quillon::internal {

namespace {

using namespace quillon::win;

constexpr const char* kAspiCaption = "Dav Irer I/R";
constexpr DWORD kAspiBufferSizes[] = {524288, 262144, 131072};
constexpr std::size_t kVirtualBufferSize = 65536;

void ShowAspiMessage(unsigned long code, unsigned long detail) {
    char text[160];
    if (code == ERROR_DLL_NOT_FOUND) {
        std::snprintf(text, sizeof text, "%s",
                      "This program requires ASPI for Win32 (i.e. WNASPI32.DLL) to run "
                      "properly.");
    } else {
        std::snprintf(text, sizeof text, "Unable to initialize ASPI for Win32 (%lx/%lx).", code,
                      detail);
    }
    Windows()->MessageBoxA(nullptr, text, kAspiCaption, MB_ICONERROR);
}

template <typename Fn>
Fn Lookup(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(Windows()->GetProcAddress(library, name));
}

// Releases the transfer buffer and the library reference; the result of unloading it.
int ReleaseAspi() {
    WindowsHost& host = *Windows();
    AspiState& aspi = State().aspi;
    if (aspi.bufferFromAspi) {
        if (aspi.freeBuffer) {
            aspi.freeBuffer(&aspi.bufferDescriptor);
        }
    } else if (aspi.virtualBuffer) {
        host.VirtualFree(aspi.virtualBuffer, 0, MEM_RELEASE);
    }
    int result = 0;
    if (aspi.library) {
        result = host.FreeLibrary(aspi.library);
    }
    const std::uint8_t adapter = aspi.adapter;
    const std::uint8_t target = aspi.target;
    aspi = AspiState{};
    aspi.adapter = adapter;  // the address of the last open outlives a restart of ASPI
    aspi.target = target;
    return result;
}

std::string Trimmed(const std::uint8_t* bytes, std::size_t length) {
    std::string text(reinterpret_cast<const char*>(bytes), length);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) {
        text.pop_back();
    }
    return text.c_str();  // an inner zero ends the text
}

bool IsDirectAccessUnit(BYTE adapter, BYTE target) {
    SendASPI32CommandFn send = State().aspi.sendCommand;
    SRB_GDEVBlock device;
    std::memset(&device, 0, sizeof device);
    device.SRB_Cmd = SC_GET_DEV_TYPE;
    device.SRB_HaId = adapter;
    device.SRB_Target = target;
    device.SRB_Lun = 0;
    send(&device);
    return device.SRB_Status == SS_COMP &&
           (device.SRB_DeviceType == 0 || device.SRB_DeviceType == 5);
}

}  // namespace

long AspiScan() {
    WindowsHost& host = *Windows();
    AspiState& aspi = State().aspi;
    if (!aspi.getSupportInfo || !aspi.sendCommand) {
        return -1;
    }
    const DWORD support = aspi.getSupportInfo();
    if (((support >> 8) & 0xFF) != SS_COMP) {
        return -1;
    }
    const unsigned adapters = support & 0xFF;
    for (unsigned adapter = 0; adapter < adapters; ++adapter) {
        SRB_HAInquiry inquiry;
        std::memset(&inquiry, 0, sizeof inquiry);
        inquiry.SRB_Cmd = SC_HA_INQUIRY;
        inquiry.SRB_HaId = static_cast<BYTE>(adapter);
        aspi.sendCommand(&inquiry);
        if (inquiry.SRB_Status != SS_COMP) {
            continue;
        }
        const BYTE maxTargets = inquiry.HA_Unique[3];
        const unsigned targets = (maxTargets == 8 || maxTargets == 16) ? maxTargets : 8;
        for (unsigned target = 0; target < targets; ++target) {
            const BYTE a = static_cast<BYTE>(adapter);
            const BYTE t = static_cast<BYTE>(target);
            if (!IsDirectAccessUnit(a, t)) {
                continue;
            }
            // Standard INQUIRY, 36 bytes: byte 0 low 5 bits is the peripheral device type.
            const BYTE cdb[6] = {0x12, 0x00, 0x00, 0x00, 0x24, 0x00};
            BYTE data[36] = {};
            if (!AspiExecute(a, t, SRB_DIR_IN, sizeof data, data, sizeof cdb, cdb) ||
                (data[0] & 0x1F) != 0) {
                continue;
            }
            char line[128];
            std::snprintf(line, sizeof line, "[%ld:%ld] %s %s %s\n", static_cast<long>(adapter),
                          static_cast<long>(target), Trimmed(data + 8, 8).c_str(),
                          Trimmed(data + 16, 16).c_str(), Trimmed(data + 32, 4).c_str());
            host.OutputDebugStringA(line);
            std::snprintf(line, sizeof line, "AdaptID is %d, TargetID is %d\n",
                          static_cast<int>(adapter), static_cast<int>(target));
            host.OutputDebugStringA(line);
            aspi.adapter = a;
            aspi.target = t;
            return static_cast<long>(adapter * 16 + target);
        }
    }
    return -1;
}

}  // namespace quillon::internal

using namespace quillon::internal;
using namespace quillon::win;

extern "C" {

int InitASPI() {
    WindowsHost* host = Windows();
    if (!host) {
        // Linux has no ASPI; the reader is reached through SG_IO.
        SetLastError(0, "ASPI for Win32 is not available on this host");
        return 0;
    }
    // Every call prepares ASPI afresh; what an earlier call acquired is released first,
    // so repeated searches neither stack library references nor leak buffers.
    ReleaseAspi();
    AspiState& aspi = State().aspi;

    const UINT previousMode = host->SetErrorMode(SEM_NOOPENFILEERRORBOX);
    aspi.library = host->LoadLibraryA("WNASPI32");
    const unsigned long loadError = aspi.library ? 0 : host->GetLastError();
    host->SetErrorMode(previousMode);
    if (!aspi.library) {
        ShowAspiMessage(loadError, 1);
        return 0;
    }

    aspi.getSupportInfo = Lookup<GetASPI32SupportInfoFn>(aspi.library, "GetASPI32SupportInfo");
    aspi.sendCommand = Lookup<SendASPI32CommandFn>(aspi.library, "SendASPI32Command");
    aspi.getBuffer = Lookup<GetASPI32BufferFn>(aspi.library, "GetASPI32Buffer");
    aspi.freeBuffer = Lookup<FreeASPI32BufferFn>(aspi.library, "FreeASPI32Buffer");
    aspi.translateAddress =
        Lookup<TranslateASPI32AddressFn>(aspi.library, "TranslateASPI32Address");
    if (!aspi.getSupportInfo || !aspi.sendCommand) {
        ShowAspiMessage(ERROR_DLL_NOT_FOUND, 1);
        return 0;
    }

    const BYTE status = static_cast<BYTE>(aspi.getSupportInfo() >> 8);
    if (status != SS_COMP && status != SS_NO_ADAPTERS) {
        ShowAspiMessage(0, status);
        return 0;
    }

    SRB_GetSetTimeouts timeouts;
    std::memset(&timeouts, 0, sizeof timeouts);
    timeouts.SRB_Cmd = SC_GETSET_TIMEOUTS;
    timeouts.SRB_HaId = 0xFF;
    timeouts.SRB_Flags = SRB_DIR_OUT;
    timeouts.SRB_Target = 0xFF;
    timeouts.SRB_Lun = 0xFF;
    timeouts.SRB_Timeout = 30;
    aspi.sendCommand(&timeouts);

    if (aspi.getBuffer) {
        for (DWORD size : kAspiBufferSizes) {
            std::memset(&aspi.bufferDescriptor, 0, sizeof aspi.bufferDescriptor);
            aspi.bufferDescriptor.AB_BufLen = size;
            aspi.bufferDescriptor.AB_ZeroFill = 1;
            if (aspi.getBuffer(&aspi.bufferDescriptor)) {
                aspi.bufferFromAspi = true;
                return 1;
            }
        }
    }
    aspi.virtualBuffer =
        host->VirtualAlloc(nullptr, kVirtualBufferSize, MEM_COMMIT, PAGE_READWRITE);
    if (!aspi.virtualBuffer) {
        ShowAspiMessage(0, SS_INSUFFICIENT_RESOURCES);
        return 0;
    }
    aspi.virtualBufferSize = kVirtualBufferSize;
    return 1;
}

int TermASPI() {
    if (!Windows()) {
        return 0;
    }
    return ReleaseAspi();
}
}
