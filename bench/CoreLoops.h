#pragma once

// The core's reading and sorted writing, timed on a fresh table each pass:
// the core's own benchmarks, and the window's, which compare against them.

#include "PhoneBookFile.h"
#include "PhoneBookTable.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

namespace ruvo {

// Reads book into a new table per pass; with backupFirst the pass also
// makes the backup copy, as opening a file in the window does.
inline void TimeReading(benchmark::State& state, const std::string& book, bool backupFirst) {
    HeaderLines headers;
    std::optional<PhoneBookTable> table;
    for (auto _ : state) {
        state.PauseTiming();
        table.emplace();
        table->OpenTable();
        state.ResumeTiming();
        if (backupFirst)
            MakeBackupCopy(book);
        ReadPhoneBookFile(book, headers, *table);
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
}

// Writes a freshly read table of book to output per pass, so that nothing
// sorted earlier is reused; with clearAfter the pass also empties the
// table, as saving in the window does.
inline void TimeSortedWriting(benchmark::State& state, const std::string& book,
                              const std::string& output, bool clearAfter) {
    HeaderLines headers;
    std::optional<PhoneBookTable> table;
    for (auto _ : state) {
        state.PauseTiming();
        table.emplace();
        table->OpenTable();
        ReadPhoneBookFile(book, headers, *table);
        state.ResumeTiming();
        WritePhoneBookFile(output, headers, *table);
        if (clearAfter)
            table->ClearEntries();
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
}

} // namespace ruvo
