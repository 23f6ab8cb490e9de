// What the message list shows of a message record: its status text, the other party, the
// service-centre time of a received message, and the text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "records/CMyTools.h"
#include "records/MessageStore.h"

namespace records {

// The language pack's string numbers of the status texts.
inline constexpr int kTextRead = 8035;
inline constexpr int kTextUnread = 8036;
inline constexpr int kTextSent = 8037;
inline constexpr int kTextUnsent = 8038;

// The status text's string number for a status byte (its low three bits): 8035 read,
// 8036 unread, 8037 sent, 8038 to be sent; 0 for a free record.
int StatusTextId(std::uint8_t status);

// The other party's digits, with '+' in front when the type of number is international.
std::string PartyText(const SM_PARAM& message);

// The service-centre time stamp as "20yy-mm-dd hh:mm:ss". A GSM stamp is stored with its
// semi-octets swapped (TS 23.040 9.2.3.11); a CDMA stamp is plain BCD. The time zone is
// not shown.
std::string TimeText(const SM_PARAM& message, bool cdma);

struct MessageRow {
    int statusTextId = 0;
    std::string party;
    std::string time;  // empty for sent and unsent messages
    std::string text;
};

// The row of a message record, or nothing for a free record. A record whose message is
// damaged still gives the fields read before the damage.
std::optional<MessageRow> DecodeMessageRecord(const MessageRecord& record, bool cdma);

}  // namespace records
