#include "core/book/table/PhoneBookTable.h"
#include "core/book/table/TableObserver.h"

#include "core/error/Errors.h"
#include "core/text/Cp932.h"
#include "core/text/collation/Collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace ruvo {
namespace {

// The table's messages, as a failure carries them (UTF-8).
const std::string kEmptyTableText = "空のデータセットには, この操作は実行できません";
const std::string kNotEditingText = "データセットが編集または挿入モードではありません";
const std::string kFieldHead = "項目 '";
const std::string kNotFoundTail = "' が見つかりません";

const Field kFields[] = {Field::Group, Field::Name, Field::Kana, Field::Tel};

// One entry's fields; nullopt for a field that is not set.
struct Values {
    FieldValue group, name, kana, tel;
    const FieldValue& operator[](Field f) const {
        switch (f) {
        case Field::Group:
            return group;
        case Field::Name:
            return name;
        case Field::Kana:
            return kana;
        case Field::Tel:
            return tel;
        }
        return tel;
    }
    FieldValue& operator[](Field f) { return const_cast<FieldValue&>(std::as_const(*this)[f]); }
    bool operator==(const Values&) const = default;
};

void PrintTo(const Values& v, std::ostream* os) {
    *os << "{";
    for (Field f : kFields)
        *os << (v[f] ? "\"" + *v[f] + "\"" : "unset"s) << (f == Field::Tel ? "}" : ", ");
}

Values ReadRow(const PhoneBookTable& table, std::size_t row) {
    Values v;
    for (Field f : kFields) {
        CellValue cell = table.Cell(row, f);
        if (cell.set)
            v[f] = std::string(cell.text);
        else
            EXPECT_TRUE(cell.text.empty());
    }
    return v;
}

std::vector<Values> ReadRows(const PhoneBookTable& table) {
    std::vector<Values> rows;
    for (std::size_t r = 0; r < table.RowCount(); ++r)
        rows.push_back(ReadRow(table, r));
    return rows;
}

void Add(PhoneBookTable& table, const Values& v) {
    table.AppendEntry();
    for (Field f : kFields) {
        if (v[f])
            table.SetField(f, *v[f]);
    }
    table.CommitEntry();
}

// Entries with only Kana and Group set, the fields that decide the sorted order.
Values KG(FieldValue kana, FieldValue group, std::string name = "") {
    return {std::move(group), std::move(name), std::move(kana), std::nullopt};
}

// The names of the entries in the order of a traversal, MoveFirst to AtEnd.
std::vector<std::string> Traverse(PhoneBookTable& table) {
    std::vector<std::string> names;
    for (table.MoveFirst(); !table.AtEnd(); table.MoveNext())
        names.push_back(table.GetField("Name"));
    return names;
}

std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return "(no failure)";
}

class PhoneBookTableTest : public testing::Test {
protected:
    PhoneBookTable table;

    void AddNamed(std::initializer_list<const char*> names) {
        for (const char* n : names)
            Add(table, {"01"s, n, "K"s, "1"s});
    }
};

// After "項目 '" and the field's name.
const std::string kNoLineBreakTail = "' の値にタブや改行は入れられません";

// --- Storing rule ---------------------------------------------------------

struct StoreCase {
    const char* what;
    Field field;
    std::string text;
    std::string stored;
};

void PrintTo(const StoreCase& c, std::ostream* os) {
    *os << c.what;
}

class StoreTest : public testing::TestWithParam<StoreCase> {};

TEST_P(StoreTest, StoresByTheRule) {
    const StoreCase& c = GetParam();
    PhoneBookTable table;
    table.AppendEntry();
    table.SetField(c.field, c.text);
    EXPECT_EQ(table.GetField(c.field), c.stored) << "pending";
    table.CommitEntry();
    EXPECT_EQ(table.GetField(c.field), c.stored) << "committed";
    CellValue cell = table.Cell(0, c.field);
    EXPECT_TRUE(cell.set);
    EXPECT_EQ(cell.text, c.stored);
}

const std::string k35 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789";

INSTANTIATE_TEST_SUITE_P(
    Cases, StoreTest,
    testing::Values(
        StoreCase{"name of 35 bytes keeps 30", Field::Name, k35, k35.substr(0, 30)},
        StoreCase{"group 12345 keeps 12", Field::Group, "12345", "12"},
        StoreCase{"tel of 25 digits keeps 20", Field::Tel, "1234567890123456789012345",
                  "12345678901234567890"},
        StoreCase{"cut first, then trailing spaces", Field::Name,
                  k35.substr(0, 28) + "  " + "XYZWV", k35.substr(0, 28)},
        StoreCase{"three spaces give the empty text", Field::Kana, "   ", ""},
        StoreCase{"leading spaces stay", Field::Name, "  ab", "  ab"},
        StoreCase{"other control bytes stay", Field::Name, "a\x0b\x0c\x1a", "a\x0b\x0c\x1a"},
        StoreCase{"TAB and line ends after NUL are not looked at", Field::Kana, "ab\0\t\r\n"s,
                  "ab"},
        StoreCase{"a trailing ideographic space stays", Field::Name, "ab\x81\x40", "ab\x81\x40"},
        StoreCase{"the text ends at NUL", Field::Tel,
                  "12\0"s
                  "34",
                  "12"},
        StoreCase{"spaces before NUL go too", Field::Tel,
                  "12 \0"s
                  "34",
                  "12"},
        StoreCase{"a double-byte character ending at the limit stays", Field::Name,
                  std::string(28, 'a') + "\x82\xA0" + "b", std::string(28, 'a') + "\x82\xA0"},
        StoreCase{"a double-byte character across the limit goes whole", Field::Name,
                  std::string(29, 'a') + "\x82\xA0", std::string(29, 'a')},
        // Scanning by characters: the 0x82 at byte 30 is a second byte here.
        StoreCase{"a lead-byte value as second byte is not a lead", Field::Kana,
                  std::string(28, 'a') + "\x82\x82\x82\xA0", std::string(28, 'a') + "\x82\x82"},
        StoreCase{"group takes one double-byte character", Field::Group, "\x82\x4F\x82\x50",
                  "\x82\x4F"},
        StoreCase{"group drops a half character", Field::Group, "1\x82\x50", "1"},
        StoreCase{"half-width katakana are single bytes", Field::Group, "\xB1\xB2\xB3", "\xB1\xB2"},
        // What a reader of the line takes for one character stays one: a
        // lead byte followed by TAB, read from a file, is written back the
        // same. A lead byte left alone at the end would take the separator
        // after it on reading: it goes.
        StoreCase{"a TAB taken by a lead byte stays", Field::Kana, "\x81\tb", "\x81\tb"},
        StoreCase{"a lead byte and TAB at the end stay", Field::Kana, "\x81\t", "\x81\t"},
        StoreCase{"a lone lead byte at the end goes", Field::Name, "Name\x8E", "Name"},
        StoreCase{"then trailing spaces go too", Field::Name, "ab \x8E", "ab"},
        StoreCase{"a lead byte whose second byte was a trailing space goes", Field::Group,
                  "\x83 h21", ""},
        StoreCase{"and so does one bared by it", Field::Name, "a\x81 \x83 ", "a"},
        StoreCase{"a lead byte as second byte at the end stays", Field::Name, "\x8E\x8E",
                  "\x8E\x8E"}));

