#include "ui/grid/DataSource.h"

#include "core/book/table/PhoneBookTable.h"
#include "ui/Cp932Text.h"

namespace ruvo {

TDataSource::TDataSource(PhoneBookTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    table_.SetObserver(this);
    UpdateCurrentRow();
}

TDataSource::~TDataSource() {
    table_.SetObserver(nullptr);
}

int TDataSource::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    if (bulk_)
        return bulkRows_;
    return static_cast<int>(table_.RowCount());
}

int TDataSource::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kFieldCount);
}

QVariant TDataSource::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) ||
        static_cast<std::size_t>(index.row()) >= table_.RowCount())
        return {};
    const auto field = static_cast<Field>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return DecodeCp932(table_.Cell(static_cast<std::size_t>(index.row()), field).text);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (FieldDefs()[index.column()].alignment == FieldAlignment::Center
                                        ? Qt::AlignHCenter
                                        : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant TDataSource::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(kFieldCount))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromUtf8(FieldDefs()[section].caption);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TDataSource::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TDataSource::beginInsertRow(std::size_t row) {
    if (bulk_) {
        // Reading a file only appends: the flush can tell the view of the
        // new rows instead of resetting it.
        bulkChanged_ = true;
        bulkRowsChanged_ = true;
        bulkOnlyAppended_ = bulkOnlyAppended_ && row == bulkSeenRows_;
        ++bulkSeenRows_;
        return;
    }
    changing_ = true;
    const int r = static_cast<int>(row);
    beginInsertRows({}, r, r);
}

void TDataSource::endInsertRow() {
    if (bulk_)
        return;
    endInsertRows();
    EndChange();
}

void TDataSource::beginRemoveRow(std::size_t row) {
    if (Bulk())
        return;
    changing_ = true;
    const int r = static_cast<int>(row);
    beginRemoveRows({}, r, r);
}

void TDataSource::endRemoveRow() {
    if (Bulk())
        return;
    endRemoveRows();
    EndChange();
}

void TDataSource::beginMoveRow(std::size_t from, std::size_t to) {
    if (Bulk())
        return;
    changing_ = true;
    const int source = static_cast<int>(from);
    // Qt counts the destination before the move.
    const int destination = static_cast<int>(to > from ? to + 1 : to);
    beginMoveRows({}, source, source, {}, destination);
}

void TDataSource::endMoveRow() {
    if (Bulk())
        return;
    endMoveRows();
    EndChange();
}

void TDataSource::rowChanged(std::size_t row) {
    if (bulk_) {
        bulkChanged_ = true;
        bulkRowsChanged_ = true;
        // A change of a row the view has not seen yet needs no notice.
        bulkOnlyAppended_ = bulkOnlyAppended_ && row >= static_cast<std::size_t>(bulkRows_);
        return;
    }
    const int r = static_cast<int>(row);
    emit dataChanged(index(r, 0), index(r, static_cast<int>(kFieldCount) - 1), {Qt::DisplayRole});
}

void TDataSource::beginReset() {
    if (Bulk())
        return;
    changing_ = true;
    beginResetModel();
}

void TDataSource::endReset() {
    if (Bulk())
        return;
    endResetModel();
    EndChange();
}

void TDataSource::currentChanged() {
    if (Bulk(false))
        return;
    if (!changing_)
        AnnounceCurrent();
}

void TDataSource::stateChanged() {
    if (Bulk(false))
        return;
    emit StateChanged();
}

void TDataSource::EndChange() {
    // Rows above the current one may have come or gone: the grid looks again.
    changing_ = false;
    AnnounceCurrent();
}

void TDataSource::UpdateCurrentRow() {
    const auto row = table_.CurrentRow();
    currentRow_ = row && *row < static_cast<std::size_t>(rowCount()) ? static_cast<int>(*row) : -1;
}

void TDataSource::AnnounceCurrent() {
    UpdateCurrentRow();
    emit CurrentChanged();
}

int TDataSource::DisplayWidth(int column) const {
    return FieldDefs().at(static_cast<std::size_t>(column)).displayWidth;
}

int TDataSource::RecordCount() const {
    return static_cast<int>(table_.EntryCount());
}

TDataState TDataSource::State() const {
    if (currentRow_ < 0)
        return TDataState::dsInactive;
    switch (table_.State()) {
    case TableState::Settled:
        return TDataState::dsBrowse;
    case TableState::Changing:
        return TDataState::dsEdit;
    case TableState::Adding:
        return TDataState::dsInsert;
    case TableState::Closed:
        break;
    }
    return TDataState::dsInactive;
}

bool TDataSource::PendingUntouched() const {
    return table_.State() == TableState::Adding && table_.PendingEntryUntouched();
}

void TDataSource::MoveFirst() {
    table_.MoveFirst();
}

void TDataSource::MoveLast() {
    table_.MoveLast();
}

void TDataSource::MovePrior() {
    table_.MovePrior();
}

void TDataSource::MoveNext() {
    table_.MoveNext();
}

void TDataSource::MoveBy(long long distance) {
    table_.MoveBy(distance);
}

void TDataSource::MoveTo(long long position) {
    table_.MoveTo(position);
}

void TDataSource::Cancel() {
    if (table_.State() == TableState::Adding || table_.State() == TableState::Changing)
        table_.DiscardEntry();
}

bool TDataSource::Bulk(bool rows) {
    if (bulk_) {
        bulkChanged_ = true;
        if (rows) {
            bulkRowsChanged_ = true;
            bulkOnlyAppended_ = false;
        }
    }
    return bulk_;
}

void TDataSource::BeginBulk() {
    if (bulk_)
        return;
    bulkRows_ = static_cast<int>(table_.RowCount());
    bulk_ = true;
    bulkChanged_ = false;
    bulkRowsChanged_ = false;
    bulkOnlyAppended_ = true;
    bulkSeenRows_ = table_.RowCount();
}

void TDataSource::FlushBulk() {
    if (!bulk_ || !bulkChanged_)
        return;
    if (bulkRowsChanged_) {
        const int rows = static_cast<int>(table_.RowCount());
        if (bulkOnlyAppended_ && rows > bulkRows_) {
            beginInsertRows({}, bulkRows_, rows - 1);
            bulkRows_ = rows;
            endInsertRows();
        } else if (!bulkOnlyAppended_ || rows != bulkRows_) {
            beginResetModel();
            bulkRows_ = rows;
            endResetModel();
        }
        bulkRowsChanged_ = false;
        bulkOnlyAppended_ = true;
        bulkSeenRows_ = table_.RowCount();
    }
    bulkChanged_ = false;
    emit StateChanged();
    AnnounceCurrent();
}

void TDataSource::EndBulk() {
    if (!bulk_)
        return;
    FlushBulk();
    bulk_ = false;
}

} // namespace ruvo
