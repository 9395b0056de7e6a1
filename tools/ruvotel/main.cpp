// ruvotel: the phone-book file from the command line, with the editor's own
// reading, sorting and writing.

#include "core/book/BookCheck.h"
#include "core/book/PhoneBook.h"
#include "core/error/Errors.h"
#include "core/exchange/ContactExport.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContactReader.h"
#include "core/exchange/FileKind.h"
#include "core/file/InOutError.h"
#include "core/messages/Language.h"
#include "core/text/Cp932.h"

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
    "       ruvotel export FILE [--format vcard|vcard21|google|csv] [-o OUT]\n"
    "       ruvotel import FILE SOURCE... [--group NN] [--all-numbers]\n"
    "                      [--keep-duplicates] [--dry-run]\n"
    "       ruvotel check FILE\n"
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
    "  export FILE   Write every entry in the saved order (reading, then group)\n"
    "                to standard output or OUT (-o), as --format:\n"
    "                  vcard    vCard 3.0, UTF-8 (the default)\n"
    "                  vcard21  vCard 2.1, Shift-JIS, for phones and car kits\n"
    "                  google   Google Contacts CSV, UTF-8 with a byte-order mark\n"
    "                  csv      the four columns as stored, Shift-JIS\n"
    "                A field with bytes that are no Shift-JIS character is written\n"
    "                as U+FFFD in vcard and google and reported on standard error\n"
    "                (FILE:LINE: NAME: what), then the count. OUT may not be FILE\n"
    "                or its backup.\n"
    "  import FILE SOURCE...\n"
    "                Append the contacts of each vCard or CSV SOURCE to FILE and\n"
    "                save it as sort does (backup, sorted). What was skipped or\n"
    "                changed is reported on standard error, one line per contact\n"
    "                (SOURCE:LINE: NAME: what happened), then the counts.\n"
    "    --group NN        group of contacts that bring none\n"
    "    --all-numbers     one entry per number, not the preferred one only\n"
    "    --keep-duplicates import numbers already in the book or the import\n"
    "    --dry-run         report, write nothing\n"
    "  check FILE    Report doubtful entries, one line each (FILE:LINE: what).\n"
    "\n"
    "Exit status: 0 on success, 1 on failure (\"ruvotel: <message>\" on standard\n"
    "error, nothing written), 2 on wrong usage, 3 when the work was done but\n"
    "something was reported (skipped or cut contacts, check findings, export's\n"
    "U+FFFD). A FILE that is plainly no phone book (a vCard, a contacts CSV, a\n"
    "binary file) is refused with status 1 before anything is written.\n";

enum ExitCode { kSuccess = 0, kFailure = 1, kUsageError = 2, kReported = 3 };

struct Arguments {
    std::string command;
    std::string file;
    std::optional<std::string> output;
    std::vector<std::string> sources;
    ruvo::exchange::ExportFormat format = ruvo::exchange::ExportFormat::VCard;
    ruvo::exchange::ImportOptions import;
    bool dryRun = false;
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
    if (args.command != "sort" && args.command != "dump" && args.command != "export" &&
        args.command != "import" && args.command != "check")
        return UsageError("unknown command '" + args.command + "'");
    const bool importing = args.command == "import";

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
        } else if (!optionsEnded && (arg == "--format" || arg.starts_with("--format="))) {
            if (args.command != "export")
                return UsageError("option --format belongs to export");
            if (arg == "--format" && i + 1 == argv.size())
                return UsageError("option '--format' needs a format");
            const std::string_view name = arg == "--format" ? argv[++i] : arg.substr(9);
            const auto format = ruvo::exchange::ParseExportFormat(name);
            if (!format)
                return UsageError("unknown format '" + std::string(name) + "'");
            args.format = *format;
            continue;
        } else if (!optionsEnded && (arg == "--group" || arg.starts_with("--group="))) {
            if (!importing)
                return UsageError("option --group belongs to import");
            if (arg == "--group" && i + 1 == argv.size())
                return UsageError("option '--group' needs a group number");
            const std::string_view group = arg == "--group" ? argv[++i] : arg.substr(8);
            if (group.empty() || group.size() > 2 ||
                group.find_first_not_of("0123456789") != std::string_view::npos)
                return UsageError("a group is one or two digits, not '" + std::string(group) + "'");
            args.import.group = std::string(group);
            continue;
        } else if (!optionsEnded && importing && arg == "--all-numbers") {
            args.import.allNumbers = true;
            continue;
        } else if (!optionsEnded && importing && arg == "--keep-duplicates") {
            args.import.keepDuplicates = true;
            continue;
        } else if (!optionsEnded && importing && arg == "--dry-run") {
            args.dryRun = true;
            continue;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (haveFile && importing) {
            args.sources.emplace_back(arg);
            continue;
        } else if (haveFile) {
            return UsageError("more than one FILE given");
        } else {
            args.file = arg;
            haveFile = true;
            continue;
        }
        if (args.command != "sort" && args.command != "export")
            return UsageError("option -o belongs to sort and export");
        if (args.output)
            return UsageError("more than one OUTPUT given");
        if (output->empty())
            return UsageError("empty OUTPUT name");
        args.output = std::string(*output);
    }
    if (!haveFile || args.file.empty())
        return UsageError("no FILE given");
    if (importing && args.sources.empty())
        return UsageError("no SOURCE given");
    return std::nullopt;
}