// AppendCommitted, the reader's way in, leaves the table as AppendEntry,
// SetField per field and CommitEntry do, refusals included, and tells an
// observer the same, each notice seeing the table as the steps show it.
struct AppendCase {
    const char* what;
    std::array<std::string_view, kFieldCount> texts;
    std::size_t set;
};

void PrintTo(const AppendCase& c, std::ostream* os) {
    *os << c.what;
}

// Writes down each notice with what the table then shows.
class NoticeLog : public TableObserver {
public:
    explicit NoticeLog(const PhoneBookTable& table) : table_(table) {}
    std::vector<std::string> notices;

    void beginInsertRow(std::size_t row) override { Note("beginInsertRow " + std::to_string(row)); }
    void endInsertRow() override { Note("endInsertRow"); }
    void beginRemoveRow(std::size_t row) override { Note("beginRemoveRow " + std::to_string(row)); }
    void endRemoveRow() override { Note("endRemoveRow"); }
    void beginMoveRow(std::size_t from, std::size_t to) override {
        Note("beginMoveRow " + std::to_string(from) + " " + std::to_string(to));
    }
    void endMoveRow() override { Note("endMoveRow"); }
    void rowChanged(std::size_t row) override { Note("rowChanged " + std::to_string(row)); }
    void beginReset() override { Note("beginReset"); }
    void endReset() override { Note("endReset"); }
    void currentChanged() override { Note("currentChanged"); }
    void stateChanged() override { Note("stateChanged"); }

private:
    void Note(std::string notice) {
        notice += " state " + std::to_string(static_cast<int>(table_.State())) + " rows " +
                  std::to_string(table_.RowCount()) + " current " +
                  (table_.CurrentRow() ? std::to_string(*table_.CurrentRow()) : "none");
        for (std::size_t f = 0; f < kFieldCount; ++f)
            notice += " [" + table_.GetField(static_cast<Field>(f)) + "]";
        notices.push_back(notice);
    }
    const PhoneBookTable& table_;
};

class AppendCommittedTest : public testing::TestWithParam<std::tuple<AppendCase, bool>> {};

