// Undo and redo of the table's changes: every kind of step, in both orders,
// the entries and their places compared byte for byte.
#include "core/book/table/PhoneBookTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace ruvo {
namespace {

// What the table shows: every row of the selected order, each field as
// "unset" or its bytes, and the current row.
struct View {
    std::vector<std::string> rows;
    std::optional<std::size_t> current;
    bool operator==(const View&) const = default;
};

void PrintTo(const View& view, std::ostream* os) {
    *os << "current " << (view.current ? std::to_string(*view.current) : "none"s) << ":";
    for (const std::string& row : view.rows)
        *os << " [" << row << "]";
}

View Look(const PhoneBookTable& table) {
    View view;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        std::string text;
        for (Field f : {Field::Group, Field::Name, Field::Kana, Field::Tel}) {
            const CellValue cell = table.Cell(row, f);
            text += cell.set ? "'" + std::string(cell.text) + "'" : "unset"s;
            text += '|';
        }
        view.rows.push_back(text);
    }
    view.current = table.CurrentRow();
    return view;
}

// Follows the notices as a view would, to check that they add up to the
// table's rows after every change.
class CountingObserver : public TableObserver {
public:
    explicit CountingObserver(const PhoneBookTable& table) : table_(table) {}
    std::size_t rows = 0;
    void beginInsertRow(std::size_t) override {}
    void endInsertRow() override { ++rows; }
    void beginRemoveRow(std::size_t) override {}
    void endRemoveRow() override { --rows; }
    void beginMoveRow(std::size_t, std::size_t) override {}
    void endMoveRow() override {}
    void rowChanged(std::size_t) override {}
    void beginReset() override {}
    void endReset() override { rows = table_.RowCount(); }
    void currentChanged() override {}
    void stateChanged() override {}

private:
    const PhoneBookTable& table_;
};

void Add(PhoneBookTable& table, const std::string& group, const std::string& name,
         const std::string& kana, const std::string& tel) {
    table.AppendEntry();
    table.SetField(Field::Group, group);
    table.SetField(Field::Name, name);
    table.SetField(Field::Kana, kana);
    table.SetField(Field::Tel, tel);
    table.CommitEntry();
}

class TableHistoryTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        table.SetObserver(&observer);
        // Half-width katakana readings, a byte that is no character, an
        // empty field and one never set.
        Add(table, "01", "\x8e\x52\x93\x63", "\xd4\xcf\xc0\xde", "0312345678");
        Add(table, "02", "\x97\xe9\x96\xd8", "\xbd\xbd\xde\xb7", "09011112222");
        Add(table, "01", "abc\x80", "\xb1", "");
        table.AppendEntry();
        table.SetField(Field::Name, "x");
        table.CommitEntry();
        table.KeepHistory(true);
        if (GetParam())
            table.SelectOrder("iKey");
        table.MoveTo(2);
    }

    // Runs a change and notes what the table shows after it.
    void Step(const std::function<void()>& change) {
        change();
        views.push_back(Look(table));
        EXPECT_EQ(observer.rows, table.RowCount());
    }

    PhoneBookTable table;
    CountingObserver observer{table};
    std::vector<View> views;
};

TEST_P(TableHistoryTest, EveryStepGoesBackAndForthByteForByte) {
    views.push_back(Look(table));
    Step([&] { Add(table, "03", "new", "\xb6\xde", "0120123456"); });
    Step([&] {
        // A change that moves the entry in the sorted order.
        table.MoveTo(1);
        table.EditEntry();
        table.SetField(Field::Kana, "\xdc");
        table.SetField(Field::Tel, "");
        table.CommitEntry();
    });
    Step([&] {
        table.MoveTo(3);
        table.DeleteEntry();
    });
    Step([&] {
        // An import: several entries, one step.
        table.BeginStep();
        for (int i = 0; i < 5; ++i)
            Add(table, "05", "imp" + std::to_string(i), "\xb2", std::to_string(100 + i));
        table.EndStep();
    });
    Step([&] { table.ClearEntries(); });
    Step([&] { Add(table, "09", "after", "\xb3", "1"); });

    const std::size_t steps = views.size() - 1;
    for (std::size_t back = steps; back-- > 0;) {
        ASSERT_TRUE(table.NextUndo());
        table.Undo();
        // The rows as they were; the entry given back is the current one.
        EXPECT_EQ(Look(table).rows, views[back].rows) << "undo to step " << back;
        EXPECT_EQ(observer.rows, table.RowCount());
    }
    EXPECT_FALSE(table.NextUndo());
    for (std::size_t forth = 1; forth <= steps; ++forth) {
        ASSERT_TRUE(table.NextRedo());
        table.Redo();
        EXPECT_EQ(Look(table), views[forth]) << "redo to step " << forth;
        EXPECT_EQ(observer.rows, table.RowCount());
    }
    EXPECT_FALSE(table.NextRedo());
}

