#include "core/exchange/ContactReader.h"

#include "core/exchange/CsvReader.h"
#include "core/exchange/VCardReader.h"

#include "core/file/FileSystem.h"

#include <cstring>

namespace ruvo::exchange {

ContactSource ReadContacts(std::string_view bytes, const std::string& sourceName) {
    if (LooksLikeVCard(bytes))
        return ReadVCards(bytes, sourceName);
    if (LooksLikeKnownCsv(bytes))
        return ReadCsvContacts(bytes, sourceName);
    ThrowAt(sourceName, 1, "neither a vCard nor a CSV with known column names");
}

ContactSource ReadContactsFile(const std::string& path) {
    std::string bytes;
    if (const FileError error = ReadWholeFile(path, bytes))
        throw ExchangeError(path + ": " + std::strerror(error.value()));
    return ReadContacts(bytes, path);
}

} // namespace ruvo::exchange
