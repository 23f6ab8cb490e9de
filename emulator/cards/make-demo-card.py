#!/usr/bin/env python3
"""Writes the virtual reader's demo cards, demo.card (GSM) and demo-cdma.card (CDMA R-UIM),
next to this script. Deterministic: running it again gives the same files.

Record layouts: EF_ADN 3GPP TS 51.011 10.5.1 (alpha identifiers in the GSM default
alphabet of TS 23.038 or UCS2 per TS 51.011 Annex B), EF_SMS 10.5.3 with TPDUs of
TS 23.040, EF_SMSP 10.5.6, EF_ICCID 10.1.1; the R-UIM's EF_SMS 3GPP2 C.S0023 3.4.27 holding
SMS transport layer messages of C.S0015.

The output is the canonical text the emulator writes itself when it saves a card
(CardImage::Format), so saving an unchanged demo card gives the same file.
"""

import os

HERE = os.path.dirname(os.path.abspath(__file__))

# TS 23.038 6.2.1: the default alphabet, by septet value; ESC (0x1B) opens the extension
# table.
GSM_DEFAULT = (
    "@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ\x1bÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    "¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà"
)
GSM_EXTENSION = {"^": 0x14, "{": 0x28, "}": 0x29, "\\": 0x2F, "[": 0x3C, "~": 0x3D,
                 "]": 0x3E, "|": 0x40, "€": 0x65}


def septets(text):
    out = []
    for ch in text:
        if ch in GSM_EXTENSION:
            out += [0x1B, GSM_EXTENSION[ch]]
        else:
            index = GSM_DEFAULT.index(ch)  # raises for a character the alphabet lacks
            out.append(index)
    return out


def pack7(values):
    """TS 23.038 6.1.2.1.1: septets packed into octets, least significant bit first."""
    out, acc, bits = [], 0, 0
    for v in values:
        acc |= v << bits
        bits += 7
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    return out


def ucs2(text):
    return list(text.encode("utf-16-be"))


def bcd(digits):
    """Semi-octets, low nibble first, 0xF filler (TS 24.008 10.5.4.7 / TS 23.040 9.1.2.3)."""
    nibbles = [int(d) for d in digits]
    if len(nibbles) % 2:
        nibbles.append(0xF)
    return [nibbles[i] | nibbles[i + 1] << 4 for i in range(0, len(nibbles), 2)]


def ton_npi(number):
    # TS 24.008 10.5.4.7: 0x91 international, 0x81 unknown/national, ISDN numbering plan.
    return (0x91, number[1:]) if number.startswith("+") else (0x81, number)


def pad(data, length, fill=0xFF):
    assert len(data) <= length, (len(data), length)
    return list(data) + [fill] * (length - len(data))


# ---------------------------------------------------------------------------------------
# EF_ADN

ALPHA_LENGTH = 14  # X: record length 28 = X + 14


def alpha(name):
    """TS 51.011 10.5.1 and Annex B: default alphabet if it can, else UCS2 with 0x80."""
    try:
        data = septets(name)
    except ValueError:
        data = [0x80] + ucs2(name)
    return pad(data, ALPHA_LENGTH)


def adn_record(name, number):
    toa, digits = ton_npi(number)
    number_bytes = bcd(digits)
    assert len(number_bytes) <= 10
    return (alpha(name) + [len(number_bytes) + 1, toa] + pad(number_bytes, 10)
            + [0xFF, 0xFF])  # capability/configuration, extension1: none