TEST_P(AppendCommittedTest, StoresAndTellsAsTheStepsDo) {
    const auto& [c, observed] = GetParam();
    PhoneBookTable direct, steps;
    NoticeLog directLog(direct), stepsLog(steps);
    auto append = [&](PhoneBookTable& table, bool oneStep) -> std::string {
        try {
            if (oneStep) {
                table.AppendCommitted(c.texts, c.set);
            } else {
                table.AppendEntry();
                for (std::size_t f = 0; f < c.set; ++f)
                    table.SetField(static_cast<Field>(f), c.texts[f]);
                table.CommitEntry();
            }
        } catch (const EDatabaseError& e) {
            return e.what();
        }
        return {};
    };
    for (PhoneBookTable* table : {&direct, &steps}) {
        table->AppendEntry();
        table->SetField(Field::Name, "first");
        table->CommitEntry();
    }
    if (observed) {
        direct.SetObserver(&directLog);
        steps.SetObserver(&stepsLog);
    }
    EXPECT_EQ(append(direct, true), append(steps, false));
    EXPECT_EQ(directLog.notices, stepsLog.notices);
    EXPECT_EQ(direct.State(), steps.State());
    EXPECT_EQ(direct.RowCount(), steps.RowCount());
    EXPECT_EQ(direct.CurrentRow(), steps.CurrentRow());
    for (std::size_t row = 0; row < steps.RowCount(); ++row) {
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            const CellValue a = direct.Cell(row, static_cast<Field>(f));
            const CellValue b = steps.Cell(row, static_cast<Field>(f));
            EXPECT_EQ(a.set, b.set) << "row " << row << " field " << f;
            EXPECT_EQ(a.text, b.text) << "row " << row << " field " << f;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendCommittedTest,
    testing::Combine(
        testing::Values(AppendCase{"all four fields", {"01", "Name", "\xB1\xB2", "0312"}, 4},
                        AppendCase{"group alone, the rest unset", {"01", "", "", ""}, 1},
                        AppendCase{"empty texts are set", {"", "", "", ""}, 3},
                        AppendCase{"cut to width, trailing spaces and a lone lead byte go",
                                   {"12345", "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567", "ab \x8E", "12 "},
                                   4},
                        AppendCase{"a TAB is refused", {"01", "Na\tme", "", ""}, 2},
                        AppendCase{
                            "a colon in the number is refused", {"01", "N", "K", "03:1"}, 4}),
        testing::Bool()));

// A value never holds TAB, CR or LF: the file could not carry it. Such a
// text is refused whole, also where the cut to the field's width or
// trailing spaces would have dropped the byte.
struct RefuseCase {
    const char* what;
    Field field;
    std::string text;
};

void PrintTo(const RefuseCase& c, std::ostream* os) {
    *os << c.what;
}

const RefuseCase kRefuseCases[] = {
    {"a trailing TAB", Field::Name, "ab\t"},
    {"a TAB inside", Field::Kana, "\xB1\t\xB2"},
    {"an LF", Field::Tel, "03\n1234"},
    {"a CR", Field::Group, "1\r"},
    {"CR LF", Field::Name, "ab\r\n"},
    {"TAB after a double-byte character", Field::Kana, "\x81\x81\t"},
    {"TAB beyond the width", Field::Group, "01\t"},
    {"TAB before trailing spaces", Field::Tel, "1\t  "},
    {"TAB before NUL", Field::Name, "a\t\0b"s},
};

class RefuseTest : public testing::TestWithParam<std::tuple<RefuseCase, bool>> {};

TEST_P(RefuseTest, TabOrLineEndIsRefusedAndNothingStored) {
    const RefuseCase& c = std::get<0>(GetParam());
    const bool byName = std::get<1>(GetParam());
    const std::string name = FieldDefs()[static_cast<std::size_t>(c.field)].name;
    const std::string expected = "CData: " + kFieldHead + name + kNoLineBreakTail;
    auto set = [&](PhoneBookTable& table) {
        if (byName)
            table.SetField(name, c.text);
        else
            table.SetField(c.field, c.text);
    };
    PhoneBookTable table;
    const Values stored{"01"s, "old"s, "K"s, "1"s};
    Add(table, stored);

    // A change keeps the current values.
    table.EditEntry();
    EXPECT_EQ(Message([&] { set(table); }), expected);
    EXPECT_EQ(table.State(), TableState::Changing);
    EXPECT_EQ(table.GetField(c.field), *stored[c.field]);
    table.CommitEntry();
    EXPECT_EQ(ReadRows(table), std::vector<Values>{stored});

    // A new entry stays untouched, so settling it drops it.
    table.AppendEntry();
    EXPECT_EQ(Message([&] { set(table); }), expected);
    EXPECT_TRUE(table.PendingEntryUntouched());
    EXPECT_EQ(table.GetField(c.field), "");
    table.MoveFirst();
    EXPECT_EQ(table.EntryCount(), 1u);
    EXPECT_EQ(ReadRows(table), std::vector<Values>{stored});
}

INSTANTIATE_TEST_SUITE_P(Cases, RefuseTest,
                         testing::Combine(testing::ValuesIn(kRefuseCases), testing::Bool()));

// A number never holds a ':' of its own: the file ends the number there.
// One that is the second byte of a double-byte character is no ':'.
TEST(RefuseTest, ColonInTheNumberIsRefused) {
    PhoneBookTable table;
    table.AppendEntry();
    const std::string expected = "CData: 項目 'Tel' の値に ':' は入れられません";
    EXPECT_EQ(Message([&] { table.SetField(Field::Tel, "03:1234"); }), expected);
    EXPECT_EQ(Message([&] { table.SetField("TEL", "0312:"); }), expected);
    EXPECT_TRUE(table.PendingEntryUntouched());
    table.SetField(Field::Tel, "\x81:12");
    EXPECT_EQ(table.GetField(Field::Tel), "\x81:12");
    table.SetField(Field::Name, "a:b");
    EXPECT_EQ(table.GetField(Field::Name), "a:b");
}

// The check reads several bytes at a time; it must agree with a plain byte
// scan wherever the bytes stand and however long the text is.
TEST(RefuseTest, AgreesWithAByteScan) {
    const char alphabet[] = {'\0', '\t', '\n', '\v', '\f', '\r', '\x0e', 'a', ' ', '\x81'};
    std::mt19937 random(11);
    PhoneBookTable table;
    table.AppendEntry();
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 25, 'a');
        // Mostly plain bytes, so that long clean runs occur too.
        for (char& c : text) {
            if (random() % 4 == 0)
                c = alphabet[random() % sizeof alphabet];
        }
        const std::string kept = text.substr(0, text.find('\0'));
        // Character by character: a lead byte takes the byte after it, a
        // TAB among them; a TAB of its own, a CR or an LF is refused.
        bool refused = false;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const auto byte = static_cast<unsigned char>(kept[i]);
            if (byte == '\n' || byte == '\r' || byte == '\t')
                refused = true;
            if (cp932::IsLeadByte(byte)) {
                if (i + 1 < kept.size() && (kept[i + 1] == '\n' || kept[i + 1] == '\r'))
                    refused = true;
                ++i;
            }
        }
        bool threw = false;
        try {
            table.SetField(Field::Name, text);
        } catch (const EDatabaseError&) {
            threw = true;
        }
        ASSERT_EQ(threw, refused) << testing::PrintToString(text);
        if (!refused) {
            // Shorter than the field: only trailing spaces go.
            // Trailing spaces go, and a lead byte left alone at the end,
            // over again while either is there.
            std::string expected = kept;
            for (bool changed = true; changed;) {
                changed = false;
                while (!expected.empty() && expected.back() == ' ') {
                    expected.pop_back();
                    changed = true;
                }
                bool lone = false;
                for (std::size_t i = 0; i < expected.size(); ++i)
                    if (cp932::IsLeadByte(static_cast<unsigned char>(expected[i])))
                        lone = ++i == expected.size();
                if (lone) {
                    expected.pop_back();
                    changed = true;
                }
            }
            ASSERT_EQ(table.GetField(Field::Name), expected) << testing::PrintToString(text);
        }
    }
}

TEST_F(PhoneBookTableTest, EntryWithoutAssignmentsHasFourUnsetFields) {
    table.AppendEntry();
    table.CommitEntry();
    EXPECT_EQ(table.EntryCount(), 1u);
    EXPECT_EQ(ReadRow(table, 0), Values{});
    for (Field f : kFields)
        EXPECT_EQ(table.GetField(f), "");
}

TEST_F(PhoneBookTableTest, EmptyTextIsSetNotUnset) {
    Add(table, {""s, std::nullopt, "   "s, std::nullopt});
    Values expected{""s, std::nullopt, ""s, std::nullopt};
    EXPECT_EQ(ReadRow(table, 0), expected);
}

TEST_F(PhoneBookTableTest, FieldNamesIgnoreCase) {
    table.AppendEntry();
    table.SetField("TEL", "123");
    table.SetField("gRoUp", "01");
    table.SetField("kana", "\xB1");
    table.SetField("NAME", "x");
    table.CommitEntry();
    EXPECT_EQ(table.GetField("Tel"), "123");
    EXPECT_EQ(table.GetField("tel"), "123");
    EXPECT_EQ(table.GetField("GROUP"), "01");
    EXPECT_EQ(table.GetField("Kana"), "\xB1");
    EXPECT_EQ(table.GetField("name"), "x");
}

TEST_F(PhoneBookTableTest, FieldDefsDescribeTheColumns) {
    const auto& defs = FieldDefs();
    EXPECT_STREQ(defs[0].name, "Group");
    EXPECT_EQ(defs[0].width, 2u);
    EXPECT_EQ(defs[0].alignment, FieldAlignment::Center);
    EXPECT_EQ(defs[0].caption, "ｸﾞﾙｰﾌﾟ");
    EXPECT_EQ(defs[1].width, 30u);
    EXPECT_EQ(defs[1].displayWidth, 30);
    EXPECT_EQ(defs[2].caption, "フリガナ");
    EXPECT_EQ(defs[3].width, 20u);
    EXPECT_EQ(defs[3].alignment, FieldAlignment::Left);
}

// --- Failures -------------------------------------------------------------

