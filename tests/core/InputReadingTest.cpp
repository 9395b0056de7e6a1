// The reading of a name from what the input method showed and committed, as
// Mozc shows it: romaji becomes kana in the preedit, a conversion turns the
// preedit into kanji, Enter commits.

#include "core/reading/InputReading.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ruvo::reading {
namespace {

// One step of typing: a preedit shown, a commit (with or without kana left
// in the preedit), or the box edited some other way to this text.
struct Step {
    enum Kind { Preedit, Commit, CommitLeavingPreedit, Edited } kind;
    std::string text;
};

struct TypingCase {
    const char* what;
    std::vector<Step> steps;
    std::string box; // what the box holds in the end
    std::optional<std::string> reading;
};

// Romaji typed into the input method, its kana, its conversion committed.
std::vector<Step> Converted(const std::string& kanaSoFar, const std::string& kana,
                            const std::string& kanji) {
    return {{Step::Preedit, kanaSoFar},
            {Step::Preedit, kana},
            {Step::Preedit, kanji},
            {Step::Commit, kanji}};
}

std::vector<Step> Then(std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The steps given to a history, in order.
void Replay(InputReading& history, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.kind == Step::Preedit)
            history.Preedit(step.text);
        else if (step.kind == Step::Edited)
            history.TextChanged(step.text);
        else
            history.Commit(step.text, step.kind == Step::CommitLeavingPreedit);
    }
}

void ExpectReadings(std::span<const TypingCase> cases) {
    for (const TypingCase& c : cases) {
        InputReading history;
        Replay(history, c.steps);
        EXPECT_EQ(history.Reading(c.box), c.reading) << c.what;
    }
}

TEST(InputReading, FromWhatWasTyped) {
    const std::vector<Step> yamada = Converted("やまｄ", "やまだ", "山田");
    const std::vector<Step> tarou = Converted("たろ", "たろう", "太郎");
    const TypingCase cases[] = {
        {"one conversion", yamada, "山田", "ﾔﾏﾀﾞ"},
        {"a name in two conversions", Then(yamada, tarou), "山田太郎", "ﾔﾏﾀﾞﾀﾛｳ"},
        {"a space between family and given name",
         Then(Then(yamada, {{Step::Commit, "\u3000"}}), tarou), "山田\u3000太郎", "ﾔﾏﾀﾞ ﾀﾛｳ"},
        {"kana committed as they are",
         {{Step::Preedit, "さくら"}, {Step::Commit, "さくら"}},
         "さくら",
         "ｻｸﾗ"},
        {"katakana and a long vowel",
         {{Step::Preedit, "じょーじ"}, {Step::Preedit, "ジョージ"}, {Step::Commit, "ジョージ"}},
         "ジョージ",
         "ｼﾞｮｰｼﾞ"},
        {"Latin letters and digits typed without the input method",
         std::vector<Step>{{Step::Commit, "Bob"}, {Step::Commit, " "}, {Step::Commit, "2"}},
         "Bob 2", "Bob 2"},
        {"the last word taken back, another typed",
         Then(Then(Then(yamada, tarou), {{Step::Edited, "山田"}}),
              Converted("はな", "はなこ", "花子")),
         "山田花子", "ﾔﾏﾀﾞﾊﾅｺ"},
        {"the last word deleted character by character",
         Then(Then(yamada, tarou), {{Step::Edited, "山田太"}, {Step::Edited, "山田"}}), "山田",
         "ﾔﾏﾀﾞ"},
        {"nothing typed", {}, "", std::nullopt},
    };
    ExpectReadings(cases);
}

// Rather no reading than a wrong one.
TEST(InputReading, NoReadingWhereTheHistoryCannotTell) {
    const std::vector<Step> yamada = Converted("やまｄ", "やまだ", "山田");
    const std::vector<Step> tarou = Converted("たろ", "たろう", "太郎");
    const TypingCase cases[] = {
        {"edited in the middle", Then(Then(yamada, tarou), {{Step::Edited, "山太郎"}}), "山太郎",
         std::nullopt},
        {"half of a word deleted", Then(Then(yamada, tarou), {{Step::Edited, "山田太"}}), "山田太",
         std::nullopt},
        {"kanji pasted", {{Step::Edited, "山田"}}, "山田", std::nullopt},
        {"kanji committed without a kana preedit", {{Step::Commit, "山田"}}, "山田", std::nullopt},
        {"part of the preedit converted and committed",
         {{Step::Preedit, "やまだたろう"},
          {Step::Preedit, "山田たろう"},
          {Step::CommitLeavingPreedit, "山田"}},
         "山田",
         std::nullopt},
        {"the box holds more than was typed", yamada, "山田様", std::nullopt},
        {"typed after half of a word was deleted",
         Then(Then(Then(yamada, tarou), {{Step::Edited, "山田太"}}), Converted("ろ", "ろう", "朗")),
         "山田太朗", std::nullopt},
        {"lost, then more typed", Then({{Step::Commit, "山"}}, yamada), "山山田", std::nullopt},
    };
    ExpectReadings(cases);
}

TEST(InputReading, AnEmptiedBoxStartsAfresh) {
    InputReading history;
    history.Commit("山田"); // no kana seen: lost
    history.TextChanged("");
    Replay(history, Converted("たなk", "たなか", "田中"));
    EXPECT_EQ(history.Reading("田中"), std::optional<std::string>("ﾀﾅｶ"));
}

} // namespace
} // namespace ruvo::reading
