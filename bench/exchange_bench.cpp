// Contact exchange on generated phone books: export in each format (the core
// on a loaded table, and the whole `ruvotel export` process), and import of
// vCard 3.0 contacts (reading and mapping into a table, with and without
// readings to guess), the book check with the dictionary, and reading CSV
// contacts as Google's and the book's own CSV export writes them.

#include "BenchBooks.h"
#include "CoreLoops.h"
#include "core/book/BookCheck.h"
#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/ContactExport.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContactReader.h"
#include "core/reading/ReadingGuess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

namespace {

using ruvo::Files;
using ruvo::exchange::ExportFormat;

// A loaded table per size, kept for the whole run.
ruvo::PhoneBookTable& Loaded(std::size_t entries) {
    static std::map<std::size_t, std::unique_ptr<ruvo::PhoneBookTable>> tables;
    auto& table = tables[entries];
    if (!table) {
        table = std::make_unique<ruvo::PhoneBookTable>();
        ruvo::HeaderLines headers;
        ruvo::ReadPhoneBookFile(Files().Book(entries), headers, *table);
    }
    return *table;
}

void BM_Export(benchmark::State& state, ExportFormat format) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    ruvo::PhoneBookTable& table = Loaded(entries);
    const std::string output = Files().Output();
    for (auto _ : state)
        ruvo::exchange::ExportEntriesToFile(output, table, format);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}

// `ruvotel export BOOK -o OUT`, start to exit: reading, sorting and writing.
void BM_RuvotelExport(benchmark::State& state) {
    const std::string& book = Files().Book(static_cast<std::size_t>(state.range(0)));
    const std::string output = Files().Output();
    ruvo::TimeProcess(state, RUVOTEL_EXE, {"export", book, "-o", output});
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * state.range(0)));
}

// Reading N vCard 3.0 contacts and appending them to an empty table, the
// duplicate check included.
void BM_ImportVCard(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string vcards = ruvo::exchange::ExportEntries(Loaded(entries), ExportFormat::VCard);
    for (auto _ : state) {
        ruvo::PhoneBookTable table;
        const ruvo::exchange::ContactSource source =
            ruvo::exchange::ReadContacts(vcards, "bench.vcf");
        const ruvo::exchange::ImportReport report =
            ruvo::exchange::ImportContacts(table, source, {});
        benchmark::DoNotOptimize(report.imported);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * vcards.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}

// The same vCards without their readings, each guessed from the dictionary
// as the import does by default.
void BM_ImportVCardGuessing(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    std::string vcards;
    const std::string exported =
        ruvo::exchange::ExportEntries(Loaded(entries), ExportFormat::VCard);
    for (std::size_t pos = 0; pos < exported.size();) {
        const std::size_t end = std::min(exported.find('\n', pos), exported.size() - 1) + 1;
        const std::string_view line = std::string_view(exported).substr(pos, end - pos);
        if (!line.starts_with("X-PHONETIC-") && !line.starts_with("SORT-STRING:"))
            vcards += line;
        pos = end;
    }
    ruvo::exchange::ImportOptions options;
    options.guessReadings = true;
    for (auto _ : state) {
        ruvo::PhoneBookTable table;
        const ruvo::exchange::ContactSource source =
            ruvo::exchange::ReadContacts(vcards, "bench.vcf");
        const ruvo::exchange::ImportReport report =
            ruvo::exchange::ImportContacts(table, source, options);
        benchmark::DoNotOptimize(report.imported);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}

// The book check with the dictionary comparing every reading, as `ruvotel
// check` runs it.
void BM_CheckReadings(benchmark::State& state) {
    ruvo::PhoneBookTable& table = Loaded(static_cast<std::size_t>(state.range(0)));
    ruvo::reading::ReadingGuesser guesser;
    for (auto _ : state)
        benchmark::DoNotOptimize(ruvo::CheckPhoneBook(table, &guesser).findings.size());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * state.range(0)));
}

// Reading N contacts from a CSV the export wrote (the reader alone: decoding,
// splitting into cells, matching columns), without the mapping.
void BM_ReadCsv(benchmark::State& state, ExportFormat format) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string csv = ruvo::exchange::ExportEntries(Loaded(entries), format);
    for (auto _ : state) {
        const ruvo::exchange::ContactSource source = ruvo::exchange::ReadContacts(csv, "bench.csv");
        benchmark::DoNotOptimize(source.contacts.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * csv.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}

void ExportSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_Export, vcard, ExportFormat::VCard)->Apply(ExportSizes);
BENCHMARK_CAPTURE(BM_Export, vcard21, ExportFormat::VCard21)->Apply(ExportSizes);
BENCHMARK_CAPTURE(BM_Export, google, ExportFormat::Google)->Apply(ExportSizes);
BENCHMARK_CAPTURE(BM_Export, csv, ExportFormat::Csv)->Apply(ExportSizes);
BENCHMARK(BM_RuvotelExport)->Apply(ExportSizes)->UseRealTime();
BENCHMARK(BM_ImportVCard)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportVCardGuessing)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckReadings)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadCsv, google, ExportFormat::Google)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadCsv, csv, ExportFormat::Csv)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