TEST_F(PhoneBookTableTest, DeleteOnEmptyTableFailsAndChangesNothing) {
    EXPECT_EQ(Message([&] { table.DeleteEntry(); }), "CData: " + kEmptyTableText);
    EXPECT_EQ(table.State(), TableState::Settled);
    EXPECT_EQ(table.EntryCount(), 0u);

    AddNamed({"a"});
    table.DeleteEntry();
    EXPECT_EQ(Message([&] { table.DeleteEntry(); }), "CData: " + kEmptyTableText);
}

TEST_F(PhoneBookTableTest, SetFieldWhileSettledFails) {
    AddNamed({"a"});
    EXPECT_EQ(Message([&] { table.SetField("Name", "b"); }), "CData: " + kNotEditingText);
    EXPECT_EQ(Message([&] { table.SetField(Field::Tel, "1"); }), "CData: " + kNotEditingText);
    EXPECT_EQ(table.GetField("Name"), "a");
    EXPECT_EQ(table.State(), TableState::Settled);
}

TEST_F(PhoneBookTableTest, UnknownFieldNameFailsWithTheName) {
    table.AppendEntry();
    EXPECT_EQ(Message([&] { table.SetField("Phone", "1"); }),
              "CData: " + kFieldHead + "Phone" + kNotFoundTail);
    EXPECT_EQ(Message([&] { table.GetField("Groups"); }),
              "CData: " + kFieldHead + "Groups" + kNotFoundTail);
    // An unknown name is reported before the state is looked at.
    table.DiscardEntry();
    EXPECT_EQ(Message([&] { table.SetField("x", "1"); }),
              "CData: " + kFieldHead + "x" + kNotFoundTail);
    EXPECT_TRUE(table.PendingEntryUntouched() == false);
}

TEST(PhoneBookTableName, MessagesCarryTheTableName) {
    PhoneBookTable table("Other");
    EXPECT_EQ(Message([&] { table.DeleteEntry(); }), "Other: " + kEmptyTableText);
}

// --- States and pending entries -------------------------------------------

TEST_F(PhoneBookTableTest, StateFollowsTheLifecycle) {
    EXPECT_EQ(table.State(), TableState::Settled); // created open
    table.OpenTable();
    EXPECT_EQ(table.State(), TableState::Settled);
    table.EditEntry(); // empty table: a new entry
    EXPECT_EQ(table.State(), TableState::Adding);
    table.SetField("Name", "a");
    table.EditEntry(); // pending: nothing
    EXPECT_EQ(table.State(), TableState::Adding);
    table.CommitEntry();
    EXPECT_EQ(table.State(), TableState::Settled);
    EXPECT_EQ(table.EntryCount(), 1u);
    table.EditEntry();
    EXPECT_EQ(table.State(), TableState::Changing);
    table.DiscardEntry();
    EXPECT_EQ(table.State(), TableState::Settled);
    table.DiscardEntry(); // nothing in Settled
    table.CommitEntry();
    EXPECT_EQ(table.State(), TableState::Settled);
    table.EditEntry();
    table.AppendEntry(); // untouched change dropped, new entry pending
    EXPECT_EQ(table.State(), TableState::Adding);
    table.ClearEntries();
    EXPECT_EQ(table.State(), TableState::Settled);
    table.CloseTable();
    EXPECT_EQ(table.State(), TableState::Closed);
    EXPECT_EQ(table.EntryCount(), 0u);
    EXPECT_EQ(table.RowCount(), 0u);
    table.OpenTable();
    EXPECT_EQ(table.State(), TableState::Settled);
    EXPECT_EQ(table.EntryCount(), 0u);
}

TEST_F(PhoneBookTableTest, EditEntryOnEmptyTableAddsOne) {
    table.EditEntry();
    table.SetField("Name", "a");
    table.CommitEntry();
    EXPECT_EQ(table.EntryCount(), 1u);
    EXPECT_EQ(table.GetField("Name"), "a");
}

TEST_F(PhoneBookTableTest, DiscardedNewEntryLeavesLastCurrent) {
    AddNamed({"a", "b", "c"});
    table.MoveFirst();
    table.AppendEntry();
    table.SetField("Name", "d");
    EXPECT_EQ(table.GetField("Name"), "d");
    EXPECT_EQ(table.RowCount(), 4u);
    EXPECT_EQ(table.CurrentRow(), 3u);
    table.DiscardEntry();
    EXPECT_EQ(table.EntryCount(), 3u);
    EXPECT_EQ(table.RowCount(), 3u);
    EXPECT_EQ(table.GetField("Name"), "c");
    EXPECT_EQ(table.CurrentRow(), 2u);
}

TEST_F(PhoneBookTableTest, DiscardedNewEntryInSortedOrderLeavesSortedLastCurrent) {
    Add(table, KG("B"s, "01"s, "b"));
    Add(table, KG("A"s, "01"s, "a"));
    table.SelectOrder("iKey");
    table.MoveFirst();
    table.AppendEntry();
    table.DiscardEntry();
    EXPECT_EQ(table.GetField("Name"), "b");
}

TEST_F(PhoneBookTableTest, CommittedChangeKeepsItsNaturalPlace) {
    AddNamed({"a", "b", "c", "d", "e"});
    table.MoveTo(3);
    table.EditEntry();
    EXPECT_EQ(table.GetField("Name"), "c");
    table.SetField("Name", "C");
    table.CommitEntry();
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"a", "b", "C", "d", "e"}));
}

TEST_F(PhoneBookTableTest, DiscardedChangeKeepsStoredValues) {
    AddNamed({"a", "b"});
    table.MoveFirst();
    table.EditEntry();
    table.SetField("Name", "x");
    EXPECT_EQ(table.Cell(0, Field::Name).text, "x"); // the grid shows the pending values
    table.DiscardEntry();
    EXPECT_EQ(table.GetField("Name"), "a");
    EXPECT_EQ(table.Cell(0, Field::Name).text, "a");
    EXPECT_EQ(table.CurrentRow(), 0u);
}

TEST_F(PhoneBookTableTest, ChangeStartsFromTheStoredValues) {
    Add(table, {"01"s, "a"s, std::nullopt, "9"s});
    table.EditEntry();
    table.SetField("Tel", "8");
    table.CommitEntry();
    EXPECT_EQ(ReadRow(table, 0), (Values{"01"s, "a"s, std::nullopt, "8"s}));
}

struct DeleteCase {
    const char* what;
    int currentPosition; // 1-based
    std::vector<std::string> left;
    std::string current;
};

void PrintTo(const DeleteCase& c, std::ostream* os) {
    *os << c.what;
}

