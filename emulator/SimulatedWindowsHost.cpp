// The simulated Windows host: version record, last error, handles, files and the SCSI
// pass-through, events, memory, modules and user-visible output. The device tree and
// SetupAPI are in SimulatedWindowsSetupApi.cpp, ASPI for Win32 in SimulatedWindowsAspi.cpp.
#include "emulator/SimulatedWindowsHost.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace emulator {

using namespace quillon::win;

namespace {

// Module handles: fixed values, clear of the small integers NewHandle deals out.
HMODULE const kSetupApiModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x73D00000});
HMODULE const kAspiModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x10000000});

// 32-bit stand-ins for pointers start here (an address no Win32 process maps at 0).
constexpr DWORD kFirstAddress = 0x00410000;

// The values the pass-through carrier puts in the SCSI_PASS_THROUGH header.
constexpr BYTE kTargetId = 1;
constexpr DWORD kTimeOutSeconds = 10;
constexpr DWORD kHeaderSize = sizeof(SCSI_PASS_THROUGH);

constexpr DWORD INFINITE = 0xFFFFFFFF;

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Quoted(const char* text) {
    return text ? "\"" + std::string(text) + "\"" : std::string("null");
}

}  // namespace

std::vector<SimulatedWindowsHost*>& SimulatedWindowsHost::LiveHosts() {
    static std::vector<SimulatedWindowsHost*> hosts;
    return hosts;
}

SimulatedWindowsHost::SimulatedWindowsHost() {
    LiveHosts().push_back(this);
}

SimulatedWindowsHost::~SimulatedWindowsHost() {
    for (auto& [block, size] : virtualBlocks_) {
        std::free(block);
    }
    for (auto& [buffer, length] : aspiBuffers_) {
        std::free(buffer);
    }
    std::erase(LiveHosts(), this);
}

SimulatedWindowsHost* SimulatedWindowsHost::Current() {
    return LiveHosts().empty() ? nullptr : LiveHosts().back();
}

void SimulatedWindowsHost::MakeCurrent() {
    std::erase(LiveHosts(), this);
    LiveHosts().push_back(this);
}

std::string SimulatedWindowsHost::Hex(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lX", value);
    return text;
}

HANDLE SimulatedWindowsHost::NewHandle() {
    HANDLE handle = reinterpret_cast<HANDLE>(nextHandle_);
    nextHandle_ += 4;
    return handle;
}

// ---- Configuration ----

