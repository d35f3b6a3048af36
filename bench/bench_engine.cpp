// SPDX-License-Identifier: MIT
// Raw engine throughput on the 1,000,000-record log: records read, fields decoded, memos read per second.

#include "BenchTable.h"
#include "DB.h"
#include "DbfPlatform.h"
#include "TDbf.h"
#include "TDbfFile.h"
#include "TDbtFile.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

/// The benchmark table opened read-only, its field definitions read.
struct OpenTable {
    OpenTable() : file(nullptr, BenchTable(), fmReadOnlyShared), record(static_cast<std::size_t>(file.RecordSize))
    {
        file.ReadFieldDefs(defs);
    }
    TDbfFile file;
    TFieldDefs defs{"Dbf1"};
    std::vector<std::uint8_t> record;
};

void reportRates(benchmark::State& state, std::int64_t records, std::int64_t fields)
{
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    if (fields > 0)
        state.counters["fields/s"] = benchmark::Counter(static_cast<double>(fields), benchmark::Counter::kIsRate);
}

// (i) ReadRecord of every record, front to back.
void BM_ReadRecord(benchmark::State& state)
{
    OpenTable t;
    const std::int32_t count = t.file.RecordCount();
    std::int64_t records = 0;
    for (auto _ : state) {
        for (std::int32_t n = 0; n < count; ++n) {
            t.file.ReadRecord(n, t.record.data());
            benchmark::DoNotOptimize(t.record.data());
        }
        records += count;
    }
    state.SetBytesProcessed(records * t.file.RecordSize);
    reportRates(state, records, 0);
}
BENCHMARK(BM_ReadRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

// (ii) ReadRecord and DecodeField of every field by its kind, into native value buffers.
void BM_ReadRecordDecodeFields(benchmark::State& state)
{
    OpenTable t;
    const std::int32_t count = t.file.RecordCount();
    const int fieldCount = t.defs.Count();
    std::vector<TFieldType> kinds;
    std::size_t widest = 0;
    for (int i = 0; i < fieldCount; ++i) {
        kinds.push_back(t.defs[i].DataType);
        widest = std::max(widest, static_cast<std::size_t>(t.file.FieldInfos()[static_cast<std::size_t>(i)].FieldSize));
    }
    std::vector<char> text(widest + 1);
    alignas(8) std::uint8_t native[8];

    std::int64_t records = 0;
    for (auto _ : state) {
        for (std::int32_t n = 0; n < count; ++n) {
            t.file.ReadRecord(n, t.record.data());
            for (int i = 0; i < fieldCount; ++i) {
                void* value = kinds[static_cast<std::size_t>(i)] == TFieldType::ftString ? static_cast<void*>(text.data())
                                                                                        : static_cast<void*>(native);
                t.file.DecodeField(i, kinds[static_cast<std::size_t>(i)], t.record.data(), value);
                benchmark::DoNotOptimize(value);
            }
        }
        records += count;
    }
    reportRates(state, records, records * fieldCount);
}
BENCHMARK(BM_ReadRecordDecodeFields)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every memo of the table (one record in 100 has one): block number decoded, memo read.
void BM_ReadMemos(benchmark::State& state)
{
    OpenTable t;
    TDbtFile memo(nullptr, TDbf::MemoFileNameFor(BenchTable()), fmReadOnlyShared, t.file.DbfLevel);
    const std::int32_t count = t.file.RecordCount();
    int memoField = -1;
    for (int i = 0; i < t.defs.Count(); ++i)
        if (t.defs[i].DataType == TFieldType::ftMemo) memoField = i;
    if (memoField < 0) {
        state.SkipWithError("the benchmark table has no memo field");
        return;
    }
    std::vector<char> text(static_cast<std::size_t>(t.file.FieldInfos()[static_cast<std::size_t>(memoField)].FieldSize) + 1);

    std::int64_t memos = 0, bytes = 0;
    for (auto _ : state) {
        for (std::int32_t n = 0; n < count; ++n) {
            t.file.ReadRecord(n, t.record.data());
            t.file.DecodeField(memoField, TFieldType::ftString, t.record.data(), text.data());
            const std::int32_t block = std::atoi(text.data());
            if (block <= 0) continue;
            TMemoryStream stream;
            memo.ReadMemo(block, stream);
            bytes += stream.Size();
            ++memos;
        }
    }
    state.SetBytesProcessed(bytes);
    state.counters["memos/s"] = benchmark::Counter(static_cast<double>(memos), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadMemos)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