class DeleteTest : public PhoneBookTableTest, public testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, NextEntryBecomesCurrent) {
    const DeleteCase& c = GetParam();
    AddNamed({"a", "b", "c"});
    table.MoveTo(c.currentPosition);
    table.DeleteEntry();
    EXPECT_EQ(table.GetField("Name"), c.current);
    EXPECT_EQ(table.EntryCount(), 2u);
    EXPECT_EQ(Traverse(table), c.left);
}

INSTANTIATE_TEST_SUITE_P(Cases, DeleteTest,
                         testing::Values(DeleteCase{"first", 1, {"b", "c"}, "b"},
                                         DeleteCase{"middle", 2, {"a", "c"}, "c"},
                                         DeleteCase{"last", 3, {"a", "b"}, "b"}));

TEST_F(PhoneBookTableTest, DeletingTheOnlyEntryLeavesNoCurrent) {
    AddNamed({"a"});
    table.DeleteEntry();
    EXPECT_EQ(table.EntryCount(), 0u);
    EXPECT_EQ(table.CurrentRow(), std::nullopt);
    EXPECT_EQ(table.GetField("Name"), "");
}

TEST_F(PhoneBookTableTest, DeleteWhilePendingDropsThePendingEntry) {
    AddNamed({"a", "b"});
    table.AppendEntry();
    table.SetField("Name", "c");
    table.DeleteEntry(); // acts as a discard
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"a", "b"}));

    table.MoveFirst();
    table.EditEntry();
    table.SetField("Name", "x");
    table.DeleteEntry(); // the change goes with the entry
    EXPECT_EQ(table.State(), TableState::Settled);
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"b"}));
}

TEST_F(PhoneBookTableTest, SettlingCommitsOnlyAssignedEntries) {
    AddNamed({"a"});
    table.AppendEntry();
    EXPECT_TRUE(table.PendingEntryUntouched());
    table.MoveFirst(); // untouched: discarded
    EXPECT_EQ(table.EntryCount(), 1u);

    table.AppendEntry();
    table.SetField("Name", "");
    EXPECT_FALSE(table.PendingEntryUntouched());
    table.MoveFirst(); // assigned, even if empty: committed
    EXPECT_EQ(table.EntryCount(), 2u);

    table.AppendEntry();
    table.SetField("Name", "c");
    table.SelectOrder("iKey");
    EXPECT_EQ(table.EntryCount(), 3u);
    table.AppendEntry();
    table.SetField("Name", "d");
    table.AppendEntry(); // settles the previous one
    EXPECT_EQ(table.EntryCount(), 4u);
    table.ClearEntries();
    EXPECT_EQ(table.EntryCount(), 0u);
    EXPECT_EQ(table.State(), TableState::Settled);
}

// --- Moves ----------------------------------------------------------------

TEST_F(PhoneBookTableTest, MoveFirstOnEmptyTableRaisesTheEndFlag) {
    table.MoveFirst();
    EXPECT_TRUE(table.AtEnd());
    EXPECT_TRUE(Traverse(table).empty());
}

TEST_F(PhoneBookTableTest, MovesStopAtTheEnds) {
    AddNamed({"a", "b", "c", "d"});
    struct Step {
        std::function<void(PhoneBookTable&)> move;
        const char* name;
        bool atEnd;
    };
    const Step steps[] = {
        {[](PhoneBookTable& t) { t.MoveFirst(); }, "a", false},
        {[](PhoneBookTable& t) { t.MovePrior(); }, "a", false},
        {[](PhoneBookTable& t) { t.MoveNext(); }, "b", false},
        {[](PhoneBookTable& t) { t.MoveBy(10); }, "d", true},
        {[](PhoneBookTable& t) { t.MoveBy(-2); }, "b", false},
        {[](PhoneBookTable& t) { t.MoveBy(-10); }, "a", false},
        {[](PhoneBookTable& t) { t.MoveTo(3); }, "c", false},
        {[](PhoneBookTable& t) { t.MoveTo(0); }, "a", false},
        {[](PhoneBookTable& t) { t.MoveTo(99); }, "d", false},
        {[](PhoneBookTable& t) { t.MoveNext(); }, "d", true},
        {[](PhoneBookTable& t) { t.MoveNext(); }, "d", true},
        {[](PhoneBookTable& t) { t.MoveLast(); }, "d", false},
        {[](PhoneBookTable& t) { t.MoveTo(-5); }, "a", false},
    };
    int i = 0;
    for (const Step& s : steps) {
        s.move(table);
        EXPECT_EQ(table.GetField("Name"), s.name) << "step " << i;
        EXPECT_EQ(table.AtEnd(), s.atEnd) << "step " << i;
        ++i;
    }
}

// --- Orders ---------------------------------------------------------------

TEST_F(PhoneBookTableTest, SortedTraversalVisitsEveryEntryOnceAndNaturalOrderReturns) {
    Add(table, KG("C"s, "01"s, "c"));
    Add(table, KG("A"s, "02"s, "a2"));
    Add(table, KG("B"s, "01"s, "b"));
    Add(table, KG("A"s, "01"s, "a1"));
    const std::vector<std::string> natural{"c", "a2", "b", "a1"};
    EXPECT_EQ(Traverse(table), natural);
    table.SelectOrder("iKey");
    EXPECT_TRUE(table.SortedOrderSelected());
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"a1", "a2", "b", "c"}));
    table.SelectOrder("");
    EXPECT_FALSE(table.SortedOrderSelected());
    EXPECT_EQ(Traverse(table), natural);
}

// A book large enough that its keys are made and sorted on two threads, with
// deleted entries among them: the saved walk and the sorted order still go
// by reading, then group, then order of addition, whichever half of the
// slots an entry lies in.
TEST(PhoneBookTableLarge, SavedOrderOfABookSortedOnTwoThreads) {
    const char* pieces[] = {"\xB6", "\xB6\xDE", "\xCA\xDF", "\xB0", " ", "\xD4"};
    const char* groups[] = {"01", "1", "10", ""};
    std::mt19937 rng(7);
    PhoneBookTable table;
    constexpr int kEntries = 150000;
    for (int i = 0; i < kEntries; ++i) {
        std::string kana;
        for (std::size_t n = rng() % 4; n > 0; --n)
            kana += pieces[rng() % std::size(pieces)];
        const std::string number = std::to_string(i);
        table.AppendCommitted({groups[rng() % std::size(groups)], "N", kana, number}, 4);
    }
    for (int i = 0; i < 1000; ++i) {
        table.MoveTo(static_cast<long long>(rng() % table.EntryCount()) + 1);
        table.DeleteEntry();
    }
    using Entry = std::tuple<std::string, std::string, int>;
    auto walk = [&](PhoneBookTable::Walk order) {
        std::vector<Entry> entries;
        table.ForEachEntry(order, [&](const PhoneBookTable::EntryFields& e) {
            entries.emplace_back(CollationKey(e[2].text), CollationKey(e[0].text),
                                 std::stoi(std::string(e[3].text)));
            return true;
        });
        return entries;
    };
    std::vector<Entry> expected = walk(PhoneBookTable::Walk::Natural);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(walk(PhoneBookTable::Walk::Saved), expected);
    table.SelectOrder("iKey");
    EXPECT_EQ(walk(PhoneBookTable::Walk::Saved), expected);
}

