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

std::vector<std::string_view> SplitFeature(const char* feature) {
    std::vector<std::string_view> fields;
    std::string_view rest(feature);
    while (true) {
        const std::size_t comma = rest.find(',');
        fields.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return fields;
}

// A token written in kana, ASCII or both is its own reading: hiragana made
// katakana. MeCab has no reading for Latin words at all, and the writer's
// kana are a better reading than the dictionary's for them.
std::optional<std::string> SurfaceAsReading(std::string_view surface) {
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
        const std::optional<char32_t> c = utf8::Next(reading, pos);
        if (!c || !((*c >= U'\u30A1' && *c <= U'\u30FC') || (*c >= U'A' && *c <= U'Z') ||
                    (*c >= U'a' && *c <= U'z') || (*c >= U'0' && *c <= U'9')))
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

// One analysis of one part of a name, as a reading.
struct Analysis {
    std::string reading;
    bool person = false;
    bool oneWord = false;
};

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
        const std::vector<std::string_view> fields = SplitFeature(node->feature);
        const bool personToken = fields.size() > 3 && fields[0] == "名詞" &&
                                 fields[1] == "固有名詞" && fields[2] == "人名";
        const bool family = personToken && fields[3] == "姓";
        const bool given = personToken && fields[3] == "名";
        // A family name after a given name is no name in Japanese order.
        if (!personToken || (family && sawGivenName))
            analysis.person = false;
        if (spaceBetweenNames && analysis.person && lastWasFamily && given)
            analysis.reading += ' ';
        if (std::optional<std::string> own = SurfaceAsReading(surface))
            analysis.reading += *own;
        else if (fields.size() > 7 && IsReading(fields[7]))
            analysis.reading += fields[7];
        else
            return std::nullopt;
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

struct ReadingGuesser::Engine {
    struct ModelDeleter {
        void operator()(MeCab::Model* model) const { MeCab::deleteModel(model); }
    };
    std::unique_ptr<MeCab::Model, ModelDeleter> model;
    std::unique_ptr<MeCab::Tagger> tagger;
    std::unique_ptr<MeCab::Lattice> lattice;

    // The readings of one part of a name, a company's form before or after
    // the rest read from the table.
    std::vector<std::string> ReadPart(const std::string& part, bool spaceBetweenNames) {
        for (const auto& [form, formReading] : kCompanyForms) {
            const std::string_view text(part);
            if (text == form)
                return {std::string(formReading)};
            const bool before = text.starts_with(form);
            if (!before && !text.ends_with(form))
                continue;
            const std::string rest(before ? text.substr(form.size())
                                          : text.substr(0, text.size() - form.size()));
            std::vector<std::string> readings = ReadPart(rest, false);
            for (std::string& reading : readings)
                reading = before ? std::string(formReading) + reading
                                 : reading + std::string(formReading);
            return readings;
        }
        return Analyse(part, spaceBetweenNames);
    }

    // The readings of text: the first analysis that reads as a person's
    // name, else the best one; then the others in MeCab's order.
    std::vector<std::string> Analyse(const std::string& part, bool spaceBetweenNames) {
        lattice->clear();
        lattice->set_request_type(MECAB_NBEST);
        lattice->set_sentence(part.c_str(), part.size());
        if (!tagger->parse(lattice.get()))
            return {};
        std::vector<Analysis> analyses;
        for (std::size_t n = 0; n < kAnalyses; ++n) {
            if (std::optional<Analysis> analysis = ReadPath(*lattice, spaceBetweenNames))
                analyses.push_back(std::move(*analysis));
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
        std::vector<std::string> readings;
        for (Analysis& analysis : analyses)
            AddDistinct(readings, std::move(analysis.reading));
        return readings;
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

std::vector<std::string> ReadingGuesser::Propose(std::string_view nameUtf8) {
    Engine* engine = Load();
    if (!engine)
        return {};
    const std::vector<std::string> parts = SplitOnSpaces(NormalizeName(nameUtf8));
    if (parts.empty())
        return {};
    std::vector<std::string> readings = engine->ReadPart(parts.front(), parts.size() == 1);
    for (std::size_t i = 1; i < parts.size() && !readings.empty(); ++i)
        readings = Combine(readings, engine->ReadPart(parts[i], false));
    return readings;
}

} // namespace ruvo::reading
