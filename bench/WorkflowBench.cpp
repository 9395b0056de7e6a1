// Opening and saving a phone book in the editor window (offscreen) against
// the core alone on the same file; and a 1,000,000-entry session: open,
// scroll, save. The window runs with its real event pump, so its grid
// repaints during the loops; the repaints are counted.
//
// Run: QT_QPA_PLATFORM=offscreen build/bench/WorkflowBench
//      [--benchmark_filter=...] [--benchmark_repetitions=5]

#include "BenchBooks.h"
#include "CoreLoops.h"
#include "PhoneBookGenerator.h"
#include "SyntheticInput.h"
#include "TestWindow.h"
#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "ui/Dialogs.h"
#include "ui/RuvoApplication.h"

#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using ruvo::Files;
using ruvo::Key;
using ruvo::Wheel;

// Counts paint events of the grid's rows while it lives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    long long count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

std::unique_ptr<ruvo::test::TestWindow> ShowWindow() {
    auto window = std::make_unique<ruvo::test::TestWindow>([] { return std::string("0.900"); });
    window->show();
    QCoreApplication::processEvents();
    return window;
}

// Open through the open-dialog hook, as a click on BOpen does it.
void Open(ruvo::test::TestWindow& window, const std::string& path) {
    ruvo::Dialogs::QueueAnswer(ruvo::Dialogs::Answer::File(path));
    window.BOpen->click();
    if (ruvo::Dialogs::PendingAnswers() != 0 || !window.DBG->hasFocus())
        throw std::runtime_error("the open did not complete");
}

void Save(ruvo::test::TestWindow& window) {
    window.BSave->click();
    if (window.CData.EntryCount() != 0 || QApplication::overrideCursor())
        throw std::runtime_error("the save did not complete");
}

void SetFileCounters(benchmark::State& state, std::size_t entries) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(entries));
}

void BM_CoreRead(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    ruvo::TimeReading(state, Files().Book(entries), false);
    SetFileCounters(state, entries);
}

// What the window's open does without the window: backup copy and reading.
void BM_CoreOpen(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    ruvo::TimeReading(state, Files().Book(entries), true);
    SetFileCounters(state, entries);
}

// Pump interval in ms from range(1); the default is the window's own.
void BM_WindowOpen(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string& book = Files().Book(entries);
    long long paints = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = ShowWindow();
        window->PumpInterval = std::chrono::milliseconds(state.range(1));
        PaintCounter counter(window->DBG->viewport());
        state.ResumeTiming();
        Open(*window, book);
        state.PauseTiming();
        paints += counter.count;
        window.reset();
        state.ResumeTiming();
    }
    state.counters["grid_repaints"] =
        benchmark::Counter(static_cast<double>(paints), benchmark::Counter::kAvgIterations);
    SetFileCounters(state, entries);
}

// What the window's save does without the window: writing and emptying.
void BM_CoreWrite(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    ruvo::TimeSortedWriting(state, Files().Book(entries), Files().Output(), true);
    SetFileCounters(state, entries);
}

void BM_WindowSave(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string& book = Files().Book(entries);
    const std::string output = Files().Output();
    long long paints = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = ShowWindow();
        window->PumpInterval = std::chrono::milliseconds(state.range(1));
        Open(*window, book);
        window->Book.MoveTo(output);
        QCoreApplication::processEvents();
        PaintCounter counter(window->DBG->viewport());
        state.ResumeTiming();
        Save(*window);
        state.PauseTiming();
        paints += counter.count;
        window.reset();
        state.ResumeTiming();
    }
    state.counters["grid_repaints"] =
        benchmark::Counter(static_cast<double>(paints), benchmark::Counter::kAvgIterations);
    SetFileCounters(state, entries);
}