PHONEBOOK = [
    ("Alice Martin", "+14155550123"),
    ("Bob Chen", "13912345678"),
    ("Carlos Diaz", "+34612345678"),
    ("Dana Whitfield", "+442071838750"),
    ("Emma Schmidt", "+4915123456789"),
    ("Frank Li", "13800138000"),
    ("Grace Kim", "+821012345678"),
    ("Hugo Laurent", "+33612345678"),
    ("José Ramos", "+5511987654321"),
    ("Jürgen Müller", "+4930123456"),
    ("Office", "01062345678"),
    ("Taxi", "96106"),
    ("Help Desk", "95588"),
    ("Emergency", "112"),
    ("Voicemail", "1861"),
    ("张伟", "13612345678"),
    ("王芳", "+8613712345678"),
    ("李娜", "15912345678"),
    ("刘洋", "18612345678"),
    ("陈静", "02161234567"),
    ("杨磊", "+85291234567"),
    ("赵敏", "13512345678"),
    ("黄晓明", "18912345678"),
    ("周杰", "13312345678"),
    ("吴磊", "+8615012345678"),
    ("徐丽", "17712345678"),
    ("孙悦", "13012345678"),
    ("妈妈", "13900001111"),
    ("爸爸", "13900002222"),
    ("中国移动客服", "10086"),
]
# Where the entries sit: the first 27 records, then two in the middle and the last record,
# so a reader has to go through the whole file.
ADN_PLACES = list(range(1, 28)) + [100, 101, 250]

# ---------------------------------------------------------------------------------------
# EF_SMS

SMSC = "+8613800100500"
SMS_LENGTH = 176


def rp_address(number):
    """TS 24.011 8.2.5.1: octet count (TON/NPI included), TON/NPI, BCD."""
    toa, digits = ton_npi(number)
    body = [toa] + bcd(digits)
    return [len(body)] + body


def tp_address(number):
    """TS 23.040 9.1.2.5: digit count, TON/NPI, BCD."""
    toa, digits = ton_npi(number)
    return [len(digits), toa] + bcd(digits)


def semi_octet(value):
    return (value % 10) << 4 | value // 10


def timestamp(year, month, day, hour, minute, second, zone_quarters):
    """TS 23.040 9.2.3.11: semi-octets, time zone in quarter hours, sign in bit 3."""
    zone = semi_octet(abs(zone_quarters)) | (0x08 if zone_quarters < 0 else 0)
    return [semi_octet(v) for v in (year % 100, month, day, hour, minute, second)] + [zone]


def user_data(text):
    """(DCS, UDL, UD): default alphabet packed (UDL in septets) or UCS2 (UDL in octets)."""
    try:
        values = septets(text)
        assert len(values) <= 160
        return 0x00, len(values), pack7(values)
    except ValueError:
        data = ucs2(text)
        assert len(data) <= 140
        return 0x08, len(data), data


def sms_deliver(sender, when, text):
    dcs, udl, ud = user_data(text)
    # TS 23.040 9.2.2.1: TP-MTI 00, TP-MMS set (no more messages).
    return [0x04] + tp_address(sender) + [0x00, dcs] + timestamp(*when) + [udl] + ud


def sms_submit(reference, recipient, text):
    dcs, udl, ud = user_data(text)
    # TS 23.040 9.2.2.2: TP-MTI 01, TP-VPF relative; TP-VP 0xA7 = 24 hours.
    return [0x11, reference] + tp_address(recipient) + [0x00, dcs, 0xA7, udl] + ud


def sms_record(status, tpdu):
    return pad([status] + rp_address(SMSC) + tpdu, SMS_LENGTH)


# A full 160-septet message, with default-alphabet accents.
LONG_TEXT = ("Bonjour Alice! Le train de 18h12 est annulé, je prends celui de 18h47. "
             "On se retrouve à la gare du Nord, sortie 3, vers 19h30. Prends un parapluie. "
             "Bises, Hugo.")
assert len(LONG_TEXT) == 160, len(LONG_TEXT)

