// Finding and opening the reader on each host family.
#pragma once

#include <string>

namespace quillon::internal {

// The USB hardware identifier rule: upper-cased, the text holds "0B9D" and, at or after
// that place, the product text.
bool MatchesReader(const std::string& hardwareId, const char* product);
// The products searched, in order: each through the whole enumeration before the next.
inline constexpr const char* kReaderProducts[] = {"7731", "7734"};

// SetupAPI discovery (NT family and Windows 9x); the path is a caller-owned block.
char* FindDeviceEntryNt();
char* FindDeviceEntryWin9x();
void* OpenDeviceNt(const char* devicePath);

// sysfs discovery (Linux).
char* FindDeviceEntryLinux();
void* OpenDeviceLinux(const char* devicePath);
void CloseDeviceLinux(void* device);

// ASPI (Windows 9x): the first direct-access unit on any adapter; adapter*16+target, or
// -1 when there is none.
long AspiScan();

}  // namespace quillon::internal
