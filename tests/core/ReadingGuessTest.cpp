#include "core/reading/ReadingGuess.h"

#include "core/book/BookCheck.h"
#include "core/text/Cp932.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using ruvo::reading::NormalizeName;
using ruvo::reading::ReadingCheck;
using ruvo::reading::ReadingGuesser;

// One guesser for the whole program: loading the dictionary is the slow
// part, and a guesser is meant to be reused.
ReadingGuesser& Guesser() {
    static ReadingGuesser guesser;
    return guesser;
}

class ReadingGuessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Guesser().Available())
            GTEST_SKIP() << "mecab-ipadic-utf8 is not installed in "
                         << ruvo::reading::kIpadicFolder;
    }
};

struct Case {
    const char* name;
    const char* reading;
};

// Names as a phone book holds them and the reading a person would type.
// A company's reading has no space of its own: the space is where the name
// has one, or between a family and a given name.
const Case kNames[] = {
    {"山田太郎", "ヤマダ タロウ"},
    {"山田 太郎", "ヤマダ タロウ"},
    {"山田　太郎", "ヤマダ タロウ"},
    {"  山田 \t 太郎 ", "ヤマダ タロウ"},
    {"佐藤 花子", "サトウ ハナコ"},
    {"佐藤花子", "サトウ ハナコ"},
    {"鈴木一郎", "スズキ イチロウ"},
    {"小林一茶", "コバヤシ イッサ"},
    {"長野太郎", "ナガノ タロウ"},
    {"高橋", "タカハシ"},
    {"田中", "タナカ"},
    {"渡辺", "ワタナベ"},
    {"伊藤", "イトウ"},
    {"中村", "ナカムラ"},
    {"佐々木", "ササキ"},
    // Variant kanji read as their common forms.
    {"髙橋", "タカハシ"},
    {"山﨑", "ヤマザキ"},
    {"渡邊", "ワタナベ"},
    {"𠮷田", "ヨシダ"},
    // A place is read as the place, not as a family and a given name.
    {"東京", "トウキョウ"},
    // Companies, their form written out or abbreviated.
    {"株式会社ソニー", "カブシキガイシャソニー"},
    {"㈱日立製作所", "カブシキガイシャヒタチセイサクショ"},
    {"(株)日立製作所", "カブシキガイシャヒタチセイサクショ"},
    {"（株）田中商店", "カブシキガイシャタナカショウテン"},
    {"㈲山田工務店", "ユウゲンガイシャヤマダコウムテン"},
    {"東京ガス", "トウキョウガス"},
    // Kana and Latin letters are their own reading.
    {"NTTドコモ", "NTTドコモ"},
    {"Ｓｏｎｙ", "Sony"},
    {"ｿﾆｰ", "ソニー"},
    {"さくら", "サクラ"},
};

TEST_F(ReadingGuessTest, FirstProposalIsTheUsualReading) {
    for (const Case& c : kNames) {
        const std::vector<std::string> readings = Guesser().Propose(c.name);
        ASSERT_FALSE(readings.empty()) << c.name;
        EXPECT_EQ(readings.front(), c.reading) << c.name;
        // The import's shorter way to it finds the same.
        EXPECT_EQ(Guesser().FirstProposal(c.name), c.reading) << c.name;
    }
}

TEST_F(ReadingGuessTest, ProposalsAreFewDistinctAndReadings) {
    for (const Case& c : kNames) {
        const std::vector<std::string> readings = Guesser().Propose(c.name);
        EXPECT_LE(readings.size(), ReadingGuesser::kMaxProposals) << c.name;
        std::set<std::string> unspaced;
        for (const std::string& reading : readings) {
            std::string sounds;
            for (char byte : reading)
                if (byte != ' ')
                    sounds += byte;
            EXPECT_TRUE(unspaced.insert(sounds).second) << c.name << ": " << reading;
            // Nothing of the name's kanji is ever copied into a reading.
            for (const char* kanji : {"山", "田", "株", "髙", "々", "*"})
                EXPECT_EQ(reading.find(kanji), std::string::npos) << c.name << ": " << reading;
        }
    }
    // A name whose characters read several ways has other proposals.
    EXPECT_GE(Guesser().Propose("山田太郎").size(), 2u);
}

TEST_F(ReadingGuessTest, UnreadableNamesGetNothing) {
    for (const char* name : {
             "龘",      // a character the dictionary has no word for
             "龘龘",    // ... twice
             "龘 太郎", // a readable given name does not save the family name
             "山田 龘", // nor the other way round
             "𪚲山",    // a character beyond the basic plane
             "",        // nothing at all
             "   　 ",  // spaces only
         })
        EXPECT_TRUE(Guesser().Propose(name).empty() && !Guesser().FirstProposal(name)) << name;
}

struct CheckCase {
    const char* name;
    const char* reading; // as a phone book stores it, half-width
    ReadingCheck verdict;
};

