// The virtual reader: a USB flash-and-SIM combo reader emulated at the bytes the real one
// exchanges. Its firmware answers the vendor command blocks of both command sets (classic
// 0x08/0x0A with 0x46, and 0xEE), the function inquiry ("INQU") and the answer to reset
// (mode 2), and relays card-data writes and reads to a card behind a T=0 procedure-byte
// conversation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/ScsiDevice.h"

namespace emulator {

class SimCard;

// The function inquiry reply the firmware gives (reply layout: model, firmware version
// high byte first, one unused byte, the entry count, then four-character tags).
struct ReaderIdentity {
    std::uint8_t model = 0xB0;
    std::uint16_t firmwareVersion = 0x0208;
    std::vector<std::string> functionTags = {"INQU", "EEPR", "SIM "};
    // Overrides the entry count byte (to announce more entries than there are tags).
    int announcedCount = -1;
    // The reader answers the inquiry with a first byte 0xFF: no function list.
    bool answersFF = false;
};

// Faults a test injects; all off by default.
struct ReaderFaults {
    // The n-th command block from now (1-based) is not delivered (0 = never).
    int failAtExchange = 0;
    // Every command block from the n-th on is not delivered: the reader is unplugged.
    int unplugAtExchange = 0;
    // The next command block ends with check condition, sense key 6 (unit attention).
    bool unitAttentionOnce = false;
};

class VirtualReader final : public ScsiDevice {
public:
    VirtualReader();  // a reader with an empty slot
    explicit VirtualReader(std::shared_ptr<SimCard> card);
    ~VirtualReader() override;

    // A reader holding the card of an image file (loaded now, saved back after every
    // update). Throws std::runtime_error with a readable reason when the image is bad.
    static std::unique_ptr<VirtualReader> FromImage(const std::string& imagePath);

    // Runs one command block as the reader's firmware does. Card-data commands reach the
    // card only with the function index of "SIM " in Identity().functionTags (others read
    // zeros). A write hands the card the true length from bytes 3-4 and keeps the first
    // reply-count characters it answers, NULL bytes dropped; a read returns them from the
    // first byte, zero-filled to the length asked for; mode 2 reads the answer to reset
    // and resets the card. A block it does not know, or whose data phase does not fit it,
    // ends with check condition, sense key 5.
    ScsiResult Execute(const std::uint8_t* cdb, std::size_t cdbLength, DataDirection direction,
                       std::uint8_t* data, std::size_t length) override;

    ReaderIdentity& Identity() { return identity_; }
    // Faults count down from the moment they are set: each command block the reader is
    // handed spends one step of failAtExchange and unplugAtExchange.
    ReaderFaults& Faults() { return faults_; }
    // Whether an unplugAtExchange fault has unplugged the reader; Replug() plugs it back.
    bool Unplugged() const { return unplugged_; }
    void Replug() { unplugged_ = false; }
    // The card in the slot (null when empty); Insert(nullptr) pulls the card.
    std::shared_ptr<SimCard> Card() const { return card_; }
    void Insert(std::shared_ptr<SimCard> card);

    // Every command block the reader received, with its data phase, for tests.
    struct Exchange {
        std::vector<std::uint8_t> cdb;
        DataDirection direction;
        std::vector<std::uint8_t> dataOut;  // ToDevice: the data phase as received
        std::size_t lengthIn = 0;           // FromDevice: bytes requested
    };
    const std::vector<Exchange>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    void SetLogging(bool on) { logging_ = on; }

private:
    ReaderIdentity identity_;
    ReaderFaults faults_;
    std::shared_ptr<SimCard> card_;
    std::vector<Exchange> log_;
    bool logging_ = true;
    int exchangeCount_ = 0;
    // The reply the card gave to the last card-data write, as the reader collected it.
    std::vector<std::uint8_t> collected_;
    bool unplugged_ = false;

    ScsiResult Inquiry(std::uint8_t* data, std::size_t length) const;
    ScsiResult CardRead(const std::uint8_t* cdb, std::uint8_t* data, std::size_t length);
    ScsiResult CardWrite(const std::uint8_t* cdb, std::size_t cdbLength, const std::uint8_t* data,
                         std::size_t length);
    // The position of "SIM " in the function list, or -1.
    int SimFunctionIndex() const;
};

}  // namespace emulator
