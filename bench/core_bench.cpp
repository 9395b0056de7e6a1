// Reading, sorted writing and the ruvotel round trip on generated phone books
// of 1,000, 100,000 and 1,000,000 entries.

#include "BenchBooks.h"
#include "CoreLoops.h"
#include "PhoneBookGenerator.h"
#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

using ruvo::Files;

void SetCounters(benchmark::State& state, const std::string& book) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(book)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Read(benchmark::State& state) {
    const std::string& book = Files().Book(static_cast<std::size_t>(state.range(0)));
    ruvo::TimeReading(state, book, false);
    SetCounters(state, book);
}

// Sorting happens inside the writer.
void BM_WriteSorted(benchmark::State& state) {
    const std::string& book = Files().Book(static_cast<std::size_t>(state.range(0)));
    ruvo::TimeSortedWriting(state, book, Files().Output(), false);
    SetCounters(state, book);
}

// The whole `ruvotel sort FILE -o OUT` process, start to exit.
void BM_RuvotelSortRoundTrip(benchmark::State& state) {
    const std::string& book = Files().Book(static_cast<std::size_t>(state.range(0)));
    const std::string output = Files().Output();
    ruvo::TimeProcess(state, RUVOTEL_EXE, {"sort", book, "-o", output});
    SetCounters(state, book);
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Read)->Apply(Sizes);
BENCHMARK(BM_WriteSorted)->Apply(Sizes);
BENCHMARK(BM_RuvotelSortRoundTrip)->Apply(Sizes)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
