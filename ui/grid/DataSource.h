#pragma once

#include "core/book/table/TableObserver.h"

#include <QAbstractTableModel>

namespace ruvo {

class PhoneBookTable;

// The data link between the table and the grid: a table model that follows
// the table's change notifications one row at a time. Rows are the table's
// rows in its selected order; columns are its fields.
// What the indicator shows of the current record: no record, browsing it,
// changing it, inserting a new one.
enum class TDataState { dsInactive, dsBrowse, dsEdit, dsInsert };

class TDataSource : public QAbstractTableModel, private TableObserver {
    Q_OBJECT

public:
    explicit TDataSource(PhoneBookTable& table, QObject* parent = nullptr);
    ~TDataSource() override;

    // --- The cursor, for the grid ---
    // The current row as the view knows it (rows of the selected order,
    // from 0); -1 for none. Updated just before CurrentChanged.
    int CurrentRow() const { return currentRow_; }
    int RecordCount() const;
    TDataState State() const;
    // True while a new record is pending and none of its fields was set.
    bool PendingUntouched() const;
    // Moves, each settling a pending record first; positions from 1.
    void MoveFirst();
    void MoveLast();
    void MovePrior();
    void MoveNext();
    void MoveBy(long long distance);
    void MoveTo(long long position);
    // Drops a pending record (nothing when there is none).
    void Cancel();
    // A column's display width, in half-width characters.
    int DisplayWidth(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Bulk mode, for loops that change many rows (reading or writing a
    // file): the table's notices are gathered, and the view learns of them
    // at each FlushBulk() and at EndBulk(), not row by row: as one insertion
    // of rows when the table only grew at its end, else as one reset.
    void BeginBulk();
    void FlushBulk();
    void EndBulk();

signals:
    // The table's current entry moved (or the rows changed under it).
    void CurrentChanged();
    // Settled, Adding, Changing or Closed: the indicator's marker.
    void StateChanged();

private:
    void beginInsertRow(std::size_t row) override;
    void endInsertRow() override;
    void beginRemoveRow(std::size_t row) override;
    void endRemoveRow() override;
    void beginMoveRow(std::size_t from, std::size_t to) override;
    void endMoveRow() override;
    void rowChanged(std::size_t row) override;
    void beginReset() override;
    void endReset() override;
    void currentChanged() override;
    void stateChanged() override;

    void EndChange();
    void UpdateCurrentRow();
    void AnnounceCurrent();
    // True in bulk mode, where a notice is only noted for the next flush;
    // rows: the notice is of rows, not only of the current entry or state.
    bool Bulk(bool rows = true);

    PhoneBookTable& table_;
    int currentRow_ = -1;
    // Inside a begin...end pair the view must not look at the table yet;
    // the current-entry notice waits for the end.
    bool changing_ = false;
    // In bulk mode the view knows of bulkRows_ rows until the next flush.
    bool bulk_ = false;
    bool bulkChanged_ = false;
    bool bulkRowsChanged_ = false;
    int bulkRows_ = 0;
    // Every row notice since the last flush added a row at the end.
    bool bulkOnlyAppended_ = true;
    std::size_t bulkSeenRows_ = 0;
};

} // namespace ruvo
