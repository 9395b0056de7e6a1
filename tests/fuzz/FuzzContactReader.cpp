// Feeds arbitrary bytes to the contact reader (vCard 2.1/3.0/4.0, CSV): it
// must either fail with an error naming the source and line or give
// contacts, which then go through the mapping and every writer; what the
// vCard and CSV writers produce must read back.

#include "core/book/table/PhoneBookTable.h"
#include "core/exchange/ContactExport.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContactReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_contact_reader: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ruvo::exchange::ContactSource source;
    try {
        source = ruvo::exchange::ReadContacts(bytes, "fuzz");
    } catch (const ruvo::exchange::ExchangeError& error) {
        Check(std::string(error.what()).starts_with("fuzz:"), "error without source and line");
        return 0;
    }
    Check(std::is_sorted(source.notes.begin(), source.notes.end(),
                         [](const auto& a, const auto& b) { return a.line < b.line; }),
          "notes out of line order");
    ruvo::PhoneBookTable table;
    ruvo::exchange::ImportOptions options;
    options.allNumbers = size % 2 == 0;
    options.keepDuplicates = true;
    const ruvo::exchange::ImportReport report =
        ruvo::exchange::ImportContacts(table, source, options);
    Check(report.imported == table.EntryCount(), "count of imported entries is wrong");

    using ruvo::exchange::ExportFormat;
    for (ExportFormat format :
         {ExportFormat::VCard, ExportFormat::VCard21, ExportFormat::Google, ExportFormat::Csv}) {
        const std::string written = ruvo::exchange::ExportEntries(table, format);
        if (table.EntryCount() == 0)
            continue;
        // Everything written reads back as many contacts as there were entries.
        const ruvo::exchange::ContactSource again =
            ruvo::exchange::ReadContacts(written, "written");
        Check(again.contacts.size() == table.EntryCount(), "export does not read back");
        Check(again.notes.empty(), "export reads back with notes");
    }
    return 0;
}
