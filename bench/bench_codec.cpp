// The codec's hot paths side by side with libosmocore's: 7-bit packing of a 160-character
// text (text to packed octets), unpacking (packed octets to text) and decoding a whole
// SMS-DELIVER record. libosmocore has no TPDU decoder of its own; its side is assembled from
// the helpers it offers (TS 24.008 BCD numbers, the TS 23.038 DCS, 7-bit unpacking with a
// header), doing the same work as ours: addresses, coding, time stamp bytes and text.
// After the runs a table gives our throughput and the ratio (libosmocore's time over ours:
// above 1 means ours is faster).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

extern "C" {
// gsm0411_utils.h uses the alphabet enumeration of this one without including it.
#include <osmocom/gsm/protocol/gsm_04_11.h>

#include <osmocom/gsm/gsm0411_utils.h>
#include <osmocom/gsm/gsm48_ie.h>
#include <osmocom/gsm/gsm_utils.h>
}

#include "internal/GsmAlphabet.h"
#include "internal/GsmSeptets.h"
#include "records/CMyTools.h"

namespace {

// 160 characters of ASCII text, the longest single 7-bit message.
const std::string kText =
    "Bonjour Alice! Le train de 18h12 est annule, je prends celui de 18h47. On se retrouve a "
    "la gare du Nord, sortie 3, vers 19h30. Prends un parapluie. Bises, Hugo.";

std::vector<std::uint8_t> FromHex(const char* hex) {
    std::vector<std::uint8_t> bytes;
    for (const char* p = hex; p[0] != '\0' && p[1] != '\0'; p += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    }
    return bytes;
}

// The demo card's full 160-septet SMS-DELIVER, after the record's status byte.
std::vector<std::uint8_t> DeliverRecord() {
    std::vector<std::uint8_t> record = FromHex(
        "0891683108100005F0040B913316325476F8000042607071852080A0C2B75BFDAECB4141767A5C0E81986510"
        "5D1E4EBB41E432288643C764A0F29C0E0ABBDD757681055297417079D94D9E83C665763D0D229741311C9A76"
        "73819E6ED0BC0C9297E9F277DD5E06FD41EC30E81C969741E43AC8F9969359A0F95B4E4F97413316C85E96CF"
        "41B11C7A067381A0F2B29B3C07D5DD2078581E86B3EBE9B20B244CCFCB731608593FBF5D");
    record.resize(CMyTools::kGsmRecordSize - 1, 0xFF);
    return record;
}

std::vector<std::uint8_t> PackedText() {
    std::vector<std::uint8_t> packed(140);
    int octets = 0;
    gsm_7bit_encode_n(packed.data(), packed.size(), kText.c_str(), &octets);
    packed.resize(static_cast<std::size_t>(octets));
    return packed;
}

void Pack7Ours(benchmark::State& state) {
    std::uint8_t septets[160];
    std::uint8_t packed[140];
    for (auto _ : state) {
        const std::size_t count =
            records::gsm::Utf8ToSeptets(kText.data(), kText.size(), septets, sizeof septets);
        benchmark::DoNotOptimize(records::gsm::PackSeptets(septets, count, 0, packed));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kText.size()));
}

void Pack7Libosmocore(benchmark::State& state) {
    std::uint8_t packed[140];
    for (auto _ : state) {
        int octets = 0;
        benchmark::DoNotOptimize(gsm_7bit_encode_n(packed, sizeof packed, kText.c_str(), &octets));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kText.size()));
}

void Unpack7Ours(benchmark::State& state) {
    const std::vector<std::uint8_t> packed = PackedText();
    std::uint8_t septets[160];
    char text[2 * 160 + 1];
    for (auto _ : state) {
        const std::size_t count =
            records::gsm::UnpackSeptets(packed.data(), packed.size(), 0, 160, septets);
        benchmark::DoNotOptimize(records::gsm::SeptetsToUtf8(septets, count, text, sizeof text));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kText.size()));
}

void Unpack7Libosmocore(benchmark::State& state) {
    const std::vector<std::uint8_t> packed = PackedText();
    char text[2 * 160 + 1];
    for (auto _ : state) {
        benchmark::DoNotOptimize(gsm_7bit_decode_n(text, sizeof text, packed.data(), 160));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kText.size()));
}