// Readings as people store them, and slips the check should catch.
const CheckCase kChecks[] = {
    {"山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", ReadingCheck::Agrees},
    {"山田太郎", "ﾔﾏﾀﾞﾀﾛｳ", ReadingCheck::Agrees},      // spaces do not matter
    {"山田 太郎", "ﾔﾏﾀﾞﾀﾛｰ", ReadingCheck::Agrees},     // the pronunciation
    {"山田太郎", "ヤマダタロウ", ReadingCheck::Agrees}, // full-width
    {"山崎", "ﾔﾏｻｷ", ReadingCheck::Agrees},             // a reading less usual, in the dictionary
    {"中島", "ﾅｶｼﾏ", ReadingCheck::Agrees},
    {"佐久間悟", "ｻｸﾏｻﾄｼ", ReadingCheck::Agrees}, // given names are read in many ways
    {"高橋博", "ﾀｶﾊｼﾋﾛﾑ", ReadingCheck::Agrees},
    {"株式会社ソニー", "ｿﾆｰ", ReadingCheck::Agrees}, // filed under the name alone
    {"株式会社ソニー", "ｶﾌﾞｼｷｶﾞｲｼｬｿﾆｰ", ReadingCheck::Agrees},
    {"㈱日立製作所", "ﾋﾀﾁｾｲｻｸｼｮ", ReadingCheck::Agrees},
    {"東京ガス", "ﾄｳｷｮｳｶﾞｽ", ReadingCheck::Agrees},
    {"山田太郎", "ﾔﾏﾀﾞﾀﾛ", ReadingCheck::Disagrees},   // a kana left out of the given name
    {"鈴木一郎", "ｽｽｷﾞｲﾁﾛｳ", ReadingCheck::Disagrees}, // the voicing in the wrong place
    {"田中", "ﾀﾅｶﾞ", ReadingCheck::Disagrees},
    {"東京ガス", "ﾄｳｷｮｶﾞｽ", ReadingCheck::Disagrees},
    {"株式会社日立製作所", "ﾋﾀﾁｾｲｻｸｿ", ReadingCheck::Disagrees},
    {"田中", "ｽｽﾞｷ", ReadingCheck::Disagrees},         // another entry's reading
    {"龘", "ｱ", ReadingCheck::Unsure},                 // a word the dictionary has not
    {"ABC商事", "ｴｰﾋﾞｰｼｰｼｮｳｼﾞ", ReadingCheck::Unsure}, // Latin letters: read anyhow
    {"山田", "", ReadingCheck::Unsure},
};

TEST_F(ReadingGuessTest, CheckDoubtsOnlyReadingsTheDictionaryIsSureOf) {
    for (const CheckCase& c : kChecks)
        EXPECT_EQ(Guesser().Check(c.name, c.reading), c.verdict) << c.name << " " << c.reading;
}

TEST(ReadingGuessWithoutDictionary, ProposesNothing) {
    ReadingGuesser guesser("/nonexistent/mecab/dictionary");
    EXPECT_FALSE(guesser.Available());
    EXPECT_TRUE(guesser.Propose("山田太郎").empty());
    EXPECT_EQ(guesser.Check("田中", "ﾀﾅｶﾞ"), ReadingCheck::Unsure);
    EXPECT_FALSE(guesser.Available());
}

// The book check goes on without the dictionary and says once that it
// compared no reading with it.
TEST(ReadingGuessWithoutDictionary, BookCheckSaysSo) {
    ruvo::PhoneBookTable table;
    for (const char* reading : {"ﾀﾅｶﾞ", "ｽｽｷﾞ"}) {
        table.AppendEntry();
        table.SetField(ruvo::Field::Name, *ruvo::cp932::FromUtf8("田中"));
        table.SetField(ruvo::Field::Kana, *ruvo::cp932::FromUtf8(reading));
        table.CommitEntry();
    }
    ReadingGuesser guesser("/nonexistent/mecab/dictionary");
    const ruvo::BookCheckResult result = ruvo::CheckPhoneBook(table, &guesser);
    EXPECT_TRUE(result.findings.empty());
    EXPECT_EQ(result.note, "辞書 (mecab-ipadic-utf8) がないので読みを辞書と比べられません");
    EXPECT_TRUE(ruvo::CheckPhoneBook(table).note.empty());
}

TEST(ReadingGuessNormalize, WritesOutAbbreviationsAndCommonForms) {
    const Case cases[] = {
        {"㈱山田", "株式会社山田"},
        {"山田㈲", "山田有限会社"},
        {"(株)山田 (有)田中", "株式会社山田 有限会社田中"},
        {"（株）山田", "株式会社山田"},
        {"㍿山田", "株式会社山田"},
        {"髙﨑德濵邉邊嵜", "高崎徳浜辺辺崎"},
        {"　山田　　太郎　", "山田 太郎"},
        {"山田\t \u00A0太郎", "山田 太郎"},
        {"ＡＢＣ１２３", "ABC123"},
        {"ﾔﾏﾀﾞ ﾀﾛｳ", "ヤマダ タロウ"},
        {"(株", "(株"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormalizeName(c.name), c.reading) << c.name;
}

} // namespace
