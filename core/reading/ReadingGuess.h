#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo::reading {

// The dictionary the guesser reads: IPAdic in UTF-8 as Debian installs it.
// Named by its folder rather than taken from MeCab's default, which is an
// alternative another dictionary package may take over.
inline constexpr std::string_view kIpadicFolder = "/var/lib/mecab/dic/ipadic-utf8";

// What the dictionary says of a name's reading.
enum class ReadingCheck {
    Agrees,    // it reads the name so
    Disagrees, // it reads the name surely, and not so
    Unsure,    // it cannot say: no dictionary, or a word it does not know
};

// Proposes readings for a name (a person or a company) with MeCab's
// morphological analysis. MeCab and its dictionary are loaded on first use;
// when they cannot be, nothing is proposed and everything else goes on.
// One object serves one thread at a time.
class ReadingGuesser {
public:
    explicit ReadingGuesser(std::string dictionaryFolder = std::string(kIpadicFolder));
    ~ReadingGuesser();
    ReadingGuesser(const ReadingGuesser&) = delete;
    ReadingGuesser& operator=(const ReadingGuesser&) = delete;

    // Whether the dictionary loaded (loads it if not tried yet).
    bool Available();

    // Up to five distinct readings of a UTF-8 name, best first: full-width
    // katakana, with ASCII letters, digits and signs kept, and one space
    // between the parts of the name (where the name has a space, and between
    // a family name and a given name written together). Empty when the name
    // holds a word the dictionary cannot read, or nothing can be loaded.
    std::vector<std::string> Propose(std::string_view nameUtf8);
    // Propose's first reading, found with less work: for a caller that
    // takes it without offering the others.
    std::optional<std::string> FirstProposal(std::string_view nameUtf8);

    // Whether a reading (katakana of either width, spaced anywhere or not)
    // is one the dictionary gives a UTF-8 name: made of the readings or
    // pronunciations of the words of the analysis proposed first or of
    // another likely analysis as a person's name. A company's form may be
    // read or left out. Unsure for a name with a word the dictionary does
    // not know, or with Latin letters or digits, whose reading nobody can
    // tell from the name.
    ReadingCheck Check(std::string_view nameUtf8, std::string_view readingUtf8);

    static constexpr std::size_t kMaxProposals = 5;

private:
    struct Engine;
    Engine* Load();

    std::string dictionaryFolder_;
    bool tried_ = false;
    std::unique_ptr<Engine> engine_;
};

// The name as it is analysed: abbreviations such as ㈱ written out, variant
// kanji replaced by their common forms, full-width ASCII and half-width
// katakana made their usual widths, runs of spaces one space, no space at
// either end.
std::string NormalizeName(std::string_view nameUtf8);

} // namespace ruvo::reading
