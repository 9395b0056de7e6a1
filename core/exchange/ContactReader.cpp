#include "ContactReader.h"

#include "CsvReader.h"
#include "VCardReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ruvo::exchange {

ContactSource ReadContacts(std::string_view bytes, const std::string& sourceName) {
    if (LooksLikeVCard(bytes))
        return ReadVCards(bytes, sourceName);
    if (LooksLikeKnownCsv(bytes))
        return ReadCsvContacts(bytes, sourceName);
    ThrowAt(sourceName, 1, "neither a vCard nor a CSV with known column names");
}

ContactSource ReadContactsFile(const std::string& path) {
    const auto fail = [&](int error) { throw ExchangeError(path + ": " + std::strerror(error)); };
    // Non-blocking, so that a FIFO without a writer cannot hang the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0)
        fail(errno);
    if (!S_ISREG(st.st_mode))
        fail(S_ISDIR(st.st_mode) ? EISDIR : EACCES);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    while (true) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            fail(errno);
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return ReadContacts(bytes, path);
}

} // namespace ruvo::exchange