MESSAGES = [
    # status 01 received and read, 03 received and unread, 05 sent, 07 to be sent
    (0x01, sms_deliver("+8613912345678", (2024, 3, 15, 18, 42, 7, 32),
                       "Hi Alice, are we still meeting at 7pm tonight?")),
    (0x03, sms_deliver("10086", (2024, 4, 1, 9, 0, 0, 32),
                       "尊敬的客户，您本月的话费账单已生成，请登录网上营业厅查询。")),
    (0x01, sms_deliver("+14155550123", (2024, 2, 20, 7, 15, 30, -32),
                       "Flight UA858 departs 11:05 from gate G92. Boarding starts 10:25.")),
    (0x05, sms_submit(0x01, "13612345678", "明天上午十点在公司门口见。")),
    (0x07, sms_submit(0x00, "+442071838750",
                      "Dana, the report is attached. Call me when you land.")),
    (0x03, sms_deliver("+8613712345678", (2024, 5, 20, 0, 1, 12, 32), "生日快乐！祝你天天开心。")),
    (0x01, sms_deliver("95588", (2024, 3, 10, 14, 3, 55, 32),
                       "您尾号1234的账户于03月10日收入人民币5,000.00元。")),
    (0x05, sms_submit(0x02, "+14155550123", "Thanks Alice! See you on Friday @ 6.")),
    (0x01, sms_deliver("+4915123456789", (2024, 1, 31, 23, 59, 59, 4),
                       "Your bill is 25€ [due 05/31], pay at {shop} ~ thanks")),
    (0x03, sms_deliver("+33612345678", (2024, 6, 7, 17, 58, 2, 8), LONG_TEXT)),
    (0x07, sms_submit(0x00, "18612345678", "晚上一起吃饭吗？")),
    (0x05, sms_submit(0x03, "13800138000", "OK")),
]
SMS_RECORDS = 20

# ---------------------------------------------------------------------------------------
# EF_SMSP

SMSP_ALPHA = "China Mobile"  # Y = 12, record length 40


def smsp_record():
    # TS 51.011 10.5.6: parameter indicators, a bit 0 marks a parameter present: here
    # TS-Service Centre Address, TP-PID, TP-DCS and TP-VP, no TP-Destination Address.
    indicators = 0xE1
    return (pad(septets(SMSP_ALPHA), 12) + [indicators] + [0xFF] * 12
            + pad(rp_address(SMSC), 12) + [0x00, 0x00, 0xA7])


# ---------------------------------------------------------------------------------------
# R-UIM EF_SMS (3GPP2 C.S0023 3.4.27, C.S0015 3.4)

class Bits:
    def __init__(self):
        self.bits = []

    def put(self, value, width):
        self.bits += [(value >> (width - 1 - i)) & 1 for i in range(width)]

    def octets(self):
        bits = self.bits + [0] * (-len(self.bits) % 8)
        return [int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8)]


def cdma_address(digits):
    """C.S0015 3.4.3.3: DIGIT_MODE 0 (4-bit DTMF), NUMBER_MODE 0, NUM_FIELDS, CHARi."""
    b = Bits()
    b.put(0, 1)
    b.put(0, 1)
    b.put(len(digits), 8)
    for d in digits:
        b.put(10 if d == "0" else int(d), 4)  # DTMF: 0 is coded 10
    return b.octets()


