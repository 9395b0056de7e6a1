#pragma once

#include <QTableView>

#include <functional>

namespace ruvo {

class TDataSource;
class TIndicatorHeader;

// The read-only phone-book grid. It shows the table through its data link
// and never moves on its own: every key, click, wheel notch and scroll-bar
// action moves the table's current entry, and the grid follows the table.
class TDBGrid : public QTableView {
    Q_OBJECT

public:
    enum class Indicator { None, Arrow, Edit, Insert };

    explicit TDBGrid(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* dataSource);
    TDataSource* DataSource() const { return dataSource_; }

    // The marker the indicator column shows for the current row.
    Indicator CurrentIndicator() const;
    // The row marked as current, -1 for none.
    int CurrentRow() const;
    // Rows fully visible in the grid, and the row at its top.
    int VisibleRowCount() const;
    int TopRow() const;

    // Column widths, row and title heights from the font's metrics.
    void ApplyFontMetrics();

    // The window's handlers: a key goes down in the grid (before the grid's
    // own keys; setting the key to 0 uses it up), the grid is double-clicked.
    std::function<void(int& key, Qt::KeyboardModifiers modifiers)> OnKeyDown;
    std::function<void()> OnDblClick;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    friend class TIndicatorHeader;

    void SyncCurrent();
    void UpdateSelection();
    void AlignTopRow();
    void ShowCurrentRow();
    void EnsureRowVisible(int row);
    void ScrollBarAction(int action);
    void Wheel(QWheelEvent* event);
    // Mouse, wheel and keys act only while the grid is enabled (browse
    // mode) and no entry is pending: a disabled grid still receives some
    // events through its overrides and filters.
    bool TakesInput() const;
    void TakeFocusFromClick();
    void RowPressed(int row);
    void DblClick();
    void Move(const std::function<void()>& move);

    TDataSource* dataSource_ = nullptr;
    TIndicatorHeader* indicator_ = nullptr;
    int wheelRemainder_ = 0;
    bool showPending_ = false;
};

} // namespace ruvo
