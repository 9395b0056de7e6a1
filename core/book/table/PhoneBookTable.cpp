#include "core/book/table/PhoneBookTable.h"

#include "core/book/LineFormat.h"
#include "core/book/table/EntryRecord.h"
#include "core/book/table/LiveSlots.h"
#include "core/book/table/RecordArena.h"
#include "core/book/table/SortKey.h"
#include "core/book/table/SortedIndex.h"
#include "core/book/table/TwoThreads.h"
#include "core/error/Errors.h"
#include "core/messages/MessageText.h"
#include "core/text/Cp932.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace ruvo {

static_assert(kFieldCount == table::kRecordFields);
static_assert(kFieldCount == kLineFields);

namespace {

const std::array<FieldDef, kFieldCount> kFieldDefs{{
    {"Group", 2, messages::kCaptionGroup, 2, FieldAlignment::Center},
    {"Name", 30, messages::kCaptionName, 30, FieldAlignment::Left},
    {"Kana", 30, messages::kCaptionKana, 30, FieldAlignment::Left},
    {"Tel", 20, messages::kCaptionTel, 20, FieldAlignment::Left},
}};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The rest of the storing rule, for what StorablePart leaves of a text: at most `width`
// bytes without splitting a double-byte character, no lead byte left alone
// at the end (written back, it would take the TAB after it for its second
// byte and run into the next field), no trailing spaces.
std::string_view FitToField(std::string_view text, std::size_t width) {
    if (text.size() > width) {
        std::size_t end = 0;
        while (end < width) {
            std::size_t step = cp932::IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
            if (end + step > width)
                break;
            end += step;
        }
        text = text.substr(0, end);
    }
    // Dropping trailing spaces can leave a lead byte alone (one whose second
    // byte was a space), and dropping that can bare more spaces.
    for (;;) {
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        if (!EndsInLoneLeadByte(text))
            return text;
        text.remove_suffix(1);
    }
}

// Makes sure that the next push_back allocates nothing, growing as
// push_back would.
template <typename T> void ReserveOneMore(std::vector<T>& v) {
    if (v.size() == v.capacity())
        v.reserve(std::max<std::size_t>(1, 2 * v.size()));
}

// What a change of the table needs before it may start.
enum class Needs { Nothing, OpenTable, PendingEntry };

constexpr auto kKana = static_cast<std::size_t>(Field::Kana);
constexpr auto kGroup = static_cast<std::size_t>(Field::Group);
constexpr auto kTel = static_cast<std::size_t>(Field::Tel);

} // namespace

const std::array<FieldDef, kFieldCount>& FieldDefs() {
    return kFieldDefs;
}

std::string_view FittedToField(Field field, std::string_view text) {
    return FitToField(text, kFieldDefs[static_cast<std::size_t>(field)].width);
}

struct PhoneBookTable::Impl {
    std::string name;
    TableObserver* observer = nullptr;
    TableState state = TableState::Settled;

    // Committed entries by sequence number (order of addition); null once deleted.
    table::RecordArena records;
    std::vector<const std::uint8_t*> slots;
    table::LiveSlots live;
    std::size_t count = 0;

    // The sorted order, kept only while it is selected.
    bool sorted = false;
    table::RecordArena keys;
    table::SortedIndex index;

    // The current entry by its row in the selected order, and its slot.
    bool hasCurrent = false;
    std::size_t currentRow = 0;
    std::uint32_t currentSeq = 0;
    const std::uint8_t* currentRecord = nullptr;
    bool atEnd = false;

    // The pending entry: a new one (Adding) or a change of the current one.
    std::array<std::string, kFieldCount> pending;
    std::uint8_t pendingSet = 0;
    bool pendingAssigned = false;

