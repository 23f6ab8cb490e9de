// CQuillon: the host-family dispatch of the transport, and the SIM command set of
// GSM 11.11 (class byte 0xA0) as short conversations of card-data writes and reads.
#include "quillon/Quillon.h"

#include <cstring>

#include "internal/Carriers.h"
#include "internal/CommandBlocks.h"
#include "internal/Discovery.h"
#include "internal/ModuleState.h"

using namespace quillon::internal;
using quillon::win::OSVERSIONINFOA;

namespace {

constexpr unsigned char kCla = 0xA0;
constexpr unsigned char kInsSelect = 0xA4;
constexpr unsigned char kInsGetResponse = 0xC0;
constexpr unsigned char kInsReadBinary = 0xB0;
constexpr unsigned char kInsReadRecord = 0xB2;
constexpr unsigned char kInsUpdateRecord = 0xDC;
// T=0: the complement of INS asks for one more byte.
constexpr unsigned char kInsUpdateRecordOneByte = 0x23;
constexpr unsigned char kInsVerifyChv = 0x20;
constexpr unsigned char kInsChangeChv = 0x24;
constexpr unsigned char kInsDisableChv = 0x26;
constexpr unsigned char kInsEnableChv = 0x28;
constexpr unsigned char kAbsoluteMode = 0x04;

constexpr unsigned char kPinBlockLength = 8;
// The reply area of GetResponse: procedure byte, data, SW1 SW2.
constexpr unsigned kResponseArea = 64;
constexpr unsigned char kMaxResponseLength = kResponseArea - 3;
// READ BINARY / READ RECORD: the largest one-byte length with procedure byte and status.
constexpr unsigned kRecordArea = 258;

CommandSet CommandSetOf(WINVERSION family) {
    return family == WV_VISTA ? CommandSet::Ee : CommandSet::Classic;
}

bool IsStatusOk(const unsigned char* sw) {
    return sw[0] == 0x90 && sw[1] == 0x00;
}

// The PIN block: the PIN's characters unchanged, the rest 0xFF.
void FillPinBlock(unsigned char* block, const char* pin, unsigned char pinLength) {
    std::memset(block, 0xFF, kPinBlockLength);
    if (pinLength > 0) {
        std::memcpy(block, pin, pinLength);
    }
}

// The host family from the installed Windows host's version record; Linux without one.
WINVERSION HostFamily() {
    quillon::win::WindowsHost* host = Windows();
    if (!host) {
        return WV_LINUX;
    }
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    host->GetVersionExA(&info);
    if (info.dwPlatformId == quillon::win::VER_PLATFORM_WIN32_WINDOWS && info.dwMajorVersion == 4) {
        return WV_WIN9X;
    }
    if (info.dwPlatformId == quillon::win::VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 6) {
        return WV_VISTA;
    }
    return WV_WINNT;
}

bool IsUsableToken(void* device) {
    return device != nullptr && device != reinterpret_cast<void*>(-1);
}

}  // namespace

CQuillon::CQuillon() = default;
CQuillon::CQuillon(const CQuillon&) {}
CQuillon::~CQuillon() = default;
CQuillon& CQuillon::operator=(const CQuillon&) {
    return *this;
}

WINVERSION CQuillon::CheckWindowsVersion() {
    return HostFamily();
}

// ---------------------------------------------------------------------------------------
// Discovery and opening

char* CQuillon::FindDeviceEntry() {
    switch (CheckWindowsVersion()) {
        case WV_WIN9X:
            return FindDeviceEntryWin9x();
        case WV_WINNT:
        case WV_VISTA:
            return FindDeviceEntryNt();
        case WV_LINUX:
            break;
    }
    return FindDeviceEntryLinux();
}

void* CQuillon::OpenRX520X(char* devicePath) {
    switch (CheckWindowsVersion()) {
        case WV_WIN9X:
            return devicePath ? reinterpret_cast<void*>(AspiScan()) : reinterpret_cast<void*>(-1);
        case WV_WINNT:
        case WV_VISTA:
            return OpenDeviceNt(devicePath);
        case WV_LINUX:
            break;
    }
    return OpenDeviceLinux(devicePath);
}

extern "C" void CloseRX520X(void* device) {
    if (!IsUsableToken(device)) {
        return;
    }
    switch (HostFamily()) {
        case WV_WIN9X:
            return;  // an ASPI address is no handle
        case WV_WINNT:
        case WV_VISTA:
            Windows()->CloseHandle(device);
            return;
        case WV_LINUX:
            break;
    }
    CloseDeviceLinux(device);
}

