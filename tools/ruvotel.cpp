// ruvotel: the phone-book file from the command line, with the editor's own
// reading, sorting and writing.

#include "Cp932Decoder.h"
#include "Errors.h"
#include "PhoneBookFile.h"
#include "PhoneBookTable.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifndef RUVOTEL_VERSION
#error "RUVOTEL_VERSION must be defined by the build"
#endif

namespace {

constexpr std::string_view kUsage =
    "Usage: ruvotel sort FILE [-o OUTPUT]\n"
    "       ruvotel dump FILE\n"
    "       ruvotel --help | --version\n"
    "\n"
    "  sort FILE     Do to the phone book FILE what opening and saving it in the\n"
    "                editor does: copy FILE to its backup name (extension replaced\n"
    "                by .BAK), then rewrite it with its entries sorted by reading,\n"
    "                then group, every line ending in CR LF.\n"
    "  -o, --output OUTPUT\n"
    "                Write the sorted phone book to OUTPUT instead. FILE is only\n"
    "                read and no backup is made.\n"
    "  dump FILE     Print the six header lines and every entry of FILE in file\n"
    "                order, converted from code page 932 to UTF-8, one per line:\n"
    "                  H<TAB>header line\n"
    "                  E<TAB>group<TAB>name<TAB>reading<TAB>telephone\n"
    "                The telephone number is shown as stored, without \":0:0\".\n"
    "                An empty field prints as \"\", an unset one as \\N.\n"
    "                Escapes: \\\\ backslash, \\\" double quote, \\t TAB, \\r CR,\n"
    "                \\n LF; \\xNN any other control byte and any byte that is\n"
    "                no code-page-932 character.\n"
    "\n"
    "Exit status: 0 on success, 1 on failure (\"ruvotel: <message>\" on standard\n"
    "error), 2 on wrong usage.\n";

enum ExitCode { kSuccess = 0, kFailure = 1, kUsageError = 2 };

struct Arguments {
    std::string command;
    std::string file;
    std::optional<std::string> output;
};

int UsageError(std::string_view reason) {
    std::fprintf(stderr, "ruvotel: %.*s\n%.*s", static_cast<int>(reason.size()), reason.data(),
                 static_cast<int>(kUsage.size()), kUsage.data());
    return kUsageError;
}

// Fills args from the command line. Returns an exit code when the run ends
// here (help, version, wrong usage), nothing when the command should run.
std::optional<int> ParseArguments(const std::vector<std::string_view>& argv, Arguments& args) {
    if (argv.empty())
        return UsageError("no command given");
    for (std::string_view arg : argv) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return kSuccess;
        }
        if (arg == "--version") {
            std::puts("ruvotel " RUVOTEL_VERSION);
            return kSuccess;
        }
    }
    args.command = argv[0];
    if (args.command != "sort" && args.command != "dump")
        return UsageError("unknown command '" + args.command + "'");

    bool haveFile = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string_view arg = argv[i];
        std::optional<std::string_view> output;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (arg == "-o" || arg == "--output")) {
            if (i + 1 == argv.size())
                return UsageError("option '" + std::string(arg) + "' needs a file name");
            output = argv[++i];
        } else if (!optionsEnded && arg.starts_with("--output=")) {
            output = arg.substr(9);
        } else if (!optionsEnded && arg.starts_with("-o")) {
            output = arg.substr(2);
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (haveFile) {
            return UsageError("more than one FILE given");
        } else {
            args.file = arg;
            haveFile = true;
            continue;
        }
        if (args.command != "sort")
            return UsageError("option -o belongs to sort");
        if (args.output)
            return UsageError("more than one OUTPUT given");
        if (output->empty())
            return UsageError("empty OUTPUT name");
        args.output = std::string(*output);
    }
    if (!haveFile || args.file.empty())
        return UsageError("no FILE given");
    return std::nullopt;
}

void Sort(const Arguments& args) {
    if (!args.output)
        ruvo::MakeBackupCopy(args.file);
    ruvo::HeaderLines headers;
    ruvo::PhoneBookTable table;
    table.OpenTable();
    ruvo::ReadPhoneBookFile(args.file, headers, table);
    ruvo::WritePhoneBookFile(args.output.value_or(args.file), headers, table);
}

void Flush(std::string& buffer) {
    if (std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size())
        ruvo::ThrowInOutError(errno, "<stdout>");
    buffer.clear();
}

void AppendField(std::string& out, const ruvo::Cp932Decoder& decoder, bool set,
                 std::string_view text) {
    if (!set)
        out += "\\N";
    else if (text.empty())
        out += "\"\"";
    else
        decoder.Append(out, text, true);
}

void Dump(const Arguments& args, const ruvo::Cp932Decoder& decoder) {
    ruvo::HeaderLines headers;
    ruvo::PhoneBookTable table;
    table.OpenTable();
    ruvo::ReadPhoneBookFile(args.file, headers, table);

    std::string buffer;
    buffer.reserve(1 << 20);
    for (const std::string& header : headers) {
        buffer += "H\t";
        AppendField(buffer, decoder, true, header);
        buffer += '\n';
    }
    constexpr ruvo::Field kFields[] = {ruvo::Field::Group, ruvo::Field::Name, ruvo::Field::Kana,
                                       ruvo::Field::Tel};
    const std::size_t rows = table.RowCount();
    for (std::size_t row = 0; row < rows; ++row) {
        buffer += 'E';
        for (ruvo::Field field : kFields) {
            const ruvo::CellValue cell = table.Cell(row, field);
            buffer += '\t';
            AppendField(buffer, decoder, cell.set, cell.text);
        }
        buffer += '\n';
        if (buffer.size() >= (1 << 20) - 1024)
            Flush(buffer);
    }
    Flush(buffer);
    if (std::fflush(stdout) != 0)
        ruvo::ThrowInOutError(errno, "<stdout>");
}

int Fail(std::string_view message) {
    std::fprintf(stderr, "ruvotel: %.*s\n", static_cast<int>(message.size()), message.data());
    return kFailure;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    Arguments args;
    if (const std::optional<int> code = ParseArguments(arguments, args))
        return *code;

    // The decoder is built only when something has to be shown, which keeps
    // it out of the sort's time.
    std::optional<ruvo::Cp932Decoder> decoder;
    try {
        if (args.command == "sort") {
            Sort(args);
        } else {
            decoder.emplace();
            Dump(args, *decoder);
        }
        return kSuccess;
    } catch (const ruvo::Error& error) {
        try {
            if (!decoder)
                decoder.emplace();
            return Fail(decoder->Decode(error.what(), false));
        } catch (const std::exception&) {
            return Fail(error.what());
        }
    } catch (const std::bad_alloc&) {
        return Fail("out of memory");
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