    // The history. An action is one change of entries; the actions of one
    // step lie together, the first of them marked. The undo list runs from
    // the oldest step to the newest; the redo list holds undone steps, the
    // last undone at the end, each with its marked action last.
    struct Storage {
        table::RecordArena records;
        std::vector<const std::uint8_t*> slots;
        table::LiveSlots live;
        std::size_t count = 0;
        bool hasCurrent = false;
        std::uint32_t currentSeq = 0;
        const std::uint8_t* currentRecord = nullptr;
    };
    struct Action {
        enum class Kind { Added, Changed, Deleted, Cleared };
        Kind kind = Kind::Added;
        bool first = true;
        std::uint32_t seq = 0;
        std::uint32_t end = 0;                  // Added: the slots [seq, end)
        const std::uint8_t* before = nullptr;   // Changed, Deleted
        const std::uint8_t* after = nullptr;    // Changed
        std::vector<const std::uint8_t*> taken; // Added, while undone
        std::unique_ptr<Storage> storage;       // Cleared: the other side of the swap
    };
    bool keepHistory = false;
    bool replaying = false;
    int openSteps = 0;
    bool stepStarted = false;
    std::vector<Action> undoList;
    std::vector<Action> redoList;

    // What the observer has seen of the current row and the state.
    struct Snapshot {
        TableState state;
        std::optional<std::size_t> row;
        bool hasCurrent;
        std::uint32_t seq;
    };

    // The one way the table changes: check that the change may start, run
    // it, then tell the observer of a new current entry or state. A change
    // fails, if at all, before it alters anything, so a failure tells nothing.
    template <typename Change> void Apply(Needs needs, Change&& change) {
        if (needs == Needs::OpenTable)
            RequireOpen();
        else if (needs == Needs::PendingEntry && !Pending())
            Fail(messages::kNotEditing);
        // Room first, so that recording a change that happened cannot fail.
        if (Recording())
            ReserveOneMore(undoList);
        const Snapshot before = Take();
        change();
        Announce(before);
    }

    [[noreturn]] void Fail(std::string_view text) const {
        std::string message = name;
        message += ": ";
        message += text;
        throw EDatabaseError(message);
    }

    void RequireOpen() const {
        if (state == TableState::Closed)
            Fail(messages::kClosedTable);
    }

