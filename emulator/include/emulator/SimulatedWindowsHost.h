// A simulated Windows host: the Win32 operations of the reader library's host seam,
// answered from a device tree, a set of attached SCSI devices and an ASPI for Win32 manager
// that tests configure. The library's Windows code paths (SetupAPI discovery, SCSI
// pass-through, ASPI) run on it unchanged; every command block they carry reaches a
// ScsiDevice (the virtual reader, or a test's own stub).
//
// The host checks every call against what Win32 accepts and what the carriers are meant to
// pass (the pass-through header, the ASPI request block, CreateFileA's arguments ...). A
// call that breaks a rule fails, as Windows would fail it, and leaves a readable line in
// Violations(), so a test asserts that list empty after a run of the library.
//
// Handles (device information sets, files, events) are small integers, multiples of 4 and
// far below 2^32, as Win32 hands them out; the host counts them so tests can assert that
// none leak.
//
// Installing: construct the host, configure it, and hand it to the library with
// QuillonSetWindowsHost(&host). Entry points that the library looks up with GetProcAddress
// (CM_Get_Child, the ASPI functions) are plain functions with no context argument; they
// forward to SimulatedWindowsHost::Current(): the live host constructed last, or the one
// that MakeCurrent() named since. Hosts form a stack, so when a test's short-lived second
// host goes, the one before it is current again. The library and the host are
// single-threaded, so one static list is enough.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "emulator/ScsiDevice.h"
#include "quillon/WindowsHost.h"

