#pragma once

#include "core/book/table/TableObserver.h"

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ruvo {

enum class TableState { Closed, Settled, Adding, Changing };

enum class Field { Group = 0, Name = 1, Kana = 2, Tel = 3 };
inline constexpr std::size_t kFieldCount = 4;

enum class FieldAlignment { Left, Center };

// What the table knows of each field; the grid takes its columns from here.
struct FieldDef {
    const char* name;         // "Group", "Name", "Kana", "Tel" (matched ignoring case)
    std::size_t width;        // bytes stored at most
    std::string_view caption; // column title, UTF-8
    int displayWidth;         // in half-width characters
    FieldAlignment alignment; // of the cells
};
const std::array<FieldDef, kFieldCount>& FieldDefs();

// What SetField stores of a text that holds no NUL, TAB, CR or LF: cut to
// the field's width without splitting a double-byte character, no trailing
// spaces. For a caller that compares a text with what the table holds
// before storing it.
std::string_view FittedToField(Field field, std::string_view text);

// A field is unset or holds a text; unset reads as "" but sorts before it.
using FieldValue = std::optional<std::string>;

// A field as the grid reads it. The text views the table's own storage and
// stays valid until the table next changes.
struct CellValue {
    bool set = false;
    std::string_view text;
};

// The in-memory phone book: committed entries in their natural order (order
// of addition), the sorted order of the index "iKey" (Kana, then Group, in
// the Japanese collation), one current entry and at most one pending entry.
// Created open and empty. Failures throw EDatabaseError with "<name>: <text>".
class PhoneBookTable {
public:
    explicit PhoneBookTable(std::string name = "CData");
    ~PhoneBookTable();
    PhoneBookTable(const PhoneBookTable&) = delete;
    PhoneBookTable& operator=(const PhoneBookTable&) = delete;

    // The name that starts every failure's message.
    const std::string& name() const;

    // Opens a closed table, empty; nothing when it is open.
    void OpenTable();
    // Drops every entry and any pending one; the table is Closed.
    void CloseTable();
    // Settles a pending entry, then drops every entry; the table stays open.
    void ClearEntries();
    // Settles a pending entry, then starts a new one with every field unset.
    void AppendEntry();
    // Starts a change of the current entry; on an empty table a new entry;
    // nothing while an entry is pending.
    void EditEntry();
    // Stores text into the pending entry by the storing rule (up to the
    // first NUL, cut to the width, no trailing spaces). A text holding a TAB,
    // CR or LF before its first NUL is refused and nothing is stored.
    void SetField(Field field, std::string_view text);
    // As above, the field named ignoring letter case; any other name fails.
    void SetField(std::string_view field, std::string_view text);
    // The field of the pending entry, else of the current one; "" when unset
    // or when there is no entry.
    std::string GetField(Field field) const;
    // As above, the field named ignoring letter case; any other name fails.
    std::string GetField(std::string_view field) const;
    // Adds the pending new entry at the end, or stores the pending change.
    void CommitEntry();
    // Adds a committed entry at the end whose first `set` fields hold texts
    // (the others unset), as AppendEntry, SetField for each and CommitEntry
    // do, with the same failures and the same notices to an observer; with
    // no history kept and the natural order selected, without their checks
    // done one by one, and with no observer in one step. For a reader that
    // fills the table entry by entry.
    void AppendCommitted(const std::array<std::string_view, kFieldCount>& texts, std::size_t set);
    // Drops the pending entry; a dropped new entry leaves the last one current.
    void DiscardEntry();
    // Removes the current entry; the next one becomes current, else the new
    // last one. Fails on an empty table.
    void DeleteEntry();

    // Moves in the selected order, each first settling a pending entry.
    // MoveNext at the last entry raises the end flag; on an empty table every
    // move raises it.
    void MoveFirst();
    void MoveNext();
    void MovePrior();
    void MoveLast();
    void MoveBy(long long distance); // stops at either end
    void MoveTo(long long position); // 1-based, clamped to the entries
    bool AtEnd() const;

    // Committed entries; a pending new one is not counted.
    std::size_t EntryCount() const;
    // Every committed entry, in the natural order or in the saved order
    // (that of "iKey": Kana, then Group), without changing the selected
    // order, the current entry or a pending one (which is not walked).
    // visit gets the four fields of each entry in turn, and stops the walk
    // by returning false; the views stay valid until the table changes,
    // which visit must not do.
    enum class Walk { Natural, Saved };
    using EntryFields = std::array<CellValue, kFieldCount>;
    void ForEachEntry(Walk walk, const std::function<bool(const EntryFields&)>& visit) const;

    // "iKey" for the sorted order, "" for the natural order.
    void SelectOrder(std::string_view order);
    bool SortedOrderSelected() const;
    TableState State() const;

    // For the grid: rows of the selected order, the pending new entry
    // included as the last row while one exists.
    std::size_t RowCount() const;
    std::optional<std::size_t> CurrentRow() const;
    CellValue Cell(std::size_t row, Field field) const;
    // True while a new entry is pending and none of its fields was set.
    bool PendingEntryUntouched() const;

    // --- History: undo and redo ---
    // While kept, every commit (a new entry or a change), delete and
    // ClearEntries is one step that Undo takes back and Redo does again;
    // changes between BeginStep and EndStep make one step (an import). An
    // entry comes back byte for byte, at its place in the natural order, and
    // becomes the current one. Nothing is copied: a step keeps the records
    // it took away, and an emptied table keeps its storage in its step. A
    // new step drops the steps undone before it. Off at first; turning it
    // off forgets every step.
    void KeepHistory(bool keep);
    void BeginStep();
    void EndStep();
    // What the next Undo or Redo would do: a change of entries, or the
    // emptying (or refilling) of the whole table by ClearEntries.
    enum class StepKind { Entries, Clear };
    std::optional<StepKind> NextUndo() const;
    std::optional<StepKind> NextRedo() const;
    // Each first settles a pending entry, as a move does; nothing when there
    // is no step to take.
    void Undo();
    void Redo();

    // At most one observer; nullptr removes it. The table does not own it.
    void SetObserver(TableObserver* observer);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace ruvo