    // The field of that name, ignoring letter case; fails for any other name.
    Field FieldByName(std::string_view fieldName) const {
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            if (EqualsIgnoringCase(fieldName, kFieldDefs[f].name))
                return static_cast<Field>(f);
        }
        Fail(messages::Fill(messages::kFieldNotFound, fieldName));
    }

    bool Pending() const { return state == TableState::Adding || state == TableState::Changing; }

    std::optional<std::size_t> CurrentRow() const {
        if (state == TableState::Adding)
            return count;
        if (state == TableState::Closed || !hasCurrent)
            return std::nullopt;
        return currentRow;
    }

    Snapshot Take() const { return {state, CurrentRow(), hasCurrent, currentSeq}; }

    // Tells the observer about a changed state or current entry since `before`.
    void Announce(const Snapshot& before) const {
        if (!observer)
            return;
        Snapshot after = Take();
        if (after.row != before.row || after.hasCurrent != before.hasCurrent ||
            (after.hasCurrent && after.seq != before.seq) ||
            (after.state == TableState::Adding) != (before.state == TableState::Adding))
            observer->currentChanged();
        if (after.state != before.state)
            observer->stateChanged();
    }

    table::SortedIndex::Entry EntryAt(std::size_t row) const {
        if (sorted)
            return index.At(row);
        // Until the first delete, positions are sequence numbers.
        auto seq = static_cast<std::uint32_t>(count == slots.size() ? row : live.Find(row));
        return {seq, slots[seq]};
    }

    void SetCurrent(std::size_t row) {
        table::SortedIndex::Entry entry = EntryAt(row);
        hasCurrent = true;
        currentRow = row;
        currentSeq = entry.seq;
        currentRecord = entry.record;
    }

    std::optional<std::string_view> PendingValue(std::size_t field) const {
        return (pendingSet >> field) & 1 ? std::optional<std::string_view>(pending[field])
                                         : std::nullopt;
    }

    const std::uint8_t* PendingSortKey() {
        return table::MakeSortKey(keys, PendingValue(kKana), PendingValue(kGroup));
    }

    void Commit() {
        if (state == TableState::Adding)
            CommitNew();
        else if (state == TableState::Changing)
            CommitChange();
    }

    void CommitNew() {
        const std::uint8_t* record = table::EntryRecord::Pack(records, pendingSet, pending);
        auto seq = static_cast<std::uint32_t>(slots.size());
        const std::uint8_t* key = sorted ? PendingSortKey() : nullptr;
        std::size_t row = sorted ? index.LowerBound(key, seq) : count;
        // Room first, so that nothing fails between the observer's begin and end.
        ReserveOneMore(slots);
        live.ReserveAppend();
        if (sorted)
            index.ReserveInsert();
        bool moves = row != count;
        if (moves && observer)
            observer->beginMoveRow(count, row);
        slots.push_back(record);
        live.Append();
        if (sorted)
            index.Insert(row, seq, key, record);
        ++count;
        state = TableState::Settled;
        hasCurrent = true;
        currentRow = row;
        currentSeq = seq;
        currentRecord = record;
        if (moves && observer)
            observer->endMoveRow();
        if (Recording()) {
            Action added;
            added.kind = Action::Kind::Added;
            added.seq = seq;
            added.end = seq + 1;
            Record(std::move(added));
        }
    }

    void CommitChange() {
        const std::uint8_t* before = currentRecord;
        const std::uint8_t* record = table::EntryRecord::Pack(records, pendingSet, pending);
        StoreRecord(record, sorted ? PendingSortKey() : nullptr);
        if (Recording()) {
            Action changed;
            changed.kind = Action::Kind::Changed;
            changed.seq = currentSeq;
            changed.before = before;
            changed.after = record;
            Record(std::move(changed));
        }
    }

    // Puts record, whose sort key is key (when sorted), in place of the
    // current entry; the entry moves to its new row.
    void StoreRecord(const std::uint8_t* record, const std::uint8_t* key) {
        std::size_t from = currentRow;
        std::size_t to = from;
        if (sorted) {
            to = index.LowerBound(key, currentSeq);
            // The entry itself is still in the tree and counted when it sorts before its new place.
            if (table::CompareKeys(index.KeyAt(from), key) < 0)
                --to;
        }
        bool moves = from != to;
        if (moves && observer)
            observer->beginMoveRow(from, to);
        slots[currentSeq] = record;
        currentRecord = record;
        if (sorted) {
            if (moves) {
                // The insert takes the node that the erase frees.
                index.Erase(from);
                index.Insert(to, currentSeq, key, record);
            } else {
                index.Replace(from, key, record);
            }
        }
        state = TableState::Settled;
        currentRow = to;
        if (moves && observer)
            observer->endMoveRow();
    }

    void Discard() {
        if (state == TableState::Adding) {
            if (observer)
                observer->beginRemoveRow(count);
            state = TableState::Settled;
            if (count > 0)
                SetCurrent(count - 1);
            else
                hasCurrent = false;
            if (observer)
                observer->endRemoveRow();
        } else if (state == TableState::Changing) {
            state = TableState::Settled;
            if (pendingAssigned && observer)
                observer->rowChanged(currentRow);
        }
    }

    void Settle() {
        if (!Pending())
            return;
        if (pendingAssigned)
            Commit();
        else
            Discard();
    }

    // Settles a pending entry and starts a new one as the last row.
    void StartNew() {
        Settle();
        if (observer)
            observer->beginInsertRow(count);
        StartPending(TableState::Adding);
        atEnd = false;
        if (observer)
            observer->endInsertRow();
    }

    void StartPending(TableState newState) {
        pendingSet = 0;
        pendingAssigned = false;
        for (std::string& text : pending)
            text.clear();
        if (newState == TableState::Changing) {
            table::EntryRecord record{currentRecord};
            for (std::size_t f = 0; f < kFieldCount; ++f) {
                pending[f] = record.Text(f);
                if (record.IsSet(f))
                    pendingSet |= std::uint8_t(1u << f);
            }
        }
        state = newState;
    }

    void DeleteCurrent() {
        std::size_t row = currentRow;
        if (Recording()) {
            Action deleted;
            deleted.kind = Action::Kind::Deleted;
            deleted.seq = currentSeq;
            deleted.before = currentRecord;
            Record(std::move(deleted));
        }
        if (observer)
            observer->beginRemoveRow(row);
        state = TableState::Settled;
        slots[currentSeq] = nullptr;
        live.Remove(currentSeq);
        if (sorted)
            index.Erase(row);
        --count;
        if (count == 0)
            hasCurrent = false;
        else
            SetCurrent(std::min(row, count - 1));
        if (observer)
            observer->endRemoveRow();
    }

    // Drops every entry, as one reset for the observer; the table is then
    // in state `after`. With kept, the entries go there instead of away.
    void DropEntries(TableState after, Storage* kept = nullptr) {
        // Made first, so that nothing fails between the observer's begin and end.
        table::LiveSlots noSlots;
        table::SortedIndex noIndex;
        if (observer)
            observer->beginReset();
        if (kept) {
            kept->records = std::move(records);
            kept->slots = std::move(slots);
            kept->live = std::move(live);
            kept->count = count;
            kept->hasCurrent = hasCurrent;
            kept->currentSeq = currentSeq;
            kept->currentRecord = currentRecord;
            records = table::RecordArena();
        }
        records.Clear();
        std::vector<const std::uint8_t*>().swap(slots);
        live = std::move(noSlots);
        count = 0;
        keys.Clear();
        index = std::move(noIndex);
        hasCurrent = false;
        state = after;
        atEnd = false;
        if (observer)
            observer->endReset();
    }

    bool Recording() const { return keepHistory && !replaying; }

    // The kind of the step at the end of a list: a step that empties the
    // table holds nothing else.
    static std::optional<StepKind> KindOf(const std::vector<Action>& list) {
        if (list.empty())
            return std::nullopt;
        return list.back().kind == Action::Kind::Cleared ? StepKind::Clear : StepKind::Entries;
    }

    // Adds a change that has happened to the history; Apply made room.
    void Record(Action action) {
        redoList.clear();
        if (openSteps > 0 && stepStarted) {
            Action& last = undoList.back();
            if (action.kind == Action::Kind::Added && last.kind == Action::Kind::Added &&
                last.end == action.seq) {
                last.end = action.end;
                return;
            }
            action.first = false;
        }
        stepStarted = openSteps > 0;
        undoList.push_back(std::move(action));
    }

    void ForgetHistory() {
        // Storage kept for an emptied table goes with its step.
        std::vector<Action>().swap(undoList);
        std::vector<Action>().swap(redoList);
        stepStarted = false;
    }

    // Takes the newest step of `from` back (undo) or does it again (redo),
    // and moves it onto `to`.
    void Replay(std::vector<Action>& from, std::vector<Action>& to, bool redo) {
        if (from.empty())
            return;
        std::size_t length = 1;
        if (redo) {
            // The marked action is the step's last one here.
            while (length < from.size() && !from[from.size() - length - 1].first)
                ++length;
        } else {
            while (!from[from.size() - length].first)
                ++length;
        }
        to.reserve(to.size() + length);
        replaying = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{replaying};
        for (std::size_t i = 0; i < length; ++i) {
            Action action = std::move(from.back());
            from.pop_back();
            if (redo)
                Redo(action);
            else
                Undo(action);
            to.push_back(std::move(action));
        }
    }

    void Undo(Action& action) {
        switch (action.kind) {
        case Action::Kind::Added:
            action.taken.reserve(action.end - action.seq);
            InBatch(action.end - action.seq, [&] {
                for (std::uint32_t seq = action.end; seq-- > action.seq;) {
                    action.taken.push_back(slots[seq]);
                    RemoveSlot(seq);
                }
            });
            std::reverse(action.taken.begin(), action.taken.end());
            break;
        case Action::Kind::Changed:
            ReplaceSlot(action.seq, action.before);
            break;
        case Action::Kind::Deleted:
            ReviveSlot(action.seq, action.before);
            break;
        case Action::Kind::Cleared:
            SwapStorage(*action.storage);
            break;
        }
    }

    void Redo(Action& action) {
        switch (action.kind) {
        case Action::Kind::Added:
            InBatch(action.end - action.seq, [&] {
                for (std::uint32_t seq = action.seq; seq < action.end; ++seq)
                    ReviveSlot(seq, action.taken[seq - action.seq]);
            });
            std::vector<const std::uint8_t*>().swap(action.taken);
            break;
        case Action::Kind::Changed:
            ReplaceSlot(action.seq, action.after);
            break;
        case Action::Kind::Deleted:
            RemoveSlot(action.seq);
            break;
        case Action::Kind::Cleared:
            SwapStorage(*action.storage);
            break;
        }
    }

    // Runs a change of `entries` entries; more than one is told to the
    // observer as one reset, and done in the natural order, the sorted one
    // built again afterwards.
    template <typename Change> void InBatch(std::size_t entries, Change&& change) {
        if (entries <= 1) {
            change();
            return;
        }
        TableObserver* const told = observer;
        if (told)
            told->beginReset();
        observer = nullptr;
        struct Restore {
            Impl& d;
            TableObserver* told;
            ~Restore() {
                d.observer = told;
                if (told)
                    told->endReset();
            }
        } restore{*this, told};
        const bool wasSorted = sorted;
        if (wasSorted) {
            sorted = false;
            keys.Clear();
            index = table::SortedIndex();
            if (hasCurrent)
                currentRow = live.LiveBefore(currentSeq);
        }
        change();
        if (wasSorted) {
            const std::size_t row = BuildSortedOrder(keys, index);
            sorted = true;
            if (hasCurrent)
                currentRow = row;
        }
    }

    // The row of the live entry in slot seq, in the selected order.
    std::size_t RowOf(std::uint32_t seq) {
        if (!sorted)
            return live.LiveBefore(seq);
        table::EntryRecord record{slots[seq]};
        return index.LowerBound(table::MakeSortKey(keys, record.Value(kKana), record.Value(kGroup)),
                                seq);
    }

    void MakeCurrent(std::uint32_t seq) {
        hasCurrent = true;
        currentRow = RowOf(seq);
        currentSeq = seq;
        currentRecord = slots[seq];
    }

    void RemoveSlot(std::uint32_t seq) {
        MakeCurrent(seq);
        DeleteCurrent();
    }

    // Puts record back into its emptied slot seq, as the current entry.
    void ReviveSlot(std::uint32_t seq, const std::uint8_t* record) {
        table::EntryRecord entry{record};
        const std::uint8_t* key =
            sorted ? table::MakeSortKey(keys, entry.Value(kKana), entry.Value(kGroup)) : nullptr;
        const std::size_t row = sorted ? index.LowerBound(key, seq) : live.LiveBefore(seq);
        if (sorted)
            index.ReserveInsert();
        if (observer)
            observer->beginInsertRow(row);
        slots[seq] = record;
        live.Restore(seq);
        if (sorted)
            index.Insert(row, seq, key, record);
        ++count;
        hasCurrent = true;
        currentRow = row;
        currentSeq = seq;
        currentRecord = record;
        atEnd = false;
        if (observer)
            observer->endInsertRow();
    }

    void ReplaceSlot(std::uint32_t seq, const std::uint8_t* record) {
        MakeCurrent(seq);
        table::EntryRecord entry{record};
        StoreRecord(record, sorted
                                ? table::MakeSortKey(keys, entry.Value(kKana), entry.Value(kGroup))
                                : nullptr);
    }

    // Exchanges the entries with those an emptied table kept, as one reset.
    void SwapStorage(Storage& other) {
        if (observer)
            observer->beginReset();
        std::swap(records, other.records);
        std::swap(slots, other.slots);
        std::swap(live, other.live);
        std::swap(count, other.count);
        std::swap(hasCurrent, other.hasCurrent);
        std::swap(currentSeq, other.currentSeq);
        std::swap(currentRecord, other.currentRecord);
        keys.Clear();
        index = table::SortedIndex();
        currentRow = 0;
        if (sorted) {
            const std::size_t row = BuildSortedOrder(keys, index);
            if (hasCurrent)
                currentRow = row;
        } else if (hasCurrent) {
            currentRow = live.LiveBefore(currentSeq);
        }
        atEnd = false;
        if (observer)
            observer->endReset();
    }

    // Switches between the natural and the sorted order, as one reset for
    // the observer; the current entry stays current.
    void SwitchOrder(bool toSorted) {
        if (toSorted == sorted)
            return;
        // Built first, so that nothing fails between the observer's begin and end.
        table::RecordArena newKeys;
        table::SortedIndex newIndex;
        std::size_t row = 0;
        if (toSorted)
            row = BuildSortedOrder(newKeys, newIndex);
        else if (hasCurrent)
            row = live.LiveBefore(currentSeq);
        if (observer)
            observer->beginReset();
        sorted = toSorted;
        keys = std::move(newKeys);
        index = std::move(newIndex);
        if (hasCurrent)
            currentRow = row;
        if (observer)
            observer->endReset();
    }

    // Every committed entry with its sort key, made in keyArena, in the
    // natural order.
    // A large table makes them on two threads, each over half of the slots
    // with an arena of its own.
    std::vector<table::SortedIndex::Item> ItemsToSort(table::RecordArena& keyArena) const {
        std::vector<table::SortedIndex::Item> items(count);
        const auto fill = [&](table::RecordArena& arena, std::uint32_t from, std::uint32_t to,
                              table::SortedIndex::Item* out) {
            for (std::uint32_t seq = from; seq < to; ++seq) {
                if (!slots[seq])
                    continue;
                table::EntryRecord record{slots[seq]};
                const std::uint8_t* key =
                    table::MakeSortKey(arena, record.Value(kKana), record.Value(kGroup));
                *out++ = table::SortedIndex::MakeItem(key, seq, slots[seq]);
            }
        };
        const auto end = static_cast<std::uint32_t>(slots.size());
        if (count < table::kTwoThreadEntries) {
            fill(keyArena, 0, end, items.data());
            return items;
        }
        const std::uint32_t middle = end / 2;
        table::RecordArena secondArena;
        table::OnTwoThreads(
            [&] { fill(keyArena, 0, middle, items.data()); },
            [&] { fill(secondArena, middle, end, items.data() + live.LiveBefore(middle)); });
        keyArena.Adopt(std::move(secondArena));
        return items;
    }

    // Fills keys and index with the sorted order of every committed entry;
    // returns the current entry's row in it.
    std::size_t BuildSortedOrder(table::RecordArena& newKeys, table::SortedIndex& newIndex) const {
        std::vector<table::SortedIndex::Item> items = ItemsToSort(newKeys);
        newIndex.Build(items);
        if (!hasCurrent)
            return 0;
        auto it = std::find_if(items.begin(), items.end(), [&](const table::SortedIndex::Item& i) {
            return i.seq == currentSeq;
        });
        return static_cast<std::size_t>(it - items.begin());
    }
};

