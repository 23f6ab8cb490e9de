// The Win32 operations the Windows carriers stand on, as a seam. The library runs the
// Windows code paths (SetupAPI discovery, SCSI pass-through, ASPI for Win32) against
// whatever host is installed with QuillonSetWindowsHost; on Linux that is a simulated
// Windows host, and with none installed the library is on its Linux carrier.
//
// Types and structures are laid out as 32-bit Windows lays them out; no platform header
// is copied. Handles are opaque pointers whose values a host keeps below 2^32, as on
// Win32, so they fit the 32-bit fields of an ASPI request block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quillon/Quillon.h"

namespace quillon::win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = int;
using HANDLE = void*;
using HMODULE = void*;
using HWND = void*;
using HDEVINFO = void*;
using DEVINST = DWORD;
using FARPROC = void (*)();

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(-1);

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;  // 1 = Windows 9x family, 2 = NT family
    char szCSDVersion[128];
};
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize;
    GUID InterfaceClassGuid;
    DWORD Flags;
    DWORD Reserved;
};
struct SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DEVINST DevInst;
    DWORD Reserved;
};
// cbSize is 5 on 32-bit Windows (a DWORD and the first character of the path).
struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
    DWORD cbSize;
    char DevicePath[1];
};

inline constexpr DWORD DIGCF_PRESENT = 0x02;
inline constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;
inline constexpr DWORD SPDRP_HARDWAREID = 0x01;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_DLL_NOT_FOUND = 1157;
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 1;
inline constexpr DWORD FILE_SHARE_WRITE = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD IOCTL_SCSI_PASS_THROUGH = 0x4D004;
inline constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;
inline constexpr UINT GPTR = 0x0040;  // fixed, zero-initialised
inline constexpr DWORD MEM_COMMIT = 0x1000;
inline constexpr DWORD MEM_RELEASE = 0x8000;
inline constexpr DWORD PAGE_READWRITE = 0x04;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr UINT MB_ICONERROR = 0x10;

// The SCSI_PASS_THROUGH header of the exchange buffer, 44 bytes as on 32-bit Windows.
struct SCSI_PASS_THROUGH {
    WORD Length;
    BYTE ScsiStatus;
    BYTE PathId;
    BYTE TargetId;
    BYTE Lun;
    BYTE CdbLength;
    BYTE SenseInfoLength;
    BYTE DataIn;  // 1 = data in (device to host), 0 = data out
    BYTE Reserved[3];
    DWORD DataTransferLength;
    DWORD TimeOutValue;
    DWORD DataBufferOffset;
    DWORD SenseInfoOffset;
    BYTE Cdb[16];
};
static_assert(sizeof(SCSI_PASS_THROUGH) == 44);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == 28);
inline constexpr BYTE SCSI_IOCTL_DATA_OUT = 0;
inline constexpr BYTE SCSI_IOCTL_DATA_IN = 1;

// ASPI for Win32 request blocks (wnaspi32, byte-packed). Pointer fields are 32-bit
// addresses: a host maps a pointer to its 32-bit address with PointerTo32.
#pragma pack(push, 1)
struct SRB_Header {
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
};
struct SRB_HAInquiry {  // SC_HA_INQUIRY (0)
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE HA_Count;
    BYTE HA_SCSI_ID;
    BYTE HA_ManagerId[16];
    BYTE HA_Identifier[16];
    BYTE HA_Unique[16];  // byte 3: the number of targets the adapter supports
    WORD HA_Rsvd1;
};
struct SRB_GDEVBlock {  // SC_GET_DEV_TYPE (1)
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE SRB_Target;
    BYTE SRB_Lun;
    BYTE SRB_DeviceType;
    BYTE SRB_Rsvd1;
};
struct SRB_ExecSCSICmd {  // SC_EXEC_SCSI_CMD (2)
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE SRB_Target;
    BYTE SRB_Lun;
    WORD SRB_Rsvd1;
    DWORD SRB_BufLen;
    DWORD SRB_BufPointer;  // 32-bit address of the data buffer
    BYTE SRB_SenseLen;
    BYTE SRB_CDBLen;
    BYTE SRB_HaStat;
    BYTE SRB_TargStat;
    DWORD SRB_PostProc;  // the event handle when SRB_EVENT_NOTIFY is set
    BYTE SRB_Rsvd2[20];
    BYTE CDBByte[16];
    BYTE SenseArea[16];
};
struct SRB_GetSetTimeouts {  // SC_GETSET_TIMEOUTS (8)
    BYTE SRB_Cmd;
    BYTE SRB_Status;
    BYTE SRB_HaId;
    BYTE SRB_Flags;
    DWORD SRB_Hdr_Rsvd;
    BYTE SRB_Target;
    BYTE SRB_Lun;
    DWORD SRB_Timeout;
};
#pragma pack(pop)
static_assert(sizeof(SRB_ExecSCSICmd) == 80);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64);
static_assert(sizeof(SRB_HAInquiry) == 60);

