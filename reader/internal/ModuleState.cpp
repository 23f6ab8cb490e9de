#include "internal/ModuleState.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "internal/Carriers.h"

#include "quillon/Diagnostics.h"

namespace quillon::internal {

ModuleState& State() {
    static ModuleState state;
    return state;
}

LinuxHost& Linux() {
    LinuxHost* host = State().linuxHost;
    return host ? *host : SystemLinuxHost();
}

void SetLastError(unsigned long code, const char* format, ...) {
    ModuleState& state = State();
    state.lastErrorCode = code;
    va_list args;
    va_start(args, format);
    std::vsnprintf(state.lastErrorText, sizeof state.lastErrorText, format, args);
    va_end(args);
}

}  // namespace quillon::internal

using quillon::internal::State;

extern "C" {

unsigned long QuillonLastErrorCode() {
    return State().lastErrorCode;
}
const char* QuillonLastErrorText() {
    return State().lastErrorText;
}
void QuillonClearDiagnostics() {
    State().lastErrorCode = 0;
    State().lastErrorText[0] = '\0';
}
int QuillonHeaderMode() {
    return State().headerMode;
}
void QuillonSetHeaderMode(int mode) {
    State().headerMode = mode ? 1 : 0;
}
void QuillonSetWindowsHost(quillon::win::WindowsHost* host) {
    State().windowsHost = host;
}
void QuillonSetLinuxHost(quillon::LinuxHost* host) {
    State().linuxHost = host;
}
}

namespace quillon::internal {

void* AllocateResultBlock(std::size_t bytes) {
    if (win::WindowsHost* host = Windows()) {
        return host->GlobalAlloc(win::GPTR, bytes);
    }
    return std::calloc(bytes, 1);
}

}  // namespace quillon::internal