PhoneBookTable::PhoneBookTable(std::string name) : impl_(std::make_unique<Impl>()) {
    impl_->name = std::move(name);
}

PhoneBookTable::~PhoneBookTable() = default;

const std::string& PhoneBookTable::name() const {
    return impl_->name;
}

void PhoneBookTable::OpenTable() {
    Impl& d = *impl_;
    d.Apply(Needs::Nothing, [&] {
        if (d.state != TableState::Closed)
            return;
        d.state = TableState::Settled;
        d.atEnd = false;
    });
}

void PhoneBookTable::CloseTable() {
    Impl& d = *impl_;
    d.Apply(Needs::Nothing, [&] {
        d.ForgetHistory();
        if (d.state != TableState::Closed)
            d.DropEntries(TableState::Closed);
    });
}

void PhoneBookTable::ClearEntries() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        d.Settle();
        if (!d.Recording()) {
            d.DropEntries(TableState::Settled);
            return;
        }
        Impl::Action cleared;
        cleared.kind = Impl::Action::Kind::Cleared;
        cleared.storage = std::make_unique<Impl::Storage>();
        d.DropEntries(TableState::Settled, cleared.storage.get());
        d.Record(std::move(cleared));
    });
}

void PhoneBookTable::AppendEntry() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] { d.StartNew(); });
}

