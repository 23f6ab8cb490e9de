// A GSM 11.11 SIM card (and a CDMA R-UIM holding DF 7F25) behind a T=0 conversation
// (ISO/IEC 7816-3 10.3): the reader hands it the bytes it sends on the I/O line, a chunk
// at a time, and gets back the characters the card answers.
//
// Commands: SELECT, GET RESPONSE, READ BINARY, READ RECORD, UPDATE RECORD, VERIFY CHV,
// CHANGE CHV, DISABLE CHV, ENABLE CHV, UNBLOCK CHV, and a PPS exchange right after reset.
// Files: MF 3F00 with EF_ICCID 2FE2; DF_TELECOM 7F10 with EF_ADN 6F3A, EF_SMS 6F3C and
// EF_SMSP 6F42; on a CDMA card also DF 7F25 with its EF_SMS 6F3C.
//
// Status words (GSM 11.11 9.4): 90 00 done; 9F xx response data of xx bytes; 94 00 no EF
// selected; 94 02 record out of range; 94 04 file not found; 94 08 file inconsistent with
// the command; 98 02 no CHV initialised; 98 04 access condition not fulfilled or wrong
// code with attempts left; 98 08 contradiction with CHV status; 98 10 contradiction with
// invalidation status; 98 40 wrong code, no attempt left (blocked); 67 00 wrong P3 (also
// for a length larger than the data there is); 6B 00 wrong P1 or P2; 6D 00 unknown
// instruction; 6E 00 wrong class.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "emulator/CardContent.h"

namespace emulator {

class SimSecurity;

// One character the card sends. T=0 gives each a place in the conversation: where the
// reader expects a procedure byte (ACK, NULL 0x60, or SW1) `procedure` is set; data bytes
// and SW2 have it clear. A T=0 reader knows those places and drops the NULL bytes.
struct CardCharacter {
    std::uint8_t value = 0;
    bool procedure = false;
    friend bool operator==(const CardCharacter&, const CardCharacter&) = default;
};

// How the card paces an UPDATE RECORD (and any header sent in pieces), so that a test can
// drive every branch of a host's T=0 handling. The defaults make a plain T=0 card.
struct ProcedurePolicy {
    // A procedure byte the card may answer (ISO/IEC 7816-3 10.3.3).
    enum class Answer {
        Ins,         // INS: send all remaining bytes
        Complement,  // INS xor 0xFF: send one byte
        StatusWord,  // the real status word SW1 SW2
    };

    // (a) The answer to a complete UPDATE RECORD header: Ins (the record in one block) or
    // Complement (one byte at a time). StatusWord is taken as Ins.
    Answer updateHeader = Answer::Ins;
    // (b) In one-byte mode: after this many record bytes (1-based) answer Ins, "send the
    // rest", instead of Complement. 0: never.
    int updateRestAfter = 0;
    // (c) The answer after the rest of the record came in one block.
    Answer updateAfterRest = Answer::StatusWord;
    // (d) The answer after the record's last byte in one-byte mode.
    Answer updateAfterLastByte = Answer::Complement;
    // (e) The byte answered when a chunk ends inside a command header, indexed by the
    // number of header bytes received so far minus one (1 to 4 bytes). 0x23 asks for the
    // next byte; 0xDC asks for the rest of an UPDATE RECORD header at once.
    std::array<std::uint8_t, 4> partialHeaderReply = {0x23, 0x23, 0x23, 0x23};

    // NULL procedure bytes (0x60) the card sends before every procedure byte.
    int nullBytes = 0;
    // Headers of these instructions are answered at once with the given status word,
    // without running the command (a card refusing a command, a wrong procedure byte).
    std::map<std::uint8_t, std::uint16_t> headerStatus;
};

class SimCard {
public:
    // A card holding content, powered up (as after Reset()).
    explicit SimCard(CardContent content = CardContent::Blank());
    ~SimCard();
    SimCard(const SimCard&) = delete;
    SimCard& operator=(const SimCard&) = delete;

    // Resets the card (ISO/IEC 7816-3 6.2) and returns its answer to reset: the current
    // directory becomes the MF, verified CHVs are forgotten, an unfinished command is
    // dropped, and a PPS request is accepted before the first command.
    const std::vector<std::uint8_t>& Reset();
    const std::vector<std::uint8_t>& Atr() const { return content_.atr; }