SimulatedWindowsHost& SimulatedWindowsHost::SetVersion(const WindowsVersion& version) {
    version_ = version;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::AttachPath(const std::string& path,
                                                       ScsiDevice& device) {
    attachments_[Upper(path)].device = &device;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::DetachPath(const std::string& path) {
    if (Attachment* attachment = FindAttachment(path)) {
        attachment->device = nullptr;
    }
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::FailOpen(const std::string& path, DWORD error) {
    attachments_[Upper(path)].openError = error;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::SetUndeliveredError(DWORD error) {
    undeliveredError_ = error;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::CreateEventFails(bool fails) {
    createEventFails_ = fails;
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::FailGlobalAlloc(int nth) {
    globalAllocFailures_.insert(globalAllocCalls_ + nth);
    return *this;
}

SimulatedWindowsHost& SimulatedWindowsHost::FailVirtualAlloc(int nth) {
    virtualAllocFailures_.insert(virtualAllocCalls_ + nth);
    return *this;
}

SimulatedWindowsHost::Attachment* SimulatedWindowsHost::FindAttachment(const std::string& path) {
    auto found = attachments_.find(Upper(path));
    return found == attachments_.end() ? nullptr : &found->second;
}

// ---- Inspection ----

int SimulatedWindowsHost::OpenDeviceInfoSets() const {
    return static_cast<int>(sets_.size());
}
int SimulatedWindowsHost::OpenFiles() const {
    return static_cast<int>(files_.size());
}
int SimulatedWindowsHost::OpenEvents() const {
    return static_cast<int>(events_.size());
}

// ---- Version ----

BOOL SimulatedWindowsHost::GetVersionExA(OSVERSIONINFOA* info) {
    if (!info) {
        Violation("GetVersionExA: null version record");
        Fail(win32::ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        Violation("GetVersionExA: dwOSVersionInfoSize " +
                  std::to_string(info->dwOSVersionInfoSize) + ", expected " +
                  std::to_string(sizeof(OSVERSIONINFOA)));
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    info->dwMajorVersion = version_.major;
    info->dwMinorVersion = version_.minor;
    info->dwBuildNumber = version_.build;
    info->dwPlatformId = version_.platform;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::strncpy(info->szCSDVersion, version_.servicePack, sizeof info->szCSDVersion - 1);
    return 1;
}

// ---- Files and the SCSI pass-through ----

HANDLE SimulatedWindowsHost::CreateFileA(const char* path, DWORD access, DWORD share,
                                         void* security, DWORD disposition, DWORD flags,
                                         HANDLE templateFile) {
    const std::string where = "CreateFileA(" + Quoted(path) + "): ";
    std::vector<std::string> problems;
    if (!path) {
        problems.push_back("null path");
    }
    if (access != (GENERIC_READ | GENERIC_WRITE)) {
        problems.push_back("access " + Hex(access) + ", expected GENERIC_READ|GENERIC_WRITE");
    }
    if (share != (FILE_SHARE_READ | FILE_SHARE_WRITE)) {
        problems.push_back("sharing " + Hex(share) + ", expected FILE_SHARE_READ|FILE_SHARE_WRITE");
    }
    if (security) {
        problems.push_back("security attributes given, expected none");
    }
    if (disposition != OPEN_EXISTING) {
        problems.push_back("disposition " + std::to_string(disposition) +
                           ", expected OPEN_EXISTING");
    }
    if (flags != 0) {
        problems.push_back("flags " + Hex(flags) + ", expected 0");
    }
    if (templateFile) {
        problems.push_back("template file given, expected none");
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            Violation(where + problem);
        }
        Fail(win32::ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    Attachment* attachment = FindAttachment(path);
    if (attachment && attachment->openError) {
        Fail(attachment->openError);
        return INVALID_HANDLE_VALUE;
    }
    if (!attachment || !attachment->device) {
        Fail(win32::ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = NewHandle();
    files_[reinterpret_cast<std::uintptr_t>(handle)] = OpenFile{path};
    ++filesOpened_;
    return handle;
}

BOOL SimulatedWindowsHost::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize,
                                           void* out, DWORD outSize, DWORD* bytesReturned,
                                           void* overlapped) {
    OpenFile* file = Find(files_, device);
    if (!file) {
        Violation("DeviceIoControl: handle " + Hex(reinterpret_cast<std::uintptr_t>(device)) +
                  " is not an open file");
        Fail(win32::ERROR_INVALID_HANDLE);
        return 0;
    }

    std::vector<std::string> problems;
    auto expect = [&problems](bool holds, const std::string& problem) {
        if (!holds) {
            problems.push_back(problem);
        }
    };
    expect(code == IOCTL_SCSI_PASS_THROUGH,
           "control code " + Hex(code) + ", expected IOCTL_SCSI_PASS_THROUGH (0x4D004)");
    expect(overlapped == nullptr, "overlapped structure given on a synchronous handle");
    expect(bytesReturned != nullptr, "no bytesReturned without an overlapped structure");
    expect(in != nullptr && in == out, "input and output are not the same exchange buffer");
    expect(in == nullptr || inSize >= kHeaderSize,
           "input size " + std::to_string(inSize) + " is shorter than the 44-byte header");
    if (in && inSize >= kHeaderSize) {
        const auto& header = *static_cast<const SCSI_PASS_THROUGH*>(in);
        const DWORD transfer = header.DataTransferLength;
        auto field = [&expect](const char* name, unsigned long value, unsigned long wanted) {
            expect(value == wanted, std::string("header ") + name + " " + std::to_string(value) +
                                        ", expected " + std::to_string(wanted));
        };
        field("Length", header.Length, kHeaderSize);
        expect(header.ScsiStatus == 0, "header ScsiStatus " + std::to_string(header.ScsiStatus) +
                                           " on input, expected 0 (buffer not cleared)");
        field("PathId", header.PathId, 0);
        field("TargetId", header.TargetId, kTargetId);
        field("Lun", header.Lun, 0);
        expect(header.CdbLength == 10 || header.CdbLength == 16,
               "header CdbLength " + std::to_string(header.CdbLength) + ", expected 10 or 16");
        if (header.CdbLength <= sizeof header.Cdb) {
            expect(std::all_of(header.Cdb + header.CdbLength, header.Cdb + sizeof header.Cdb,
                               [](BYTE b) { return b == 0; }),
                   "command block bytes past CdbLength are not zero (stale command block)");
        }
        field("SenseInfoLength", header.SenseInfoLength, 0);
        expect(header.DataIn == SCSI_IOCTL_DATA_IN || header.DataIn == SCSI_IOCTL_DATA_OUT,
               "header DataIn " + std::to_string(header.DataIn) + ", expected 0 or 1");
        field("TimeOutValue", header.TimeOutValue, kTimeOutSeconds);
        field("DataBufferOffset", header.DataBufferOffset, kHeaderSize);
        field("SenseInfoOffset", header.SenseInfoOffset, 0);
        const unsigned long wantedIn =
            header.DataIn == SCSI_IOCTL_DATA_OUT ? kHeaderSize + transfer : kHeaderSize;
        expect(inSize == wantedIn, "input size " + std::to_string(inSize) + ", expected " +
                                       std::to_string(wantedIn) + " for DataTransferLength " +
                                       std::to_string(transfer));
        expect(outSize == kHeaderSize + transfer,
               "output size " + std::to_string(outSize) + ", expected " +
                   std::to_string(kHeaderSize + transfer) + " for DataTransferLength " +
                   std::to_string(transfer));
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            Violation("DeviceIoControl: " + problem);
        }
        Fail(win32::ERROR_INVALID_PARAMETER);
        return 0;
    }

    auto& header = *static_cast<SCSI_PASS_THROUGH*>(in);
    std::uint8_t* area = static_cast<std::uint8_t*>(in) + kHeaderSize;
    const std::size_t transfer = header.DataTransferLength;
    const DataDirection direction = transfer == 0 ? DataDirection::None
                                    : header.DataIn == SCSI_IOCTL_DATA_IN
                                        ? DataDirection::FromDevice
                                        : DataDirection::ToDevice;

    // The device works on its own copy of the data area, as the port driver's buffer is not
    // the caller's; only the bytes it supplies come back.
    std::vector<std::uint8_t> data(transfer);
    PassThroughCall call;
    call.cdb.assign(header.Cdb, header.Cdb + header.CdbLength);
    call.direction = direction;
    if (direction == DataDirection::ToDevice) {
        std::copy(area, area + transfer, data.begin());
        call.dataOut = data;
    } else {
        call.lengthIn = transfer;
    }

    Attachment* attachment = FindAttachment(file->path);
    ScsiDevice* target = attachment ? attachment->device : nullptr;
    ScsiResult result;
    if (target) {
        result = target->Execute(header.Cdb, header.CdbLength, direction, data.data(), transfer);
    } else {
        result.delivered = false;
    }
    call.result = result;
    passThrough_.push_back(std::move(call));

    if (!result.delivered) {
        *bytesReturned = 0;
        Fail(undeliveredError_);
        return 0;
    }
    const std::size_t moved = std::min(result.transferred, transfer);
    if (direction == DataDirection::FromDevice) {
        std::copy(data.begin(), data.begin() + moved, area);
    }
    // Check condition still completes the request: SCSI status is the caller's to examine.
    header.ScsiStatus = result.status;
    header.DataTransferLength = static_cast<DWORD>(moved);
    *bytesReturned = static_cast<DWORD>(kHeaderSize + moved);
    return 1;
}

BOOL SimulatedWindowsHost::CloseHandle(HANDLE handle) {
    const auto key = reinterpret_cast<std::uintptr_t>(handle);
    if (files_.erase(key)) {
        return 1;
    }
    if (Event* event = Find(events_, handle)) {
        if (event->pending && completion_ == AspiCompletion::Pending) {
            Violation("CloseHandle: event closed while its ASPI request is still pending");
        }
        events_.erase(key);
        return 1;
    }
    if (sets_.count(key)) {
        Violation("CloseHandle: " + Hex(key) +
                  " is a device information set (SetupDiDestroyDeviceInfoList frees it)");
    } else {
        Violation("CloseHandle: " + Hex(key) + " is not an open handle");
    }
    Fail(win32::ERROR_INVALID_HANDLE);
    return 0;
}

// ---- Events ----

HANDLE SimulatedWindowsHost::CreateEventA(void* security, BOOL manualReset, BOOL initialState,
                                          const char* name) {
    std::vector<std::string> problems;
    if (security) {
        problems.push_back("security attributes given, expected none");
    }
    if (!manualReset) {
        problems.push_back("auto-reset event, expected manual reset");
    }
    if (initialState) {
        problems.push_back("initially signalled, expected non-signalled");
    }
    if (name) {
        problems.push_back("named " + Quoted(name) + ", expected unnamed");
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            Violation("CreateEventA: " + problem);
        }
        Fail(win32::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (createEventFails_) {
        Fail(win32::ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HANDLE handle = NewHandle();
    events_[reinterpret_cast<std::uintptr_t>(handle)] = Event{};
    ++eventsCreated_;
    return handle;
}

BOOL SimulatedWindowsHost::ResetEvent(HANDLE handle) {
    Event* event = Find(events_, handle);
    if (!event) {
        Violation("ResetEvent: " + Hex(reinterpret_cast<std::uintptr_t>(handle)) +
                  " is not an open event");
        Fail(win32::ERROR_INVALID_HANDLE);
        return 0;
    }
    ++resetEventCalls_;
    event->signalled = false;
    return 1;
}

DWORD SimulatedWindowsHost::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    DWORD result = WAIT_TIMEOUT;
    Event* event = Find(events_, handle);
    if (!event) {
        Violation("WaitForSingleObject: " + Hex(reinterpret_cast<std::uintptr_t>(handle)) +
                  " is not an open event");
        Fail(win32::ERROR_INVALID_HANDLE);
        result = win32::WAIT_FAILED;
    } else if (event->signalled) {
        result = WAIT_OBJECT_0;
    } else if (event->pending && completion_ == AspiCompletion::Pending) {
        // Single-threaded: the request that this event reports on completes now, "while"
        // the caller waits.
        Complete(*event->pending, event->pendingLogIndex, event->pendingFault);
        event->pending = nullptr;
        event->signalled = true;
        result = WAIT_OBJECT_0;
    } else if (milliseconds == INFINITE) {
        Violation("WaitForSingleObject: infinite wait on an event nothing will signal");
    }
    waits_.push_back({milliseconds, result});
    return result;
}

// ---- Memory ----

void* SimulatedWindowsHost::GlobalAlloc(UINT flags, std::size_t bytes) {
    const int serial = ++globalAllocCalls_;
    if (flags != GPTR) {
        Violation("GlobalAlloc: flags " + Hex(flags) + ", expected GPTR (fixed, zero-filled)");
        Fail(win32::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (globalAllocFailures_.erase(serial)) {
        Fail(win32::ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return std::calloc(bytes ? bytes : 1, 1);
}

void* SimulatedWindowsHost::VirtualAlloc(void* address, std::size_t size, DWORD type,
                                         DWORD protect) {
    const int serial = ++virtualAllocCalls_;
    std::vector<std::string> problems;
    if (address) {
        problems.push_back("an address given, expected the system to choose");
    }
    if (size == 0) {
        problems.push_back("size 0");
    }
    if (!(type & MEM_COMMIT)) {
        problems.push_back("type " + Hex(type) + " does not commit");
    }
    if (protect != PAGE_READWRITE) {
        problems.push_back("protection " + Hex(protect) + ", expected PAGE_READWRITE");
    }
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            Violation("VirtualAlloc: " + problem);
        }
        Fail(win32::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (virtualAllocFailures_.erase(serial)) {
        Fail(win32::ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* block = std::calloc(size, 1);
    virtualBlocks_[block] = size;
    return block;
}

BOOL SimulatedWindowsHost::VirtualFree(void* address, std::size_t size, DWORD type) {
    auto found = virtualBlocks_.find(address);
    if (found == virtualBlocks_.end()) {
        Violation("VirtualFree: " + Hex(reinterpret_cast<std::uintptr_t>(address)) +
                  " is not a block from VirtualAlloc");
        Fail(win32::ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (type != MEM_RELEASE || size != 0) {
        Violation("VirtualFree: type " + Hex(type) + " size " + std::to_string(size) +
                  ", expected MEM_RELEASE with size 0");
        Fail(win32::ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::free(found->first);
    virtualBlocks_.erase(found);
    return 1;
}

DWORD SimulatedWindowsHost::PointerTo32(void* pointer) {
    if (!pointer) {
        return 0;
    }
    auto found = toAddress_.find(pointer);
    if (found != toAddress_.end()) {
        return found->second;
    }
    // 16 bytes apart, so neighbouring registrations never look like one another.
    const DWORD address = kFirstAddress + static_cast<DWORD>(toAddress_.size()) * 16;
    toAddress_[pointer] = address;
    fromAddress_[address] = pointer;
    return address;
}

void* SimulatedWindowsHost::PointerFrom32(DWORD address) const {
    auto found = fromAddress_.find(address);
    return found == fromAddress_.end() ? nullptr : found->second;
}

// ---- Modules ----

HMODULE SimulatedWindowsHost::GetModuleHandleA(const char* name) {
    if (name && setupApiLoaded_) {
        const std::string module = Upper(name);
        if (module == "SETUPAPI.DLL" || module == "SETUPAPI") {
            return kSetupApiModule;
        }
    }
    Fail(win32::ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE SimulatedWindowsHost::LoadLibraryA(const char* name) {
    const std::string module = name ? Upper(name) : std::string();
    HMODULE loaded = nullptr;
    if (module != "WNASPI32" && module != "WNASPI32.DLL") {
        Fail(win32::ERROR_MOD_NOT_FOUND);
    } else if (aspiLoadFailure_) {
        Fail(*aspiLoadFailure_);
    } else if (!aspiInstalled_) {
        Fail(ERROR_DLL_NOT_FOUND);
    } else {
        ++aspiLoads_;
        loaded = kAspiModule;
    }
    loads_.push_back({name ? name : "", errorMode_, loaded != nullptr});
    return loaded;
}

FARPROC SimulatedWindowsHost::GetProcAddress(HMODULE module, const char* name) {
    const std::string entry = name ? name : "";
    procLookups_.push_back(entry);
    if (module == kSetupApiModule) {
        if (setupApiLoaded_ && configManagerAvailable_ && entry == "CM_Get_Child") {
            return reinterpret_cast<FARPROC>(&CmGetChildEntry);
        }
        Fail(win32::ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (module == kAspiModule) {
        if (aspiLoads_ <= aspiFrees_) {
            Violation("GetProcAddress(\"" + entry + "\"): WNASPI32 is not loaded");
            Fail(win32::ERROR_INVALID_HANDLE);
            return nullptr;
        }
        FARPROC found = nullptr;
        if (entry == "GetASPI32SupportInfo") {
            found = reinterpret_cast<FARPROC>(&GetSupportInfoEntry);
        } else if (entry == "SendASPI32Command") {
            found = reinterpret_cast<FARPROC>(&SendCommandEntry);
        } else if (entry == "GetASPI32Buffer") {
            found = reinterpret_cast<FARPROC>(&GetBufferEntry);
        } else if (entry == "FreeASPI32Buffer") {
            found = reinterpret_cast<FARPROC>(&FreeBufferEntry);
        } else if (entry == "TranslateASPI32Address") {
            found = reinterpret_cast<FARPROC>(&TranslateAddressEntry);
        }
        if (!found || aspiMissing_.count(entry)) {
            Fail(win32::ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        return found;
    }
    if (!module) {  // e.g. the handle of a module that is not loaded
        Fail(win32::ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    Violation("GetProcAddress(\"" + entry +
              "\"): " + Hex(reinterpret_cast<std::uintptr_t>(module)) + " is not a loaded module");
    Fail(win32::ERROR_MOD_NOT_FOUND);
    return nullptr;
}

BOOL SimulatedWindowsHost::FreeLibrary(HMODULE module) {
    if (module == kAspiModule && aspiLoads_ > aspiFrees_) {
        ++aspiFrees_;
        return 1;
    }
    Violation("FreeLibrary: " + Hex(reinterpret_cast<std::uintptr_t>(module)) +
              " is not a loaded library");
    Fail(win32::ERROR_INVALID_HANDLE);
    return 0;
}

UINT SimulatedWindowsHost::SetErrorMode(UINT mode) {
    errorModes_.push_back(mode);
    const UINT previous = errorMode_;
    errorMode_ = mode;
    return previous;
}

// ---- User-visible output ----

void SimulatedWindowsHost::OutputDebugStringA(const char* text) {
    debugOutput_.push_back(text ? text : "");
}

int SimulatedWindowsHost::MessageBoxA(HWND owner, const char* text, const char* caption,
                                      UINT type) {
    messageBoxes_.push_back({owner, text ? text : "", caption ? caption : "", type});
    return win32::IDOK;
}

}  // namespace emulator