TEST_P(TableHistoryTest, UndoneEntriesComeBackCurrent) {
    table.MoveTo(3);
    const View before = Look(table);
    table.DeleteEntry();
    table.Undo();
    EXPECT_EQ(Look(table), before);

    table.MoveTo(1);
    table.EditEntry();
    table.SetField(Field::Name, "changed");
    table.CommitEntry();
    table.MoveTo(4);
    table.Undo();
    EXPECT_EQ(Look(table).rows, before.rows);
    EXPECT_EQ(table.GetField(Field::Name), GetParam() ? "x" : "\x8e\x52\x93\x63");
}

TEST_P(TableHistoryTest, TheClearIsItsOwnKindOfStep) {
    const View before = Look(table);
    table.ClearEntries();
    EXPECT_EQ(table.EntryCount(), 0u);
    EXPECT_EQ(table.NextUndo(), PhoneBookTable::StepKind::Clear);
    table.Undo();
    EXPECT_EQ(Look(table), before);
    EXPECT_EQ(table.NextRedo(), PhoneBookTable::StepKind::Clear);
    EXPECT_FALSE(table.NextUndo());
    table.Redo();
    EXPECT_EQ(table.RowCount(), 0u);
    EXPECT_EQ(observer.rows, 0u);
}

TEST_P(TableHistoryTest, ANewStepDropsWhatWasUndone) {
    Add(table, "03", "one", "\xb1", "1");
    table.Undo();
    ASSERT_TRUE(table.NextRedo());
    table.MoveTo(1);
    table.DeleteEntry();
    EXPECT_FALSE(table.NextRedo());
    table.Undo();
    EXPECT_EQ(table.EntryCount(), 4u);
    EXPECT_FALSE(table.NextUndo());
}

TEST_P(TableHistoryTest, UndoSettlesAPendingEntryFirst) {
    const View before = Look(table);
    table.AppendEntry();
    table.SetField(Field::Name, "typed");
    // The typed entry is committed by the settle, then taken back.
    table.Undo();
    EXPECT_EQ(Look(table).rows, before.rows);
    EXPECT_EQ(table.State(), TableState::Settled);
    table.AppendEntry();
    table.Undo(); // nothing set: dropped, and no step is left to take back
    EXPECT_EQ(table.EntryCount(), 4u);
    EXPECT_EQ(table.NextRedo(), PhoneBookTable::StepKind::Entries);
}

TEST_P(TableHistoryTest, NothingIsKeptWhileHistoryIsOff) {
    Add(table, "03", "one", "\xb1", "1");
    table.KeepHistory(false);
    EXPECT_FALSE(table.NextUndo());
    Add(table, "03", "two", "\xb1", "2");
    table.ClearEntries();
    EXPECT_FALSE(table.NextUndo());
    table.Undo();
    EXPECT_EQ(table.EntryCount(), 0u);

    table.KeepHistory(true);
    Add(table, "03", "three", "\xb1", "3");
    table.CloseTable();
    table.OpenTable();
    EXPECT_FALSE(table.NextUndo());
}

INSTANTIATE_TEST_SUITE_P(Orders, TableHistoryTest, ::testing::Bool(),
                         [](const auto& test) { return test.param ? "Sorted" : "Natural"; });

} // namespace
} // namespace ruvo
