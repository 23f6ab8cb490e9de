# The codec library's parsers of card bytes: the GSM and CDMA message records and the
# alpha identifier forms of an EF_ADN record.
telvane_fuzz_target(pdu_gsm_decode pdu_gsm_decode.cpp telvane_records)
telvane_fuzz_target(pdu_cdma_decode pdu_cdma_decode.cpp telvane_records)
telvane_fuzz_target(gb_alpha gb_alpha.cpp telvane_records)