// ---------------------------------------------------------------------------------------
// Transport

char* CQuillon::SIM_InquiryFunctions(void* device, unsigned long* length) {
    switch (CheckWindowsVersion()) {
        case WV_WIN9X:
            return AspiInquiry(length);
        case WV_WINNT:
        case WV_VISTA:
            return PassThroughInquiry(device, length);
        case WV_LINUX:
            break;
    }
    return SgIoInquiry(device, length);
}

namespace {

// A card-data write block of the family's command set. The long form carries the 16-bit
// reply count; the short form only its low byte.
CommandBlock CardWriteCommand(WINVERSION family, unsigned char function, unsigned short length,
                              unsigned short replyCount, bool longForm) {
    const CommandSet set = CommandSetOf(family);
    return longForm ? CardWriteLongCommand(set, function, length, replyCount)
                    : CardWriteShortCommand(set, function, length,
                                            static_cast<unsigned char>(replyCount));
}

// Runs one card-data write on the family's carrier.
int RunWrite(WINVERSION family, void* device, const CommandBlock& cdb, const unsigned char* data,
             unsigned short length) {
    switch (family) {
        case WV_WIN9X:
            return AspiWrite(cdb, data, length);
        case WV_WINNT:
            // The long classic form reports nothing of its own on failure.
            return PassThroughWrite(device, cdb, data, length, cdb.length != 16);
        case WV_VISTA:
            return PassThroughWrite(device, cdb, data, length, true);
        case WV_LINUX:
            break;
    }
    return SgIoWrite(device, cdb, data, length);
}

}  // namespace

int CQuillon::SIM_ReadData(void* device, unsigned char* buffer, unsigned short length,
                           unsigned char reserved, unsigned char functionIndex,
                           unsigned char mode) {
    if (!buffer) {
        return 0;
    }
    const WINVERSION family = CheckWindowsVersion();
    const CommandBlock cdb =
        CardReadCommand(CommandSetOf(family), FunctionByte(functionIndex, mode), length, reserved);
    switch (family) {
        case WV_WIN9X:
            return AspiRead(cdb, buffer, length);
        case WV_WINNT:
        case WV_VISTA:
            return PassThroughRead(device, cdb, buffer, length);
        case WV_LINUX:
            break;
    }
    return SgIoRead(device, cdb, buffer, length);
}

int CQuillon::SIM_WriteData(void* device, unsigned char* data, unsigned short length,
                            unsigned char replyCount, unsigned char functionIndex,
                            unsigned char mode) {
    if (!data) {
        return 0;
    }
    const WINVERSION family = CheckWindowsVersion();
    // Only the 0xEE set has a long form here: a non-zero mode selects it, with the high
    // reply-count byte 0.
    const bool longForm = family == WV_VISTA && mode != 0;
    return RunWrite(
        family, device,
        CardWriteCommand(family, FunctionByte(functionIndex, mode), length, replyCount, longForm),
        data, length);
}

int CQuillon::SIM_WriteData_208(void* device, unsigned char* data, unsigned short length,
                                unsigned short replyCount, unsigned char functionIndex,
                                unsigned char mode, int longForm) {
    if (!data) {
        return 0;
    }
    const WINVERSION family = CheckWindowsVersion();
    // The classic set takes the long form when asked; the 0xEE set ignores longForm and
    // lets the mode decide.
    const bool useLong = family == WV_VISTA ? mode != 0 : longForm != 0;
    return RunWrite(
        family, device,
        CardWriteCommand(family, FunctionByte(functionIndex, mode), length, replyCount, useLong),
        data, length);
}

// ---------------------------------------------------------------------------------------
// The card

int CQuillon::CheckCardIn(void*, unsigned char) {
    return 1;
}

int CQuillon::GetATRValue(void* device, unsigned char* atr, unsigned char functionIndex) {
    // TS, the first byte of the answer to reset: 0x3B direct, 0x3F inverse convention.
    return SIM_ReadData(device, atr, 64, 0, functionIndex, kModeAnswerToReset) &&
           (atr[0] == 0x3B || atr[0] == 0x3F);
}