namespace emulator {

namespace win = quillon::win;

// Win32, configuration-manager and ASPI codes that the seam header leaves out.
namespace win32 {
inline constexpr win::DWORD ERROR_SUCCESS = 0;
inline constexpr win::DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr win::DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr win::DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr win::DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr win::DWORD ERROR_INVALID_DATA = 13;
inline constexpr win::DWORD ERROR_GEN_FAILURE = 31;
inline constexpr win::DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr win::DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr win::DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr win::DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
inline constexpr win::DWORD ERROR_INVALID_USER_BUFFER = 1784;
inline constexpr win::DWORD ERROR_NO_SUCH_DEVINST = 0xE000020B;
inline constexpr win::DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr win::DWORD REG_MULTI_SZ = 7;
inline constexpr win::DWORD SPINT_ACTIVE = 1;
inline constexpr int IDOK = 1;

// CONFIGRET results of CM_Get_Child.
inline constexpr win::DWORD CR_SUCCESS = 0x00;
inline constexpr win::DWORD CR_INVALID_POINTER = 0x03;
inline constexpr win::DWORD CR_INVALID_FLAG = 0x04;
inline constexpr win::DWORD CR_INVALID_DEVNODE = 0x05;
inline constexpr win::DWORD CR_NO_SUCH_DEVNODE = 0x0D;
inline constexpr win::DWORD CR_FAILURE = 0x13;

// ASPI for Win32 request statuses and host-adapter status.
inline constexpr win::BYTE SS_ABORTED = 0x02;
inline constexpr win::BYTE SS_INVALID_CMD = 0x80;
inline constexpr win::BYTE SS_INVALID_HA = 0x81;
inline constexpr win::BYTE SS_NO_DEVICE = 0x82;
inline constexpr win::BYTE SS_INVALID_SRB = 0xE0;
inline constexpr win::BYTE HASTAT_SEL_TO = 0x11;  // selection time-out

// SCSI peripheral device types (SPC: INQUIRY byte 0, bits 0-4).
inline constexpr win::BYTE DTYPE_DASD = 0x00;
inline constexpr win::BYTE DTYPE_CDROM = 0x05;
}  // namespace win32

// Device interface classes the library searches.
// GUID_DEVINTERFACE_USB_DEVICE {A5DCBF10-6530-11D2-901F-00C04FB951ED}
inline constexpr win::GUID kGuidUsbDevice = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
// GUID_DEVINTERFACE_DISK {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}
inline constexpr win::GUID kGuidDisk = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
// GUID_DEVINTERFACE_CDROM {53F56308-B6BF-11D0-94F2-00A0C91EFB8B}
inline constexpr win::GUID kGuidCdrom = {
    0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
// The reader's class on Windows 9x {40EF6CF0-2DB6-11D3-9F78-00C04F6D5135}
inline constexpr win::GUID kGuidWin9xReader = {
    0x40EF6CF0, 0x2DB6, 0x11D3, {0x9F, 0x78, 0x00, 0xC0, 0x4F, 0x6D, 0x51, 0x35}};

// The operating system's version record as GetVersionExA reports it.
struct WindowsVersion {
    win::DWORD platform = win::VER_PLATFORM_WIN32_NT;
    win::DWORD major = 5;
    win::DWORD minor = 1;
    win::DWORD build = 2600;
    const char* servicePack = "";

    static WindowsVersion Windows98() { return {1, 4, 10, 1998, ""}; }
    static WindowsVersion WindowsMe() { return {1, 4, 90, 3000, ""}; }
    // A Windows 9x platform record with major version 5: no such release exists; the
    // library's family test counts it as the NT family.
    static WindowsVersion Windows9xMajor5() { return {1, 5, 0, 0, ""}; }
    static WindowsVersion Nt4() { return {2, 4, 0, 1381, "Service Pack 6"}; }
    static WindowsVersion Windows2000() { return {2, 5, 0, 2195, "Service Pack 4"}; }
    static WindowsVersion WindowsXp() { return {2, 5, 1, 2600, "Service Pack 3"}; }
    static WindowsVersion WindowsVista() { return {2, 6, 0, 6002, "Service Pack 2"}; }
    static WindowsVersion Windows7() { return {2, 6, 1, 7601, "Service Pack 1"}; }
    static WindowsVersion Windows10() { return {2, 10, 0, 19045, ""}; }
};

class SimulatedWindowsHost;

// One node of the simulated device tree. Setters return the node, so a test describes a
// device in one expression:
//   host.AddDevice(0x200).HardwareIds({"USB\\VID_0B9D&PID_7731&REV_0100"})
//       .Interface(kGuidUsbDevice, "\\\\?\\usb#vid_0b9d&pid_7731#...").Child(0x201);
class SimulatedDevice {
public:
    win::DEVINST Instance() const { return instance_; }

    // The SPDRP_HARDWAREID multi-string, most specific identifier first.
    SimulatedDevice& HardwareIds(std::vector<std::string> ids);
    // CM_Get_Child of this node answers child (the first child).
    SimulatedDevice& Child(win::DEVINST child);
    // CM_Get_Child of this node fails with this CONFIGRET (e.g. CR_NO_SUCH_DEVNODE).
    SimulatedDevice& ChildError(win::DWORD configManagerResult);
    // Exposes a device interface of a class; interfaces of a class enumerate in the order
    // they were added, across all devices. A device may expose several classes.
    SimulatedDevice& Interface(const win::GUID& interfaceClass, std::string devicePath);

    // Failure injection for the SetupAPI calls about this device's interfaces and record:
    // the interface detail size query (the call that yields the device record) fails;
    SimulatedDevice& RecordUnreadable(win::DWORD error = win32::ERROR_INVALID_DATA);
    // the interface detail query with a buffer (the one that yields the path) fails;
    SimulatedDevice& DetailUnreadable(win::DWORD error = win32::ERROR_INVALID_DATA);
    // the hardware identifier property cannot be read.
    SimulatedDevice& HardwareIdUnreadable(win::DWORD error = win32::ERROR_INVALID_DATA);

private:
    friend class SimulatedWindowsHost;
    SimulatedDevice(SimulatedWindowsHost& host, win::DEVINST instance)
        : host_(host), instance_(instance) {}

    SimulatedWindowsHost& host_;
    win::DEVINST instance_;
    std::vector<std::string> hardwareIds_;
    std::optional<win::DEVINST> child_;
    win::DWORD childError_ = win32::CR_SUCCESS;
    win::DWORD recordError_ = 0;
    win::DWORD detailError_ = 0;
    win::DWORD hardwareIdError_ = 0;
};

// The standard INQUIRY data (SPC) of an ASPI unit; the host answers INQUIRY itself. The
// texts are copied into their fields as given (so a test can end them with blanks or zero
// bytes) and the rest of a field is filled with blanks.
struct ScsiInquiryData {
    win::BYTE peripheralType = win32::DTYPE_DASD;  // byte 0, bits 0-4
    std::string vendor;                            // bytes 8-15
    std::string product;                           // bytes 16-31
    std::string revision;                          // bytes 32-35
};

// One target (unit 0) behind an ASPI host adapter.
class SimulatedAspiTarget {
public:
    // What SC_GET_DEV_TYPE reports (DTYPE_DASD, DTYPE_CDROM, ...).
    SimulatedAspiTarget& DeviceType(win::BYTE type);
    SimulatedAspiTarget& Inquiry(ScsiInquiryData data);
    // Every command block but INQUIRY goes to this device.
    SimulatedAspiTarget& Attach(ScsiDevice& device);

private:
    friend class SimulatedWindowsHost;
    win::BYTE deviceType_ = win32::DTYPE_DASD;
    ScsiInquiryData inquiry_;
    ScsiDevice* device_ = nullptr;
};

// One ASPI host adapter. Adapters are numbered in the order they are added.
class SimulatedAspiAdapter {
public:
    // HA_Unique byte 3 of the SC_HA_INQUIRY reply: the number of targets (default 8).
    SimulatedAspiAdapter& MaxTargets(win::BYTE count);
    // SC_HA_INQUIRY for this adapter ends with this status instead of SS_COMP.
    SimulatedAspiAdapter& InquiryStatus(win::BYTE status);
    // The target with this id (created on first use). Ids without a target answer
    // SC_GET_DEV_TYPE with SS_NO_DEVICE.
    SimulatedAspiTarget& Target(win::BYTE id);

private:
    friend class SimulatedWindowsHost;
    win::BYTE maxTargets_ = 8;
    win::BYTE inquiryStatus_ = win::SS_COMP;
    std::map<win::BYTE, SimulatedAspiTarget> targets_;
};

// How SC_EXEC_SCSI_CMD requests complete.
enum class AspiCompletion {
    // SendASPI32Command runs the request and returns its final status.
    Immediate,
    // SendASPI32Command returns SS_PENDING. A request with an event completes (and its
    // event is signalled) when the caller waits on the event; a polled request (no event)
    // has completed by the time the caller first reads SRB_Status.
    Pending,
    // As Pending, but a request with an event never completes: the wait times out and
    // SRB_Status stays SS_PENDING. (A polled request still completes, as in Pending: a
    // caller polling a request that never ends would never return.)
    Never,
};

// How an injected ASPI failure ends a request.
struct AspiFault {
    win::BYTE srbStatus = win::SS_ERR;
    win::BYTE hostStatus = 0;    // SRB_HaStat
    win::BYTE targetStatus = 0;  // SRB_TargStat
    win::BYTE senseKey = 0;      // with check condition: SenseArea byte 2, low nibble

    // SS_ERR with check condition and this sense key (6: unit attention).
    static AspiFault CheckCondition(win::BYTE key) { return {win::SS_ERR, 0, 2, key}; }
    // SS_ERR without a target status: the unit did not answer selection.
    static AspiFault SelectionTimeout() { return {win::SS_ERR, win32::HASTAT_SEL_TO, 0, 0}; }
};

// What a preset built, for a test to refer to.
struct ReaderTree {
    win::DEVINST reader = 0;   // the USB device node with the reader's hardware id
    win::DEVINST storage = 0;  // its child (NT family), 0 on Windows 9x
    std::string devicePath;    // the path FindDeviceEntry is to return
};

enum class ReaderChild { Disk, Cdrom };

class SimulatedWindowsHost final : public win::WindowsHost {
public:
    SimulatedWindowsHost();  // Windows XP, empty tree, no ASPI; becomes Current()
    ~SimulatedWindowsHost() override;
    SimulatedWindowsHost(const SimulatedWindowsHost&) = delete;
    SimulatedWindowsHost& operator=(const SimulatedWindowsHost&) = delete;

    // The host the entry points handed out by GetProcAddress reach; null when none lives.
    static SimulatedWindowsHost* Current();
    // Makes this host the one the entry points reach, until another is made or built.
    void MakeCurrent();

    // ---- Configuration ----

    SimulatedWindowsHost& SetVersion(const WindowsVersion& version);

    // A device node with this instance number (or the next free one); see SimulatedDevice.
    // Throws std::invalid_argument when the instance number is taken.
    SimulatedDevice& AddDevice(win::DEVINST instance);
    SimulatedDevice& AddDevice();
    // Takes a node out of the tree with its interfaces (the device is unplugged). Sets made
    // before still enumerate it, but its record, path and property can no longer be read.
    SimulatedWindowsHost& RemoveDevice(win::DEVINST instance);
    // SetupDiGetClassDevsA for this class fails with error (every call).
    SimulatedWindowsHost& FailClassDevs(const win::GUID& interfaceClass, win::DWORD error);
    // The nth SetupDiGetClassDevsA call from now (1 = the next) fails with error.
    SimulatedWindowsHost& FailClassDevsCall(int nth, win::DWORD error);
    // SetupDiEnumDeviceInterfaces of this class fails with error at memberIndex.
    SimulatedWindowsHost& FailEnumeration(const win::GUID& interfaceClass, win::DWORD memberIndex,
                                          win::DWORD error);
    // GetModuleHandleA("setupapi.dll") answers null (default: loaded).
    SimulatedWindowsHost& SetupApiLoaded(bool loaded);
    // GetProcAddress(setupapi, "CM_Get_Child") answers null (default: present).
    SimulatedWindowsHost& ConfigManagerAvailable(bool available);

    // CreateFileA of path (compared without regard to case, as Windows does) opens a handle
    // whose pass-through commands reach device. Paths attached to nothing fail with
    // ERROR_FILE_NOT_FOUND.
    SimulatedWindowsHost& AttachPath(const std::string& path, ScsiDevice& device);
    // The device is gone from path: opening it fails with ERROR_FILE_NOT_FOUND, and
    // pass-through commands on handles already open fail as undelivered.
    SimulatedWindowsHost& DetachPath(const std::string& path);
    // CreateFileA of path fails with error (e.g. ERROR_ACCESS_DENIED).
    SimulatedWindowsHost& FailOpen(const std::string& path, win::DWORD error);
    // The error DeviceIoControl reports when the device says the command was not delivered
    // (default ERROR_GEN_FAILURE; ERROR_DEVICE_NOT_CONNECTED for an unplugged reader).
    SimulatedWindowsHost& SetUndeliveredError(win::DWORD error);

    // WNASPI32 is installed (AddAspiAdapter implies it). Without it LoadLibraryA fails with
    // ERROR_DLL_NOT_FOUND.
    SimulatedWindowsHost& InstallAspi();
    // LoadLibraryA("WNASPI32") fails with this error (1157, 126, ...).
    SimulatedWindowsHost& AspiLoadFails(win::DWORD error = win::ERROR_DLL_NOT_FOUND);
    // GetProcAddress answers null for this ASPI entry point ("GetASPI32SupportInfo", ...).
    SimulatedWindowsHost& RemoveAspiEntryPoint(const std::string& name);
    SimulatedAspiAdapter& AddAspiAdapter();
    // The status byte of GetASPI32SupportInfo (default SS_COMP, or SS_NO_ADAPTERS when no
    // adapter was added) and its adapter count (default: the adapters added).
    SimulatedWindowsHost& SetAspiSupportStatus(win::BYTE status);
    SimulatedWindowsHost& SetAspiAdapterCount(win::BYTE count);
    SimulatedWindowsHost& SetAspiCompletion(AspiCompletion mode);
    // The nth SC_EXEC_SCSI_CMD request from now (1 = the next) ends with fault; the unit
    // does not see it.
    SimulatedWindowsHost& FailAspiExec(int nth, AspiFault fault);
    // The sizes GetASPI32Buffer grants (default: 524288, 262144 and 131072).
    SimulatedWindowsHost& GrantAspiBufferSizes(std::set<win::DWORD> sizes);

    // CreateEventA answers null (default: events can be created).
    SimulatedWindowsHost& CreateEventFails(bool fails = true);
    // The nth GlobalAlloc / VirtualAlloc call from now (1 = the next) answers null with
    // ERROR_NOT_ENOUGH_MEMORY.
    SimulatedWindowsHost& FailGlobalAlloc(int nth);
    SimulatedWindowsHost& FailVirtualAlloc(int nth);
    // Win32 SetLastError, to seed the value a later successful call leaves in place.
    void SetLastError(win::DWORD code) { lastError_ = code; }

    // ---- Presets ----
    // Each builds the tree of one machine; call one per host. The version is left as set.

    // The NT family: unrelated USB devices, the reader's USB node (0B9D with product
    // "7731" or "7734", hardware id in mixed case), its child exposing a disk (or CD-ROM)
    // interface whose path is attached to device, and an unrelated disk and CD-ROM
    // interface enumerated before it.
    ReaderTree AddNtReader(ScsiDevice& device, const std::string& product = "7731",
                           ReaderChild child = ReaderChild::Disk);
    // Windows 9x: the reader's node in the Windows 9x reader class, and ASPI with one
    // adapter: target 0 a CD-ROM, target 1 the reader's direct-access unit attached to
    // device.
    ReaderTree AddWin9xReader(ScsiDevice& device, const std::string& product = "7731");

    // ---- Inspection ----

    // Calls that broke a rule of Win32 or of the carriers, one readable line each.
    const std::vector<std::string>& Violations() const { return violations_; }
    void ClearViolations() { violations_.clear(); }

    int DeviceInfoSetsCreated() const { return setsCreated_; }
    int OpenDeviceInfoSets() const;
    int FilesOpened() const { return filesOpened_; }
    int OpenFiles() const;
    int EventsCreated() const { return eventsCreated_; }
    int OpenEvents() const;
    int ResetEventCalls() const { return resetEventCalls_; }

    struct ConfigManagerCall {
        win::DEVINST parent;
        win::DWORD flags;
        win::DWORD result;
    };
    const std::vector<ConfigManagerCall>& ConfigManagerCalls() const { return cmCalls_; }

    // Every pass-through command that passed the header checks, in order.
    struct PassThroughCall {
        std::vector<std::uint8_t> cdb;
        DataDirection direction;
        std::vector<std::uint8_t> dataOut;  // ToDevice: the data phase
        std::size_t lengthIn = 0;           // FromDevice: bytes requested
        ScsiResult result;
    };
    const std::vector<PassThroughCall>& PassThroughLog() const { return passThrough_; }

    struct LibraryLoad {
        std::string name;
        win::UINT errorMode;  // the error mode in force during the load
        bool loaded;
    };
    const std::vector<LibraryLoad>& LibraryLoads() const { return loads_; }
    // Every mode passed to SetErrorMode, in order.
    const std::vector<win::UINT>& ErrorModes() const { return errorModes_; }
    const std::vector<std::string>& ProcLookups() const { return procLookups_; }
    int AspiLoads() const { return aspiLoads_; }
    int AspiFrees() const { return aspiFrees_; }

    // Every ASPI request block, in order; status is the SRB_Status the request ended with
    // (SS_PENDING while it has not completed).
    struct AspiRequest {
        win::BYTE command;
        win::BYTE adapter;
        win::BYTE target;
        win::BYTE lun;
        win::BYTE flags;
        std::vector<std::uint8_t> cdb;      // SC_EXEC_SCSI_CMD
        std::vector<std::uint8_t> dataOut;  // SC_EXEC_SCSI_CMD with data out
        win::DWORD bufferLength = 0;
        bool withEvent = false;
        win::BYTE status = win::SS_PENDING;
    };
    const std::vector<AspiRequest>& AspiLog() const { return aspiLog_; }
    // SC_EXEC_SCSI_CMD requests sent to adapter:target (INQUIRY included).
    int AspiExecCount(win::BYTE adapter, win::BYTE target) const;
    struct TimeoutRequest {
        win::BYTE adapter, target, lun, flags;
        win::DWORD timeout;
    };
    const std::vector<TimeoutRequest>& TimeoutRequests() const { return timeouts_; }
    struct AspiBufferCall {
        win::DWORD length;
        bool granted;
    };
    const std::vector<AspiBufferCall>& AspiBufferRequests() const { return bufferRequests_; }
    // Lengths of the buffers given back with FreeASPI32Buffer.
    const std::vector<win::DWORD>& AspiBufferFrees() const { return bufferFrees_; }
    int OutstandingAspiBuffers() const { return static_cast<int>(aspiBuffers_.size()); }
    int TranslateAddressCalls() const { return translateCalls_; }

    struct WaitCall {
        win::DWORD milliseconds;
        win::DWORD result;
    };
    const std::vector<WaitCall>& Waits() const { return waits_; }

    int GlobalAllocCalls() const { return globalAllocCalls_; }
    int VirtualAllocCalls() const { return virtualAllocCalls_; }
    int OutstandingVirtualAllocs() const { return static_cast<int>(virtualBlocks_.size()); }

    const std::vector<std::string>& DebugOutput() const { return debugOutput_; }
    struct MessageBoxCall {
        win::HWND owner;
        std::string text;
        std::string caption;
        win::UINT type;
    };
    const std::vector<MessageBoxCall>& MessageBoxes() const { return messageBoxes_; }

    // The pointer a 32-bit address from PointerTo32 stands for; null when unknown.
    void* PointerFrom32(win::DWORD address) const;

    // ---- The seam ----

    win::BOOL GetVersionExA(win::OSVERSIONINFOA* info) override;
    win::DWORD GetLastError() override { return lastError_; }

    win::HDEVINFO SetupDiGetClassDevsA(const win::GUID* classGuid, const char* enumerator,
                                       win::HWND parent, win::DWORD flags) override;
    win::BOOL SetupDiEnumDeviceInterfaces(win::HDEVINFO set, win::SP_DEVINFO_DATA* device,
                                          const win::GUID* classGuid, win::DWORD memberIndex,
                                          win::SP_DEVICE_INTERFACE_DATA* interfaceData) override;
    win::BOOL SetupDiGetDeviceInterfaceDetailA(win::HDEVINFO set,
                                               win::SP_DEVICE_INTERFACE_DATA* interfaceData,
                                               win::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                               win::DWORD detailSize, win::DWORD* requiredSize,
                                               win::SP_DEVINFO_DATA* deviceInfo) override;
    win::BOOL SetupDiGetDeviceRegistryPropertyA(win::HDEVINFO set, win::SP_DEVINFO_DATA* deviceInfo,
                                                win::DWORD property, win::DWORD* regType,
                                                win::BYTE* buffer, win::DWORD bufferSize,
                                                win::DWORD* requiredSize) override;
    win::BOOL SetupDiDestroyDeviceInfoList(win::HDEVINFO set) override;

    win::HMODULE GetModuleHandleA(const char* name) override;
    win::HMODULE LoadLibraryA(const char* name) override;
    win::FARPROC GetProcAddress(win::HMODULE module, const char* name) override;
    win::BOOL FreeLibrary(win::HMODULE module) override;
    win::UINT SetErrorMode(win::UINT mode) override;

    win::HANDLE CreateFileA(const char* path, win::DWORD access, win::DWORD share, void* security,
                            win::DWORD disposition, win::DWORD flags,
                            win::HANDLE templateFile) override;
    win::BOOL DeviceIoControl(win::HANDLE device, win::DWORD code, void* in, win::DWORD inSize,
                              void* out, win::DWORD outSize, win::DWORD* bytesReturned,
                              void* overlapped) override;
    win::BOOL CloseHandle(win::HANDLE handle) override;

    win::HANDLE CreateEventA(void* security, win::BOOL manualReset, win::BOOL initialState,
                             const char* name) override;
    win::BOOL ResetEvent(win::HANDLE event) override;
    win::DWORD WaitForSingleObject(win::HANDLE handle, win::DWORD milliseconds) override;

    // GlobalAlloc(GPTR, n) is calloc: the library hands such blocks to callers who free()
    // them.
    void* GlobalAlloc(win::UINT flags, std::size_t bytes) override;
    void* VirtualAlloc(void* address, std::size_t size, win::DWORD type,
                       win::DWORD protect) override;
    win::BOOL VirtualFree(void* address, std::size_t size, win::DWORD type) override;
    // A 32-bit stand-in for a pointer: each distinct pointer gets the next address of a
    // small table and keeps it for the life of the host, so the same buffer maps to the
    // same address in every request. Null maps to 0. PointerFrom32 maps back; the ASPI
    // manager resolves SRB_BufPointer and AB_BufPointer with it.
    win::DWORD PointerTo32(void* pointer) override;

    void OutputDebugStringA(const char* text) override;
    // Records the box and answers IDOK.
    int MessageBoxA(win::HWND owner, const char* text, const char* caption,
                    win::UINT type) override;

    // The configuration manager and ASPI for Win32 entry points behind the trampolines.
    win::DWORD CmGetChild(win::DEVINST* child, win::DEVINST parent, win::DWORD flags);
    win::DWORD GetASPI32SupportInfo();
    win::DWORD SendASPI32Command(void* srb);
    win::BOOL GetASPI32Buffer(win::ASPI32BUFF* buffer);
    win::BOOL FreeASPI32Buffer(win::ASPI32BUFF* buffer);
    win::BOOL TranslateASPI32Address(win::DWORD* path, win::DWORD* devNode);

private:
    struct InterfaceEntry {
        win::DWORD id;  // SP_DEVICE_INTERFACE_DATA.Reserved: which interface this is
        win::GUID interfaceClass;
        std::string path;
        win::DEVINST owner;
    };
    struct DeviceInfoSet {
        win::GUID interfaceClass;
        // The class's interfaces when the set was made, in enumeration order.
        std::vector<InterfaceEntry> members;
    };
    struct OpenFile {
        std::string path;
    };
    struct Event {
        bool signalled = false;
        // The request that completes when the caller waits on this event.
        win::SRB_ExecSCSICmd* pending = nullptr;
        std::size_t pendingLogIndex = 0;
        std::optional<AspiFault> pendingFault;
    };
    struct Attachment {
        ScsiDevice* device = nullptr;
        win::DWORD openError = 0;
    };

    friend class SimulatedDevice;

    void Fail(win::DWORD error) { lastError_ = error; }
    void Violation(const std::string& text) { violations_.push_back(text); }
    win::HANDLE NewHandle();
    template <typename T>
    static T* Find(std::map<std::uintptr_t, T>& table, const void* handle) {
        auto found = table.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == table.end() ? nullptr : &found->second;
    }
    static std::string Hex(unsigned long value);
    SimulatedDevice* FindDevice(win::DEVINST instance);
    const InterfaceEntry* FindInterface(win::DWORD id) const;
    bool SetHoldsDevice(const DeviceInfoSet& set, win::DEVINST instance) const;
    // The open set behind a handle; null (with a violation and ERROR_INVALID_HANDLE) when
    // the handle names none. where starts the violation's text.
    DeviceInfoSet* OpenSet(win::HDEVINFO setHandle, const std::string& where);
    void FillDeviceInfo(win::SP_DEVINFO_DATA* deviceInfo, win::DEVINST instance);
    Attachment* FindAttachment(const std::string& path);
    void CheckAspiLoaded(const char* entryPoint);
    SimulatedAspiTarget* FindTarget(win::BYTE adapter, win::BYTE target, win::BYTE lun);

    win::BYTE HaInquiry(win::SRB_HAInquiry& srb);
    win::BYTE GetDeviceType(win::SRB_GDEVBlock& srb);
    win::BYTE SetTimeouts(win::SRB_GetSetTimeouts& srb);
    win::BYTE ExecScsiCommand(win::SRB_ExecSCSICmd& srb);
    void Complete(win::SRB_ExecSCSICmd& srb, std::size_t logIndex,
                  const std::optional<AspiFault>& fault);
    bool CheckExecBlock(const win::SRB_ExecSCSICmd& srb);
    ScsiResult Inquiry(const SimulatedAspiTarget& target, std::uint8_t* data, std::size_t length);

    static win::DWORD CmGetChildEntry(win::DEVINST* child, win::DEVINST parent, win::DWORD flags);
    static win::DWORD GetSupportInfoEntry();
    static win::DWORD SendCommandEntry(void* srb);
    static win::BOOL GetBufferEntry(void* buffer);
    static win::BOOL FreeBufferEntry(void* buffer);
    static win::BOOL TranslateAddressEntry(win::DWORD* path, win::DWORD* devNode);

    // Live hosts, the current one last.
    static std::vector<SimulatedWindowsHost*>& LiveHosts();

    WindowsVersion version_ = WindowsVersion::WindowsXp();
    win::DWORD lastError_ = 0;
    std::vector<std::string> violations_;
    std::uintptr_t nextHandle_ = 0x100;

    // Device tree and SetupAPI.
    std::vector<std::unique_ptr<SimulatedDevice>> devices_;
    std::vector<InterfaceEntry> interfaces_;
    win::DWORD nextInterfaceId_ = 1;
    win::DEVINST nextInstance_ = 0x1000;
    std::map<std::uintptr_t, DeviceInfoSet> sets_;
    int setsCreated_ = 0;
    int classDevsCalls_ = 0;
    std::vector<std::pair<win::GUID, win::DWORD>> classDevsFailures_;
    std::map<int, win::DWORD> classDevsCallFailures_;  // call serial -> error
    struct EnumFailure {
        win::GUID interfaceClass;
        win::DWORD index;
        win::DWORD error;
    };
    std::vector<EnumFailure> enumFailures_;
    bool setupApiLoaded_ = true;
    bool configManagerAvailable_ = true;
    std::vector<ConfigManagerCall> cmCalls_;

    // Files and pass-through.
    std::map<std::string, Attachment> attachments_;  // key: upper-cased path
    std::map<std::uintptr_t, OpenFile> files_;
    int filesOpened_ = 0;
    win::DWORD undeliveredError_ = win32::ERROR_GEN_FAILURE;
    std::vector<PassThroughCall> passThrough_;

    // Modules.
    win::UINT errorMode_ = 0;
    std::vector<win::UINT> errorModes_;
    std::vector<LibraryLoad> loads_;
    std::vector<std::string> procLookups_;

    // ASPI for Win32.
    bool aspiInstalled_ = false;
    std::optional<win::DWORD> aspiLoadFailure_;
    std::set<std::string> aspiMissing_;
    std::deque<SimulatedAspiAdapter> adapters_;  // stable references
    std::optional<win::BYTE> supportStatus_;
    std::optional<win::BYTE> adapterCount_;
    AspiCompletion completion_ = AspiCompletion::Immediate;
    int execSerial_ = 0;
    std::map<int, AspiFault> execFaults_;  // exec serial -> fault
    std::set<win::DWORD> grantedBufferSizes_ = {524288, 262144, 131072};
    int aspiLoads_ = 0;
    int aspiFrees_ = 0;
    std::vector<AspiRequest> aspiLog_;
    std::map<std::pair<win::BYTE, win::BYTE>, int> execCounts_;
    std::vector<TimeoutRequest> timeouts_;
    std::vector<AspiBufferCall> bufferRequests_;
    std::vector<win::DWORD> bufferFrees_;
    std::map<void*, win::DWORD> aspiBuffers_;  // granted buffer -> length
    int translateCalls_ = 0;

    // Events.
    std::map<std::uintptr_t, Event> events_;
    int eventsCreated_ = 0;
    int resetEventCalls_ = 0;
    bool createEventFails_ = false;
    std::vector<WaitCall> waits_;

    // Memory.
    int globalAllocCalls_ = 0;
    std::set<int> globalAllocFailures_;  // call serials
    int virtualAllocCalls_ = 0;
    std::set<int> virtualAllocFailures_;
    std::map<void*, std::size_t> virtualBlocks_;
    std::map<void*, win::DWORD> toAddress_;
    std::map<win::DWORD, void*> fromAddress_;

    std::vector<std::string> debugOutput_;
    std::vector<MessageBoxCall> messageBoxes_;
};

}  // namespace emulator
