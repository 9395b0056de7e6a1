#include "core/reading/ReadingGuess.h"

#include "core/text/FullWidthKana.h"
#include "core/text/Utf8.h"

#include <mecab.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace ruvo::reading {

namespace {

// Analyses asked of MeCab for each part of a name: enough for a family name
// that is not its most likely reading of the characters, few enough to stay
// quick.
constexpr std::size_t kAnalyses = 10;

// Characters replaced before analysis. The abbreviations are how a phone
// book writes a company's form; the kanji are variants that IPAdic does not
// hold and whose reading is that of their common form.
constexpr std::array<std::pair<char32_t, std::u32string_view>, 12> kReplacements{{
    {U'\u3231', U"株式会社"}, // ㈱
    {U'\u3232', U"有限会社"}, // ㈲
    {U'\u337F', U"株式会社"}, // ㍿
    {U'\u9AD9', U"高"},       // 髙
    {U'\uFA11', U"崎"},       // 﨑
    {U'\u5D5C', U"崎"},       // 嵜
    {U'\u5FB7', U"徳"},       // 德
    {U'\u6FF5', U"浜"},       // 濵
    {U'\u9089', U"辺"},       // 邉
    {U'\u908A', U"辺"},       // 邊
    {U'\uFA10', U"塚"},       // 塚 (compatibility form)
    {U'\U00020BB7', U"吉"},   // 𠮷
}};

// The same abbreviations written with brackets, after full-width brackets
// have become ASCII ones.
constexpr std::array<std::pair<std::u32string_view, std::u32string_view>, 2> kBracketed{{
    {U"(株)", U"株式会社"},
    {U"(有)", U"有限会社"},
}};

// A company's form, read as it is said: IPAdic reads some of them as their
// characters would be (ユウゲンカイシャ), and they are read alike in every name.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kCompanyForms{{
    {"株式会社", "カブシキガイシャ"},
    {"有限会社", "ユウゲンガイシャ"},
    {"合同会社", "ゴウドウガイシャ"},
    {"合資会社", "ゴウシガイシャ"},
    {"合名会社", "ゴウメイガイシャ"},
}};

bool IsSpace(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\u3000' || c == U'\u00A0';
}

