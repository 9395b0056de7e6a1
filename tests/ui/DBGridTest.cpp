// The grid over the table: the model, the columns, and every key, click,
// wheel notch and scroll-bar action of the user.
#include "ui/grid/DBGrid.h"
#include "TestSupport.h"
#include "core/book/table/PhoneBookTable.h"
#include "ui/grid/DataSource.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using ruvo::TableState;
using ruvo::TDBGrid;

namespace {

// The grid in a window of its own, as the main window places it, with a
// text box beside it to take the focus away.
struct GridWindow {
    explicit GridWindow(int entries) {
        table.OpenTable();
        for (int i = 0; i < entries; ++i)
            Add(QByteArray::number(i).rightJustified(4, '0').toStdString());
        window.resize(760, 700);
        QFont font(u"ＭＳ 明朝"_s);
        font.setPixelSize(16);
        window.setFont(font);
        grid = new TDBGrid(&window);
        grid->setGeometry(11, 78, 741, 614);
        other = new QLineEdit(&window);
        other->setGeometry(8, 48, 62, 24);
        dataSource = std::make_unique<ruvo::TDataSource>(table);
        grid->SetDataSource(dataSource.get());
        grid->OnKeyDown = [this](int& key, Qt::KeyboardModifiers) { keys.push_back(key); };
        grid->OnDblClick = [this] { ++dblClicks; };
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("window not active");
        grid->setFocus();
        QCoreApplication::sendPostedEvents();
    }
    ~GridWindow() {
        delete grid;
        dataSource.reset();
    }

    void Add(const std::string& name) {
        table.AppendEntry();
        table.SetField(ruvo::Field::Group, "01");
        table.SetField(ruvo::Field::Name, name);
        table.CommitEntry();
    }
    int Current() const { return static_cast<int>(table.CurrentRow().value_or(-1)); }
    // Moves the table and lets the grid scroll to it.
    void MakeCurrent(int row) {
        table.MoveTo(row + 1);
        QCoreApplication::sendPostedEvents();
    }

    // Rows whose whole height the grid shows, measured on the view.
    std::pair<int, int> FullyVisibleRows() const {
        int first = -1;
        int last = -1;
        const QRect area = grid->viewport()->rect();
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            const QRect cell = grid->visualRect(grid->model()->index(row, 0));
            if (cell.top() >= area.top() && cell.bottom() <= area.bottom()) {
                if (first < 0)
                    first = row;
                last = row;
            } else if (first >= 0) {
                break;
            }
        }
        return {first, last};
    }
    bool CurrentFullyVisible() const {
        const auto [first, last] = FullyVisibleRows();
        return Current() >= first && Current() <= last;
    }

    ruvo::PhoneBookTable table;
    QWidget window;
    TDBGrid* grid = nullptr;
    QLineEdit* other = nullptr;
    std::unique_ptr<ruvo::TDataSource> dataSource;
    std::vector<int> keys;
    int dblClicks = 0;
};

