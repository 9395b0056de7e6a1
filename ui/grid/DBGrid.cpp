#include "ui/grid/DBGrid.h"

#include "ui/RunHandler.h"
#include "ui/grid/DataSource.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <cmath>
#include <utility>

namespace ruvo {

// The indicator column: no numbers, a marker on the current row; a click
// makes the row current, a double-click counts as one on the grid.
class TIndicatorHeader : public QHeaderView {
public:
    explicit TIndicatorHeader(TDBGrid* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid) {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setHighlightSections(false);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        painter->fillRect(rect, palette().button());
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        if (logicalIndex == grid_->CurrentRow())
            PaintMarker(painter, rect.adjusted(0, 0, -1, -1), grid_->CurrentIndicator());
        painter->restore();
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        grid_->TakeFocusFromClick();
        grid_->RowPressed(logicalIndexAt(event->position().toPoint()));
    }
    void mouseMoveEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            grid_->DblClick();
    }
    void wheelEvent(QWheelEvent* event) override { grid_->Wheel(event); }
    // Qt's own versions ask for the row positions, which cost a count of
    // every row after each insert; the marker needs only a repaint.
    void currentChanged(const QModelIndex&, const QModelIndex&) override { viewport()->update(); }
    void selectionChanged(const QItemSelection&, const QItemSelection&) override {}

private:
    void PaintMarker(QPainter* painter, const QRect& cell, TDBGrid::Indicator marker) const {
        painter->setRenderHint(QPainter::Antialiasing, false);
        const QColor ink = palette().color(QPalette::ButtonText);
        const QPoint c = cell.center();
        switch (marker) {
        case TDBGrid::Indicator::None:
            break;
        case TDBGrid::Indicator::Arrow: { // a solid triangle pointing right
            QPainterPath arrow;
            arrow.moveTo(c.x() - 2, c.y() - 4);
            arrow.lineTo(c.x() + 2, c.y());
            arrow.lineTo(c.x() - 2, c.y() + 4);
            arrow.closeSubpath();
            painter->fillPath(arrow, ink);
            break;
        }
        case TDBGrid::Indicator::Edit: // an I-beam: the entry is being changed
            painter->setPen(ink);
            painter->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
            painter->drawLine(c.x() - 2, c.y() - 5, c.x() - 1, c.y() - 5);
            painter->drawLine(c.x() + 1, c.y() - 5, c.x() + 2, c.y() - 5);
            painter->drawLine(c.x() - 2, c.y() + 5, c.x() - 1, c.y() + 5);
            painter->drawLine(c.x() + 1, c.y() + 5, c.x() + 2, c.y() + 5);
            break;
        case TDBGrid::Indicator::Insert: // an asterisk: a new entry
            painter->setPen(ink);
            painter->drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
            painter->drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
            painter->drawLine(c.x() - 2, c.y() - 2, c.x() + 2, c.y() + 2);
            painter->drawLine(c.x() - 2, c.y() + 2, c.x() + 2, c.y() - 2);
            break;
        }
    }

    TDBGrid* grid_;
};

namespace {

constexpr int kIndicatorWidth = 11;
// Cell text starts this far inside the cell.
constexpr int kTextInset = 2;

// Whole rows are selected; no focus frame around a single cell. The columns
// are exactly as wide as their longest value: the text is clipped at the
// cell's edge, never shortened with an ellipsis.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QString text = std::exchange(cell.text, QString());
        // The style paints the background and the selection, we the text.
        const QWidget* widget = cell.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