void PhoneBookTable::EditEntry() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        if (d.Pending())
            return;
        if (d.count == 0)
            d.StartNew();
        else
            d.StartPending(TableState::Changing);
    });
}

void PhoneBookTable::SetField(std::string_view field, std::string_view text) {
    SetField(impl_->FieldByName(field), text);
}

void PhoneBookTable::SetField(Field field, std::string_view text) {
    Impl& d = *impl_;
    d.Apply(Needs::PendingEntry, [&] {
        auto f = static_cast<std::size_t>(field);
        const std::optional<std::string_view> storable = StorablePart(text);
        if (!storable) {
            d.Fail(messages::Fill(messages::kNoLineBreak, kFieldDefs[f].name));
        }
        const std::string_view fitted = FitToField(*storable, kFieldDefs[f].width);
        // The file ends a number at its first ':'.
        if (field == Field::Tel && NumberHoldsColon(fitted))
            d.Fail(messages::Fill(messages::kNoColonInTel, kFieldDefs[f].name));
        d.pending[f] = fitted;
        d.pendingSet |= std::uint8_t(1u << f);
        d.pendingAssigned = true;
        if (d.observer)
            d.observer->rowChanged(*d.CurrentRow());
    });
}

std::string PhoneBookTable::GetField(std::string_view field) const {
    return GetField(impl_->FieldByName(field));
}

