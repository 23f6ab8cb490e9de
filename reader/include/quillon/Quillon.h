// The reader-access library: SIM commands (GSM 11.11, class byte 0xA0) carried as vendor
// SCSI commands to the SIM slot of a USB flash-and-SIM combo reader.
//
// Every method is synchronous and returns 1 on success, 0 on failure; nothing is thrown
// and nothing is shown (except the ASPI start-up message of InitASPI). The class holds no
// data: the library's state (exchange buffer, diagnostic state, ASPI state, header-mode
// flag) is module-wide and unguarded, so calls must come from one thread at a time.
#pragma once

#define QUILLON_API __attribute__((visibility("default")))

// The host family, computed from the operating system's version record on every call.
// WV_LINUX is this platform's own: SG_IO on the reader's device node, classic command set.
enum WINVERSION { WV_WIN9X = 0, WV_WINNT = 1, WV_VISTA = 2, WV_LINUX = 3 };

class QUILLON_API CQuillon {
public:
    CQuillon();
    CQuillon(const CQuillon& other);
    virtual ~CQuillon();
    CQuillon& operator=(const CQuillon& other);

private:
    WINVERSION CheckWindowsVersion();

public:
    // The reader's device path (a malloc'ed, zero-terminated block the caller frees), or
    // null when no reader is present. Every call searches afresh.
    char* FindDeviceEntry();
    // The device token for a path from FindDeviceEntry. NT family and Linux: null on
    // failure. Windows 9x: the ASPI address adapter*16+target, (void*)-1 on failure (0 is
    // a valid token). Close it with CloseRX520X.
    void* OpenRX520X(char* devicePath);
    // Runs the function inquiry. Returns a malloc'ed reply the caller frees and stores its
    // length in *length, or null.
    char* SIM_InquiryFunctions(void* device, unsigned long* length);

private:
    int SIM_ReadData(void* device, unsigned char* buffer, unsigned short length,
                     unsigned char reserved, unsigned char functionIndex, unsigned char mode);
    int SIM_WriteData(void* device, unsigned char* data, unsigned short length,
                      unsigned char replyCount, unsigned char functionIndex, unsigned char mode);
    int SIM_WriteData_208(void* device, unsigned char* data, unsigned short length,
                          unsigned short replyCount, unsigned char functionIndex,
                          unsigned char mode, int longForm);

public:
    // Always 1, without contacting the reader.
    int CheckCardIn(void* device, unsigned char functionIndex);
    // Reads 64 bytes of the answer to reset into atr; 1 when its first byte (TS) is 0x3B
    // or 0x3F.
    int GetATRValue(void* device, unsigned char* atr, unsigned char functionIndex);

protected:
    // cardType := 1 when the answer to reset's TD1 announces an odd-numbered protocol.
    int CheckCardType(void* device, int& cardType, unsigned char functionIndex);

public:
    // PPS echo test (ISO/IEC 7816-3) of the card link. Closes device when the test write
    // fails.
    int TestSimCard(void* device, unsigned char functionIndex);
    // Selects one file by identifier; responseLength := SW2 of the card's 9F xx answer.
    int SelectFile(void* device, unsigned short fileId, unsigned char& responseLength,
                   unsigned char functionIndex);
    // Fetches length (at most 61) bytes of response data.
    int GetResponse(void* device, unsigned char length, unsigned char* response,
                    unsigned char functionIndex);
    int UpdateRecord(void* device, unsigned char recordLength, unsigned char recordNumber,
                     unsigned char functionIndex, unsigned char* data, int longReply);
    // record must hold at least 64 bytes and recordLength bytes.
    int ReadRecord(void* device, unsigned char recordLength, unsigned char recordNumber,
                   unsigned char functionIndex, unsigned char* record, int longReply);
    int ReadBinary(void* device, unsigned char length, unsigned char functionIndex,
                   unsigned char* data);
    // CHV commands: statusByte := 0, or SW2 of the card's refusal. A PIN longer than 8
    // characters is refused with 0 and nothing sent.
    int DisableCHV(void* device, unsigned char functionIndex, char* pin, unsigned char pinLength,
                   unsigned char& statusByte);
    int EnableCHV(void* device, unsigned char functionIndex, char* pin, unsigned char pinLength,
                  unsigned char& statusByte);
    int VerifyCHV(void* device, unsigned char functionIndex, unsigned char chvNumber, char* pin,
                  unsigned char pinLength, unsigned char& statusByte);
    int ChangeCHV(void* device, unsigned char functionIndex, unsigned char chvNumber, char* oldPin,
                  unsigned char oldPinLength, char* newPin, unsigned char newPinLength,
                  unsigned char& statusByte);
};

extern "C" {
// Loads and prepares ASPI for Win32 (Windows 9x hosts); 1, or 0 after a message box.
QUILLON_API int InitASPI();
// Releases what InitASPI acquired; the result of unloading the library, or 0.
QUILLON_API int TermASPI();
// Closes a device token from OpenRX520X (CloseHandle on the NT family, close(2) on Linux,
// nothing for an ASPI address). Null and (void*)-1 are ignored.
QUILLON_API void CloseRX520X(void* device);
}