struct OrderCase {
    const char* what;
    std::vector<Values> entries; // given in the expected sorted order
};

void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.what;
}

class SortedOrderTest : public testing::TestWithParam<OrderCase> {};

// Entries added in several orders always come out in the expected order.
TEST_P(SortedOrderTest, SortsByKanaThenGroup) {
    const OrderCase& c = GetParam();
    std::vector<std::size_t> addOrder(c.entries.size());
    for (std::size_t i = 0; i < addOrder.size(); ++i)
        addOrder[i] = i;
    for (int round = 0; round < 3; ++round) {
        PhoneBookTable table;
        if (round == 1)
            std::reverse(addOrder.begin(), addOrder.end());
        if (round == 2) {
            std::rotate(addOrder.begin(), addOrder.begin() + 1, addOrder.end());
            table.SelectOrder("iKey"); // added while sorted
        }
        for (std::size_t i : addOrder)
            Add(table, c.entries[i]);
        table.SelectOrder("iKey");
        EXPECT_EQ(ReadRows(table), c.entries) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SortedOrderTest,
    testing::Values(
        OrderCase{"equal kana by group", {KG("A"s, "01"s), KG("A"s, "02"s), KG("B"s, "01"s)}},
        OrderCase{"groups compare as text", {KG("A"s, "09"s), KG("A"s, "1"s), KG("A"s, "10"s)}},
        OrderCase{"unset kana before empty before text",
                  {KG(std::nullopt, "02"s), KG(""s, "01"s), KG("A"s, "01"s)}},
        OrderCase{"unset kana sorted by group",
                  {KG(std::nullopt, std::nullopt), KG(std::nullopt, ""s), KG(std::nullopt, "01"s),
                   KG(std::nullopt, "02"s)}},
        OrderCase{"katakana readings", // ア, イ, カ
                  {KG("\x83\x41"s, "01"s), KG("\x83\x43"s, "01"s), KG("\x83\x4A"s, "01"s)}}));

TEST_F(PhoneBookTableTest, ClearedTableStillSorts) {
    Add(table, KG("B"s, "01"s, "b"));
    table.ClearEntries();
    EXPECT_EQ(table.EntryCount(), 0u);
    table.SelectOrder("iKey");
    Add(table, KG("B"s, "01"s, "b"));
    Add(table, KG("A"s, "01"s, "a"));
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"a", "b"}));
    table.ClearEntries();
    EXPECT_TRUE(table.SortedOrderSelected());
    Add(table, KG("D"s, "01"s, "d"));
    Add(table, KG("C"s, "01"s, "c"));
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"c", "d"}));
}

TEST_F(PhoneBookTableTest, CommitsTakeTheirSortedPlaceAtOnce) {
    table.SelectOrder("iKey");
    Add(table, KG("B"s, "01"s, "b"));
    Add(table, KG("D"s, "01"s, "d"));
    Add(table, KG("C"s, "01"s, "c"));
    EXPECT_EQ(table.CurrentRow(), 1u); // the committed entry, at its sorted place
    EXPECT_EQ(table.GetField("Name"), "c");
    table.MoveFirst();
    table.EditEntry();
    table.SetField("Kana", "E");
    table.CommitEntry();
    EXPECT_EQ(table.CurrentRow(), 2u);
    EXPECT_EQ(table.GetField("Name"), "b");
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"c", "d", "b"}));
    table.SelectOrder("");
    EXPECT_EQ(Traverse(table), (std::vector<std::string>{"b", "d", "c"}));
}

TEST_F(PhoneBookTableTest, SwitchingOrderKeepsTheCurrentEntry) {
    Add(table, KG("B"s, "01"s, "b"));
    Add(table, KG("A"s, "01"s, "a"));
    Add(table, KG("C"s, "01"s, "c"));
    table.MoveTo(2);
    table.SelectOrder("iKey");
    EXPECT_EQ(table.GetField("Name"), "a");
    EXPECT_EQ(table.CurrentRow(), 0u);
    table.MoveLast();
    table.SelectOrder("");
    EXPECT_EQ(table.GetField("Name"), "c");
    EXPECT_EQ(table.CurrentRow(), 2u);
}

TEST_F(PhoneBookTableTest, UnknownOrderFailsAndChangesNothing) {
    AddNamed({"a"});
    table.AppendEntry();
    table.SetField("Name", "b");
    EXPECT_THROW(table.SelectOrder("iName"), EDatabaseError);
    EXPECT_EQ(table.State(), TableState::Adding);
    EXPECT_FALSE(table.SortedOrderSelected());
}

// --- Observer -------------------------------------------------------------

// Follows the notifications on a copy of the rows and checks each one
// against what the table shows before and after it.
class ShadowObserver : public TableObserver {
    const PhoneBookTable& table_;

public:
    explicit ShadowObserver(const PhoneBookTable& table)
        : table_(table), rows(ReadRows(table)), current(table.CurrentRow()), state(table.State()) {}

    void beginInsertRow(std::size_t row) override {
        Begin(Kind::Insert);
        EXPECT_LE(row, rows.size());
        from_ = row;
    }
    void endInsertRow() override {
        End(Kind::Insert);
        rows.insert(rows.begin() + from_, ReadRow(table_, from_));
    }
    void beginRemoveRow(std::size_t row) override {
        Begin(Kind::Remove);
        EXPECT_LT(row, rows.size());
        from_ = row;
    }
    void endRemoveRow() override {
        End(Kind::Remove);
        rows.erase(rows.begin() + from_);
    }
    void beginMoveRow(std::size_t from, std::size_t to) override {
        Begin(Kind::Move);
        EXPECT_NE(from, to);
        EXPECT_LT(from, rows.size());
        EXPECT_LT(to, rows.size());
        from_ = from;
        to_ = to;
        ++moves;
    }
    void endMoveRow() override {
        End(Kind::Move);
        Values moved = rows[from_];
        rows.erase(rows.begin() + from_);
        rows.insert(rows.begin() + to_, moved);
    }
    void rowChanged(std::size_t row) override {
        EXPECT_EQ(open_, Kind::None);
        ASSERT_LT(row, rows.size());
        rows[row] = ReadRow(table_, row);
    }
    void beginReset() override { Begin(Kind::Reset); }
    void endReset() override {
        End(Kind::Reset);
        rows = ReadRows(table_);
    }
    void currentChanged() override {
        EXPECT_EQ(open_, Kind::None);
        current = table_.CurrentRow();
        ++currentChanges;
    }
    void stateChanged() override {
        EXPECT_EQ(open_, Kind::None);
        state = table_.State();
    }