std::string PhoneBookTable::GetField(Field field) const {
    const Impl& d = *impl_;
    d.RequireOpen();
    auto f = static_cast<std::size_t>(field);
    if (d.Pending())
        return d.pending[f];
    if (!d.hasCurrent)
        return {};
    return std::string(table::EntryRecord{d.currentRecord}.Text(f));
}

void PhoneBookTable::AppendCommitted(const std::array<std::string_view, kFieldCount>& texts,
                                     std::size_t set) {
    Impl& d = *impl_;
    std::array<std::string_view, kFieldCount> fitted;
    bool direct = !d.Recording() && !d.sorted && d.state == TableState::Settled;
    for (std::size_t f = 0; direct && f < set; ++f) {
        const std::optional<std::string_view> storable = StorablePart(texts[f]);
        direct = storable.has_value();
        if (direct)
            fitted[f] = FitToField(*storable, kFieldDefs[f].width);
        if (direct && f == kTel)
            direct = !NumberHoldsColon(fitted[f]);
    }
    if (!direct) {
        // The way the public steps take it, failures and notices included.
        AppendEntry();
        for (std::size_t f = 0; f < set; ++f)
            SetField(static_cast<Field>(f), texts[f]);
        CommitEntry();
        return;
    }
    if (d.observer) {
        // The steps' notices in their order, each seeing the table as the
        // steps leave it, without the steps' checks done again.
        const Impl::Snapshot before = d.Take();
        d.observer->beginInsertRow(d.count);
        d.StartPending(TableState::Adding);
        d.atEnd = false;
        d.observer->endInsertRow();
        d.Announce(before);
        for (std::size_t f = 0; f < set; ++f) {
            d.pending[f] = fitted[f];
            d.pendingSet |= std::uint8_t(1u << f);
            d.pendingAssigned = true;
            d.observer->rowChanged(d.count);
        }
        const Impl::Snapshot adding = d.Take();
        d.CommitNew();
        d.Announce(adding);
        return;
    }
    const auto setFlags = static_cast<std::uint8_t>((1u << set) - 1);
    const std::uint8_t* record = table::EntryRecord::PackViews(d.records, setFlags, fitted);
    ReserveOneMore(d.slots);
    d.live.ReserveAppend();
    d.slots.push_back(record);
    d.live.Append();
    d.hasCurrent = true;
    d.currentRow = d.count;
    d.currentSeq = static_cast<std::uint32_t>(d.slots.size() - 1);
    d.currentRecord = record;
    d.atEnd = false;
    ++d.count;
}

