#include "records/MessageRow.h"

#include <cstdio>
#include <cstring>

namespace records {

int StatusTextId(std::uint8_t status) {
    switch (status & 0x07) {
        case kStatusReceivedRead:
            return kTextRead;
        case kStatusReceivedUnread:
            return kTextUnread;
        case kStatusSent:
            return kTextSent;
        case kStatusToBeSent:
            return kTextUnsent;
    }
    return 0;
}

std::string PartyText(const SM_PARAM& message) {
    const std::string digits(message.partyDigits,
                             strnlen(message.partyDigits, sizeof message.partyDigits));
    return message.partyType == 0x91 ? "+" + digits : digits;
}

std::string TimeText(const SM_PARAM& message, bool cdma) {
    unsigned char stamp[7];
    for (int i = 0; i < 7; ++i) {
        const unsigned char octet = message.scts[i];
        stamp[i] = cdma ? octet : static_cast<unsigned char>(octet << 4 | octet >> 4);
    }
    char text[32];
    std::snprintf(text, sizeof text, "20%02x-%02x-%02x %02x:%02x:%02x", stamp[0], stamp[1],
                  stamp[2], stamp[3], stamp[4], stamp[5]);
    return text;
}

std::optional<MessageRow> DecodeMessageRecord(const MessageRecord& record, bool cdma) {
    const std::uint8_t status = record.bytes[0];
    if (!IsMessage(status)) {
        return std::nullopt;
    }
    const bool outgoing = IsOutgoing(status);
    SM_PARAM message;
    std::memset(&message, 0, sizeof message);
    const char* pdu = reinterpret_cast<const char*>(record.bytes + 1);
    if (cdma) {
        CMyTools::cdmaDecodePdu(pdu, &message, outgoing ? 0 : 1);
    } else {
        CMyTools::gsmDecodePdu(pdu, &message, outgoing ? 0 : 1);
    }
    MessageRow row;
    row.statusTextId = StatusTextId(status);
    row.party = PartyText(message);
    if (!outgoing) {
        row.time = TimeText(message, cdma);
    }
    row.text = std::string(message.text, strnlen(message.text, sizeof message.text));
    return row;
}

}  // namespace records
