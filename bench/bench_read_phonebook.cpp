// Reads the demo card's whole phonebook (250 EF_ADN records of 28 bytes) through CQuillon,
// the Linux carrier's SG_IO path and the virtual reader, and reports the CPU time per
// record. The reader's USB round trips take about a millisecond a record on hardware;
// the software around them should stay a rounding error (target: under 20 us a record).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "emulator/VirtualLinuxHost.h"
#include "emulator/VirtualReader.h"
#include "quillon/Quillon.h"

namespace {

constexpr unsigned char kSimFunction = 2;

void ReadPhonebook(benchmark::State& state) {
    // A copy of the demo card: verifying the PIN writes the card's counters back.
    const std::string image =
        (std::filesystem::temp_directory_path() / "telvane-bench.card").string();
    std::filesystem::copy_file(TELVANE_DEMO_CARD, image,
                               std::filesystem::copy_options::overwrite_existing);
    std::unique_ptr<emulator::VirtualReader> card = emulator::VirtualReader::FromImage(image);
    card->SetLogging(false);
    emulator::VirtualLinuxHost host(*card);
    host.SetRecording(false);

    CQuillon reader;
    char* path = reader.FindDeviceEntry();
    void* device = reader.OpenRX520X(path);
    std::free(path);
    unsigned char status = 0;
    char pin[] = "1234";
    unsigned char length = 0;
    unsigned char response[64] = {};
    if (!device || !reader.VerifyCHV(device, kSimFunction, 1, pin, 4, status) ||
        !reader.SelectFile(device, 0x3F00, length, kSimFunction) ||
        !reader.SelectFile(device, 0x7F10, length, kSimFunction) ||
        !reader.SelectFile(device, 0x6F3A, length, kSimFunction) ||
        !reader.GetResponse(device, length, response, kSimFunction)) {
        state.SkipWithError("the virtual reader's demo card cannot be opened");
        return;
    }
    // GSM 11.11 9.2.1: bytes 3-4 the file size, byte 15 the record length.
    const unsigned recordLength = response[14];
    const unsigned records = (response[2] << 8 | response[3]) / recordLength;

    std::int64_t read = 0;
    for (auto _ : state) {
        for (unsigned number = 1; number <= records; ++number) {
            unsigned char record[260];
            if (!reader.ReadRecord(device, static_cast<unsigned char>(recordLength),
                                   static_cast<unsigned char>(number), kSimFunction, record, 0)) {
                state.SkipWithError("a record could not be read");
                break;
            }
            benchmark::DoNotOptimize(record);
        }
        read += records;
    }
    state.counters["records"] = records;
    state.counters["cpu_per_record"] = benchmark::Counter(
        static_cast<double>(read), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    CloseRX520X(device);
    std::filesystem::remove(image);
}

BENCHMARK(ReadPhonebook)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
