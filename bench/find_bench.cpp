// One step of the find box on a large book: the worst case is a query that
// matches nothing, which reads every entry once.
#include "PhoneBookGenerator.h"
#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/find/EntryFinder.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<ruvo::PhoneBookTable> Book(std::size_t entries, bool sorted) {
    ruvo::PhoneBookGenerator generator;
    std::string bytes;
    for (const std::string& line : generator.HeaderLines(entries))
        bytes += line + "\r\n";
    for (std::size_t i = 0; i < entries; ++i)
        bytes += generator.NextEntryLine() + "\r\n";
    auto table = std::make_unique<ruvo::PhoneBookTable>();
    ruvo::HeaderLines headers;
    ruvo::ReadPhoneBookData(bytes, headers, *table);
    if (sorted)
        table->SelectOrder("iKey");
    return table;
}

void Step(benchmark::State& state, const char* query, bool sorted) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const auto table = Book(entries, sorted);
    const ruvo::FindPattern pattern(query);
    std::size_t from = 0;
    for (auto _ : state) {
        const auto found = ruvo::FindRow(*table, pattern, from, true);
        benchmark::DoNotOptimize(found);
        from = found ? (found->row + 1) % entries : 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_FindNothing(benchmark::State& state) {
    Step(state, "ぬぬぬぬ", false);
}
void BM_FindNothingSorted(benchmark::State& state) {
    Step(state, "ぬぬぬぬ", true);
}
void BM_FindNumberNothing(benchmark::State& state) {
    Step(state, "099-9999-99999", false);
}
void BM_FindNextCommonReading(benchmark::State& state) {
    Step(state, "やま", false);
}

} // namespace

BENCHMARK(BM_FindNothing)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothingSorted)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNumberNothing)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNextCommonReading)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