void ReplaceAll(std::u32string& text, std::u32string_view from, std::u32string_view to) {
    for (std::size_t pos = text.find(from); pos != std::u32string::npos;
         pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

std::vector<std::string> SplitOnSpaces(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A node's feature as MeCab gives it, comma-separated: part of speech and
// its kinds (0 to 3), forms (4 to 6), reading (7) and pronunciation (8).
// Kept as views into MeCab's text: it is read for every word of every
// analysis, and allocating for each would be most of the time spent.
class Feature {
public:
    explicit Feature(const char* text) {
        std::string_view rest(text);
        while (count_ < fields_.size()) {
            const std::size_t comma = rest.find(',');
            fields_[count_++] = rest.substr(0, comma);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    std::string_view operator[](std::size_t i) const {
        return i < count_ ? fields_[i] : std::string_view();
    }
    bool Person() const {
        return (*this)[0] == "名詞" && (*this)[1] == "固有名詞" && (*this)[2] == "人名";
    }

private:
    std::array<std::string_view, 9> fields_{};
    std::size_t count_ = 0;
};

// The length of the full-width katakana (ァ to ー, U+30A1 to U+30FC) at pos
// in UTF-8 text: 3, or 0 when there is none.
std::size_t KatakanaAt(std::string_view text, std::size_t pos) {
    if (pos + 3 > text.size() || static_cast<unsigned char>(text[pos]) != 0xE3)
        return 0;
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    const auto third = static_cast<unsigned char>(text[pos + 2]);
    const bool katakana = (second == 0x82 && third >= 0xA1 && third <= 0xBF) ||
                          (second == 0x83 && third >= 0x80 && third <= 0xBC);
    return katakana ? 3 : 0;
}

bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// A token written in kana, ASCII or both is its own reading: hiragana made
// katakana. MeCab has no reading for Latin words at all, and the writer's
// kana are a better reading than the dictionary's for them.
std::optional<std::string> SurfaceAsReading(std::string_view surface) {
    // Most words are kanji: refused at their first byte.
    if (surface.empty() || (static_cast<unsigned char>(surface[0]) >= 0x80 &&
                            static_cast<unsigned char>(surface[0]) != 0xE3))
        return std::nullopt;
    std::string out;
    std::size_t pos = 0;
    while (pos < surface.size()) {
        const std::optional<char32_t> c = utf8::Next(surface, pos);
        if (!c)
            return std::nullopt;
        if (*c >= U'\u3041' && *c <= U'\u3096')
            utf8::Append(out, *c + 0x60);
        else if ((*c > 0x20 && *c < 0x7F) || (*c >= U'\u30A1' && *c <= U'\u30FC') ||
                 *c == U'\u309D' || *c == U'\u309E' || *c == U'\u30FD' || *c == U'\u30FE')
            utf8::Append(out, *c);
        else
            return std::nullopt;
    }
    return out;
}

// Whether the dictionary's reading of a token is one: katakana and ASCII.
// A word it does not know has "*" or no reading at all; a few signs (々)
// are their own "reading", which is no reading either.
bool IsReading(std::string_view reading) {
    std::size_t pos = 0;
    while (pos < reading.size()) {
        if (const std::size_t length = KatakanaAt(reading, pos))
            pos += length;
        else if (IsAsciiLetterOrDigit(reading[pos]))
            ++pos;
        else
            return false;
    }
    return !reading.empty();
}

// Whether two readings differ only in their spaces.
bool SameSounds(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (true) {
        while (i < a.size() && a[i] == ' ')
            ++i;
        while (j < b.size() && b[j] == ' ')
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (a[i++] != b[j++])
            return false;
    }
}

// One word of an analysis: where it is in the part, in bytes.
struct Word {
    std::size_t begin = 0;
    std::size_t length = 0;
    std::string reading; // as this analysis reads it
    bool familyName = false;
};

// One analysis of one part of a name, as a reading.
struct Analysis {
    std::string reading;
    std::vector<Word> words;
    bool person = false;
    bool oneWord = false;
    // Every word is one the dictionary knows, or kana: nothing was read
    // from a guess at an unknown word or taken over as Latin letters.
    bool known = true;
};

bool HasAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Reads one path of the lattice; nothing when a token has no reading, which
// is how MeCab marks a word it does not know.
std::optional<Analysis> ReadPath(const MeCab::Lattice& lattice, bool spaceBetweenNames) {
    Analysis analysis;
    analysis.person = true;
    bool sawGivenName = false;
    bool lastWasFamily = false;
    std::size_t tokens = 0;
    for (const MeCab::Node* node = lattice.bos_node(); node; node = node->next) {
        if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
            continue;
        ++tokens;
        const std::string_view surface(node->surface, node->length);
        const Feature fields(node->feature);
        const bool personToken = fields.Person();
        const bool family = personToken && fields[3] == "姓";
        const bool given = personToken && fields[3] == "名";
        // A family name after a given name is no name in Japanese order.
        if (!personToken || (family && sawGivenName))
            analysis.person = false;
        if (spaceBetweenNames && analysis.person && lastWasFamily && given)
            analysis.reading += ' ';
        Word word{
            static_cast<std::size_t>(node->surface - lattice.sentence()), node->length, {}, family};
        if (std::optional<std::string> own = SurfaceAsReading(surface)) {
            word.reading = std::move(*own);
            analysis.known = analysis.known && !HasAscii(surface);
        } else if (IsReading(fields[7])) {
            word.reading = fields[7];
            analysis.known = analysis.known && node->stat != MECAB_UNK_NODE;
        } else {
            return std::nullopt;
        }
        analysis.reading += word.reading;
        analysis.words.push_back(std::move(word));
        sawGivenName = sawGivenName || given;
        lastWasFamily = family;
    }
    if (tokens == 0)
        return std::nullopt;
    analysis.oneWord = tokens == 1;
    return analysis;
}

// Adds a reading unless the list is full or holds it already, spaced the
// same or not: a caller choosing among readings wants different sounds.
void AddDistinct(std::vector<std::string>& list, std::string reading) {
    if (list.size() < ReadingGuesser::kMaxProposals &&
        std::none_of(list.begin(), list.end(),
                     [&reading](const std::string& had) { return SameSounds(had, reading); }))
        list.push_back(std::move(reading));
}

// Joins the readings of the parts so far with those of the next part, the
// pairs whose ranks add up to least first.
std::vector<std::string> Combine(const std::vector<std::string>& left,
                                 const std::vector<std::string>& right) {
    std::vector<std::string> out;
    for (std::size_t sum = 0; sum + 2 <= left.size() + right.size(); ++sum)
        for (std::size_t i = 0; i < left.size() && i <= sum; ++i)
            if (sum - i < right.size())
                AddDistinct(out, left[i] + ' ' + right[sum - i]);
    return out;
}

// Where in a reading a walk through the name may have got to, by byte.
using Reach = std::vector<bool>;

// Marks in next the places reached from those in at by reading piece.
void AdvanceBy(std::string_view reading, const Reach& at, std::string_view piece, Reach& next) {
    for (std::size_t i = 0; i + piece.size() < at.size(); ++i)
        if (at[i] && reading.substr(i, piece.size()) == piece)
            next[i + piece.size()] = true;
}

// The voiced or unvoiced partner of a katakana (カ, ガ), or nothing.
std::optional<char32_t> VoicingPartner(char32_t c) {
    constexpr std::u32string_view plain = U"カキクケコサシスセソタチツテトハヒフヘホ";
    constexpr std::u32string_view voiced = U"ガギグゲゴザジズゼゾダヂヅデドバビブベボ";
    if (const std::size_t at = plain.find(c); at != std::u32string_view::npos)
        return voiced[at];
    if (const std::size_t at = voiced.find(c); at != std::u32string_view::npos)
        return plain[at];
    return std::nullopt;
}

// Whether typing could have made a from b by one slip: one kana left out or
// one too many, or one voiced that should not be or the other way.
bool OneSlipApart(std::string_view a, std::string_view b) {
    const std::u32string x = utf8::ToUtf32(a), y = utf8::ToUtf32(b);
    const std::u32string& longer = x.size() >= y.size() ? x : y;
    const std::u32string& shorter = x.size() >= y.size() ? y : x;
    if (longer.size() == shorter.size() + 1) {
        std::size_t i = 0;
        while (i < shorter.size() && shorter[i] == longer[i])
            ++i;
        return std::u32string_view(shorter).substr(i) == std::u32string_view(longer).substr(i + 1);
    }
    if (x.size() != y.size())
        return false;
    std::size_t differences = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i] != y[i] && (++differences > 1 || VoicingPartner(x[i]) != y[i]))
            return false;
    return differences == 1;
}

// Marks in next every place after one in at that a given name may have
// brought the reading to. A given name is read in more ways than any
// dictionary lists (博 as ヒロシ, ヒロム, ハク...), so any reading is taken
// but one a slip away from a reading the dictionary gives it (タロ for 太郎).
void AdvanceGivenName(std::string_view reading, const Reach& at,
                      const std::vector<std::string>& known, Reach& next) {
    std::vector<std::size_t> ends; // where each kana of the reading ends
    for (std::size_t pos = 0; pos < reading.size();) {
        utf8::Next(reading, pos);
        ends.push_back(pos);
    }
    for (std::size_t start = 0; start < at.size(); ++start) {
        if (!at[start])
            continue;
        for (std::size_t end : ends) {
            if (end <= start || next[end])
                continue;
            const std::string_view read = reading.substr(start, end - start);
            const auto slipped = [read](const std::string& k) { return OneSlipApart(read, k); };
            if (std::find(known.begin(), known.end(), read) != known.end() ||
                std::none_of(known.begin(), known.end(), slipped))
                next[end] = true;
        }
    }
}

// ガイシャ said as カイシャ, the form's reading otherwise unchanged.
std::string UnvoicedCompany(std::string_view formReading) {
    std::string text(formReading);
    const std::string_view voiced = "ガイシャ";
    if (text.ends_with(voiced))
        text.replace(text.size() - voiced.size(), voiced.size(), "カイシャ");
    return text;
}

// A reading as it is compared: full-width katakana, without spaces.
std::string Comparable(std::string_view readingUtf8) {
    std::string text = exchange::ToFullWidthKatakana(readingUtf8);
    std::erase_if(text, [](char c) { return c == ' '; });
    return text;
}

} // namespace

std::string NormalizeName(std::string_view nameUtf8) {
    const std::u32string source = utf8::ToUtf32(exchange::ToFullWidthKatakana(nameUtf8));
    std::u32string text;
    for (char32_t c : source) {
        if (c >= U'\uFF01' && c <= U'\uFF5E')
            c -= 0xFEE0;
        if (IsSpace(c)) {
            if (!text.empty() && text.back() != U' ')
                text += U' ';
            continue;
        }
        const auto* found = std::find_if(kReplacements.begin(), kReplacements.end(),
                                         [c](const auto& entry) { return entry.first == c; });
        if (found != kReplacements.end())
            text += found->second;
        else
            text += c;
    }
    for (const auto& [from, to] : kBracketed)
        ReplaceAll(text, from, to);
    if (!text.empty() && text.back() == U' ')
        text.pop_back();
    return utf8::FromUtf32(text);
}

// How many analyses a caller asks for: the one proposed first, or all the
// likely ones.
enum class Want { First, All };

struct ReadingGuesser::Engine {
    struct ModelDeleter {
        void operator()(MeCab::Model* model) const { MeCab::deleteModel(model); }
    };
    std::unique_ptr<MeCab::Model, ModelDeleter> model;
    std::unique_ptr<MeCab::Tagger> tagger;
    std::unique_ptr<MeCab::Lattice> lattice;

    std::vector<std::string> Propose(std::string_view nameUtf8, Want want) {
        const std::vector<std::string> parts = SplitOnSpaces(NormalizeName(nameUtf8));
        if (parts.empty())
            return {};
        std::vector<std::string> readings = ReadPart(parts.front(), parts.size() == 1, want);
        for (std::size_t i = 1; i < parts.size() && !readings.empty(); ++i)
            readings = Combine(readings, ReadPart(parts[i], false, want));
        return readings;
    }

    // The readings of one part of a name, a company's form before or after
    // the rest read from the table; only the first with Want::First.
    std::vector<std::string> ReadPart(const std::string& part, bool spaceBetweenNames, Want want) {
        for (const auto& [form, formReading] : kCompanyForms) {
            const std::string_view text(part);
            if (text == form)
                return {std::string(formReading)};
            const bool before = text.starts_with(form);
            if (!before && !text.ends_with(form))
                continue;
            const std::string rest(before ? text.substr(form.size())
                                          : text.substr(0, text.size() - form.size()));
            std::vector<std::string> readings = ReadPart(rest, false, want);
            for (std::string& reading : readings)
                reading = before ? std::string(formReading) + reading
                                 : reading + std::string(formReading);
            return readings;
        }
        return Analyse(part, spaceBetweenNames, want);
    }

    // The analyses of text, the one to propose first at the front: the
    // first that reads as a person's name, else the best one; then the
    // others in MeCab's order (with Want::First, the front alone). The
    // lattice keeps the part's words for ReadingsOf until the next part is
    // analysed.
    std::vector<Analysis> Analyses(const std::string& part, bool spaceBetweenNames, Want want) {
        lattice->clear();
        lattice->set_request_type(MECAB_NBEST);
        lattice->set_sentence(part.c_str(), part.size());
        if (!tagger->parse(lattice.get()))
            return {};
        std::vector<Analysis> analyses;
        for (std::size_t n = 0; n < kAnalyses; ++n) {
            if (std::optional<Analysis> analysis = ReadPath(*lattice, spaceBetweenNames)) {
                // The best analysis is the front when it is a person's name
                // or one word: most names, which need no other analysis.
                if (want == Want::First && n == 0 && (analysis->person || analysis->oneWord))
                    return {std::move(*analysis)};
                analyses.push_back(std::move(*analysis));
            }
            if (!lattice->next())
                break;
        }
        // A part that the dictionary knows as one word of another kind (東京,
        // a place) is that word, not a family and a given name made of its
        // characters.
        const bool oneOtherWord =
            !analyses.empty() && analyses.front().oneWord && !analyses.front().person;
        const auto person = std::find_if(analyses.begin(), analyses.end(),
                                         [](const Analysis& a) { return a.person; });
        if (person != analyses.end() && !oneOtherWord)
            std::rotate(analyses.begin(), person, person + 1);
        if (want == Want::First && analyses.size() > 1)
            analyses.resize(1);
        return analyses;
    }

    std::vector<std::string> Analyse(const std::string& part, bool spaceBetweenNames, Want want) {
        std::vector<std::string> readings;
        for (Analysis& analysis : Analyses(part, spaceBetweenNames, want))
            AddDistinct(readings, std::move(analysis.reading));
        return readings;
    }

    // Every way the dictionary reads text of the last part analysed (from
    // begin, length bytes): the readings and pronunciations (タロウ, タロー)
    // of each entry written so, or of its entries as a given name.
    std::vector<std::string> ReadingsOf(std::size_t begin, std::size_t length,
                                        bool givenNamesOnly) const {
        std::vector<std::string> readings;
        for (const MeCab::Node* node = lattice->begin_nodes(begin); node; node = node->bnext) {
            if (node->length != length)
                continue;
            const std::string_view surface(node->surface, node->length);
            const Feature fields(node->feature);
            if (givenNamesOnly && !(fields.Person() && fields[3] == "名"))
                continue;
            if (std::optional<std::string> own = SurfaceAsReading(surface))
                readings.push_back(std::move(*own));
            for (std::size_t field : {std::size_t{7}, std::size_t{8}})
                if (IsReading(fields[field]))
                    readings.emplace_back(fields[field]);
        }
        return readings;
    }

    // Follows a reading through one part: from the places in it where the
    // parts before may have ended (reached), to where this part may end.
    // False when the part holds a word the dictionary cannot read surely.
    bool FollowPart(std::string_view part, std::string_view reading, Reach& reached, Want want) {
        for (const auto& [form, formReading] : kCompanyForms) {
            const bool before = part.starts_with(form);
            if (!before && !part.ends_with(form))
                continue;
            // A company is as often filed under its name alone as with its
            // form read out, and 会社 is heard both voiced and not.
            const std::string_view said = formReading;
            const auto followForm = [&reading, said](Reach& at) {
                Reach next = at;
                AdvanceBy(reading, at, said, next);
                AdvanceBy(reading, at, UnvoicedCompany(said), next);
                at = std::move(next);
            };
            const std::string_view rest =
                before ? part.substr(form.size()) : part.substr(0, part.size() - form.size());
            if (before)
                followForm(reached);
            const bool sure = rest.empty() || FollowPart(rest, reading, reached, want);
            if (!before)
                followForm(reached);
            return sure;
        }
        // The lattice's words point into the text it analysed: kept for
        // ReadingsOf below.
        const std::string text(part);
        const std::vector<Analysis> analyses = Analyses(text, false, want);
        if (analyses.empty() || !analyses.front().known)
            return false;
        // A reading made of the words of any likely analysis is one the
        // dictionary gives the name: 港内科 is 港|内科 as well as 港内|科,
        // and 林学 a person as well as a subject. What follows a family name
        // is a given name, however the dictionary cut it up.
        Reach ends(reached.size(), false);
        for (const Analysis& analysis : analyses) {
            const std::vector<Word>& words = analysis.words;
            const bool givenName = words.front().familyName && words.size() > 1;
            Reach at = reached;
            for (std::size_t i = 0; i < (givenName ? 1 : words.size()); ++i) {
                Reach next(reached.size(), false);
                for (const std::string& wordReading :
                     ReadingsOf(words[i].begin, words[i].length, false))
                    AdvanceBy(reading, at, wordReading, next);
                at = std::move(next);
            }
            if (givenName) {
                const std::size_t begin = words[1].begin;
                std::vector<std::string> known =
                    ReadingsOf(begin, words.back().begin + words.back().length - begin, true);
                known.emplace_back();
                for (std::size_t i = 1; i < words.size(); ++i)
                    known.back() += words[i].reading;
                Reach next(reached.size(), false);
                AdvanceGivenName(reading, at, known, next);
                at = std::move(next);
            }
            for (std::size_t i = 0; i < ends.size(); ++i)
                ends[i] = ends[i] || at[i];
        }
        reached = std::move(ends);
        return true;
    }
};

ReadingGuesser::ReadingGuesser(std::string dictionaryFolder)
    : dictionaryFolder_(std::move(dictionaryFolder)) {}

ReadingGuesser::~ReadingGuesser() = default;

ReadingGuesser::Engine* ReadingGuesser::Load() {
    if (tried_)
        return engine_.get();
    tried_ = true;
    // The arguments as a vector, not one string MeCab would split at
    // spaces; an empty resource file so that no user's or system's mecabrc
    // adds a dictionary of its own.
    std::string program = "ruvo", rcOption = "-r", rcFile = "/dev/null", dicOption = "-d";
    std::string folder = dictionaryFolder_;
    std::array<char*, 5> argv{program.data(), rcOption.data(), rcFile.data(), dicOption.data(),
                              folder.data()};
    auto engine = std::make_unique<Engine>();
    engine->model.reset(MeCab::createModel(static_cast<int>(argv.size()), argv.data()));
    if (!engine->model)
        return nullptr;
    engine->tagger.reset(engine->model->createTagger());
    engine->lattice.reset(engine->model->createLattice());
    if (!engine->tagger || !engine->lattice)
        return nullptr;
    engine_ = std::move(engine);
    return engine_.get();
}

bool ReadingGuesser::Available() {
    return Load() != nullptr;
}

ReadingCheck ReadingGuesser::Check(std::string_view nameUtf8, std::string_view readingUtf8) {
    Engine* engine = Load();
    if (!engine)
        return ReadingCheck::Unsure;
    const std::string reading = Comparable(readingUtf8);
    const std::vector<std::string> parts = SplitOnSpaces(NormalizeName(nameUtf8));
    if (parts.empty() || reading.empty())
        return ReadingCheck::Unsure;
    // Most readings are the one proposed first, which one analysis of each
    // part shows; only the others need them all.
    for (const Want want : {Want::First, Want::All}) {
        Reach reached(reading.size() + 1, false);
        reached.front() = true;
        for (const std::string& part : parts)
            if (!engine->FollowPart(part, reading, reached, want))
                return ReadingCheck::Unsure;
        if (reached.back())
            return ReadingCheck::Agrees;
    }
    return ReadingCheck::Disagrees;
}

std::vector<std::string> ReadingGuesser::Propose(std::string_view nameUtf8) {
    Engine* engine = Load();
    return engine ? engine->Propose(nameUtf8, Want::All) : std::vector<std::string>();
}

std::optional<std::string> ReadingGuesser::FirstProposal(std::string_view nameUtf8) {
    Engine* engine = Load();
    if (!engine)
        return std::nullopt;
    std::vector<std::string> readings = engine->Propose(nameUtf8, Want::First);
    if (readings.empty())
        return std::nullopt;
    return std::move(readings.front());
}

} // namespace ruvo::reading