int CQuillon::CheckCardType(void* device, int& cardType, unsigned char functionIndex) {
    cardType = 0;
    CheckCardIn(device, functionIndex);
    unsigned char atr[64] = {};
    if (!SIM_ReadData(device, atr, sizeof atr, 0, functionIndex, kModeAnswerToReset)) {
        return 0;
    }
    // ISO/IEC 7816-3: T0's bits 4-6 announce TA1, TB1, TC1; bit 7 announces TD1, whose
    // low nibble is the protocol.
    const unsigned char t0 = atr[1];
    if (!(t0 & 0x80)) {
        return 1;
    }
    const int interfaceBytes = ((t0 >> 4) & 1) + ((t0 >> 5) & 1) + ((t0 >> 6) & 1);
    if (atr[2 + interfaceBytes] & 0x01) {
        cardType = 1;
    }
    return 1;
}

int CQuillon::TestSimCard(void* device, unsigned char functionIndex) {
    int cardType;
    CheckCardType(device, cardType, functionIndex);
    // A PPS request (ISO/IEC 7816-3 9.2): PPSS, PPS0, PPS1, PCK; an accepting card echoes it.
    unsigned char test[4] = {0xFF, 0x10, 0x11, 0xFE};
    CheckCardIn(device, functionIndex);
    if (!SIM_WriteData(device, test, sizeof test, sizeof test, functionIndex, kModeExchange)) {
        if (IsUsableToken(device)) {
            CloseRX520X(device);
        }
        return 0;
    }
    CheckCardIn(device, functionIndex);
    unsigned char reply[64] = {};
    if (!SIM_ReadData(device, reply, sizeof test, 0, functionIndex, kModeExchange)) {
        return 0;
    }
    return std::memcmp(reply, test, sizeof test) == 0;
}

int CQuillon::SelectFile(void* device, unsigned short fileId, unsigned char& responseLength,
                         unsigned char functionIndex) {
    unsigned char header[5] = {kCla, kInsSelect, 0x00, 0x00, 0x02};
    unsigned char reply[64] = {};
    if (!SIM_WriteData(device, header, sizeof header, 1, functionIndex, kModeExchange) ||
        !SIM_ReadData(device, reply, 1, 0, functionIndex, kModeExchange) ||
        reply[0] != kInsSelect) {
        return 0;
    }
    unsigned char identifier[2] = {static_cast<unsigned char>(fileId >> 8),
                                   static_cast<unsigned char>(fileId)};
    std::memset(reply, 0, sizeof reply);
    if (!SIM_WriteData(device, identifier, sizeof identifier, 2, functionIndex, kModeExchange) ||
        !SIM_ReadData(device, reply, 2, 0, functionIndex, kModeExchange)) {
        return 0;
    }
    // GSM 11.11 9.4.1: 9F xx, xx being the length of the response data.
    if (reply[0] != 0x9F) {
        return 0;
    }
    responseLength = reply[1];
    return 1;
}

namespace {

// GET RESPONSE and READ BINARY: header, procedure byte, then the whole reply
// INS + data + SW1 SW2 (the reader returns it from its first byte).
template <typename Write, typename Read>
int FetchData(Write write, Read read, unsigned char ins, unsigned char length, unsigned char* out,
              unsigned char* reply) {
    unsigned char header[5] = {kCla, ins, 0x00, 0x00, length};
    const unsigned replyCount = length + 3u;
    if (!write(header, static_cast<unsigned char>(replyCount))) {
        return 0;
    }
    std::memset(reply, 0, replyCount);
    if (!read(reply, 1) || reply[0] != ins) {
        return 0;
    }
    std::memset(reply, 0, replyCount);
    if (!read(reply, static_cast<unsigned short>(replyCount)) || reply[0] != ins ||
        !IsStatusOk(reply + length + 1)) {
        return 0;
    }
    std::memcpy(out, reply + 1, length);
    return 1;
}

}  // namespace

int CQuillon::GetResponse(void* device, unsigned char length, unsigned char* response,
                          unsigned char functionIndex) {
    // The reply area holds 64 bytes; a longer announced length is refused unsent.
    if (!response || length > kMaxResponseLength) {
        return 0;
    }
    unsigned char reply[kResponseArea];
    return FetchData(
        [&](unsigned char* header, unsigned char count) {
            return SIM_WriteData(device, header, 5, count, functionIndex, kModeExchange);
        },
        [&](unsigned char* buffer, unsigned short count) {
            return SIM_ReadData(device, buffer, count, 0, functionIndex, kModeExchange);
        },
        kInsGetResponse, length, response, reply);
}

