#include "emulator/SimCard.h"

#include <algorithm>
#include <bit>
#include <tuple>

#include "SimSecurity.h"

namespace emulator {

namespace {

using StatusWord = std::uint16_t;

// GSM 11.11 9.4.
constexpr StatusWord kOk = 0x9000;
constexpr StatusWord kResponseData = 0x9F00;  // | length
constexpr StatusWord kNoEfSelected = 0x9400;
constexpr StatusWord kRecordNotFound = 0x9402;
constexpr StatusWord kFileNotFound = 0x9404;
constexpr StatusWord kInconsistentFile = 0x9408;
constexpr StatusWord kAccessNotFulfilled = 0x9804;
constexpr StatusWord kInvalidated = 0x9810;
constexpr StatusWord kWrongLength = 0x6700;
constexpr StatusWord kWrongP1P2 = 0x6B00;
constexpr StatusWord kUnknownInstruction = 0x6D00;
constexpr StatusWord kWrongClass = 0x6E00;

constexpr std::uint8_t kClaGsm = 0xA0;
constexpr std::uint8_t kNull = 0x60;
constexpr std::uint8_t kPpss = 0xFF;

// GSM 11.11 9.2 instructions.
constexpr std::uint8_t kSelect = 0xA4;
constexpr std::uint8_t kGetResponse = 0xC0;
constexpr std::uint8_t kReadBinary = 0xB0;
constexpr std::uint8_t kReadRecord = 0xB2;
constexpr std::uint8_t kUpdateRecord = 0xDC;
constexpr std::uint8_t kVerifyChv = 0x20;
constexpr std::uint8_t kChangeChv = 0x24;
constexpr std::uint8_t kDisableChv = 0x26;
constexpr std::uint8_t kEnableChv = 0x28;
constexpr std::uint8_t kUnblockChv = 0x2C;
constexpr std::uint8_t kAbsoluteMode = 0x04;

constexpr std::size_t kCodeLength = 8;
// The memory a directory's GET RESPONSE reports as free: a 32 KiB card less what its
// files take.
constexpr std::size_t kCardMemory = 0x8000;
// GSM 11.11 9.2.1, byte 14: clock stop allowed, 13/4 MHz, 3 V technology; b8 (0x80) is
// set while CHV1 is disabled.
constexpr std::uint8_t kFileCharacteristics = 0x13;
constexpr std::uint8_t kChv1Disabled = 0x80;

// ISO/IEC 7816-3 10.3.2: P3 = 0 asks the card for 256 bytes.
std::size_t OutgoingLength(std::uint8_t p3) {
    return p3 == 0 ? 256 : p3;
}

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

std::uint8_t Nibbles(Access high, Access low) {
    return static_cast<std::uint8_t>((static_cast<int>(high) << 4) | static_cast<int>(low));
}

}  // namespace

SimCard::SimCard(CardContent content)
    : content_(std::move(content)), security_(std::make_unique<SimSecurity>(content_)) {
    Reset();
}

SimCard::~SimCard() = default;

bool SimCard::Chv1Verified() const {
    return security_->Chv1Verified();
}

const std::vector<std::uint8_t>& SimCard::Reset() {
    phase_ = Phase::Header;
    header_.clear();
    data_.clear();
    pps_.clear();
    ppsAllowed_ = true;
    selection_ = Selection{};
    response_.clear();
    security_->Reset();
    return content_.atr;
}

// ---------------------------------------------------------------------------------------
// T=0 transmission (ISO/IEC 7816-3 10.3)

std::vector<CardCharacter> SimCard::Receive(std::span<const std::uint8_t> bytes) {
    std::vector<CardCharacter> out;
    for (const std::uint8_t byte : bytes) {
        Accept(byte, out);
    }
    // A chunk that stops inside a header is answered as the policy says, so that a host
    // may send a header a byte at a time.
    if (!bytes.empty() && phase_ == Phase::Header && !header_.empty()) {
        SendProcedure(policy_.partialHeaderReply[header_.size() - 1], out);
    }
    return out;
}

void SimCard::Accept(std::uint8_t byte, std::vector<CardCharacter>& out) {
    switch (phase_) {
        case Phase::Header:
            // ISO/IEC 7816-3 9.1: a PPS request, opened by PPSS 0xFF, may only come first
            // after the answer to reset.
            if (header_.empty() && ppsAllowed_ && byte == kPpss) {
                phase_ = Phase::Pps;
                pps_.assign(1, byte);
                return;
            }
            ppsAllowed_ = false;
            header_.push_back(byte);
            if (header_.size() == 5) {
                StartCommand(out);
            }
            return;
        case Phase::Pps:
            pps_.push_back(byte);
            // PPSS, PPS0, the PPS1..PPS3 that PPS0's b5..b7 announce, then PCK.
            if (pps_.size() >= 2 &&
                pps_.size() == 3 + static_cast<std::size_t>(std::popcount(
                                       static_cast<unsigned>((pps_[1] >> 4) & 0x07)))) {
                FinishPps(out);
            }
            return;
        case Phase::Data:
            data_.push_back(byte);
            AcceptData(out);
            return;
    }
}

void SimCard::FinishPps(std::vector<CardCharacter>& out) {
    phase_ = Phase::Header;
    ppsAllowed_ = false;
    std::uint8_t check = 0;
    for (const std::uint8_t byte : pps_) {
        check ^= byte;
    }
    // ISO/IEC 7816-3 9.3: the card takes a request for T=0 with a right PCK and confirms
    // it by echoing it; it stays silent on any other.
    const bool protocolT0 = (pps_[1] & 0x0F) == 0;
    if (check == 0 && protocolT0) {
        for (const std::uint8_t byte : pps_) {
            out.push_back({byte, false});
        }
    }
    pps_.clear();
}

void SimCard::StartCommand(std::vector<CardCharacter>& out) {
    const Header header{header_[0], header_[1], header_[2], header_[3], header_[4]};
    header_.clear();
    // GSM 11.11 9.2.18: the response data is there only for the GET RESPONSE that follows.
    if (header.ins != kGetResponse) {
        response_.clear();
    }
    if (header.cla != kClaGsm) {
        SendStatus(kWrongClass, out);
        return;
    }
    if (const auto refusal = policy_.headerStatus.find(header.ins);
        refusal != policy_.headerStatus.end()) {
        SendStatus(refusal->second, out);
        return;
    }
    if (IsOutgoing(header.ins)) {
        const Reply reply = RunOutgoing(header);
        if (reply.status != kOk) {
            SendStatus(reply.status, out);
            return;
        }
        // ACK, the data, then the status word (ISO/IEC 7816-3 10.3.3).
        SendProcedure(header.ins, out);
        for (const std::uint8_t byte : reply.data) {
            out.push_back({byte, false});
        }
        SendStatus(kOk, out);
        return;
    }
    if (!IsIncoming(header.ins)) {
        SendStatus(kUnknownInstruction, out);
        return;
    }
    if (const StatusWord refusal = CheckIncoming(header); refusal != kOk) {
        SendStatus(refusal, out);
        return;
    }
    command_ = header;
    data_.clear();
    pacing_ = Pacing{};
    if (header.ins == kUpdateRecord) {
        pacing_.oneByte = policy_.updateHeader == ProcedurePolicy::Answer::Complement;
        pacing_.restAfter = policy_.updateRestAfter;
        pacing_.afterRest = policy_.updateAfterRest;
        pacing_.afterLastByte = policy_.updateAfterLastByte;
    }
    restSent_ = false;
    phase_ = Phase::Data;
    SendProcedure(pacing_.oneByte ? static_cast<std::uint8_t>(~header.ins) : header.ins, out);
    if (header.p3 == 0) {
        FinishCommand(out);  // nothing to take
    }
}

void SimCard::AcceptData(std::vector<CardCharacter>& out) {
    if (data_.size() == command_.p3) {
        FinishCommand(out);
        return;
    }
    if (!pacing_.oneByte) {
        return;  // after INS the host sends every remaining byte
    }
    if (pacing_.restAfter > 0 && data_.size() == static_cast<std::size_t>(pacing_.restAfter)) {
        pacing_.oneByte = false;
        restSent_ = true;
        SendProcedure(command_.ins, out);
    } else {
        SendProcedure(static_cast<std::uint8_t>(~command_.ins), out);
    }
}

void SimCard::FinishCommand(std::vector<CardCharacter>& out) {
    phase_ = Phase::Header;
    const StatusWord status = RunIncoming(command_, data_);
    data_.clear();
    ProcedurePolicy::Answer answer = ProcedurePolicy::Answer::StatusWord;
    if (pacing_.oneByte) {
        answer = pacing_.afterLastByte;
    } else if (restSent_) {
        answer = pacing_.afterRest;
    }
    SendAnswer(answer, status, out);
}

void SimCard::SendProcedure(std::uint8_t byte, std::vector<CardCharacter>& out) const {
    for (int i = 0; i < policy_.nullBytes; ++i) {
        out.push_back({kNull, true});
    }
    out.push_back({byte, true});
}

void SimCard::SendStatus(StatusWord status, std::vector<CardCharacter>& out) const {
    SendProcedure(static_cast<std::uint8_t>(status >> 8), out);
    out.push_back({static_cast<std::uint8_t>(status), false});
}

void SimCard::SendAnswer(ProcedurePolicy::Answer answer, StatusWord status,
                         std::vector<CardCharacter>& out) const {
    switch (answer) {
        case ProcedurePolicy::Answer::Ins:
            SendProcedure(command_.ins, out);
            return;
        case ProcedurePolicy::Answer::Complement:
            SendProcedure(static_cast<std::uint8_t>(~command_.ins), out);
            return;
        case ProcedurePolicy::Answer::StatusWord:
            SendStatus(status, out);
            return;
    }
}

// ---------------------------------------------------------------------------------------
// Commands (GSM 11.11 9.2)

bool SimCard::IsOutgoing(std::uint8_t ins) {
    return ins == kGetResponse || ins == kReadBinary || ins == kReadRecord;
}

bool SimCard::IsIncoming(std::uint8_t ins) {
    switch (ins) {
        case kSelect:
        case kUpdateRecord:
        case kVerifyChv:
        case kChangeChv:
        case kDisableChv:
        case kEnableChv:
        case kUnblockChv:
            return true;
        default:
            return false;
    }
}

SimCard::Reply SimCard::RunOutgoing(const Header& header) {
    switch (header.ins) {
        case kGetResponse:
            return GetResponse(header);
        case kReadBinary:
            return ReadBinary(header);
        default:
            return ReadRecord(header);
    }
}

SimCard::StatusWord SimCard::CheckIncoming(const Header& header) {
    if (header.ins == kUpdateRecord) {
        RecordFile* file = nullptr;
        return CheckRecordAccess(header, &KnownFile::update, &file);
    }
    // Every other incoming command has P1 = 0; P2 and P3 as GSM 11.11 9.2 fixes them.
    bool p2Valid = false;
    std::size_t length = kCodeLength;
    switch (header.ins) {
        case kSelect:
            p2Valid = header.p2 == 0;
            length = 2;
            break;
        case kVerifyChv:
            p2Valid = header.p2 == 1 || header.p2 == 2;
            break;
        case kChangeChv:
            p2Valid = header.p2 == 1 || header.p2 == 2;
            length = 2 * kCodeLength;
            break;
        case kDisableChv:
        case kEnableChv:
            p2Valid = header.p2 == 1;
            break;
        case kUnblockChv:
            // GSM 11.11 9.2.13: P2 = 00 unblocks CHV1, 02 CHV2.
            p2Valid = header.p2 == 0 || header.p2 == 2;
            length = 2 * kCodeLength;
            break;
        default:
            break;
    }
    if (header.p1 != 0 || !p2Valid) {
        return kWrongP1P2;
    }
    if (header.p3 != length) {
        return kWrongLength;
    }
    return kOk;
}

SimCard::StatusWord SimCard::RunIncoming(const Header& header, std::span<const std::uint8_t> data) {
    if (header.ins == kSelect) {
        return Select(static_cast<std::uint16_t>((data[0] << 8) | data[1]));
    }
    if (header.ins == kUpdateRecord) {
        return UpdateRecord(header, data);
    }
    const auto secrets = [this] {
        return std::make_tuple(content_.chv1, content_.unblockChv1, content_.chv2,
                               content_.unblockChv2, content_.chv1Enabled);
    };
    const auto before = secrets();
    const std::span<const std::uint8_t> first = data.first(kCodeLength);
    StatusWord status = kOk;
    switch (header.ins) {
        case kVerifyChv:
            status = security_->Verify(header.p2, first);
            break;
        case kChangeChv:
            status = security_->Change(header.p2, first, data.subspan(kCodeLength));
            break;
        case kDisableChv:
            status = security_->Disable(first);
            break;
        case kEnableChv:
            status = security_->Enable(first);
            break;
        default:
            status = security_->Unblock(header.p2 == 0 ? 1 : 2, first, data.subspan(kCodeLength));
            break;
    }
    if (secrets() != before) {
        Save();
    }
    return status;
}

SimCard::Reply SimCard::GetResponse(const Header& header) const {
    if (header.p1 != 0 || header.p2 != 0) {
        return {kWrongP1P2, {}};
    }
    const std::size_t length = OutgoingLength(header.p3);
    if (length > response_.size()) {
        return {kWrongLength, {}};
    }
    return {kOk, {response_.begin(), response_.begin() + static_cast<std::ptrdiff_t>(length)}};
}

SimCard::Reply SimCard::ReadBinary(const Header& header) const {
    if (!selection_.ef) {
        return {kNoEfSelected, {}};
    }
    const KnownFile* known = FindKnownFile(selection_.directory, *selection_.ef);
    if (!known || !known->transparent) {
        return {kInconsistentFile, {}};
    }
    if (!security_->Granted(known->read)) {
        return {kAccessNotFulfilled, {}};
    }
    const std::vector<std::uint8_t> body = IccidBody(content_.iccid);
    const std::size_t offset = (static_cast<std::size_t>(header.p1) << 8) | header.p2;
    const std::size_t length = OutgoingLength(header.p3);
    if (offset >= body.size()) {
        return {kWrongP1P2, {}};
    }
    if (offset + length > body.size()) {
        return {kWrongLength, {}};
    }
    const auto from = body.begin() + static_cast<std::ptrdiff_t>(offset);
    return {kOk, {from, from + static_cast<std::ptrdiff_t>(length)}};
}

SimCard::StatusWord SimCard::CheckRecordAccess(const Header& header, Access KnownFile::*operation,
                                               RecordFile** file) {
    if (header.p2 != kAbsoluteMode) {
        return kWrongP1P2;
    }
    if (!selection_.ef) {
        return kNoEfSelected;
    }
    const KnownFile* known = FindKnownFile(selection_.directory, *selection_.ef);
    RecordFile* records = content_.File(selection_.directory, *selection_.ef);
    if (!known || !records) {
        return kInconsistentFile;  // a transparent EF
    }
    if (header.p3 != records->recordLength) {
        return kWrongLength;
    }
    if (!security_->Granted(known->*operation)) {
        return kAccessNotFulfilled;
    }
    if (records->invalidated) {
        return kInvalidated;
    }
    if (header.p1 == 0 || header.p1 > records->records.size()) {
        return kRecordNotFound;
    }
    *file = records;
    return kOk;
}

SimCard::Reply SimCard::ReadRecord(const Header& header) {
    RecordFile* file = nullptr;
    if (const StatusWord refusal = CheckRecordAccess(header, &KnownFile::read, &file);
        refusal != kOk) {
        return {refusal, {}};
    }
    return {kOk, file->records[header.p1 - 1]};
}

SimCard::StatusWord SimCard::UpdateRecord(const Header& header,
                                          std::span<const std::uint8_t> data) {
    RecordFile* file = nullptr;
    if (const StatusWord refusal = CheckRecordAccess(header, &KnownFile::update, &file);
        refusal != kOk) {
        return refusal;
    }
    file->records[header.p1 - 1].assign(data.begin(), data.end());
    Save();
    return kOk;
}

// ---------------------------------------------------------------------------------------
// Files (GSM 11.11 6)

bool SimCard::DirectoryExists(std::uint16_t id) const {
    return id == fid::kMf || id == fid::kDfTelecom ||
           (id == fid::kDfCdma && content_.type == CardType::Cdma);
}

std::optional<std::uint16_t> SimCard::ParentOf(std::uint16_t directory) const {
    if (directory == fid::kMf) {
        return std::nullopt;
    }
    return fid::kMf;
}

bool SimCard::EfExists(std::uint16_t directory, std::uint16_t id) const {
    const KnownFile* known = FindKnownFile(directory, id);
    if (!known || !DirectoryExists(directory)) {
        return false;
    }
    if (known->transparent) {
        return !content_.iccid.empty();
    }
    return content_.File(directory, id) != nullptr;
}

SimCard::StatusWord SimCard::Select(std::uint16_t id) {
    // GSM 11.11 6.5: from the current directory the card selects the MF, the directory
    // itself, its parent, a DF child or sibling, or an EF child.
    const std::uint16_t current = selection_.directory;
    const std::optional<std::uint16_t> parent = ParentOf(current);
    const bool isDirectory = DirectoryExists(id);
    const bool reachableDirectory =
        isDirectory && (id == fid::kMf || id == current || id == parent ||
                        ParentOf(id) == current || (parent && ParentOf(id) == parent));
    if (reachableDirectory) {
        selection_ = Selection{id, std::nullopt};
        response_ = DirectoryResponse(id);
    } else if (EfExists(current, id)) {
        selection_ = Selection{current, id};
        response_ = EfResponse(current, id);
    } else {
        return kFileNotFound;
    }
    return static_cast<StatusWord>(kResponseData | response_.size());
}

std::vector<std::uint8_t> SimCard::DirectoryResponse(std::uint16_t id) const {
    // GSM 11.11 9.2.1, response to a MF/DF selection (bytes numbered from 1).
    std::vector<std::uint8_t> response(22, 0x00);
    std::size_t used = 0;
    int directories = 0;
    int efs = 0;
    for (const RecordFile& file : content_.files) {
        used += file.records.size() * file.recordLength;
        efs += file.parent == id && EfExists(id, file.id);
    }
    if (id == fid::kMf) {
        efs += EfExists(fid::kMf, fid::kIccid);
        directories = 1 + DirectoryExists(fid::kDfCdma);
    }
    PutWord(response, 2, kCardMemory - std::min(used, kCardMemory));  // bytes 3-4
    PutWord(response, 4, id);                                         // bytes 5-6
    response[6] = id == fid::kMf ? 0x01 : 0x02;                       // byte 7: type
    response[12] = static_cast<std::uint8_t>(response.size() - 13);   // byte 13
    response[13] = static_cast<std::uint8_t>(kFileCharacteristics |
                                             (content_.chv1Enabled ? 0 : kChv1Disabled));
    response[14] = static_cast<std::uint8_t>(directories);  // byte 15
    response[15] = static_cast<std::uint8_t>(efs);          // byte 16
    // Byte 17: number of CHVs, UNBLOCK CHVs and administrative codes.
    response[16] =
        static_cast<std::uint8_t>(content_.chv1.initialised + content_.unblockChv1.initialised +
                                  content_.chv2.initialised + content_.unblockChv2.initialised);
    response[18] = content_.chv1.StatusByte();         // byte 19
    response[19] = content_.unblockChv1.StatusByte();  // byte 20
    response[20] = content_.chv2.StatusByte();         // byte 21
    response[21] = content_.unblockChv2.StatusByte();  // byte 22
    return response;
}

std::vector<std::uint8_t> SimCard::EfResponse(std::uint16_t directory, std::uint16_t id) const {
    // GSM 11.11 9.2.1, response to an EF selection (bytes numbered from 1).
    const KnownFile& known = *FindKnownFile(directory, id);
    const RecordFile* file = content_.File(directory, id);
    std::vector<std::uint8_t> response(15, 0x00);
    const std::size_t size = known.transparent ? IccidBody(content_.iccid).size()
                                               : file->records.size() * file->recordLength;
    PutWord(response, 2, size);  // bytes 3-4: file size
    PutWord(response, 4, id);    // bytes 5-6
    response[6] = 0x04;          // byte 7: EF
    // Bytes 9-11: access conditions READ|UPDATE, INCREASE|RFU, REHABILITATE|INVALIDATE.
    response[8] = Nibbles(known.read, known.update);
    response[9] = Nibbles(known.increase, Access::Always);
    response[10] = Nibbles(known.rehabilitate, known.invalidate);
    // Byte 12: file status, b1 = 1 not invalidated.
    response[11] = (file && file->invalidated) ? 0x00 : 0x01;
    response[12] = 0x02;  // byte 13: bytes 14-15 follow
    // Byte 14: structure, 00 transparent, 01 linear fixed; byte 15: record length.
    response[13] = known.transparent ? 0x00 : 0x01;
    response[14] = known.transparent ? 0x00 : static_cast<std::uint8_t>(file->recordLength);
    return response;
}

void SimCard::Save() {
    if (saver_) {
        saveError_ = saver_(content_);
    }
}

}  // namespace emulator