    // Takes the bytes the reader sends (a whole header, its data, or any piece of them)
    // and returns what the card answers to them, in order.
    std::vector<CardCharacter> Receive(std::span<const std::uint8_t> bytes);

    ProcedurePolicy& Policy() { return policy_; }
    const CardContent& Content() const { return content_; }
    // For tests: the content to change in place (a blocked CHV, a file's records).
    CardContent& MutableContent() { return content_; }

    bool Chv1Verified() const;

    // Called with the content after every change that a card keeps (a record written, a
    // CHV changed, a counter moved); returns an empty text on success, else the reason.
    using Saver = std::function<std::string(const CardContent&)>;
    void SetSaver(Saver saver) { saver_ = std::move(saver); }
    // The reason the last save failed; empty after a successful one (or none).
    const std::string& SaveError() const { return saveError_; }

private:
    using StatusWord = std::uint16_t;
    struct Header {
        std::uint8_t cla, ins, p1, p2, p3;
    };
    struct Reply {
        StatusWord status = 0x9000;
        std::vector<std::uint8_t> data;
    };
    // The pacing of one incoming data phase.
    struct Pacing {
        bool oneByte = false;
        int restAfter = 0;
        ProcedurePolicy::Answer afterRest = ProcedurePolicy::Answer::StatusWord;
        ProcedurePolicy::Answer afterLastByte = ProcedurePolicy::Answer::StatusWord;
    };
    enum class Phase { Header, Pps, Data };
    // Where a selection leaves the card: the current directory and, optionally, an EF in
    // it (GSM 11.11 6.5).
    struct Selection {
        std::uint16_t directory = fid::kMf;
        std::optional<std::uint16_t> ef;
    };

    void Accept(std::uint8_t byte, std::vector<CardCharacter>& out);
    void StartCommand(std::vector<CardCharacter>& out);
    void AcceptData(std::vector<CardCharacter>& out);
    void FinishCommand(std::vector<CardCharacter>& out);
    void FinishPps(std::vector<CardCharacter>& out);
    void SendProcedure(std::uint8_t byte, std::vector<CardCharacter>& out) const;
    void SendStatus(StatusWord status, std::vector<CardCharacter>& out) const;
    void SendAnswer(ProcedurePolicy::Answer answer, StatusWord status,
                    std::vector<CardCharacter>& out) const;

    // Commands whose data flows to the host (GET RESPONSE, READ BINARY, READ RECORD).
    static bool IsOutgoing(std::uint8_t ins);
    static bool IsIncoming(std::uint8_t ins);
    Reply RunOutgoing(const Header& header);
    // Incoming commands: the status word the card answers their header with at once, or
    // 0x9000 to take their data; then the command itself.
    StatusWord CheckIncoming(const Header& header);
    StatusWord RunIncoming(const Header& header, std::span<const std::uint8_t> data);

    Reply GetResponse(const Header& header) const;
    Reply ReadBinary(const Header& header) const;
    Reply ReadRecord(const Header& header);
    StatusWord Select(std::uint16_t id);
    StatusWord UpdateRecord(const Header& header, std::span<const std::uint8_t> data);
    // The selected linear-fixed EF for READ/UPDATE RECORD, or the status word refusing.
    StatusWord CheckRecordAccess(const Header& header, Access KnownFile::*operation,
                                 RecordFile** file);

    bool DirectoryExists(std::uint16_t id) const;
    std::optional<std::uint16_t> ParentOf(std::uint16_t directory) const;
    bool EfExists(std::uint16_t directory, std::uint16_t id) const;
    std::vector<std::uint8_t> DirectoryResponse(std::uint16_t id) const;
    std::vector<std::uint8_t> EfResponse(std::uint16_t directory, std::uint16_t id) const;

    void Save();

    CardContent content_;
    ProcedurePolicy policy_;
    std::unique_ptr<SimSecurity> security_;
    Saver saver_;
    std::string saveError_;

    Phase phase_ = Phase::Header;
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> data_;
    std::vector<std::uint8_t> pps_;
    Header command_{};
    Pacing pacing_;
    bool restSent_ = false;
    bool ppsAllowed_ = true;
    Selection selection_;
    // GET RESPONSE data of the last SELECT (GSM 11.11 9.2.18), valid until another command.
    std::vector<std::uint8_t> response_;
};

}  // namespace emulator