def cdma_user_data(text):
    """C.S0015 4.5.2: MSG_ENCODING 2 (7-bit ASCII) or 4 (UCS2), NUM_FIELDS, CHARi."""
    b = Bits()
    if all(ord(c) < 0x80 for c in text):
        b.put(2, 5)
        b.put(len(text), 8)
        for c in text:
            b.put(ord(c), 7)
    else:
        units = text.encode("utf-16-be")
        b.put(4, 5)
        b.put(len(units) // 2, 8)
        for u in units:
            b.put(u, 8)
    return b.octets()


def cdma_message(deliver, message_id, party, text, when=None):
    bearer = []
    b = Bits()
    b.put(1 if deliver else 2, 4)  # MESSAGE_TYPE: 1 deliver, 2 submit
    b.put(message_id, 16)
    b.put(0, 1)  # HEADER_IND
    b.put(0, 3)
    identifier = b.octets()
    bearer += [0x00, len(identifier)] + identifier
    data = cdma_user_data(text)
    bearer += [0x01, len(data)] + data
    if when:  # Message Center Time Stamp: YEAR MONTH DAY HOURS MINUTES SECONDS in BCD
        bearer += [0x03, 6] + [(v // 10) << 4 | v % 10 for v in when]
    address = cdma_address(party)
    message = [0x00]  # SMS_MSG_TYPE: point-to-point
    message += [0x00, 2, 0x10, 0x02]  # Teleservice Identifier 4098 (CMT-95)
    message += [0x02 if deliver else 0x04, len(address)] + address
    message += [0x08, len(bearer)] + bearer
    return message


def cdma_record(status, message):
    return pad([status, len(message)] + message, 255)


CDMA_MESSAGES = [
    (0x01, cdma_message(True, 1, "13312345678", "Dinner at 8? Reply Y or N.",
                        (24, 3, 2, 19, 5, 0))),
    (0x03, cdma_message(True, 2, "10000", "您的话费余额为35.60元，请及时充值。",
                        (24, 3, 5, 8, 30, 12))),
    (0x05, cdma_message(False, 3, "13312345678", "Y, see you there")),
    (0x07, cdma_message(False, 4, "18912345678", "明天见")),
]

# ---------------------------------------------------------------------------------------
# The image text, as CardImage::Format writes it.

DEFAULT_ATR = [0x3B, 0x9A, 0x95, 0x80, 0x1F, 0xC3, 0x80, 0x31, 0xC0, 0x73, 0xBE, 0x21, 0x00,
               0x82, 0x90, 0x00]


def with_check_byte(atr):
    check = 0
    for byte in atr[1:]:
        check ^= byte
    return atr + [check]


def hex_text(data):
    return "".join("%02X" % b for b in data)


def ef_section(title, path, records, length, contents):
    lines = ["", "# " + title, "ef %s records=%d length=%d" % (path, records, length)]
    for number in sorted(contents):
        record = list(contents[number])
        assert len(record) == length
        while record and record[-1] == 0xFF:
            record.pop()
        if record:
            lines.append("%d %s" % (number, hex_text(record)))
    return lines


def image(card_type, iccid, sections):
    lines = [
        "# Telvane virtual SIM card image; the format is described in emulator/README.md.",
        "telvane-card 1",
        "type " + card_type,
        "atr " + hex_text(with_check_byte(DEFAULT_ATR)),
        "iccid " + iccid,
        "chv1 1234 enabled=yes attempts=3",
        "unblock-chv1 12345678 attempts=10",
        "chv2 5678 attempts=3",
        "unblock-chv2 87654321 attempts=10",
    ]
    for section in sections:
        lines += section
    return "\n".join(lines) + "\n"


def gsm_card():
    adn = {place: adn_record(*entry) for place, entry in zip(ADN_PLACES, PHONEBOOK)}
    sms = {i + 1: sms_record(status, tpdu) for i, (status, tpdu) in enumerate(MESSAGES)}
    for number in range(len(MESSAGES) + 1, SMS_RECORDS + 1):
        sms[number] = pad([0x00], SMS_LENGTH)  # free: status 00, 0xFF fill
    return image("gsm", "89860012345678901234", [
        ef_section("EF_ADN", "7F10/6F3A", 250, 28, adn),
        ef_section("EF_SMS", "7F10/6F3C", SMS_RECORDS, SMS_LENGTH, sms),
        ef_section("EF_SMSP", "7F10/6F42", 1, 40, {1: smsp_record()}),
    ])


def cdma_card():
    adn = {i + 1: adn_record(*entry) for i, entry in enumerate(PHONEBOOK[:3] + PHONEBOOK[15:18])}
    sms = {number: pad([0x00], SMS_LENGTH) for number in range(1, SMS_RECORDS + 1)}
    ruim = {i + 1: cdma_record(status, message)
            for i, (status, message) in enumerate(CDMA_MESSAGES)}
    for number in range(len(CDMA_MESSAGES) + 1, 11):
        ruim[number] = pad([0x00], 255)
    return image("cdma", "89860398765432109876", [
        ef_section("EF_ADN", "7F10/6F3A", 100, 28, adn),
        ef_section("EF_SMS", "7F10/6F3C", SMS_RECORDS, SMS_LENGTH, sms),
        ef_section("EF_SMSP", "7F10/6F42", 1, 40, {1: smsp_record()}),
        ef_section("EF_SMS (R-UIM)", "7F25/6F3C", 10, 255, ruim),
    ])


def main():
    for name, text in (("demo.card", gsm_card()), ("demo-cdma.card", cdma_card())):
        with open(os.path.join(HERE, name), "w", encoding="ascii", newline="\n") as out:
            out.write(text)


if __name__ == "__main__":
    main()