int CQuillon::ReadBinary(void* device, unsigned char length, unsigned char functionIndex,
                         unsigned char* data) {
    if (!data) {
        return 0;
    }
    unsigned char reply[kRecordArea];
    return FetchData(
        [&](unsigned char* header, unsigned char count) {
            return SIM_WriteData(device, header, 5, count, functionIndex, kModeExchange);
        },
        [&](unsigned char* buffer, unsigned short count) {
            return SIM_ReadData(device, buffer, count, 0, functionIndex, kModeExchange);
        },
        kInsReadBinary, length, data, reply);
}

int CQuillon::ReadRecord(void* device, unsigned char recordLength, unsigned char recordNumber,
                         unsigned char functionIndex, unsigned char* record, int longReply) {
    if (!record) {
        return 0;
    }
    unsigned char header[5] = {kCla, kInsReadRecord, recordNumber, kAbsoluteMode, recordLength};
    const unsigned short replyCount = recordLength + 3;
    const unsigned char mode = longReply ? kModeLongReply : kModeExchange;
    if (!SIM_WriteData_208(device, header, sizeof header, replyCount, functionIndex, mode,
                           longReply)) {
        return 0;
    }
    unsigned char reply[kRecordArea] = {};
    std::memset(record, 0, 64);
    if (!SIM_ReadData(device, reply, 1, 0, functionIndex, kModeExchange) ||
        reply[0] != kInsReadRecord) {
        return 0;
    }
    std::memset(record, 0, 64);
    std::memset(reply, 0, sizeof reply);
    if (!SIM_ReadData(device, reply, replyCount, 0, functionIndex, kModeExchange) ||
        reply[0] != kInsReadRecord || !IsStatusOk(reply + recordLength + 1)) {
        return 0;
    }
    std::memcpy(record, reply + 1, recordLength);
    return 1;
}

int CQuillon::UpdateRecord(void* device, unsigned char recordLength, unsigned char recordNumber,
                           unsigned char functionIndex, unsigned char* data, int longReply) {
    if (!data) {
        return 0;
    }
    int& headerMode = State().headerMode;
    unsigned char header[5] = {kCla, kInsUpdateRecord, recordNumber, kAbsoluteMode, recordLength};
    unsigned char reply[64] = {};
    const auto write = [&](unsigned char* bytes, unsigned short count, unsigned char replies) {
        return SIM_WriteData(device, bytes, count, replies, functionIndex, kModeExchange);
    };
    const auto readByte = [&](unsigned char& byte) {
        reply[0] = 0;
        if (!SIM_ReadData(device, reply, 1, 0, functionIndex, kModeExchange)) {
            return false;
        }
        byte = reply[0];
        return true;
    };

    // Header phase: the procedure byte P after the header.
    unsigned char procedure = 0;
    if (headerMode) {
        if (!write(header, sizeof header, 1) || !readByte(procedure)) {
            return 0;
        }
    } else {
        for (int i = 0; i < 5; ++i) {
            if (!write(header + i, 1, 1) || !readByte(procedure)) {
                return 0;
            }
            if (procedure == kInsUpdateRecord) {
                // The card asks for the rest of the header at once. After the last header
                // byte nothing is left to send: P already opens the data phase.
                if (i < 4 && (!write(header + i + 1, static_cast<unsigned short>(4 - i), 1) ||
                              !readByte(procedure))) {
                    return 0;
                }
                headerMode = 1;
                break;
            }
            if (procedure != kInsUpdateRecordOneByte) {
                return 0;
            }
        }
    }

    // Data phase, all bytes at once.
    if (procedure == kInsUpdateRecord) {
        if (!SIM_WriteData_208(device, data, recordLength, 2, functionIndex, kModeExchange,
                               longReply)) {
            return 0;
        }
        std::memset(reply, 0, sizeof reply);
        if (!SIM_ReadData(device, reply, 2, 0, functionIndex, kModeExchange)) {
            return 0;
        }
        headerMode = 1;
        return IsStatusOk(reply);
    }
    if (procedure != kInsUpdateRecordOneByte) {
        return 0;
    }

    // Data phase, one byte at a time, until the card asks for the rest.
    const unsigned char mode = longReply ? kModeLongReply : kModeExchange;
    for (unsigned i = 0; i < recordLength; ++i) {
        unsigned char answer;
        if (!write(data + i, 1, 1) || !readByte(answer)) {
            return 0;
        }
        if (answer == kInsUpdateRecordOneByte) {
            continue;
        }
        if (answer != kInsUpdateRecord) {
            return 0;
        }
        const auto remaining = static_cast<unsigned short>(recordLength - i - 1);
        unsigned char last;
        if (!SIM_WriteData_208(device, data + i + 1, remaining, 1, functionIndex, mode,
                               longReply) ||
            !readByte(last)) {
            return 0;
        }
        if (last == kInsUpdateRecord) {
            headerMode = 1;
            return 1;
        }
        if (last == kInsUpdateRecordOneByte) {
            headerMode = 0;
            return 1;
        }
        return 0;
    }
    return 1;  // every byte went one at a time; no status word follows
}

