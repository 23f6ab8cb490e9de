#include "emulator/CardContent.h"

#include <algorithm>

namespace emulator {

namespace {

constexpr KnownFile kKnownFiles[] = {
    // GSM 11.11 10.1.1: EF_ICCID, readable always, never updated.
    {fid::kMf, fid::kIccid, "EF_ICCID", true, false, Access::Always, Access::Never, Access::Never,
     Access::Adm, Access::Adm},
    // GSM 11.11 10.5.1: EF_ADN; invalidate and rehabilitate need CHV2.
    {fid::kDfTelecom, fid::kAdn, "EF_ADN", false, false, Access::Chv1, Access::Chv1, Access::Never,
     Access::Chv2, Access::Chv2},
    // GSM 11.11 10.5.3: EF_SMS.
    {fid::kDfTelecom, fid::kSms, "EF_SMS", false, false, Access::Chv1, Access::Chv1, Access::Never,
     Access::Adm, Access::Adm},
    // GSM 11.11 10.5.6: EF_SMSP.
    {fid::kDfTelecom, fid::kSmsp, "EF_SMSP", false, false, Access::Chv1, Access::Chv1,
     Access::Never, Access::Adm, Access::Adm},
    // 3GPP2 C.S0023 3.4.27: the R-UIM's EF_SMS, 255-byte records.
    {fid::kDfCdma, fid::kSms, "EF_SMS (R-UIM)", false, true, Access::Chv1, Access::Chv1,
     Access::Never, Access::Adm, Access::Adm},
};

}  // namespace

SecretCode SecretCode::Make(std::string_view text, int maxAttempts) {
    SecretCode code;
    code.initialised = true;
    const std::size_t length = std::min(text.size(), code.block.size());
    std::copy_n(text.begin(), length, code.block.begin());
    code.attemptsLeft = maxAttempts;
    code.maxAttempts = maxAttempts;
    return code;
}

bool SecretCode::Matches(std::span<const std::uint8_t> presented) const {
    return presented.size() == block.size() &&
           std::equal(block.begin(), block.end(), presented.begin());
}

std::uint8_t SecretCode::StatusByte() const {
    if (!initialised) {
        return 0x00;
    }
    return static_cast<std::uint8_t>(0x80 | (attemptsLeft & 0x0F));
}

std::span<const KnownFile> KnownFiles() {
    return kKnownFiles;
}

const KnownFile* FindKnownFile(std::uint16_t parent, std::uint16_t id) {
    for (const KnownFile& file : kKnownFiles) {
        if (file.parent == parent && file.id == id) {
            return &file;
        }
    }
    return nullptr;
}

RecordFile RecordFile::Blank(std::uint16_t parent, std::uint16_t id, std::size_t recordCount,
                             std::size_t recordLength) {
    RecordFile file;
    file.parent = parent;
    file.id = id;
    file.recordLength = recordLength;
    file.records.assign(recordCount, std::vector<std::uint8_t>(recordLength, 0xFF));
    return file;
}

RecordFile* CardContent::File(std::uint16_t parent, std::uint16_t id) {
    for (RecordFile& file : files) {
        if (file.parent == parent && file.id == id) {
            return &file;
        }
    }
    return nullptr;
}

const RecordFile* CardContent::File(std::uint16_t parent, std::uint16_t id) const {
    return const_cast<CardContent*>(this)->File(parent, id);
}

CardContent CardContent::Blank(CardType type) {
    CardContent content;
    content.type = type;
    content.atr = DefaultAtr();
    content.iccid = "89860000000000000000";
    content.chv1 = SecretCode::Make("1234", SecretCode::kChvAttempts);
    content.unblockChv1 = SecretCode::Make("12345678", SecretCode::kUnblockAttempts);
    content.files.push_back(RecordFile::Blank(fid::kDfTelecom, fid::kAdn, 250, 28));
    content.files.push_back(RecordFile::Blank(fid::kDfTelecom, fid::kSms, 20, 176));
    content.files.push_back(RecordFile::Blank(fid::kDfTelecom, fid::kSmsp, 1, 40));
    if (type == CardType::Cdma) {
        content.files.push_back(RecordFile::Blank(fid::kDfCdma, fid::kSms, 10, 255));
    }
    return content;
}

std::vector<std::uint8_t> DefaultAtr() {
    std::vector<std::uint8_t> atr = {0x3B,  // TS: direct convention
                                     0x9A,  // T0: TD1 and TA1 follow, 10 historical bytes
                                     0x95,  // TA1: Fi 512, Di 16
                                     0x80,  // TD1: TD2 follows, protocol T=0
                                     0x1F,  // TD2: TA3 follows, T=15 (global interface bytes)
                                     0xC3,  // TA3: clock stop supported, classes A and B
                                     // Historical bytes (ISO/IEC 7816-4 8.1.1): compact-TLV, card
                                     // service data, card capabilities, status indicator.
                                     0x80, 0x31, 0xC0, 0x73, 0xBE, 0x21, 0x00, 0x82, 0x90, 0x00};
    std::uint8_t check = 0;
    // TCK: exclusive-or of T0 up to the last historical byte (mandatory when T=15 appears).
    for (std::size_t i = 1; i < atr.size(); ++i) {
        check ^= atr[i];
    }
    atr.push_back(check);
    return atr;
}

std::vector<std::uint8_t> IccidBody(std::string_view digits) {
    std::vector<std::uint8_t> body(10, 0xFF);
    for (std::size_t i = 0; i < digits.size() && i < 20; ++i) {
        const std::uint8_t digit = static_cast<std::uint8_t>(digits[i] - '0') & 0x0F;
        std::uint8_t& byte = body[i / 2];
        byte = (i % 2 == 0) ? static_cast<std::uint8_t>((byte & 0xF0) | digit)
                            : static_cast<std::uint8_t>((byte & 0x0F) | (digit << 4));
    }
    return body;
}

}  // namespace emulator
