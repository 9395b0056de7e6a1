#pragma once

#include "core/exchange/ContactExport.h"
#include "core/exchange/ContactImport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// ruvotel's command line: what it asks for, and how the run ends.
namespace ruvotel {

// The exit status: done, failed (nothing written), wrong usage, or done
// with something reported (skipped contacts, findings, U+FFFD on export).
enum ExitCode { kSuccess = 0, kFailure = 1, kUsageError = 2, kReported = 3 };

// What the command line asks for.
struct Arguments {
    std::string command;
    std::string file;
    std::optional<std::string> output;
    std::vector<std::string> sources;
    ruvo::exchange::ExportFormat format = ruvo::exchange::ExportFormat::VCard;
    // Readings are guessed unless --no-guess.
    ruvo::exchange::ImportOptions import = [] {
        ruvo::exchange::ImportOptions options;
        options.guessReadings = true;
        return options;
    }();
    bool dryRun = false;
    // print's paper (--paper), A4 unless given.
    std::string paper = "A4";
};

// Fills args from the command line (without the program's name). Returns an
// exit code when the run ends here (help, version, wrong usage), nothing
// when the command should run.
std::optional<int> ParseArguments(const std::vector<std::string_view>& argv, Arguments& args);

} // namespace ruvotel