namespace {

// VERIFY, CHANGE, DISABLE and ENABLE CHV share one conversation: the header, then the PIN
// block(s); statusByte takes SW2 of a refusal.
template <typename Write, typename Read>
int RunChvCommand(Write write, Read read, unsigned char ins, unsigned char p2,
                  const unsigned char* blocks, unsigned char blockBytes,
                  unsigned char& statusByte) {
    unsigned char header[5] = {kCla, ins, 0x00, p2, blockBytes};
    unsigned char reply[64] = {};
    if (!write(header, 5) || !read(reply)) {
        return 0;
    }
    if (reply[0] != ins) {
        statusByte = reply[1];  // the card answered the header with a status word
        return 0;
    }
    unsigned char data[2 * kPinBlockLength];
    std::memcpy(data, blocks, blockBytes);
    std::memset(reply, 0, sizeof reply);
    if (!write(data, blockBytes) || !read(reply)) {
        return 0;
    }
    if (IsStatusOk(reply)) {
        return 1;
    }
    statusByte = reply[1];
    return 0;
}

bool IsValidPin(const char* pin, unsigned char pinLength) {
    return pinLength <= kPinBlockLength && (pin != nullptr || pinLength == 0);
}

}  // namespace

#define QUILLON_CHV_IO                                                               \
    [&](unsigned char* bytes, unsigned short count) {                                \
        CheckCardIn(device, functionIndex);                                          \
        return SIM_WriteData(device, bytes, count, 2, functionIndex, kModeExchange); \
    },                                                                               \
        [&](unsigned char* reply) {                                                  \
            CheckCardIn(device, functionIndex);                                      \
            return SIM_ReadData(device, reply, 2, 0, functionIndex, kModeExchange);  \
        }

int CQuillon::VerifyCHV(void* device, unsigned char functionIndex, unsigned char chvNumber,
                        char* pin, unsigned char pinLength, unsigned char& statusByte) {
    statusByte = 0;
    if (!IsValidPin(pin, pinLength)) {
        return 0;
    }
    unsigned char block[kPinBlockLength];
    FillPinBlock(block, pin, pinLength);
    return RunChvCommand(QUILLON_CHV_IO, kInsVerifyChv, chvNumber, block, sizeof block, statusByte);
}

int CQuillon::ChangeCHV(void* device, unsigned char functionIndex, unsigned char chvNumber,
                        char* oldPin, unsigned char oldPinLength, char* newPin,
                        unsigned char newPinLength, unsigned char& statusByte) {
    statusByte = 0;
    if (!IsValidPin(oldPin, oldPinLength) || !IsValidPin(newPin, newPinLength)) {
        return 0;
    }
    unsigned char blocks[2 * kPinBlockLength];
    FillPinBlock(blocks, oldPin, oldPinLength);
    FillPinBlock(blocks + kPinBlockLength, newPin, newPinLength);
    return RunChvCommand(QUILLON_CHV_IO, kInsChangeChv, chvNumber, blocks, sizeof blocks,
                         statusByte);
}

int CQuillon::DisableCHV(void* device, unsigned char functionIndex, char* pin,
                         unsigned char pinLength, unsigned char& statusByte) {
    statusByte = 0;
    if (!IsValidPin(pin, pinLength)) {
        return 0;
    }
    unsigned char block[kPinBlockLength];
    FillPinBlock(block, pin, pinLength);
    return RunChvCommand(QUILLON_CHV_IO, kInsDisableChv, 0x01, block, sizeof block, statusByte);
}

int CQuillon::EnableCHV(void* device, unsigned char functionIndex, char* pin,
                        unsigned char pinLength, unsigned char& statusByte) {
    statusByte = 0;
    if (!IsValidPin(pin, pinLength)) {
        return 0;
    }
    unsigned char block[kPinBlockLength];
    FillPinBlock(block, pin, pinLength);
    return RunChvCommand(QUILLON_CHV_IO, kInsEnableChv, 0x01, block, sizeof block, statusByte);
}
