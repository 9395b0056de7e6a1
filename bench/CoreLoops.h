#pragma once

// The core's reading and sorted writing, timed on a fresh table each pass:
// the core's own benchmarks, and the window's, which compare against them.

#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

// Runs the program with these arguments once per pass, start to exit; the
// run stops with an error when it fails.
inline void TimeProcess(benchmark::State& state, const char* program,
                        std::vector<std::string> arguments) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program, nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError((std::string(program) + " failed").c_str());
            break;
        }
    }
}

} // namespace ruvo