        QPalette::ColorGroup group =
            cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !cell.state.testFlag(QStyle::State_Active))
            group = QPalette::Inactive;
        const bool selected = cell.state.testFlag(QStyle::State_Selected);
        painter->save();
        painter->setClipRect(cell.rect);
        painter->setFont(cell.font);
        painter->setPen(
            cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        const Qt::Alignment horizontal = cell.displayAlignment & Qt::AlignHorizontal_Mask;
        const QRect area = horizontal.testFlag(Qt::AlignHCenter)
                               ? cell.rect
                               : cell.rect.adjusted(kTextInset, 0, 0, 0);
        painter->drawText(
            area, int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip), text);
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

} // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    indicator_ = new TIndicatorHeader(this);
    setVerticalHeader(indicator_);
    indicator_->setFixedWidth(kIndicatorWidth);

    QHeaderView* titles = horizontalHeader();
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setSectionsMovable(true);
    titles->setFirstSectionMovable(true);
    titles->setSectionsClickable(false);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setMinimumSectionSize(4);
    titles->viewport()->installEventFilter(this);

    setItemDelegate(new RowDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    setAutoScroll(false);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);

    // The scroll bar moves the current entry, never only the view.
    QScrollBar* bar = verticalScrollBar();
    bar->setContextMenuPolicy(Qt::NoContextMenu);
    bar->installEventFilter(this);
    connect(bar, &QScrollBar::actionTriggered, this, &TDBGrid::ScrollBarAction);
}

void TDBGrid::SetDataSource(TDataSource* dataSource) {
    if (dataSource_)
        disconnect(dataSource_, nullptr, this, nullptr);
    dataSource_ = dataSource;
    setModel(dataSource);
    if (dataSource_) {
        connect(dataSource_, &TDataSource::CurrentChanged, this, &TDBGrid::SyncCurrent);
        connect(dataSource_, &TDataSource::StateChanged, this,
                [this] { indicator_->viewport()->update(); });
    }
    ApplyFontMetrics();
    SyncCurrent();
}

TDBGrid::Indicator TDBGrid::CurrentIndicator() const {
    if (!dataSource_)
        return Indicator::None;
    switch (dataSource_->State()) {
    case TDataState::dsBrowse:
        return Indicator::Arrow;
    case TDataState::dsEdit:
        return Indicator::Edit;
    case TDataState::dsInsert:
        return Indicator::Insert;
    case TDataState::dsInactive:
        break;
    }
    return Indicator::None;
}

int TDBGrid::CurrentRow() const {
    return dataSource_ ? dataSource_->CurrentRow() : -1;
}

int TDBGrid::VisibleRowCount() const {
    const int rowHeight = verticalHeader()->defaultSectionSize();
    return rowHeight > 0 ? std::max(1, viewport()->height() / rowHeight) : 1;
}

int TDBGrid::TopRow() const {
    return verticalScrollBar()->value();
}

void TDBGrid::ApplyFontMetrics() {
    const QFontMetrics metrics(font());
    // Windows' text height has no extra pixel; the cell adds 3 and the line 1.
    const int textHeight = metrics.ascent() + metrics.descent();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(textHeight + 4);
    const QFontMetrics titleMetrics(horizontalHeader()->font());
    horizontalHeader()->setFixedHeight(titleMetrics.ascent() + titleMetrics.descent() + 4);
    if (!dataSource_)
        return;
    // Digit width times the display width, plus 4; at least the title + 4.
    // Qt's fonts report no overhang.
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    for (int column = 0; column < dataSource_->columnCount(); ++column) {
        const QString title = dataSource_->headerData(column, Qt::Horizontal).toString();
        const int width = std::max(digit * dataSource_->DisplayWidth(column) + 4,
                                   titleMetrics.horizontalAdvance(title) + 4);
        horizontalHeader()->resizeSection(column, width);
    }
}

void TDBGrid::SyncCurrent() {
    if (!dataSource_)
        return;
    const int newRow = dataSource_->CurrentRow();
    if (newRow < 0) {
        selectionModel()->clear();
    } else {
        const int column = std::max(currentIndex().column(), 0);
        selectionModel()->setCurrentIndex(model()->index(newRow, column),
                                          QItemSelectionModel::NoUpdate);
        // Scrolling needs the view's row positions, which every inserted row
        // makes Qt count again; a burst of changes scrolls once.
        if (!showPending_) {
            showPending_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    showPending_ = false;
                    ShowCurrentRow();
                },
                Qt::QueuedConnection);
        }
    }
    UpdateSelection();
    indicator_->viewport()->update();
}

