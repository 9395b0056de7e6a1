#pragma once

#include "core/error/Errors.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ruvo::exchange {

// A source that cannot be read: the message is "SOURCE:LINE: what", in
// UTF-8 (the source name as given).
class ExchangeError : public Error {
public:
    using Error::Error;
};

[[noreturn]] void ThrowAt(const std::string& source, std::size_t line, const std::string& what);

struct ContactPhone {
    std::string number; // as written in the source, UTF-8
    bool preferred = false;
    bool fax = false; // a fax (or pager) line: taken only when every number is asked for
};

// One contact as a source holds it; every text UTF-8, already one line.
struct Contact {
    std::size_t line = 0; // where the contact begins in its source, from 1
    std::string formattedName;
    std::string familyName;
    std::string givenName;
    // The reading from the first of the properties or columns that has one.
    std::string familyReading;
    std::string givenReading;
    std::string organization;         // ORG's first part, a company column
    std::optional<std::string> group; // X-GNO, a "Group NN" label, the book's column
    std::vector<ContactPhone> phones;
};

// What the reader skipped or read with a guess (a card it could not
// understand, a value in a charset it had to assume), reported with the
// import: the line it begins on, from 1, and what happened, in the current
// language.
struct SourceNote {
    std::size_t line = 0;
    std::string message;
    bool skipped = false; // a card or row that was not read: counted as skipped
};

// Everything read from one source.
struct ContactSource {
    std::string name;   // as reports show it
    std::string format; // "vCard 2.1", "vCard 3.0", "vCard 4.0", "CSV (Google)", ...
    std::vector<Contact> contacts;
    std::vector<SourceNote> notes; // in the order of their lines
};

} // namespace ruvo::exchange
