// The grid with a very large phone book (offscreen): binding and showing it,
// moving the current record to the end and back, scrolling, and appending
// one entry. Each step is timed up to the end of the grid's repaint.
//
// Run: build/bench/GridBench [entries]   (default 1,000,000)

#include "PhoneBookGenerator.h"
#include "SyntheticInput.h"
#include "TestWindow.h"
#include "core/book/table/PhoneBookTable.h"
#include "ui/RuvoApplication.h"
#include "ui/grid/DBGrid.h"
#include "ui/grid/DataSource.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using ruvo::Key;
using ruvo::Wheel;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Runs a step `repeat` times, each followed by a synchronous repaint of the
// grid; returns the median and the worst time in milliseconds.
std::pair<double, double> Time(ruvo::TDBGrid& grid, int repeat, const std::function<void()>& step,
                               bool paint = true) {
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        step();
        // Scrolling waits for posted events; grab() paints the whole grid.
        QCoreApplication::sendPostedEvents();
        if (paint)
            static_cast<void>(grid.grab());
        times.push_back(Milliseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void Report(const char* what, std::pair<double, double> times) {
    std::printf("%-44s median %9.3f ms   worst %9.3f ms\n", what, times.first, times.second);
}

void AppendLine(ruvo::PhoneBookTable& table, const std::string& line) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        items.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    table.AppendEntry();
    for (std::size_t i = 0; i < std::min<std::size_t>(items.size(), 4); ++i)
        table.SetField(static_cast<ruvo::Field>(i),
                       i == 3 ? items[i].substr(0, items[i].find(':')) : items[i]);
    table.CommitEntry();
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t entries = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    ruvo::TRuvoApplication application(qtArgc, argv);

    ruvo::PhoneBookGenerator generator;
    std::vector<std::string> lines;
    lines.reserve(entries + 200);
    for (std::size_t i = 0; i < entries + 200; ++i)
        lines.push_back(generator.NextEntryLine());
    std::printf("GridBench: %zu entries, offscreen\n\n", entries);

    // 1. The editor window with the grid bound while the book is loaded:
    // every entry arrives as one inserted row.
    ruvo::test::TestWindow window;
    window.show();
    ruvo::TDBGrid& grid = *window.DBG;
    {
        const auto start = Clock::now();
        for (std::size_t i = 0; i < entries; ++i)
            AppendLine(window.CData, lines[i]);
        QCoreApplication::sendPostedEvents();
        static_cast<void>(grid.grab());
        std::printf("%-44s total  %9.1f ms   (%.2f us per entry, table included)\n",
                    "load into the bound table", Milliseconds(Clock::now() - start),
                    Milliseconds(Clock::now() - start) * 1000.0 / double(entries));
    }
    window.SetWindowMode(ruvo::wmBrowse);
    grid.setFocus();

    // 2. Binding a grid to the full table and showing it, in place of the
    // window's own (which lets go of the table first).
    grid.hide();
    grid.SetDataSource(nullptr);
    std::unique_ptr<ruvo::TDataSource> dataSource;
    std::unique_ptr<ruvo::TDBGrid> fresh;
    {
        const auto start = Clock::now();
        dataSource = std::make_unique<ruvo::TDataSource>(window.CData);
        fresh = std::make_unique<ruvo::TDBGrid>(&window);
        fresh->setGeometry(11, 78, 741, 614);
        fresh->SetDataSource(dataSource.get());
        fresh->show();
        QCoreApplication::sendPostedEvents();
        static_cast<void>(fresh->grab());
        std::printf("%-44s once   %9.3f ms\n", "bind and show a grid on the full table",
                    Milliseconds(Clock::now() - start));
    }
    ruvo::TDBGrid& bound = *fresh;
    bound.setFocus();
    ruvo::PhoneBookTable& table = window.CData;

    std::printf("\n");
    Report("repaint only (baseline of every row below)", Time(bound, 21, [] {}));
    Report("Ctrl+Home (to the first record)",
           Time(bound, 21, [&] { Key(&bound, Qt::Key_Home, Qt::ControlModifier); }));
    Report("Ctrl+End (to the last record)", Time(bound, 21, [&] {
               Key(&bound, Qt::Key_Home, Qt::ControlModifier);
               Key(&bound, Qt::Key_End, Qt::ControlModifier);
           }));
    Report("Down", Time(bound, 101, [&] { Key(&bound, Qt::Key_Down); }));
    Report("Page Down", Time(bound, 101, [&] { Key(&bound, Qt::Key_PageDown); }));
    Report("Page Up", Time(bound, 101, [&] { Key(&bound, Qt::Key_PageUp); }));
    Report("wheel, one notch", Time(bound, 101, [&] { Wheel(bound.viewport(), -1); }));
    Report("scroll-bar page step", Time(bound, 101, [&] {
               bound.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
           }));
    int position = 0;
    Report("scroll-bar thumb drag (20 places)", Time(bound, 21, [&] {
               QScrollBar* bar = bound.verticalScrollBar();
               position = (position + bar->maximum() / 20) % (bar->maximum() + 1);
               bar->setSliderDown(true);
               bar->setSliderPosition(position);
               bar->setSliderDown(false);
           }));

    std::size_t next = entries;
    Report("append one entry, natural order",
           Time(bound, 101, [&] { AppendLine(table, lines[next++]); }));
    {
        const auto start = Clock::now();
        table.SelectOrder("iKey");
        table.MoveFirst();
        QCoreApplication::sendPostedEvents();
        static_cast<void>(bound.grab());
        std::printf("%-44s once   %9.3f ms\n", "switch to the sorted order (iKey)",
                    Milliseconds(Clock::now() - start));
    }
    Report("append one entry, sorted order",
           Time(bound, 49, [&] { AppendLine(table, lines[next++]); }));
    Report("append one entry, sorted order, no paint",
           Time(
               bound, 49, [&] { AppendLine(table, lines[next++]); }, false));
    Report("Ctrl+End in the sorted order", Time(bound, 21, [&] {
               Key(&bound, Qt::Key_Home, Qt::ControlModifier);
               Key(&bound, Qt::Key_End, Qt::ControlModifier);
           }));
    std::printf("\nrows in the grid at the end: %d\n", bound.model()->rowCount());

    // The same sorted append on a table without a grid: the core's share.
    {
        ruvo::PhoneBookTable alone;
        alone.OpenTable();
        for (std::size_t i = 0; i < entries; ++i)
            AppendLine(alone, lines[i]);
        alone.SelectOrder("iKey");
        std::vector<double> times;
        for (std::size_t i = entries; i < entries + 99; ++i) {
            const auto start = Clock::now();
            AppendLine(alone, lines[i]);
            times.push_back(Milliseconds(Clock::now() - start));
        }
        std::sort(times.begin(), times.end());
        Report("append one entry, sorted, table alone", {times[times.size() / 2], times.back()});
    }
    return 0;
}