void TDBGrid::UpdateSelection() {
    const int current = CurrentRow();
    if (current >= 0 && hasFocus()) {
        const QModelIndex index = model()->index(current, 0);
        if (!selectionModel()->isRowSelected(current, {}) ||
            selectionModel()->selectedIndexes().size() != model()->columnCount())
            selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
    } else if (selectionModel() && selectionModel()->hasSelection()) {
        selectionModel()->clearSelection();
    }
}

void TDBGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    AlignTopRow();
}

void TDBGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // Made shorter (the find box over its bottom), the grid still shows the
    // current row.
    ShowCurrentRow();
}

void TDBGrid::updateGeometries() {
    QTableView::updateGeometries();
    AlignTopRow();
}

void TDBGrid::AlignTopRow() {
    // At the end of the list Qt aligns the last row with the bottom edge and
    // cuts the top one; the grid shows whole rows from the top instead.
    const QScrollBar* bar = verticalScrollBar();
    if (bar->maximum() <= 0 || bar->value() != bar->maximum())
        return;
    const int top = verticalHeader()->sectionPosition(bar->value());
    if (verticalHeader()->offset() != top) {
        verticalHeader()->setOffset(top);
        viewport()->update();
    }
}

void TDBGrid::ShowCurrentRow() {
    executeDelayedItemsLayout();
    if (CurrentRow() >= 0)
        EnsureRowVisible(CurrentRow());
}

void TDBGrid::EnsureRowVisible(int row) {
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    const int visible = VisibleRowCount();
    if (row < top)
        bar->setValue(row);
    else if (row >= top + visible)
        bar->setValue(row - visible + 1);
}

bool TDBGrid::TakesInput() const {
    return isEnabled() && dataSource_ && dataSource_->State() != TDataState::dsEdit &&
           dataSource_->State() != TDataState::dsInsert;
}

void TDBGrid::TakeFocusFromClick() {
    if (TakesInput())
        setFocus(Qt::MouseFocusReason);
}

void TDBGrid::Move(const std::function<void()>& move) {
    if (!TakesInput() || dataSource_->RecordCount() == 0)
        return;
    RunHandler(move);
    ShowCurrentRow();
}

void TDBGrid::ScrollBarAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    TDataSource* ds = dataSource_;
    const long long top = bar->value();
    const long long visible = VisibleRowCount();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: // the record above the first visible row
        Move([=] { ds->MoveTo(top); });
        break;
    case QAbstractSlider::SliderSingleStepAdd: // the record below the last visible row
        Move([=] { ds->MoveTo(top + visible + 1); });
        break;
    case QAbstractSlider::SliderPageStepSub:
        Move([=] { ds->MoveBy(-visible); });
        break;
    case QAbstractSlider::SliderPageStepAdd:
        Move([=] { ds->MoveBy(visible); });
        break;
    case QAbstractSlider::SliderToMinimum:
        Move([=] { ds->MoveFirst(); });
        break;
    case QAbstractSlider::SliderToMaximum:
        Move([=] { ds->MoveLast(); });
        break;
    case QAbstractSlider::SliderMove: {
        // The thumb's place stands for a record: first at the top, last at
        // the bottom.
        const long long count = ds ? ds->RecordCount() : 0;
        const int maximum = bar->maximum();
        const long long position =
            maximum > 0 ? 1 + std::llround(static_cast<double>(bar->sliderPosition()) *
                                           static_cast<double>(count - 1) / maximum)
                        : 1;
        Move([=] { ds->MoveTo(position); });
        break;
    }
    default:
        break;
    }
    // Undo the bar's own step: the move has scrolled as far as needed.
    bar->setSliderPosition(bar->value());
}

void TDBGrid::Wheel(QWheelEvent* event) {
    event->accept();
    if (!TakesInput())
        return;
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    // Away from the user (positive) goes back.
    if (notches != 0)
        Move([&] { dataSource_->MoveBy(-notches); });
}