void PhoneBookTable::CommitEntry() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] { d.Commit(); });
}

void PhoneBookTable::DiscardEntry() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] { d.Discard(); });
}

void PhoneBookTable::DeleteEntry() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        if (d.state == TableState::Adding) {
            d.Discard();
            return;
        }
        if (d.count == 0)
            d.Fail(messages::kEmptyTable);
        d.DeleteCurrent();
    });
}

void PhoneBookTable::MoveFirst() {
    MoveTo(1);
}

void PhoneBookTable::MoveNext() {
    MoveBy(1);
}

void PhoneBookTable::MovePrior() {
    MoveBy(-1);
}

void PhoneBookTable::MoveLast() {
    MoveTo(std::numeric_limits<long long>::max());
}

void PhoneBookTable::MoveBy(long long distance) {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        d.Settle();
        if (d.count == 0) {
            d.atEnd = true;
            return;
        }
        auto last = static_cast<long long>(d.count - 1);
        auto from = static_cast<long long>(d.currentRow);
        long long to = distance > last - from ? last : std::max(from + distance, 0LL);
        d.atEnd = distance > last - from;
        if (to != from)
            d.SetCurrent(static_cast<std::size_t>(to));
    });
}

void PhoneBookTable::MoveTo(long long position) {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        d.Settle();
        if (d.count == 0) {
            d.atEnd = true;
            return;
        }
        auto last = static_cast<long long>(d.count - 1);
        long long row = position <= 1 ? 0 : std::min(position - 1, last);
        d.SetCurrent(static_cast<std::size_t>(row));
        d.atEnd = false;
    });
}

