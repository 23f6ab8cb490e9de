// SCSI pass-through (IOCTL_SCSI_PASS_THROUGH) on the NT family. One module-wide buffer,
// cleared before every command, holds the 44-byte header and then the data area; it is
// both the input and the output of DeviceIoControl.
#include <cstring>

#include "internal/Carriers.h"
#include "internal/ModuleState.h"

namespace quillon::internal {

namespace {

using namespace quillon::win;

constexpr DWORD kHeaderSize = sizeof(SCSI_PASS_THROUGH);

ExchangeBuffer& PrepareExchange(const CommandBlock& cdb, BYTE dataIn, DWORD transferLength) {
    ExchangeBuffer& exchange = State().exchange;
    std::memset(&exchange, 0, sizeof exchange);
    SCSI_PASS_THROUGH& header = exchange.header;
    header.Length = kHeaderSize;
    header.PathId = 0;
    header.TargetId = 1;
    header.Lun = 0;
    header.CdbLength = cdb.length;
    header.SenseInfoLength = 0;
    header.DataIn = dataIn;
    header.DataTransferLength = transferLength;
    header.TimeOutValue = 10;
    header.DataBufferOffset = kHeaderSize;
    header.SenseInfoOffset = 0;
    std::memcpy(header.Cdb, cdb.bytes, cdb.length);
    return exchange;
}

BOOL Run(void* device, DWORD inSize, DWORD outSize, DWORD* returned) {
    ExchangeBuffer& exchange = State().exchange;
    *returned = 0;
    return Windows()->DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH, &exchange, inSize, &exchange,
                                      outSize, returned, nullptr);
}

}  // namespace

int PassThroughRead(void* device, const CommandBlock& cdb, std::uint8_t* buffer,
                    std::uint16_t length) {
    if (length > kExchangeDataSize) {
        return 0;
    }
    ExchangeBuffer& exchange = PrepareExchange(cdb, SCSI_IOCTL_DATA_IN, length);
    DWORD returned;
    if (!Run(device, kHeaderSize, kHeaderSize + length, &returned)) {
        SetLastError(Windows()->GetLastError(), "Query firmware version failed: %05lu",
                     static_cast<unsigned long>(Windows()->GetLastError()));
        return 0;
    }
    // Whatever the number of bytes returned: the rest of the cleared area reads as zeros.
    std::memcpy(buffer, exchange.data, length);
    return 1;
}

int PassThroughWrite(void* device, const CommandBlock& cdb, const std::uint8_t* data,
                     std::uint16_t length, bool reportErrors) {
    const DWORD phase = DataPhaseLength(length);
    if (phase > kExchangeDataSize) {
        return 0;
    }
    ExchangeBuffer& exchange = PrepareExchange(cdb, SCSI_IOCTL_DATA_OUT, phase);
    std::memcpy(exchange.data, data, length);  // a pad byte is the cleared 0x00
    DWORD returned;
    const BOOL ok = Run(device, kHeaderSize + phase, kHeaderSize + phase, &returned);
    if (!reportErrors) {
        return ok ? 1 : 0;
    }
    const unsigned long code = Windows()->GetLastError();
    RecordErrorCode(code);
    if (!ok) {
        SetLastError(code, "Write EEPROM Data failed: %05lu\nScsiStatus: %05u", code,
                     static_cast<unsigned>(exchange.header.ScsiStatus));
        return 0;
    }
    return 1;
}

char* PassThroughInquiry(void* device, unsigned long* length) {
    *length = 0;
    ExchangeBuffer& exchange =
        PrepareExchange(InquiryCommand(), SCSI_IOCTL_DATA_IN, kInquiryLength);
    DWORD returned;
    if (!Run(device, kHeaderSize, kHeaderSize + kInquiryLength, &returned)) {
        const unsigned long code = Windows()->GetLastError();
        SetLastError(code, "Query firmware version failed: %05lu", code);
        return nullptr;
    }
    if (exchange.data[0] == 0xFF) {
        return nullptr;  // the device answered but offers no function list
    }
    // The host's count is untrusted: the reply is at most the 255 bytes asked for.
    unsigned long reply = returned > kHeaderSize ? returned - kHeaderSize : 0;
    if (reply > kInquiryLength) {
        reply = kInquiryLength;
    }
    char* block = static_cast<char*>(AllocateResultBlock(reply + 1));
    if (!block) {
        const unsigned long code = Windows()->GetLastError();
        SetLastError(code, "Cannot allocate enough memory: %05lu", code);
        return nullptr;
    }
    std::memcpy(block, exchange.data, reply);
    *length = reply;
    return block;
}

}  // namespace quillon::internal