void TDBGrid::RowPressed(int row) {
    if (row >= 0)
        Move([&] { dataSource_->MoveTo(static_cast<long long>(row) + 1); });
}

void TDBGrid::DblClick() {
    if (TakesInput() && OnDblClick)
        RunHandler(OnDblClick);
}

bool TDBGrid::event(QEvent* event) {
    // Double-clicks on the grid's frame or its (disabled) corner reach the
    // grid itself: they count as double-clicks on the grid too. This runs
    // before Qt's own test for a disabled widget.
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        DblClick();
        return true;
    }
    return QTableView::event(event);
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader()->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            // Filters run before Qt's test for a disabled widget: a grey
            // grid's titles are neither resized nor moved.
            if (!TakesInput())
                return true;
            if (event->type() == QEvent::MouseButtonPress)
                TakeFocusFromClick();
            break;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                DblClick();
            return true;
        default:
            break;
        }
    }
    if (watched == verticalScrollBar() && event->type() == QEvent::Wheel) {
        Wheel(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    int key = event->key() == Qt::Key_Enter ? int(Qt::Key_Return) : event->key();
    if (OnKeyDown) {
        RunHandler([&] { OnKeyDown(key, event->modifiers()); });
        if (key == 0 || !isEnabled())
            return;
    }
    if (!dataSource_) {
        event->ignore();
        return;
    }
    TDataSource* ds = dataSource_;
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const long long top = TopRow();
    const long long visible = VisibleRowCount();
    const long long rows = ds->rowCount();
    const long long firstVisible = top + 1; // positions count from 1
    const long long lastVisible = std::min(top + visible, rows);
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        if (ctrl)
            Move([=] { ds->MoveTo(firstVisible); });
        else if (event->key() == Qt::Key_Up)
            Move([=] { ds->MovePrior(); });
        else
            Move([=] { ds->MoveBy(-visible); });
        break;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        if (ctrl)
            Move([=] { ds->MoveTo(lastVisible); });
        else if (event->key() == Qt::Key_Down)
            Move([=] { ds->MoveNext(); });
        else
            Move([=] { ds->MoveBy(visible); });
        break;
    case Qt::Key_Left:
        if (!ctrl)
            Move([=] { ds->MovePrior(); });
        break;
    case Qt::Key_Right:
        if (!ctrl)
            Move([=] { ds->MoveNext(); });
        break;
    case Qt::Key_Home:
        Move([=] { ds->MoveFirst(); });
        break;
    case Qt::Key_End:
        Move([=] { ds->MoveLast(); });
        break;
    case Qt::Key_Escape:
        RunHandler([=] { ds->Cancel(); });
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_F2:
        break;
    default:
        // Typed characters and every other key: the grid does nothing.
        event->ignore();
        return;
    }
    event->accept();
}

void TDBGrid::currentChanged(const QModelIndex&, const QModelIndex&) {
    // Not Qt's: it asks for row positions, costly right after an insert.
    viewport()->update();
}

void TDBGrid::selectionChanged(const QItemSelection&, const QItemSelection&) {
    viewport()->update();
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        RowPressed(index.row());
}

void TDBGrid::mouseMoveEvent(QMouseEvent*) {}

void TDBGrid::mouseReleaseEvent(QMouseEvent*) {}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // The double-click stands in for the second press: it too picks the row.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        RowPressed(index.row());
    DblClick();
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    Wheel(event);
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    // Not QAbstractItemView's: it would pick a current cell of its own.
    QAbstractScrollArea::focusInEvent(event);
    UpdateSelection();
    viewport()->update();
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    // Leaving the grid drops a new entry nobody has written anything into.
    // A dialog or another program taking the focus is no leaving.
    if (dataSource_ && event->reason() != Qt::ActiveWindowFocusReason &&
        event->reason() != Qt::PopupFocusReason) {
        if (dataSource_->PendingUntouched())
            RunHandler([this] { dataSource_->Cancel(); });
    }
    UpdateSelection();
    viewport()->update();
}

void TDBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ApplyFontMetrics();
}

} // namespace ruvo