void Wheel(QWidget* target, int delta) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class DBGridTest : public QObject {
    Q_OBJECT

private slots:
    void modelFollowsTheTable() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(5);
        QAbstractItemModelTester tester(grid.dataSource.get(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(grid.dataSource.get(), &QAbstractItemModel::modelReset);
        auto& table = grid.table;
        const auto rows = [&] { return grid.grid->model()->rowCount(); };
        const auto name = [&](int row) {
            return grid.grid->model()->index(row, 1).data().toString();
        };

        table.AppendEntry(); // a pending new entry is a row of its own
        QCOMPARE(rows(), 6);
        QCOMPARE(grid.Current(), 5);
        table.SetField(ruvo::Field::Name, "new");
        table.CommitEntry();
        QCOMPARE(rows(), 6);
        QCOMPARE(name(5), u"new"_s);
        table.AppendEntry();
        table.DiscardEntry();
        QCOMPARE(rows(), 6);
        grid.MakeCurrent(2);
        table.EditEntry();
        table.SetField(ruvo::Field::Name, "changed");
        table.CommitEntry();
        QCOMPARE(name(2), u"changed"_s);
        table.DeleteEntry();
        QCOMPARE(rows(), 5);
        QCOMPARE(name(2), u"0003"_s);
        QCOMPARE(resets.count(), 0);
        table.SelectOrder("iKey");
        table.MoveFirst();
        QCOMPARE(rows(), 5);
        // A changed reading moves the entry to its sorted place.
        const QString moving = name(0);
        table.EditEntry();
        table.SetField(ruvo::Field::Kana, "\xDC"); // ﾜ
        table.CommitEntry();
        QCOMPARE(rows(), 5);
        QCOMPARE(name(4), moving);
        QCOMPARE(grid.Current(), 4);
        QCOMPARE(resets.count(), 1);
        table.SelectOrder("");
        table.ClearEntries();
        QCOMPARE(rows(), 0);
        QCOMPARE(grid.grid->CurrentRow(), -1);
    }

    void appendingIsOneRowNotAReset() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(20000);
        QSignalSpy resets(grid.dataSource.get(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(grid.dataSource.get(), &QAbstractItemModel::rowsInserted);
        grid.table.SelectOrder("iKey");
        resets.clear();
        grid.Add("0500x");
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(grid.grid->model()->rowCount(), 20001);
        QTRY_VERIFY(grid.CurrentFullyVisible());
    }

    void bulkLoadInsertsRowsAndResetsOnlyForOtherChanges() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(5);
        QSignalSpy resets(grid.dataSource.get(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(grid.dataSource.get(), &QAbstractItemModel::rowsInserted);
        grid.dataSource->BeginBulk();
        for (int i = 0; i < 3; ++i)
            grid.Add("new");
        QCOMPARE(grid.grid->model()->rowCount(), 5);
        grid.dataSource->FlushBulk();
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(inserts.at(0).at(1).toInt(), 5);
        QCOMPARE(inserts.at(0).at(2).toInt(), 7);
        // A deletion among the rows the view knows needs a reset.
        grid.MakeCurrent(0);
        grid.table.DeleteEntry();
        grid.Add("after");
        grid.dataSource->EndBulk();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(grid.grid->model()->rowCount(), 8);
    }

    void columnsFromTheFont() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(3);
        QHeaderView* titles = grid.grid->horizontalHeader();
        const QList<int> widths = {52, 244, 244, 164};
        const QStringList captions = {u"ｸﾞﾙｰﾌﾟ"_s, u"姓名"_s, u"フリガナ"_s, u"電話番号"_s};
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(titles->sectionSize(column), widths[column]);
            QCOMPARE(grid.dataSource->headerData(column, Qt::Horizontal).toString(),
                     captions[column]);
            QCOMPARE(grid.dataSource->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)
                             .value<Qt::Alignment>() &
                         Qt::AlignHorizontal_Mask,
                     Qt::AlignLeft);
        }
        const auto cellAlignment = [&](int column) {
            return grid.dataSource->index(0, column)
                       .data(Qt::TextAlignmentRole)
                       .value<Qt::Alignment>() &
                   Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(cellAlignment(0), Qt::AlignHCenter);
        QCOMPARE(cellAlignment(1), Qt::AlignLeft);
        const QFontMetrics metrics(grid.grid->font());
        const int textHeight = metrics.ascent() + metrics.descent();
        QCOMPARE(grid.grid->rowHeight(0), textHeight + 4);
        QCOMPARE(grid.grid->rowHeight(2), textHeight + 4);
        QCOMPARE(titles->height(), textHeight + 4);
        QCOMPARE(grid.grid->verticalHeader()->width(), 11);
        QVERIFY(grid.grid->editTriggers() == QAbstractItemView::NoEditTriggers);
        QVERIFY(!(grid.dataSource->flags(grid.dataSource->index(0, 0)) & Qt::ItemIsEditable));
    }

    void columnsResizeAndMove() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(3);
        QHeaderView* titles = grid.grid->horizontalHeader();
        QCOMPARE(titles->sectionResizeMode(0), QHeaderView::Interactive);
        QVERIFY(titles->sectionsMovable() && titles->isFirstSectionMovable());
        // Drag "姓名" in front of "ｸﾞﾙｰﾌﾟ" with the mouse.
        const int y = titles->height() / 2;
        const QPoint from(titles->sectionViewportPosition(1) + 20, y);
        QTest::mousePress(titles->viewport(), Qt::LeftButton, {}, from);
        for (int x = from.x(); x > 2; x -= 10)
            QTest::mouseMove(titles->viewport(), QPoint(x, y));
        QTest::mouseMove(titles->viewport(), QPoint(2, y));
        QTest::mouseRelease(titles->viewport(), Qt::LeftButton, {}, QPoint(2, y));
        QCOMPARE(titles->visualIndex(1), 0);
        QCOMPARE(titles->visualIndex(0), 1);
        // Clicking a title changes nothing.
        grid.MakeCurrent(1);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                          QPoint(titles->sectionViewportPosition(2) + 20, y));
        QCOMPARE(grid.Current(), 1);
        QCOMPARE(grid.grid->selectionModel()->selectedRows().size(), 1);
        // What the user set lasts for the whole run: emptying the table and
        // filling it again (Escape, a save, the next open) keeps it.
        titles->resizeSection(2, 300);
        grid.table.ClearEntries();
        grid.Add("0001");
        grid.table.SelectOrder("iKey");
        QCOMPARE(titles->visualIndex(1), 0);
        QCOMPARE(titles->visualIndex(0), 1);
        QCOMPARE(titles->sectionSize(2), 300);
        QCOMPARE(titles->sectionSize(0), 52);
    }

    void keys_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        // Expected row: rows[0] + rows[1] * visible + rows[2] * first visible
        // + rows[3] * last visible; -1 for the last record.
        QTest::addColumn<QList<int>>("expected");
        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Up") << 5 << int(Qt::Key_Up) << none << QList<int>{4, 0, 0, 0};
        QTest::newRow("Up on the first") << 0 << int(Qt::Key_Up) << none << QList<int>{0, 0, 0, 0};
        QTest::newRow("Left") << 5 << int(Qt::Key_Left) << none << QList<int>{4, 0, 0, 0};
        QTest::newRow("Down") << 5 << int(Qt::Key_Down) << none << QList<int>{6, 0, 0, 0};
        QTest::newRow("Down on the last") << -1 << int(Qt::Key_Down) << none << QList<int>{-1};
        QTest::newRow("Right") << 5 << int(Qt::Key_Right) << none << QList<int>{6, 0, 0, 0};
        QTest::newRow("Right on the last") << -1 << int(Qt::Key_Right) << none << QList<int>{-1};
        QTest::newRow("Page Down") << 0 << int(Qt::Key_PageDown) << none << QList<int>{0, 1, 0, 0};
        QTest::newRow("Page Up") << 150 << int(Qt::Key_PageUp) << none << QList<int>{150, -1, 0, 0};
        QTest::newRow("Home") << 70 << int(Qt::Key_Home) << none << QList<int>{0, 0, 0, 0};
        QTest::newRow("End") << 3 << int(Qt::Key_End) << none << QList<int>{-1};
        QTest::newRow("Ctrl+Home") << 70 << int(Qt::Key_Home) << ctrl << QList<int>{0, 0, 0, 0};
        QTest::newRow("Ctrl+End") << 3 << int(Qt::Key_End) << ctrl << QList<int>{-1};
        QTest::newRow("Ctrl+Up") << 120 << int(Qt::Key_Up) << ctrl << QList<int>{0, 0, 1, 0};
        QTest::newRow("Ctrl+Page Up")
            << 120 << int(Qt::Key_PageUp) << ctrl << QList<int>{0, 0, 1, 0};
        QTest::newRow("Ctrl+Down") << 0 << int(Qt::Key_Down) << ctrl << QList<int>{0, 0, 0, 1};
        QTest::newRow("Ctrl+Page Down")
            << 0 << int(Qt::Key_PageDown) << ctrl << QList<int>{0, 0, 0, 1};
        QTest::newRow("Ctrl+Left") << 5 << int(Qt::Key_Left) << ctrl << QList<int>{5, 0, 0, 0};
        QTest::newRow("Ctrl+Right") << 5 << int(Qt::Key_Right) << ctrl << QList<int>{5, 0, 0, 0};
        QTest::newRow("Insert") << 5 << int(Qt::Key_Insert) << none << QList<int>{5, 0, 0, 0};
        QTest::newRow("Ctrl+Delete") << 5 << int(Qt::Key_Delete) << ctrl << QList<int>{5, 0, 0, 0};
        QTest::newRow("F2") << 5 << int(Qt::Key_F2) << none << QList<int>{5, 0, 0, 0};
        QTest::newRow("a letter") << 5 << int(Qt::Key_Z) << none << QList<int>{5, 0, 0, 0};
        QTest::newRow("Escape") << 5 << int(Qt::Key_Escape) << none << QList<int>{5, 0, 0, 0};
        QTest::newRow("Enter") << 5 << int(Qt::Key_Return) << none << QList<int>{5, 0, 0, 0};
    }
    void keys() {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<int>, expected);
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(200);
        grid.MakeCurrent(start < 0 ? 199 : start);
        const auto [first, last] = grid.FullyVisibleRows();
        const int visible = last - first + 1;
        QVERIFY(visible > 10);
        const QString text = key == Qt::Key_Z ? u"z"_s : QString();
        QTest::keyClick(grid.grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (!text.isEmpty())
            QTest::sendKeyEvent(QTest::Click, grid.grid, Qt::Key_unknown, u"ｱ"_s, Qt::NoModifier);
        const int want = expected.size() == 1 ? 199
                                              : expected[0] + expected[1] * visible +
                                                    expected[2] * first + expected[3] * last;
        QCOMPARE(grid.Current(), want);
        QCOMPARE(grid.grid->model()->rowCount(), 200);
        QCOMPARE(grid.table.State(), TableState::Settled);
        QVERIFY(grid.CurrentFullyVisible());
        QCOMPARE(grid.grid->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(grid.grid->selectionModel()->selectedRows().front().row(), want);
        // Every key went to the window's key handler first.
        QVERIFY(std::find(grid.keys.begin(), grid.keys.end(), key) != grid.keys.end());
        QCOMPARE(grid.dblClicks, 0);
    }

    void keypadEnterReachesHandlerAsEnter() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(3);
        QTest::keyClick(grid.grid, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(grid.keys, std::vector<int>{int(Qt::Key_Return)});
    }

    void wheelMovesOneRecordPerNotch() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(100);
        grid.MakeCurrent(10);
        Wheel(grid.grid->viewport(), -120); // towards the user: the next record
        QCOMPARE(grid.Current(), 11);
        Wheel(grid.grid->viewport(), 120);
        QCOMPARE(grid.Current(), 10);
        Wheel(grid.grid->viewport(), 360);
        QCOMPARE(grid.Current(), 7);
        Wheel(grid.grid->viewport(), -60); // half notches add up
        QCOMPARE(grid.Current(), 7);
        Wheel(grid.grid->viewport(), -60);
        QCOMPARE(grid.Current(), 8);
        // Over the scroll bar too.
        Wheel(grid.grid->verticalScrollBar(), -120);
        QCOMPARE(grid.Current(), 9);
        grid.MakeCurrent(99);
        Wheel(grid.grid->viewport(), -120);
        QCOMPARE(grid.Current(), 99);
        QCOMPARE(grid.grid->model()->rowCount(), 100);
    }

    void scrollBarMovesTheRecord_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("action");
        // -2: the record below the last fully visible row, -3: above the
        // first; -4: one screenful down from start; otherwise the row.
        QTest::addColumn<int>("expected");
        QTest::newRow("arrow down") << 0 << int(QAbstractSlider::SliderSingleStepAdd) << -2;
        QTest::newRow("arrow up") << 150 << int(QAbstractSlider::SliderSingleStepSub) << -3;
        QTest::newRow("page down") << 0 << int(QAbstractSlider::SliderPageStepAdd) << -4;
        QTest::newRow("to bottom") << 0 << int(QAbstractSlider::SliderToMaximum) << 999;
        QTest::newRow("to top") << 500 << int(QAbstractSlider::SliderToMinimum) << 0;
    }
    void scrollBarMovesTheRecord() {
        QFETCH(int, start);
        QFETCH(int, action);
        QFETCH(int, expected);
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(1000);
        grid.MakeCurrent(start);
        const auto [first, last] = grid.FullyVisibleRows();
        grid.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderAction(action));
        const int want = expected == -2   ? last + 1
                         : expected == -3 ? first - 1
                         : expected == -4 ? start + (last - first + 1)
                                          : expected;
        QCOMPARE(grid.Current(), want);
        QVERIFY(grid.CurrentFullyVisible());
    }

    void draggingTheThumbPicksTheRecord() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(1000);
        grid.MakeCurrent(0);
        QScrollBar* bar = grid.grid->verticalScrollBar();
        const int maximum = bar->maximum();
        QVERIFY(maximum > 0);
        bar->setSliderDown(true);
        bar->setSliderPosition(maximum / 2);
        QCOMPARE(grid.Current(), int(std::lround(maximum / 2 * 999.0 / maximum)));
        QVERIFY(grid.CurrentFullyVisible());
        bar->setSliderPosition(maximum);
        QCOMPARE(grid.Current(), 999);
        bar->setSliderPosition(0);
        QCOMPARE(grid.Current(), 0);
        bar->setSliderDown(false);
        QVERIFY(grid.CurrentFullyVisible());
    }

    void clicksMakeTheRowCurrent() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(50);
        grid.MakeCurrent(0);
        const QRect cell = grid.grid->visualRect(grid.grid->model()->index(3, 2));
        QTest::mouseClick(grid.grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(grid.Current(), 3);
        QHeaderView* indicator = grid.grid->verticalHeader();
        QTest::mouseClick(indicator->viewport(), Qt::LeftButton, {},
                          QPoint(5, indicator->sectionViewportPosition(6) + 3));
        QCOMPARE(grid.Current(), 6);
        QCOMPARE(grid.dblClicks, 0);
    }

    void doubleClickAnywhere_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("cell") << u"cell"_s;
        QTest::newRow("below the rows") << u"empty"_s;
        QTest::newRow("title row") << u"title"_s;
        QTest::newRow("indicator") << u"indicator"_s;
    }
    void doubleClickAnywhere() {
        QFETCH(QString, where);
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(4);
        grid.MakeCurrent(0);
        QWidget* target = grid.grid->viewport();
        QPoint at = grid.grid->visualRect(grid.grid->model()->index(2, 1)).center();
        if (where == u"empty"_s) {
            at = QPoint(100, grid.grid->viewport()->height() - 5);
        } else if (where == u"title"_s) {
            target = grid.grid->horizontalHeader()->viewport();
            // On the border between two titles, too: no resizing to contents.
            at = QPoint(grid.grid->horizontalHeader()->sectionViewportPosition(1) - 1, 5);
        } else if (where == u"indicator"_s) {
            target = grid.grid->verticalHeader()->viewport();
            at = QPoint(5, grid.grid->verticalHeader()->sectionViewportPosition(1) + 3);
        }
        QTest::mouseDClick(target, Qt::LeftButton, {}, at);
        QCOMPARE(grid.dblClicks, 1);
        QCOMPARE(grid.grid->horizontalHeader()->sectionSize(0), 52);
        if (where == u"cell"_s)
            QCOMPARE(grid.Current(), 2);
        if (where == u"title"_s)
            QCOMPARE(grid.Current(), 0);
    }

    void highlightOnlyWithTheFocus() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(10);
        grid.MakeCurrent(4);
        QTRY_VERIFY(grid.grid->hasFocus());
        QCOMPARE(grid.grid->selectionModel()->selectedRows().size(), 1);
        grid.other->setFocus();
        QVERIFY(!grid.grid->selectionModel()->hasSelection());
        QCOMPARE(grid.grid->CurrentRow(), 4);
        QCOMPARE(grid.grid->CurrentIndicator(), TDBGrid::Indicator::Arrow);
        grid.MakeCurrent(6);
        QVERIFY(!grid.grid->selectionModel()->hasSelection());
        grid.grid->setFocus();
        QCOMPARE(grid.grid->selectionModel()->selectedRows().front().row(), 6);
    }

    void indicatorMarkers() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(3);
        grid.other->setFocus();
        QHeaderView* indicator = grid.grid->verticalHeader();
        const auto marker = [&] {
            const int row = grid.grid->CurrentRow();
            const QRect section(0, indicator->sectionViewportPosition(row), indicator->width(),
                                indicator->sectionSize(row));
            return indicator->viewport()->grab(section).toImage();
        };
        grid.MakeCurrent(1);
        const QImage arrow = marker();
        QCOMPARE(grid.grid->CurrentIndicator(), TDBGrid::Indicator::Arrow);
        grid.table.EditEntry();
        const QImage edit = marker();
        QCOMPARE(grid.grid->CurrentIndicator(), TDBGrid::Indicator::Edit);
        grid.table.DiscardEntry();
        grid.table.AppendEntry();
        QCOMPARE(grid.grid->CurrentRow(), 3);
        const QImage insert = marker();
        QCOMPARE(grid.grid->CurrentIndicator(), TDBGrid::Indicator::Insert);
        grid.table.DiscardEntry();
        const QImage plain = [&] {
            const QRect section(0, indicator->sectionViewportPosition(0), indicator->width(),
                                indicator->sectionSize(0));
            return indicator->viewport()->grab(section).toImage();
        }();
        QVERIFY(arrow != edit && edit != insert && arrow != insert);
        QVERIFY(plain != arrow && plain != edit && plain != insert);
    }

    void leavingDropsAnUntouchedNewEntry_data() {
        QTest::addColumn<int>("setup");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<int>("stateAfter");
        QTest::newRow("new entry, nothing set") << 0 << 5 << int(TableState::Settled);
        QTest::newRow("new entry, a field set") << 1 << 6 << int(TableState::Adding);
        QTest::newRow("change of an entry") << 2 << 5 << int(TableState::Changing);
    }
    void leavingDropsAnUntouchedNewEntry() {
        QFETCH(int, setup);
        QFETCH(int, rowsAfter);
        QFETCH(int, stateAfter);
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(5);
        QTRY_VERIFY(grid.grid->hasFocus());
        if (setup == 2) {
            grid.table.EditEntry();
        } else {
            grid.table.AppendEntry();
            if (setup == 1)
                grid.table.SetField(ruvo::Field::Kana, "");
        }
        grid.other->setFocus();
        QCOMPARE(grid.grid->model()->rowCount(), rowsAfter);
        QCOMPARE(int(grid.table.State()), stateAfter);
    }

    void anotherWindowTakingTheFocusIsNoLeaving() {
        const ruvo::test::DialogScope dialogs;
        GridWindow grid(5);
        QTRY_VERIFY(grid.grid->hasFocus());
        grid.table.AppendEntry();
        QWidget popup;
        popup.show();
        popup.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&popup));
        QCOMPARE(grid.table.State(), TableState::Adding);
    }
};

RUVO_UI_TEST_MAIN(DBGridTest)
#include "DBGridTest.moc"