    std::vector<Values> rows;
    std::optional<std::size_t> current;
    TableState state;
    int moves = 0;
    int currentChanges = 0;

private:
    enum class Kind { None, Insert, Remove, Move, Reset };
    void Begin(Kind kind) {
        EXPECT_EQ(open_, Kind::None) << "nested notification";
        EXPECT_EQ(rows.size(), table_.RowCount()) << "row count before the change";
        open_ = kind;
    }
    void End(Kind kind) {
        EXPECT_EQ(open_, kind);
        open_ = Kind::None;
    }

    Kind open_ = Kind::None;
    std::size_t from_ = 0, to_ = 0;
};

// The rows the table should show, kept by a plain list: natural order by
// sequence number, sorted order by collation key, group key and sequence.
class ReferenceTable {
public:
    struct Entry {
        long seq;
        Values v;
    };

    explicit ReferenceTable(const PhoneBookTable& table) : table_(table) {}

    std::vector<Values> Rows() const {
        std::vector<Entry> order = Ordered();
        std::vector<Values> rows;
        for (const Entry& e : order)
            rows.push_back(e.v);
        if (pending_ && adding_)
            rows.push_back(*pending_);
        if (pending_ && !adding_)
            rows[*table_.CurrentRow()] = *pending_;
        return rows;
    }

    // Mirrors an operation before the table runs it (with the table's current
    // row before the operation deciding which entry it touches).
    void Settle() {
        if (pending_ && assigned_)
            Commit();
        pending_.reset();
    }
    void Append() {
        Settle();
        pending_ = Values{};
        adding_ = true;
        assigned_ = false;
    }
    void Edit() {
        if (pending_)
            return;
        if (entries_.empty())
            return Append();
        pending_ = CurrentEntry().v;
        adding_ = false;
        assigned_ = false;
    }
    void Set(Field f, const std::string& stored) {
        (*pending_)[f] = stored;
        assigned_ = true;
    }
    void Commit() {
        if (!pending_)
            return;
        if (adding_)
            entries_.push_back({nextSeq_++, *pending_});
        else
            CurrentEntry().v = *pending_;
        pending_.reset();
    }
    void Discard() { pending_.reset(); }
    void Delete() {
        if (pending_ && adding_)
            return Discard();
        pending_.reset();
        if (entries_.empty())
            return;
        long seq = CurrentEntry().seq;
        std::erase_if(entries_, [&](const Entry& e) { return e.seq == seq; });
    }
    void Clear() {
        Settle();
        entries_.clear();
    }
    bool Pending() const { return pending_.has_value(); }
    std::size_t Count() const { return entries_.size(); }

private:
    std::vector<Entry> Ordered() const {
        std::vector<Entry> order = entries_;
        if (table_.SortedOrderSelected()) {
            auto key = [](const Entry& e) {
                auto part = [](const FieldValue& f) {
                    return f ? "\x01" + CollationKey(*f) : std::string();
                };
                return std::make_tuple(part(e.v.kana), part(e.v.group), e.seq);
            };
            std::sort(order.begin(), order.end(),
                      [&](const Entry& a, const Entry& b) { return key(a) < key(b); });
        }
        return order;
    }

    // The entry at the table's current row.
    Entry& CurrentEntry() {
        long seq = Ordered()[*table_.CurrentRow()].seq;
        return *std::find_if(entries_.begin(), entries_.end(),
                             [&](const Entry& e) { return e.seq == seq; });
    }

    const PhoneBookTable& table_;
    std::vector<Entry> entries_;
    std::optional<Values> pending_;
    bool adding_ = false;
    bool assigned_ = false;
    long nextSeq_ = 0;
};

// A long random run of every operation: after each step the observer's copy
// of the rows, the reference rows and the table's own rows agree.
class ObserverRunTest : public testing::TestWithParam<unsigned> {};

TEST_P(ObserverRunTest, NotificationsFollowEveryChange) {
    std::mt19937 rng(GetParam());
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const FieldValue kanas[] = {std::nullopt, ""s, "A"s, "B"s, "a"s, "\x83\x41"s, "AB"s};
    const FieldValue groups[] = {std::nullopt, ""s, "01"s, "02"s, "1"s, "10"s};

    PhoneBookTable table;
    ShadowObserver shadow(table);
    table.SetObserver(&shadow);
    ReferenceTable ref(table);
    int sortedSwitches = 0;

    for (int step = 0; step < 3000; ++step) {
        int op = pick(100);
        std::string what;
        if (op < 20) {
            what = "append";
            ref.Append();
            table.AppendEntry();
        } else if (op < 45) {
            what = "set";
            Field f = kFields[pick(4)];
            FieldValue value = f == Field::Kana    ? kanas[pick(7)]
                               : f == Field::Group ? groups[pick(6)]
                                                   : FieldValue("n" + std::to_string(pick(50)));
            std::string text = value.value_or("");
            if (ref.Pending()) {
                ref.Set(f, text);
                table.SetField(f, text);
            } else {
                EXPECT_THROW(table.SetField(f, text), EDatabaseError);
            }
        } else if (op < 58) {
            what = "commit";
            ref.Commit();
            table.CommitEntry();
        } else if (op < 63) {
            what = "discard";
            ref.Discard();
            table.DiscardEntry();
        } else if (op < 70) {
            what = "edit";
            ref.Edit();
            table.EditEntry();
        } else if (op < 76) {
            what = "delete";
            bool fails = !ref.Pending() && ref.Count() == 0;
            ref.Delete();
            if (fails)
                EXPECT_THROW(table.DeleteEntry(), EDatabaseError);
            else
                table.DeleteEntry();
        } else if (op < 92) {
            what = "move";
            ref.Settle();
            switch (pick(6)) {
            case 0:
                table.MoveFirst();
                break;
            case 1:
                table.MoveNext();
                break;
            case 2:
                table.MovePrior();
                break;
            case 3:
                table.MoveLast();
                break;
            case 4:
                table.MoveBy(pick(9) - 4);
                break;
            default:
                table.MoveTo(pick(12) - 1);
                break;
            }
        } else if (op < 98) {
            what = "order";
            ref.Settle();
            bool sorted = pick(2) == 0;
            sortedSwitches += sorted != table.SortedOrderSelected();
            table.SelectOrder(sorted ? "iKey" : "");
        } else {
            what = pick(4) == 0 ? "clear" : "noop";
            if (what == "clear") {
                ref.Clear();
                table.ClearEntries();
            }
        }

        std::vector<Values> rows = ReadRows(table);
        ASSERT_EQ(shadow.rows, rows) << "step " << step << " " << what;
        ASSERT_EQ(ref.Rows(), rows) << "step " << step << " " << what;
        ASSERT_EQ(shadow.current, table.CurrentRow()) << "step " << step << " " << what;
        ASSERT_EQ(shadow.state, table.State()) << "step " << step << " " << what;
        ASSERT_EQ(table.EntryCount(), ref.Count());
        if (table.State() == TableState::Adding) {
            ASSERT_EQ(table.CurrentRow(), table.RowCount() - 1);
        }
        if (table.EntryCount() > 0) {
            ASSERT_LT(*table.CurrentRow(), table.RowCount());
        }
    }
    EXPECT_GT(shadow.moves, 10);
    EXPECT_GT(sortedSwitches, 5);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ObserverRunTest, testing::Values(1u, 2u, 3u, 20240501u));

