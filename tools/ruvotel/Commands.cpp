#include "tools/ruvotel/Commands.h"
#include "tools/ruvotel/PrintCommand.h"

#include "core/book/BookCheck.h"
#include "core/book/PhoneBook.h"
#include "core/exchange/ContactExport.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContactReader.h"
#include "core/exchange/FileKind.h"
#include "core/file/InOutError.h"
#include "core/messages/Language.h"
#include "core/reading/ReadingGuess.h"
#include "core/text/Cp932.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace ruvotel {
namespace {

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
    constexpr ruvo::messages::Message kDryRun{" (試しの実行で、何も書いていません)",
                                              " (dry run, nothing written)"};
    PrintError("ruvotel: " + ruvo::exchange::FormatCounts(report) +
               std::string(args.dryRun ? kDryRun.Text() : std::string_view()));
    return report.Clean() ? kSuccess : kReported;
}

int Check(const Arguments& args) {
    Book book(kNoHistory);
    book.Open(args.file, false);
    ruvo::reading::ReadingGuesser guesser;
    const ruvo::BookCheckResult result = ruvo::CheckPhoneBook(book.Table(), &guesser);
    if (!result.note.empty())
        PrintError("ruvotel: " + result.note);
    std::string out;
    for (const ruvo::Finding& finding : result.findings)
        out += args.file + ":" + std::to_string(finding.line) + ": " + finding.message + "\n";
    WriteOut(out);
    return result.findings.empty() ? kSuccess : kReported;
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

} // namespace

void PrintError(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

int Fail(std::string_view message) {
    std::fprintf(stderr, "ruvotel: %.*s\n", static_cast<int>(message.size()), message.data());
    return kFailure;
}

int RunCommand(const Arguments& args) {
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
    } else if (args.command == "print") {
#ifdef RUVOTEL_PRINT_PROGRAM
        return PrintDirectory(args);
#else
        return RunPrintProgram(args);
#endif
    } else {
        // cp932's tables are built on their first use, here in the dump,
        // which keeps them out of the sort's time.
        Dump(args);
    }
    return kSuccess;
}

} // namespace ruvotel
