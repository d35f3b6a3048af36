// SPDX-License-Identifier: MIT
// The export's sequential read through the dataset framework on the 1,000,000-record log.

#include "BenchTable.h"
#include "TDbf.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

namespace {

// The thirteen fields the export reads, looked up by name for every record as it does.
constexpr std::array<const char*, 13> kExportFields = {"Date", "Time", "call", "freq", "mode", "sent", "rcvd",
                                                       "state", "iota", "qsl", "qmgr", "name", "note"};

void reportRates(benchmark::State& state, std::int64_t records)
{
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

// (a) First, then until Eof: thirteen lookups by name, the text of each, Next.
void BM_DatasetExportRead(benchmark::State& state)
{
    TDbf dbf;
    dbf.SetFileName(BenchTable());
    dbf.SetReadOnly(true);
    dbf.Open();
    std::int64_t records = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        dbf.First();
        while (!dbf.Eof()) {
            for (const char* name : kExportFields) {
                std::string text = dbf.FieldByName(name).AsString();
                bytes += static_cast<std::int64_t>(text.size());
                benchmark::DoNotOptimize(text.data());
            }
            dbf.Next();
            ++records;
        }
    }
    state.SetBytesProcessed(bytes);
    reportRates(state, records);
    dbf.Close();
}
BENCHMARK(BM_DatasetExportRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// (b) The same pass reading nothing: the cost of navigation alone.
void BM_DatasetNavigate(benchmark::State& state)
{
    TDbf dbf;
    dbf.SetFileName(BenchTable());
    dbf.SetReadOnly(true);
    dbf.Open();
    std::int64_t records = 0;
    for (auto _ : state) {
        dbf.First();
        while (!dbf.Eof()) {
            dbf.Next();
            ++records;
        }
    }
    reportRates(state, records);
    dbf.Close();
}
BENCHMARK(BM_DatasetNavigate)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
