// The library's module-wide state: the exchange buffer of the pass-through carrier, the
// diagnostic state, the ASPI state and the UPDATE RECORD header-mode flag. One set for the
// loaded library, shared by every CQuillon; unguarded (one caller at a time).
#pragma once

#include <cstddef>
#include <cstdint>

#include "quillon/LinuxHost.h"
#include "quillon/WindowsHost.h"

namespace quillon::internal {

// The pass-through exchange buffer: the 44-byte header and the data area, which holds the
// largest transfer of the command set (a 255-byte record with its procedure byte and
// status word: 258 bytes), rounded up.
inline constexpr std::size_t kExchangeDataSize = 260;
struct ExchangeBuffer {
    win::SCSI_PASS_THROUGH header;
    std::uint8_t data[kExchangeDataSize];
};
static_assert(offsetof(ExchangeBuffer, data) == 44);

struct AspiState {
    win::HMODULE library = nullptr;
    win::GetASPI32SupportInfoFn getSupportInfo = nullptr;
    win::SendASPI32CommandFn sendCommand = nullptr;
    win::GetASPI32BufferFn getBuffer = nullptr;
    win::FreeASPI32BufferFn freeBuffer = nullptr;
    win::TranslateASPI32AddressFn translateAddress = nullptr;  // looked up, never called
    // The transfer buffer and where it came from.
    win::ASPI32BUFF bufferDescriptor{};
    void* virtualBuffer = nullptr;
    std::size_t virtualBufferSize = 0;
    bool bufferFromAspi = false;
    // The address found by the last successful OpenRX520X.
    std::uint8_t adapter = 0;
    std::uint8_t target = 0;
};

struct ModuleState {
    ExchangeBuffer exchange{};
    unsigned long lastErrorCode = 0;
    char lastErrorText[256] = {};
    AspiState aspi;
    int headerMode = 1;
    win::WindowsHost* windowsHost = nullptr;
    LinuxHost* linuxHost = nullptr;
};

ModuleState& State();

// The installed Windows host (null on Linux).
inline win::WindowsHost* Windows() {
    return State().windowsHost;
}
// The installed Linux host, or the real system.
LinuxHost& Linux();

// Records a system error code and formats the last error text (a wsprintfA-style format).
void SetLastError(unsigned long code, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// Records the system error code only.
inline void RecordErrorCode(unsigned long code) {
    State().lastErrorCode = code;
}

}  // namespace quillon::internal
