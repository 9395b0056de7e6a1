#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ruvo {

// Makes phone books that look like real ones: kanji names of people and
// shops, half-width katakana readings with voiced marks and long vowels,
// group numbers and telephone numbers, in code page 932. The same seed gives
// the same book on every platform.
class PhoneBookGenerator {
public:
    explicit PhoneBookGenerator(std::uint64_t seed = 1);

    // Six header lines, without line ends, stating the number of entries.
    std::array<std::string, 6> HeaderLines(std::size_t entries) const;

    // The next entry line without its line end, in the form the editor
    // writes: group, name, reading, telephone number with ":0:0" (or
    // nothing), separated by TAB. About 38 bytes on average.
    std::string NextEntryLine();

    // Writes a whole book of `entries` entries with CR LF line ends. Throws
    // std::runtime_error when the file cannot be written.
    void WriteFile(const std::string& path, std::size_t entries);

    struct Word {
        std::string text;    // code page 932
        std::string reading; // half-width katakana, code page 932
    };

private:
    std::uint64_t Next();
    std::size_t Below(std::size_t bound);
    const Word& Pick(const std::vector<Word>& words);
    void AppendTelephone(std::string& line);

    std::uint64_t state_;
    std::vector<Word> surnames_;
    std::vector<Word> givenNames_;
    std::vector<Word> places_;
    std::vector<Word> businesses_;
};

} // namespace ruvo
