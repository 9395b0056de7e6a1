// Ways to lose data with the mouse and the clipboard: the grey grid, pasted
// TABs and line breaks, a save after an open that did not read the whole
// file, and values the grid would cut off.
#include "WorkflowSupport.h"
#include "core/file/FileSystem.h"

#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <set>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::TableState;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

// What the user could lose: the mode, the boxes, the table and the file.
struct Snapshot {
    int mode;
    QStringList boxes;
    std::size_t entries;
    TableState state;
    int currentRow;
    int firstColumnAt;
    QByteArray file;

    static Snapshot Of(const TestWindow& w, const QString& path) {
        return {WindowMode(w),
                {w.EGroup->text(), w.EName->text(), w.EKana->text(), w.ETel->text()},
                w.CData.EntryCount(),
                w.CData.State(),
                w.DBG->CurrentRow(),
                w.DBG->horizontalHeader()->visualIndex(0),
                ReadBytes(path)};
    }
    bool operator==(const Snapshot&) const = default;
};

// Every place of the grid where a double-click could land.
void DoubleClickEverywhere(TestWindow& w) {
    QTest::mouseDClick(w.DBG->viewport(), Qt::LeftButton, {}, RowCentre(w, 0));
    QTest::mouseDClick(w.DBG->viewport(), Qt::LeftButton, {},
                       QPoint(100, w.DBG->viewport()->height() - 5));
    QTest::mouseDClick(w.DBG->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QTest::mouseDClick(w.DBG->verticalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(w.DBG, Qt::LeftButton, {}, QPoint(0, 0)); // the frame
    QTest::mouseDClick(w.DBG, Qt::LeftButton, {}, QPoint(3, 3)); // the corner
}

} // namespace

class DataSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetCursor(); }

    // The grid is grey outside browse mode and takes no mouse input there:
    // neither double-clicks anywhere on it, nor presses, title drags or the
    // wheel on its scroll bar.
    void greyGridIgnoresTheMouse_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("idle at start") << u"start"_s;
        QTest::newRow("idle after a save") << u"saved"_s;
        QTest::newRow("edit mode, new entry typed") << u"new"_s;
        QTest::newRow("edit mode, entry being changed") << u"change"_s;
    }
    void greyGridIgnoresTheMouse() {
        QFETCH(QString, situation);
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(38)));
        auto window = ShowWindow();
        TestWindow& w = *window;
        if (situation != u"start"_s)
            OpenThroughDialog(w, book);
        if (situation == u"saved"_s) {
            QTest::mouseClick(w.BSave, Qt::LeftButton);
            QCOMPARE(WindowMode(w), 1);
        } else if (situation == u"new"_s) {
            QTest::mouseClick(w.BNew, Qt::LeftButton);
            QTest::keyClicks(w.EGroup, u"3"_s);
            QTest::keyClick(w.EGroup, Qt::Key_Return);
            QTest::keyClicks(w.EName, u"Yamada"_s);
            QTest::keyClick(w.EName, Qt::Key_Return);
            CommitText(w.EKana, u"ﾔﾏﾀﾞ"_s);
            QTest::keyClick(w.EKana, Qt::Key_Return);
            QTest::keyClicks(w.ETel, u"0312"_s);
        } else if (situation == u"change"_s) {
            ClickRow(w, 2);
            QTest::keyClick(w.DBG, Qt::Key_Return);
            QCOMPARE(WindowMode(w), 3);
            w.EName->selectAll();
            QTest::keyClicks(w.EName, u"Renamed"_s);
        }
        Dialogs::TakeShown();
        const Snapshot before = Snapshot::Of(w, book);

        DoubleClickEverywhere(w);
        QTest::mouseClick(w.DBG->viewport(), Qt::LeftButton, {}, RowCentre(w, 5));
        QTest::mouseClick(w.DBG->verticalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(5, w.DBG->verticalHeader()->sectionViewportPosition(5) + 3));
        Wheel(w.DBG->viewport(), -3);
        Wheel(w.DBG->verticalScrollBar(), -3);
        // Dragging the name title in front of the group title.
        QWidget* titles = w.DBG->horizontalHeader()->viewport();
        const QPoint from(w.DBG->horizontalHeader()->sectionViewportPosition(1) + 40, 5);
        QTest::mousePress(titles, Qt::LeftButton, {}, from);
        QTest::mouseMove(titles, QPoint(5, 5));
        QTest::mouseRelease(titles, Qt::LeftButton, {}, QPoint(5, 5));
        QCoreApplication::processEvents();

        QVERIFY(Snapshot::Of(w, book) == before);
        QVERIFY(Dialogs::TakeShown().empty());
    }

    // In browse mode a click on the title row or the indicator column takes
    // the focus to the grid, as a click on a cell does.
    void clickOnTitlesOrIndicatorFocusesTheGrid_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("title row") << u"title"_s;
        QTest::newRow("indicator") << u"indicator"_s;
    }
    void clickOnTitlesOrIndicatorFocusesTheGrid() {
        QFETCH(QString, where);
        const DialogScope dialogs;
        Browsing b(5);
        TestWindow& w = *b.window;
        w.DBG->clearFocus();
        QVERIFY(!w.DBG->hasFocus());
        if (where == u"title"_s)
            QTest::mouseClick(w.DBG->horizontalHeader()->viewport(), Qt::LeftButton, {},
                              QPoint(100, 5));
        else
            QTest::mouseClick(w.DBG->verticalHeader()->viewport(), Qt::LeftButton, {},
                              QPoint(5, w.DBG->verticalHeader()->sectionViewportPosition(1) + 3));
        QTRY_VERIFY(w.DBG->hasFocus());
    }

    // A cell pair copied from a spreadsheet, or lines, pasted into a box
    // become one line: the saved file keeps four items per entry.
    void pastedBreaksBecomeSpaces() {
        const DialogScope dialogs;
        Browsing b(0);
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QClipboard* clipboard = QGuiApplication::clipboard();

        // Keys: Ctrl+V in the name, Shift+Insert in the reading.
        clipboard->setText(u"田中\t一郎"_s);
        QTest::keyClick(w.EName, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.EName->text(), u"田中 一郎"_s);
        clipboard->setText(u"ﾀﾅｶ\r\n\r\nｲﾁﾛｳ\x01"_s);
        QTest::keyClick(w.EKana, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(w.EKana->text(), u"ﾀﾅｶ ｲﾁﾛｳ"_s);

        // The context menu's paste in the number.
        clipboard->setText(u"03\t1234\n"_s);
        w.ETel->setFocus();
        QTimer::singleShot(0, &w, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions())
                if (action->text().contains(u"Paste"_s) || action->text().contains(u"貼り付け"_s))
                    action->trigger();
            menu->close();
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    w.ETel->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(w.ETel, &menuEvent);
        QCOMPARE(w.ETel->text(), u"03 1234 "_s);

        QTest::mouseClick(w.BRun, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 2);
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        const QByteArray saved = ReadBytes(b.book);
        const QList<QByteArray> lines = saved.split('\n');
        QCOMPARE(lines.size(), 8); // six headers, the entry, nothing after the last CR LF
        QCOMPARE(lines[6],
                 "\t" + Cp932(u"田中 一郎"_s) + "\t" + Cp932(u"ﾀﾅｶ ｲﾁﾛｳ"_s) + "\t03 1234:0:0\r");
    }

    // A ':' pasted into the number would end it when the file is read
    // again: the commit refuses it, and the entry stays in the boxes.
    void colonPastedIntoTheNumberIsRefused() {
        const DialogScope dialogs;
        Browsing b(0);
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QGuiApplication::clipboard()->setText(u"03:1234"_s);
        QTest::keyClick(w.ETel, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(w.ETel->text(), u"03:1234"_s);
        Dialogs::TakeShown();
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BRun, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(ErrorText(shown[0]), u"CData: 項目 'Tel' の値に ':' は入れられません."_s);
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(w.CData.EntryCount(), 0u);
        w.ETel->setText(u"031234"_s);
        QTest::mouseClick(w.BRun, Qt::LeftButton);
        QCOMPARE(w.CData.EntryCount(), 1u);
    }

    // Text dragged from another program and dropped on a box.
    void droppedBreaksBecomeSpaces() {
        const DialogScope dialogs;
        Browsing b(0);
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QMimeData data;
        data.setText(u"山田\r\n太郎\t"_s);
        const QPointF at(10, 10);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w.EName, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w.EName, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w.EName, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(w.EName->text(), u"山田 太郎 "_s);
    }

    // After an open that did not read the file to its end, a save must not
    // replace the file; a name that names no file is still created.
    void saveAfterFailedOpen_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("saves");
        QTest::newRow("file cannot be read") << u"unreadable"_s << false;
        QTest::newRow("file missing at open, created since") << u"created since"_s << false;
        QTest::newRow("file missing") << u"missing"_s << true;
    }
    void saveAfterFailedOpen() {
        QFETCH(QString, situation);
        QFETCH(bool, saves);
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        const QByteArray original = SimpleBook(3);
        std::optional<ruvo::ScopedFileOps> calls;
        if (situation == u"unreadable"_s) {
            QVERIFY(WriteBytes(book, original));
            QVERIFY(QFile::setPermissions(book, QFile::WriteOwner));
            // Root reads any file: the open is made to fail as it would.
            const std::string path = PathBytes(book);
            calls.emplace();
            (*calls)->open = [path](const char* name, int flags, mode_t mode) {
                if (path == name && (flags & O_ACCMODE) == O_RDONLY) {
                    errno = EACCES;
                    return -1;
                }
                return ::open(name, flags, mode);
            };
        }
        auto window = ShowWindow();
        TestWindow& w = *window;
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(book)));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        calls.reset();
        QCOMPARE(Dialogs::TakeShown().size(), 2u);
        QCOMPARE(WindowMode(w), 2);
        if (situation == u"created since"_s)
            QVERIFY(WriteBytes(book, original));

        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EName, u"New"_s);
        QTest::mouseClick(w.BRun, Qt::LeftButton);
        if (!saves)
            Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        if (saves) {
            QVERIFY(shown.empty());
            QCOMPARE(WindowMode(w), 1);
            QCOMPARE(ReadBytes(book), QByteArray("\r\n\r\n\r\n\r\n\r\n\r\n\tNew\t\t\r\n"));
        } else {
            QCOMPARE(shown.size(), 1u);
            QCOMPARE(ErrorText(shown[0]),
                     u"ファイルを最後まで読み込めなかったので、上書き保存はできません."_s);
            QCOMPARE(WindowMode(w), 2);
            QCOMPARE(w.CData.EntryCount(), 1u);
            QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
            QCOMPARE(ReadBytes(book), original);
        }
    }

    // The columns are as wide as their longest values, and the grid shows
    // those values whole: the painted text is the text drawn from 2 pixels
    // inside the cell, not a shortened one.
    void widestValuesAreShownWhole_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("30 half-width kana") << 2 << u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎ"_s;
        QTest::newRow("15 kanji") << 1 << u"東西南北春夏秋冬上下左右前後中"_s;
        QTest::newRow("20 digits") << 3 << u"01234567890123456789"_s;
        QTest::newRow("30 letters") << 1 << u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"_s;
    }
    void widestValuesAreShownWhole() {
        QFETCH(int, column);
        QFETCH(QString, value);
        const DialogScope dialogs;
        QByteArray bytes = SimpleBook(0);
        QByteArray fields[4] = {"01", "Name", "KANA", "0300"};
        fields[column] = Cp932(value);
        bytes += fields[0] + "\t" + fields[1] + "\t" + fields[2] + "\t" + fields[3] + "\r\n";
        bytes += "02\tother\tother\t1\r\n";
        Browsing b(bytes);
        TestWindow& w = *b.window;
        w.DBG->clearFocus(); // no highlight: the text in the window's text colour
        QCoreApplication::processEvents();

        const QModelIndex index = w.DS->index(0, column);
        const QRect cell = w.DBG->visualRect(index);
        const QImage shot = w.DBG->viewport()->grab(cell).toImage();
        QImage expected(shot.size(), QImage::Format_ARGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setFont(w.DBG->font());
            painter.setPen(Qt::black);
            painter.drawText(QRect(2, 0, expected.width(), expected.height()),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, value);
        }
        // Columns holding ink, in the grab and in the text as drawn.
        const auto inkColumns = [](const QImage& image) {
            std::set<int> columns;
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (qGray(image.pixel(x, y)) < 128) {
                        columns.insert(x);
                        break;
                    }
            return columns;
        };
        const std::set<int> painted = inkColumns(shot);
        const std::set<int> drawn = inkColumns(expected);
        QVERIFY(!drawn.empty());
        QVERIFY2(*drawn.rbegin() < cell.width(), "the value does not fit its column");
        QCOMPARE(painted, drawn);
    }
};

RUVO_UI_TEST_MAIN(DataSafetyTest)
#include "DataSafetyTest.moc"
