// CCSVLineParser over the largest record files the loader takes (1300 fields): a phonebook
// file of 432 entries and a message file of 258 messages, parsed and every value read as
// the loader reads them. Target: under 1 ms a file.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "records/CCSVLineParser.h"
#include "records/CsvWriter.h"

namespace {

std::string PhonebookFile(int rows) {
    std::string file = records::CsvHeaderLine(std::vector<std::string>{"序号", "姓名", "电话号码"});
    for (int r = 1; r <= rows; ++r) {
        const std::string name =
            r % 2 ? "王小明" + std::to_string(r) : "Anna Berg " + std::to_string(r);
        file += records::CsvDataLine(
            std::vector<std::string>{std::to_string(r), name, "+861380013" + std::to_string(r)});
    }
    return file;
}

std::string MessageFile(int rows) {
    std::string file =
        records::CsvHeaderLine(std::vector<std::string>{"序号", "状态", "From/To", "时间", "内容"});
    const std::string text(150, 'm');
    for (int r = 1; r <= rows; ++r) {
        file += records::CsvDataLine(std::vector<std::string>{
            std::to_string(r), "已读", "+8613800138000", "08/02/26 02:42:55", text + "短信"});
    }
    return file;
}

void Parse(benchmark::State& state, const std::string& file) {
    const CCSVLineParser probe(file);
    if (probe.GetCount() > 1300 || probe.GetCount() < 1290) {
        state.SkipWithError("the file does not have about 1300 fields");
        return;
    }
    for (auto _ : state) {
        const CCSVLineParser parser(file);
        std::size_t bytes = 0;
        for (int i = 0; i < parser.GetCount(); ++i) {
            bytes += parser.GetField(i).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["fields"] = probe.GetCount();
    state.counters["file_bytes"] = static_cast<double>(file.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

// 3 * 432 + 4 = 1300 fields.
void ParsePhonebookFile(benchmark::State& state) {
    Parse(state, PhonebookFile(432));
}

// 5 * 258 + 6 = 1296 fields.
void ParseMessageFile(benchmark::State& state) {
    Parse(state, MessageFile(258));
}

}  // namespace

BENCHMARK(ParsePhonebookFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(ParseMessageFile)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
