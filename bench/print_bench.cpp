// The printed directory: laying out and writing the PDF of 10,000 entries
// in memory, the whole `ruvotel print` process with its peak memory, and
// the start-up of `ruvotel sort` on a small book, which print's Qt must
// not slow down (ruvotel hands print to ruvotel-print).

#include "BenchBooks.h"
#include "CoreLoops.h"
#include "core/book/PhoneBook.h"
#include "print/DirectoryPrint.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <sys/resource.h>

namespace {

using ruvo::Files;

void BM_DirectoryPdf(benchmark::State& state) {
    ruvo::PhoneBook book(ruvo::PhoneBook::History::None);
    book.Open(Files().Book(static_cast<std::size_t>(state.range(0))), false);
    const ruvo::print::DirectoryTitle title{QStringLiteral("TEL.TXT"), QDate(2026, 1, 1)};
    QByteArray pdf;
    for (auto _ : state) {
        pdf = ruvo::print::DirectoryPdf(book.Table(), title);
        benchmark::DoNotOptimize(pdf.data());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["pdf_KiB"] = static_cast<double>(pdf.size()) / 1024;
    state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// ruvotel print FILE -o OUT.pdf, start to exit; the peak is that of the
// largest child so far, which is this one (it runs before any other).
void BM_RuvotelPrint(benchmark::State& state) {
    const std::string& book = Files().Book(static_cast<std::size_t>(state.range(0)));
    ruvo::TimeProcess(state, RUVOTEL_EXE, {"print", book, "-o", Files().Output() + ".pdf"});
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// ruvotel sort on a book of 10 entries: little more than start-up.
void BM_RuvotelSortStartUp(benchmark::State& state) {
    ruvo::TimeProcess(state, RUVOTEL_EXE, {"sort", Files().Book(10), "-o", Files().Output()});
}

BENCHMARK(BM_RuvotelPrint)->Arg(10'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DirectoryPdf)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RuvotelSortStartUp)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