// One session on a large book: open, then scroll through it with keys,
// the wheel and the scroll bar (each step repainted), then save.
void BM_LargeSession(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string& book = Files().Book(entries);
    const std::string output = Files().Output();
    double openS = 0, scrollS = 0, saveS = 0;
    long long scrollSteps = 0;
    for (auto _ : state) {
        auto window = ShowWindow();
        const auto t0 = Clock::now();
        Open(*window, book);
        const auto t1 = Clock::now();
        ruvo::TDBGrid* grid = window->DBG;
        auto step = [&](auto&& action) {
            action();
            QCoreApplication::processEvents();
            ++scrollSteps;
        };
        step([&] { Key(grid, Qt::Key_Home); });
        for (int i = 0; i < 100; ++i)
            step([&] { Key(grid, Qt::Key_PageDown); });
        for (int i = 0; i < 100; ++i)
            step([&] { Wheel(grid->viewport(), -3); });
        QScrollBar* bar = grid->verticalScrollBar();
        for (int i = 1; i <= 100; ++i)
            step([&] {
                bar->setSliderPosition(
                    static_cast<int>(static_cast<long long>(bar->maximum()) * i / 100));
                bar->triggerAction(QAbstractSlider::SliderMove);
            });
        step([&] { Key(grid, Qt::Key_End); });
        for (int i = 0; i < 100; ++i)
            step([&] { Key(grid, Qt::Key_Up); });
        if (window->CData.EntryCount() != entries)
            state.SkipWithError("entries lost while scrolling");
        const auto t2 = Clock::now();
        window->Book.MoveTo(output);
        Save(*window);
        const auto t3 = Clock::now();
        openS += std::chrono::duration<double>(t1 - t0).count();
        scrollS += std::chrono::duration<double>(t2 - t1).count();
        saveS += std::chrono::duration<double>(t3 - t2).count();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    const auto perIteration = benchmark::Counter::kAvgIterations;
    state.counters["open_s"] = benchmark::Counter(openS, perIteration);
    state.counters["scroll_s"] = benchmark::Counter(scrollS, perIteration);
    state.counters["scroll_steps"] =
        benchmark::Counter(static_cast<double>(scrollSteps), perIteration);
    state.counters["save_s"] = benchmark::Counter(saveS, perIteration);
}

// Resident memory of this process now, in MiB.
double ResidentMiB() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// The undo of the large steps: Escape empties a book, undo (Ctrl+Z) brings
// it back, redo (Ctrl+Y) empties it again; and one delete taken back. The memory
// counters show what the steps keep beyond the book itself (no copy).
void BM_EscapeAndUndo(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string& book = Files().Book(entries);
    double escapeS = 0, undoS = 0, redoS = 0, deleteUndoS = 0, growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = ShowWindow();
        Open(*window, book);
        QCoreApplication::processEvents();
        const double before = ResidentMiB();
        state.ResumeTiming();
        const auto t0 = Clock::now();
        Key(window->DBG, Qt::Key_Escape);
        const auto t1 = Clock::now();
        window->UndoClick();
        const auto t2 = Clock::now();
        if (window->CData.EntryCount() != entries)
            state.SkipWithError("the undo did not bring the entries back");
        window->RedoClick();
        const auto t3 = Clock::now();
        window->UndoClick();
        ruvo::Dialogs::QueueAnswer(ruvo::Dialogs::Answer::Button(QMessageBox::Yes));
        window->BDel->click();
        const auto t4 = Clock::now();
        window->UndoClick();
        const auto t5 = Clock::now();
        if (window->CData.EntryCount() != entries)
            state.SkipWithError("the delete was not taken back");
        state.PauseTiming();
        growth += ResidentMiB() - before;
        escapeS += std::chrono::duration<double>(t1 - t0).count();
        undoS += std::chrono::duration<double>(t2 - t1).count();
        redoS += std::chrono::duration<double>(t3 - t2).count();
        deleteUndoS += std::chrono::duration<double>(t5 - t4).count();
        window.reset();
        state.ResumeTiming();
    }
    const auto perIteration = benchmark::Counter::kAvgIterations;
    state.counters["escape_ms"] = benchmark::Counter(escapeS * 1e3, perIteration);
    state.counters["undo_escape_ms"] = benchmark::Counter(undoS * 1e3, perIteration);
    state.counters["redo_escape_ms"] = benchmark::Counter(redoS * 1e3, perIteration);
    state.counters["undo_delete_ms"] = benchmark::Counter(deleteUndoS * 1e3, perIteration);
    state.counters["rss_growth_MiB"] = benchmark::Counter(growth, perIteration);
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}

// pump_ms 0 pumps before every line: what the time-based pump saves.
void WindowSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"entries", "pump_ms"})
        ->Args({10'000, 25})
        ->Args({10'000, 0})
        ->Args({100'000, 25})
        ->Args({1'000'000, 25})
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_CoreRead)->Apply(Sizes);
BENCHMARK(BM_CoreOpen)->Apply(Sizes);
BENCHMARK(BM_WindowOpen)->Apply(WindowSizes);
BENCHMARK(BM_CoreWrite)->Apply(Sizes);
BENCHMARK(BM_WindowSave)->Apply(WindowSizes);
BENCHMARK(BM_LargeSession)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_EscapeAndUndo)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    ruvo::TRuvoApplication application(qtArgc, argv);
    // The hook stands in for the open dialog; no dialog may open for real.
    ruvo::Dialogs::SetTestMode(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
