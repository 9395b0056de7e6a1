#include "core/exchange/ContactReader.h"

#include "core/exchange/CsvReader.h"
#include "core/exchange/VCardReader.h"

#include "core/exchange/FileKind.h"
#include "core/exchange/InputText.h"
#include "core/file/FileSystem.h"
#include "core/file/InOutError.h"
#include "core/messages/MessageText.h"

namespace ruvo::exchange {

ContactSource ReadContacts(std::string_view bytes, const std::string& sourceName) {
    if (LooksLikeVCard(bytes))
        return ReadVCards(bytes, sourceName);
    if (LooksLikeKnownCsv(bytes))
        return ReadCsvContacts(bytes, sourceName);
    ThrowAt(sourceName, 1,
            std::string(KindOfBytes(bytes) == FileKind::NotText ? messages::kContactsNotText
                                                                : messages::kContactsNeither));
}

ContactSource ReadContactsFile(const std::string& path) {
    std::string bytes;
    if (const FileError error = ReadWholeFile(path, bytes))
        throw ExchangeError(FileNameForMessage(path) + ": " + InOutErrorText(error.value(), path));
    return ReadContacts(bytes, path);
}

} // namespace ruvo::exchange
