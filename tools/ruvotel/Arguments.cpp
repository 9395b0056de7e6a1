#include "tools/ruvotel/Arguments.h"

#include <cstdio>

#ifndef RUVOTEL_VERSION
#error "RUVOTEL_VERSION must be defined by the build"
#endif

namespace ruvotel {
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
    "                changed is reported on standard error, a line for each\n"
    "                (SOURCE:LINE: NAME: what happened), then the counts.\n"
    "    --group NN        group of contacts that bring none\n"
    "    --all-numbers     one entry per number, fax numbers too, not the\n"
    "                      preferred voice number only\n"
    "    --keep-duplicates import entries (name and number) already in the book\n"
    "                      or the import\n"
    "    --dry-run         report, write nothing\n"
    "  check FILE    Report doubtful entries, one line each (FILE:LINE: what).\n"
    "\n"
    "Exit status: 0 on success, 1 on failure (\"ruvotel: <message>\" on standard\n"
    "error, nothing written), 2 on wrong usage, 3 when the work was done but\n"
    "something was reported (skipped or cut contacts, check findings, export's\n"
    "U+FFFD). A FILE that is plainly no phone book (a vCard, a contacts CSV, a\n"
    "binary file) is refused with status 1 before anything is written.\n";

int UsageError(std::string_view reason) {
    std::fprintf(stderr, "ruvotel: %.*s\n%.*s", static_cast<int>(reason.size()), reason.data(),
                 static_cast<int>(kUsage.size()), kUsage.data());
    return kUsageError;
}

} // namespace

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

} // namespace ruvotel