// A phone book opened and saved as the editor does it (with a backup copy
// when it is to be saved back in place); a command needs no undo.
using Book = ruvo::PhoneBook;
constexpr Book::History kNoHistory = Book::History::None;

void Sort(const Arguments& args) {
    Book book(kNoHistory);
    book.Open(args.file, !args.output);
    // Sorted into another file, which takes no backup.
    if (args.output)
        book.MoveTo(*args.output);
    book.Save();
}

void WriteOut(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0)
        ruvo::ThrowInOutError(errno, "<stdout>");
}

void PrintError(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

int Export(const Arguments& args) {
    if (args.output)
        ruvo::exchange::RefuseExportOver(*args.output, args.file);
    Book book(kNoHistory);
    book.Open(args.file, false);
    ruvo::exchange::ExportReport report;
    if (args.output) {
        report =
            ruvo::exchange::ExportEntriesToFile(*args.output, book.Table(), args.format, args.file);
    } else {
        std::string bytes;
        report = ruvo::exchange::ExportEntries(book.Table(), args.format, bytes, args.file);
        WriteOut(bytes);
    }
    for (const ruvo::exchange::ReportLine& line : report.lines)
        PrintError(ruvo::exchange::FormatReportLine(line));
    PrintError("ruvotel: " + ruvo::exchange::FormatCounts(report));
    return report.Clean() ? kSuccess : kReported;
}

// Every source is read before the book is touched, so that a source that
// cannot be read leaves the book as it was.
int Import(const Arguments& args) {
    std::vector<ruvo::exchange::ContactSource> sources;
    for (const std::string& source : args.sources)
        sources.push_back(ruvo::exchange::ReadContactsFile(source));
    Book book(kNoHistory);
    book.Open(args.file, !args.dryRun);
    const ruvo::exchange::ImportReport report =
        ruvo::exchange::ImportContacts(book.Table(), sources, args.import);
    if (!args.dryRun)
        book.Save();
    for (const ruvo::exchange::ReportLine& line : report.lines)
        PrintError(ruvo::exchange::FormatReportLine(line));
    PrintError("ruvotel: " + ruvo::exchange::FormatCounts(report) +
               (args.dryRun ? " (dry run, nothing written)" : ""));
    return report.Clean() ? kSuccess : kReported;
}

int Check(const Arguments& args) {
    Book book(kNoHistory);
    book.Open(args.file, false);
    const std::vector<ruvo::Finding> findings = ruvo::CheckPhoneBook(book.Table());
    std::string out;
    for (const ruvo::Finding& finding : findings)
        out += args.file + ":" + std::to_string(finding.line) + ": " + finding.message + "\n";
    WriteOut(out);
    return findings.empty() ? kSuccess : kReported;
}

void Flush(std::string& buffer) {
    if (std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size())
        ruvo::ThrowInOutError(errno, "<stdout>");
    buffer.clear();
}

void AppendField(std::string& out, bool set, std::string_view text) {
    if (!set)
        out += "\\N";
    else if (text.empty())
        out += "\"\"";
    else
        ruvo::cp932::AppendUtf8(out, text, ruvo::cp932::InvalidByte::Escaped);
}

void Dump(const Arguments& args) {
    Book book(kNoHistory);
    book.Open(args.file, false);
    const ruvo::HeaderLines& headers = book.Headers();
    const ruvo::PhoneBookTable& table = book.Table();

    std::string buffer;
    buffer.reserve(1 << 20);
    for (const std::string& header : headers) {
        buffer += "H\t";
        AppendField(buffer, true, header);
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
            AppendField(buffer, cell.set, cell.text);
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
    // The core's messages in the locale's language, as a terminal user
    // expects; the window keeps Japanese.
    ruvo::messages::SetLanguage(ruvo::messages::LanguageOfEnvironment());
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    Arguments args;
    if (const std::optional<int> code = ParseArguments(arguments, args))
        return *code;

    try {
        // Every command reads FILE as a phone book: one that is plainly
        // something else is refused before a backup or anything is written.
        ruvo::exchange::RefuseIfNotPhoneBook(args.file);
        if (args.command == "sort") {
            Sort(args);
        } else if (args.command == "export") {
            return Export(args);
        } else if (args.command == "import") {
            return Import(args);
        } else if (args.command == "check") {
            return Check(args);
        } else {
            // cp932's tables are built on their first use, here in the dump,
            // which keeps them out of the sort's time.
            Dump(args);
        }
        return kSuccess;
    } catch (const ruvo::Error& error) {
        const int code = Fail(error.what());
        // Contacts given where the book belongs: say what reads them.
        if (const auto* refused = dynamic_cast<const ruvo::exchange::ENotAPhoneBook*>(&error);
            refused && refused->kind() != ruvo::exchange::FileKind::NotText)
            PrintError("ruvotel: to bring its contacts into a phone book: ruvotel import BOOK " +
                       args.file);
        return code;
    } catch (const std::bad_alloc&) {
        return Fail("out of memory");
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