inline constexpr BYTE SC_HA_INQUIRY = 0;
inline constexpr BYTE SC_GET_DEV_TYPE = 1;
inline constexpr BYTE SC_EXEC_SCSI_CMD = 2;
inline constexpr BYTE SC_GETSET_TIMEOUTS = 8;
inline constexpr BYTE SS_PENDING = 0;
inline constexpr BYTE SS_COMP = 1;
inline constexpr BYTE SS_ERR = 4;
inline constexpr BYTE SS_NO_ADAPTERS = 0xE8;
inline constexpr BYTE SS_INSUFFICIENT_RESOURCES = 0xE9;
inline constexpr BYTE SRB_DIR_IN = 0x08;
inline constexpr BYTE SRB_DIR_OUT = 0x10;
inline constexpr BYTE SRB_EVENT_NOTIFY = 0x40;
inline constexpr BYTE STATUS_CHKCOND = 2;
inline constexpr BYTE SENSE_LEN = 14;

// ASPI for Win32 entry points, as GetProcAddress hands them out.
using GetASPI32SupportInfoFn = DWORD (*)();
using SendASPI32CommandFn = DWORD (*)(void* srb);
using GetASPI32BufferFn = BOOL (*)(void* bufferDescriptor);
using FreeASPI32BufferFn = BOOL (*)(void* bufferDescriptor);
using TranslateASPI32AddressFn = BOOL (*)(DWORD* path, DWORD* devNode);
// The configuration manager's CM_Get_Child, looked up in "setupapi.dll".
using CM_Get_ChildFn = DWORD (*)(DEVINST* child, DEVINST parent, DWORD flags);

#pragma pack(push, 1)
// ASPI32BUFF, the descriptor GetASPI32Buffer fills.
struct ASPI32BUFF {
    DWORD AB_BufPointer;  // 32-bit address of the buffer
    DWORD AB_BufLen;
    DWORD AB_ZeroFill;
    DWORD AB_Reserved;
};
#pragma pack(pop)

class WindowsHost {
public:
    virtual ~WindowsHost() = default;

    virtual BOOL GetVersionExA(OSVERSIONINFOA* info) = 0;
    virtual DWORD GetLastError() = 0;

    // SetupAPI
    virtual HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                          HWND parent, DWORD flags) = 0;
    virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                             const GUID* classGuid, DWORD memberIndex,
                                             SP_DEVICE_INTERFACE_DATA* interfaceData) = 0;
    virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                  SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                  SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                  DWORD detailSize, DWORD* requiredSize,
                                                  SP_DEVINFO_DATA* deviceInfo) = 0;
    virtual BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* deviceInfo,
                                                   DWORD property, DWORD* regType, BYTE* buffer,
                                                   DWORD bufferSize, DWORD* requiredSize) = 0;
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;

    // Modules
    virtual HMODULE GetModuleHandleA(const char* name) = 0;
    virtual HMODULE LoadLibraryA(const char* name) = 0;
    virtual FARPROC GetProcAddress(HMODULE module, const char* name) = 0;
    virtual BOOL FreeLibrary(HMODULE module) = 0;
    virtual UINT SetErrorMode(UINT mode) = 0;

    // Files and devices
    virtual HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
    virtual BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                                 DWORD outSize, DWORD* bytesReturned, void* overlapped) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;

    // Events
    virtual HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState,
                                const char* name) = 0;
    virtual BOOL ResetEvent(HANDLE event) = 0;
    virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;

    // Memory
    virtual void* GlobalAlloc(UINT flags, std::size_t bytes) = 0;
    virtual void* VirtualAlloc(void* address, std::size_t size, DWORD type, DWORD protect) = 0;
    virtual BOOL VirtualFree(void* address, std::size_t size, DWORD type) = 0;
    // The 32-bit address a pointer stands for (ASPI request and buffer fields).
    virtual DWORD PointerTo32(void* pointer) = 0;

    // User-visible output
    virtual void OutputDebugStringA(const char* text) = 0;
    virtual int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) = 0;
};

}  // namespace quillon::win

extern "C" {
// Installs the Windows host the library runs on; null returns to the Linux carrier. The
// host must outlive every call into the library made while it is installed.
QUILLON_API void QuillonSetWindowsHost(quillon::win::WindowsHost* host);
}