TEST(PhoneBookTableObserver, AddingInSortedOrderMovesThePendingRow) {
    PhoneBookTable table;
    Add(table, KG("B"s, "01"s));
    table.SelectOrder("iKey");
    ShadowObserver shadow(table);
    table.SetObserver(&shadow);
    table.AppendEntry();
    EXPECT_EQ(shadow.rows.size(), 2u);
    EXPECT_EQ(shadow.current, 1u);
    table.SetField("Kana", "A");
    EXPECT_EQ(shadow.rows[1].kana, "A"s);
    table.CommitEntry();
    EXPECT_EQ(shadow.moves, 1);
    EXPECT_EQ(shadow.rows, ReadRows(table));
    EXPECT_EQ(shadow.current, 0u);
    table.SetObserver(nullptr);
    table.AppendEntry(); // no observer: nothing to tell
    EXPECT_EQ(shadow.rows.size(), 2u);
}

TEST(PhoneBookTableObserver, TellsOfANewCurrentEntryInTheSameRow) {
    PhoneBookTable table;
    Add(table, KG("A"s, "01"s, "a"));
    Add(table, KG("B"s, "01"s, "b"));
    Add(table, KG("C"s, "01"s, "c"));
    table.MoveTo(2);
    ShadowObserver shadow(table);
    table.SetObserver(&shadow);
    table.DeleteEntry();
    EXPECT_EQ(shadow.current, 1u);
    EXPECT_EQ(shadow.currentChanges, 1);
    table.MoveLast();
    table.MoveNext(); // stays on the last: nothing to tell
    EXPECT_EQ(shadow.currentChanges, 1);
    EXPECT_EQ(shadow.rows, ReadRows(table));
}

// --- Larger tables --------------------------------------------------------

// Thousands of readings that share a long beginning and are often
// beginnings of one another, so that sorting has to look far into the keys.
TEST(PhoneBookTableLarge, SortsReadingsSharingLongBeginnings) {
    std::mt19937 rng(11);
    const FieldValue groups[] = {std::nullopt, ""s, "0"s, "01"s, "1"s};
    std::vector<Values> entries;
    for (int i = 0; i < 3000; ++i) {
        std::string kana = "ABCDEFGHIJKLMNOPQRST";
        for (std::size_t n = rng() % 11; n > 0; --n)
            kana += "AB"[rng() % 2];
        entries.push_back(KG(kana, groups[rng() % 5], std::to_string(i)));
    }
    PhoneBookTable table;
    for (const Values& v : entries)
        Add(table, v);
    table.SelectOrder("iKey");

    auto key = [](const Values& v) {
        auto part = [](const FieldValue& f) {
            return f ? "\x01" + CollationKey(*f) : std::string();
        };
        return std::make_tuple(part(v.kana), part(v.group), std::stoi(*v.name));
    };
    std::sort(entries.begin(), entries.end(),
              [&](const Values& a, const Values& b) { return key(a) < key(b); });
    EXPECT_EQ(ReadRows(table), entries);
}

TEST(PhoneBookTableLarge, EqualKeysKeepTheirNaturalOrder) {
    PhoneBookTable table;
    std::vector<std::string> expected;
    for (int i = 0; i < 2500; ++i) {
        bool same = i % 5 != 0;
        Add(table, KG(same ? "ABCDEFGHIJKLMNOPQRSTUVWXYZ"s : "B"s, "01"s, std::to_string(i)));
        if (same)
            expected.push_back(std::to_string(i));
    }
    table.SelectOrder("iKey");
    std::vector<std::string> names = Traverse(table);
    names.resize(expected.size());
    EXPECT_EQ(names, expected);
}

TEST(PhoneBookTableLarge, PositionsStayRightThroughManyChanges) {
    PhoneBookTable table;
    std::mt19937 rng(7);
    std::vector<std::string> natural;
    for (int i = 0; i < 5000; ++i) {
        std::string name = std::to_string(i);
        Add(table, KG(std::to_string(rng() % 1000), "01"s, name));
        natural.push_back(name);
    }
    table.SelectOrder("iKey");
    for (int i = 0; i < 1000; ++i) {
        table.MoveTo(static_cast<long long>(rng() % table.EntryCount()) + 1);
        std::string name = table.GetField("Name");
        if (i % 2 == 0) {
            table.DeleteEntry();
            std::erase(natural, name);
        } else {
            table.EditEntry();
            table.SetField("Kana", std::to_string(rng() % 1000));
            table.CommitEntry();
            EXPECT_EQ(table.GetField("Name"), name);
        }
    }
    std::vector<std::string> kanas;
    for (table.MoveFirst(); !table.AtEnd(); table.MoveNext())
        kanas.push_back("\x01" + CollationKey(table.GetField("Kana")));
    EXPECT_TRUE(std::is_sorted(kanas.begin(), kanas.end()));
    EXPECT_EQ(kanas.size(), natural.size());
    table.SelectOrder("");
    EXPECT_EQ(Traverse(table), natural);
    for (std::size_t row = 0; row < natural.size(); row += 97)
        EXPECT_EQ(table.Cell(row, Field::Name).text, natural[row]);
}

} // namespace
} // namespace ruvo