bool PhoneBookTable::AtEnd() const {
    return impl_->state == TableState::Closed || impl_->atEnd;
}

std::size_t PhoneBookTable::EntryCount() const {
    return impl_->count;
}

void PhoneBookTable::SelectOrder(std::string_view order) {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        const bool sorted = !order.empty();
        if (sorted && !EqualsIgnoringCase(order, "iKey")) {
            d.Fail(messages::Fill(messages::kIndexNotFound, order));
        }
        d.Settle();
        d.SwitchOrder(sorted);
    });
}

void PhoneBookTable::ForEachEntry(Walk walk,
                                  const std::function<bool(const EntryFields&)>& visit) const {
    const Impl& d = *impl_;
    d.RequireOpen();
    EntryFields fields;
    const auto visitRecord = [&](const std::uint8_t* bytes) {
        const table::EntryRecord record{bytes};
        for (std::size_t f = 0; f < kFieldCount; ++f)
            fields[f] = {record.IsSet(f), record.Text(f)};
        return visit(fields);
    };
    if (walk == Walk::Natural || d.count == 0) {
        for (const std::uint8_t* record : d.slots)
            if (record && !visitRecord(record))
                return;
        return;
    }
    if (d.sorted) {
        for (std::size_t row = 0; row < d.count; ++row)
            if (!visitRecord(d.index.At(row).record))
                return;
        return;
    }
    // The saved order without selecting it: the same keys, sorted aside.
    table::RecordArena keys;
    std::vector<table::SortedIndex::Item> items = d.ItemsToSort(keys);
    table::SortedIndex::Sort(items);
    // The records lie in the natural order, so each one the walk reads next
    // is a cache miss of its own: ask for a few of them ahead.
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i + kAhead < items.size())
            table::SortedIndex::Prefetch(items[i + kAhead].record);
        if (!visitRecord(items[i].record))
            return;
    }
}

bool PhoneBookTable::SortedOrderSelected() const {
    return impl_->sorted;
}

TableState PhoneBookTable::State() const {
    return impl_->state;
}

std::size_t PhoneBookTable::RowCount() const {
    return impl_->count + (impl_->state == TableState::Adding ? 1 : 0);
}

std::optional<std::size_t> PhoneBookTable::CurrentRow() const {
    return impl_->CurrentRow();
}

CellValue PhoneBookTable::Cell(std::size_t row, Field field) const {
    const Impl& d = *impl_;
    auto f = static_cast<std::size_t>(field);
    bool pendingRow = d.Pending() && d.CurrentRow() == row;
    if (pendingRow)
        return {((d.pendingSet >> f) & 1) != 0, d.pending[f]};
    if (row >= d.count)
        return {};
    table::EntryRecord record{d.EntryAt(row).record};
    return {record.IsSet(f), record.Text(f)};
}

bool PhoneBookTable::PendingEntryUntouched() const {
    return impl_->state == TableState::Adding && !impl_->pendingAssigned;
}

void PhoneBookTable::KeepHistory(bool keep) {
    Impl& d = *impl_;
    d.keepHistory = keep;
    if (!keep)
        d.ForgetHistory();
}

void PhoneBookTable::BeginStep() {
    Impl& d = *impl_;
    if (d.openSteps++ == 0)
        d.stepStarted = false;
}

void PhoneBookTable::EndStep() {
    Impl& d = *impl_;
    if (d.openSteps > 0 && --d.openSteps == 0)
        d.stepStarted = false;
}

std::optional<PhoneBookTable::StepKind> PhoneBookTable::NextUndo() const {
    return Impl::KindOf(impl_->undoList);
}

std::optional<PhoneBookTable::StepKind> PhoneBookTable::NextRedo() const {
    return Impl::KindOf(impl_->redoList);
}

void PhoneBookTable::Undo() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        d.Settle();
        d.Replay(d.undoList, d.redoList, false);
    });
}

void PhoneBookTable::Redo() {
    Impl& d = *impl_;
    d.Apply(Needs::OpenTable, [&] {
        d.Settle();
        d.Replay(d.redoList, d.undoList, true);
    });
}

void PhoneBookTable::SetObserver(TableObserver* observer) {
    impl_->observer = observer;
}

} // namespace ruvo
