#pragma once

#include <cstddef>

namespace ruvo {

// Told of every change of the table, so that a view can follow it row by
// row. Rows are positions in the selected order, counted from 0; while a new
// entry is pending it is shown as one more row, the last one. Each begin...
// call comes before the change and its end... call after it.
class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void beginInsertRow(std::size_t row) = 0;
    virtual void endInsertRow() = 0;
    virtual void beginRemoveRow(std::size_t row) = 0;
    virtual void endRemoveRow() = 0;
    // The entry at row `from` moves so that it ends up at row `to`
    // (counted after the move); from != to.
    virtual void beginMoveRow(std::size_t from, std::size_t to) = 0;
    virtual void endMoveRow() = 0;
    virtual void rowChanged(std::size_t row) = 0;
    // Everything may have changed: clear, close, order switch.
    virtual void beginReset() = 0;
    virtual void endReset() = 0;
    virtual void currentChanged() = 0;
    virtual void stateChanged() = 0;
};

} // namespace ruvo