void DecodePduOurs(benchmark::State& state) {
    const std::vector<std::uint8_t> record = DeliverRecord();
    const auto* pdu = reinterpret_cast<const char*>(record.data());
    for (auto _ : state) {
        SM_PARAM message{};
        benchmark::DoNotOptimize(CMyTools::gsmDecodePdu(pdu, &message, 1));
        benchmark::DoNotOptimize(message);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}

// An SMS-DELIVER read with libosmocore's helpers into the same fields.
struct OsmoMessage {
    char serviceCentre[32];
    char party[32];
    std::uint8_t dcs;
    std::uint8_t scts[7];
    char text[2 * 160 + 1];
};

int OsmoDecodeDeliver(const std::uint8_t* pdu, OsmoMessage& m) {
    std::size_t p = 0;
    const std::uint8_t scaLength = pdu[p];
    gsm48_decode_bcd_number2(m.serviceCentre, sizeof m.serviceCentre, pdu, 1u + scaLength, 1);
    p += 1u + scaLength;
    const std::uint8_t first = pdu[p++];
    // The TP address's length counts digits; libosmocore's reader wants octets.
    const std::size_t octets = (pdu[p] + 1u) / 2;
    std::uint8_t lv[12];
    lv[0] = static_cast<std::uint8_t>(1 + octets);
    std::memcpy(lv + 1, pdu + p + 1, 1 + octets);
    gsm48_decode_bcd_number2(m.party, sizeof m.party, lv, 2 + octets, 1);
    p += 2 + octets;
    ++p;  // TP-PID
    m.dcs = pdu[p++];
    const enum sms_alphabet alphabet = gsm338_get_sms_alphabet(m.dcs);
    std::memcpy(m.scts, pdu + p, 7);
    p += 7;
    const std::uint8_t length = pdu[p++];
    if (alphabet != DCS_7BIT_DEFAULT) {
        return 0;
    }
    return gsm_7bit_decode_n_hdr(m.text, sizeof m.text, pdu + p, length, first & 0x40);
}

void DecodePduLibosmocore(benchmark::State& state) {
    const std::vector<std::uint8_t> record = DeliverRecord();
    for (auto _ : state) {
        OsmoMessage message{};
        benchmark::DoNotOptimize(OsmoDecodeDeliver(record.data(), message));
        benchmark::DoNotOptimize(message);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record.size()));
}

// The console report, keeping each run's time and throughput for the table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, as the library's own console report does by default.
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            Result& result = results_[run.benchmark_name()];
            result.seconds =
                run.GetAdjustedCPUTime() * benchmark::GetTimeUnitMultiplier(run.time_unit);
            const auto rate = run.counters.find("bytes_per_second");
            result.bytesPerSecond = rate == run.counters.end() ? 0 : rate->second.value;
        }
    }

    void PrintRatios() const {
        std::printf("\n%-12s %16s %22s %8s\n", "", "ours (MB/s)", "libosmocore (MB/s)", "ratio");
        for (const char* name : {"Pack7", "Unpack7", "DecodePdu"}) {
            const auto ours = results_.find(std::string(name) + "/ours");
            const auto theirs = results_.find(std::string(name) + "/libosmocore");
            if (ours == results_.end() || theirs == results_.end() || ours->second.seconds <= 0) {
                continue;
            }
            std::printf("%-12s %16.1f %22.1f %8.2f\n", name, ours->second.bytesPerSecond / 1e6,
                        theirs->second.bytesPerSecond / 1e6,
                        theirs->second.seconds / ours->second.seconds);
        }
    }

private:
    struct Result {
        double seconds = 0;
        double bytesPerSecond = 0;
    };
    std::map<std::string, Result> results_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Pack7/ours", Pack7Ours);
    benchmark::RegisterBenchmark("Pack7/libosmocore", Pack7Libosmocore);
    benchmark::RegisterBenchmark("Unpack7/ours", Unpack7Ours);
    benchmark::RegisterBenchmark("Unpack7/libosmocore", Unpack7Libosmocore);
    benchmark::RegisterBenchmark("DecodePdu/ours", DecodePduOurs);
    benchmark::RegisterBenchmark("DecodePdu/libosmocore", DecodePduLibosmocore);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
