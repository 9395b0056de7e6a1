// The editing workflow on the real window: the window modes and their
// state table, the Escape ladder and the Enter/Up focus walk, the failures
// of open, save and delete, commit and input filtering, and what the window
// does with input that arrives while a file is being read or written.
#include "WorkflowSupport.h"
#include "core/file/FileSystem.h"

#include <cerrno>
#include <functional>
#include <optional>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::TableState;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

Q_DECLARE_METATYPE(TableState)

namespace {

constexpr int kClosed = 0;
constexpr int kBookEntries = 40;

// Calls action once, at the given pump of the next file loop.
void ActAtPump(TestWindow& window, int pump, std::function<void()> action) {
    window.PumpInterval = std::chrono::milliseconds(0);
    auto count = std::make_shared<int>(0);
    window.OnPump = [count, pump, action = std::move(action)] {
        if (++*count == pump)
            action();
    };
}

} // namespace

class WorkflowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetCursor(); }

    void windowModeForEveryByte() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        for (int value = 0; value <= 255; ++value) {
            window->SetWindowMode(static_cast<unsigned char>(value));
            const int expected = value == 1 ? 1 : value == 2 ? 2 : 3;
            QCOMPARE(WindowMode(*window), expected);
            QVERIFY(window->LCnt->isEnabled());
        }
    }

    void stateTable_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("entries");
        QTest::addColumn<TableState>("state");
        // Browse and edit start from a book of 3 entries.
        QTest::newRow("start") << u"start"_s << u"shown"_s << 1 << 0 << TableState::Settled;
        QTest::newRow("idle open") << u"idle"_s << u"open"_s << 2 << 3 << TableState::Settled;
        QTest::newRow("idle open cancelled")
            << u"idle"_s << u"open cancelled"_s << 1 << 0 << TableState::Settled;
        QTest::newRow("idle Escape")
            << u"idle"_s << u"Escape"_s << kClosed << 0 << TableState::Closed;
        QTest::newRow("browse New") << u"browse"_s << u"New"_s << 3 << 3 << TableState::Adding;
        QTest::newRow("browse Copy") << u"browse"_s << u"Copy"_s << 3 << 3 << TableState::Adding;
        QTest::newRow("browse double-click")
            << u"browse"_s << u"double-click"_s << 3 << 3 << TableState::Changing;
        QTest::newRow("browse Enter")
            << u"browse"_s << u"Enter"_s << 3 << 3 << TableState::Changing;
        QTest::newRow("browse Delete Yes")
            << u"browse"_s << u"Delete Yes"_s << 2 << 2 << TableState::Settled;
        QTest::newRow("browse Delete No")
            << u"browse"_s << u"Delete No"_s << 2 << 3 << TableState::Settled;
        QTest::newRow("browse Save") << u"browse"_s << u"Save"_s << 1 << 0 << TableState::Settled;
        QTest::newRow("browse Escape")
            << u"browse"_s << u"Escape"_s << 1 << 0 << TableState::Settled;
        QTest::newRow("edit commit") << u"edit"_s << u"commit"_s << 2 << 4 << TableState::Settled;
        QTest::newRow("edit Escape") << u"edit"_s << u"Escape"_s << 2 << 3 << TableState::Settled;
        QTest::newRow("idle close")
            << u"idle"_s << u"close"_s << kClosed << 0 << TableState::Closed;
        QTest::newRow("browse close")
            << u"browse"_s << u"close"_s << kClosed << 0 << TableState::Closed;
        QTest::newRow("edit close")
            << u"edit"_s << u"close"_s << kClosed << 0 << TableState::Closed;
    }
    void stateTable() {
        QFETCH(QString, from);
        QFETCH(QString, event);
        QFETCH(int, mode);
        QFETCH(int, entries);
        QFETCH(TableState, state);
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(3)));
        auto window = ShowWindow();
        TestWindow& w = *window;
        QCOMPARE(WindowMode(w), 1);
        if (from == u"browse"_s || from == u"edit"_s)
            OpenThroughDialog(w, book);
        if (from == u"edit"_s)
            QTest::mouseClick(w.BNew, Qt::LeftButton);

        if (event == u"open"_s) {
            OpenThroughDialog(w, book);
        } else if (event == u"open cancelled"_s) {
            Dialogs::QueueAnswer(Dialogs::Answer::FileCancelled());
            QTest::mouseClick(w.BOpen, Qt::LeftButton);
        } else if (event == u"Escape"_s) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w,
                            Qt::Key_Escape);
        } else if (event == u"New"_s) {
            QTest::mouseClick(w.BNew, Qt::LeftButton);
        } else if (event == u"Copy"_s) {
            QTest::mouseClick(w.BCopy, Qt::LeftButton);
            QCOMPARE(w.EName->text(), u"Name03"_s);
            QCOMPARE(w.EKana->text(), u"KANA03"_s);
            QVERIFY(w.EGroup->text().isEmpty() && w.ETel->text().isEmpty());
        } else if (event == u"double-click"_s) {
            QTest::mouseDClick(w.DBG->viewport(), Qt::LeftButton, {}, RowCentre(w, 1));
            QCOMPARE(w.EName->text(), u"Name02"_s);
        } else if (event == u"Enter"_s) {
            QTest::keyClick(w.DBG, Qt::Key_Return);
            QCOMPARE(w.ETel->text(), u"030003"_s);
        } else if (event == u"Delete Yes"_s || event == u"Delete No"_s) {
            Dialogs::QueueAnswer(Dialogs::Answer::Button(
                event == u"Delete Yes"_s ? QMessageBox::Yes : QMessageBox::No));
            QTest::mouseClick(w.BDel, Qt::LeftButton);
        } else if (event == u"Save"_s) {
            QTest::mouseClick(w.BSave, Qt::LeftButton);
        } else if (event == u"commit"_s) {
            w.BRun->setFocus();
            QTest::keyClick(w.BRun, Qt::Key_Return);
        } else if (event == u"close"_s) {
            w.close();
        }

        if (mode == kClosed) {
            QVERIFY(!w.isVisible());
        } else {
            QVERIFY(w.isVisible());
            QCOMPARE(WindowMode(w), mode);
            QCOMPARE(static_cast<int>(w.CData.EntryCount()), entries);
            // Outside edit mode the boxes are empty, and the grid has the
            // focus in browse mode.
            if (mode != 3)
                for (auto* box : {w.EGroup, w.EName, w.EKana, w.ETel})
                    QVERIFY(box->text().isEmpty());
            if (mode == 2)
                QCOMPARE(QApplication::focusWidget(), w.DBG);
            if (mode == 3)
                QCOMPARE(QApplication::focusWidget(), w.EGroup);
        }
        QCOMPARE(w.CData.State(), state);
        QVERIFY(!QApplication::overrideCursor());
    }

    void escapeLadderFromEditToClosed() {
        const DialogScope dialogs;
        Browsing b;
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EGroup, u"4"_s);
        QCOMPARE(w.LCnt->text(), u"3件"_s);

        QTest::keyClick(w.EGroup, Qt::Key_Escape);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.State(), TableState::Settled);
        QCOMPARE(w.CData.EntryCount(), 3u);
        QVERIFY(w.EGroup->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), w.DBG);

        // Unsaved entries go without a question.
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(w.CData.EntryCount(), 0u);
        QVERIFY(w.LCnt->text().isEmpty());
        QVERIFY(w.isVisible());

        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.CData.State(), TableState::Closed);
        QCOMPARE(ReadBytes(b.book), SimpleBook(3));
    }

    void enterAndUpWalkTheEnabledControls() {
        const DialogScope dialogs;
        Browsing b;
        TestWindow& w = *b.window;
        // Browse mode: Up and Enter are the grid's own.
        QCOMPARE(w.DBG->CurrentRow(), 2);
        QTest::keyClick(w.DBG, Qt::Key_Up);
        QCOMPARE(w.DBG->CurrentRow(), 1);
        QCOMPARE(QApplication::focusWidget(), w.DBG);

        QTest::mouseClick(w.BNew, Qt::LeftButton);
        const QList<QWidget*> walk = {w.EName, w.EKana, w.ETel, w.BRun};
        for (QWidget* next : walk) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // Other arrows move nothing, on the button either.
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Left, Qt::Key_Right}) {
            QTest::keyClick(w.BRun, key);
            QCOMPARE(QApplication::focusWidget(), w.BRun);
        }
        const QList<QWidget*> back = {w.ETel, w.EKana, w.EName, w.EGroup, w.BRun};
        for (QWidget* previous : back) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
            QCOMPARE(QApplication::focusWidget(), previous);
        }
        // Down moves nothing in the boxes.
        w.ETel->setFocus();
        QTest::keyClick(w.ETel, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), w.ETel);
        // With nothing focused, Enter goes to the first control, Up to the
        // last.
        QApplication::focusWidget()->clearFocus();
        QVERIFY(!QApplication::focusWidget());
        QTest::keyClick(&w, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w.EGroup);
        QApplication::focusWidget()->clearFocus();
        QTest::keyClick(&w, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), w.BRun);
        QCOMPARE(w.CData.State(), TableState::Adding);
    }

    void editFromEmptyGridStartsNewEntry_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("Enter") << false;
        QTest::newRow("double-click") << true;
    }
    void editFromEmptyGridStartsNewEntry() {
        QFETCH(bool, doubleClick);
        const DialogScope dialogs;
        Browsing b(0);
        TestWindow& w = *b.window;
        QCOMPARE(w.LCnt->text(), u"0件"_s);
        if (doubleClick)
            QTest::mouseDClick(w.DBG->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        else
            QTest::keyClick(w.DBG, Qt::Key_Return);
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(QApplication::focusWidget(), w.EGroup);
        QCOMPARE(w.CData.State(), TableState::Adding);
        QTest::keyClicks(w.EGroup, u"3"_s);
        QTest::keyClick(w.EGroup, Qt::Key_Return);
        CommitText(w.EName, u"最初"_s);
        w.BRun->setFocus();
        QTest::keyClick(w.BRun, Qt::Key_Return);
        QCOMPARE(w.LCnt->text(), u"1件"_s);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.GetField("Group"), std::string("03"));
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField("Name")), Cp932(u"最初"_s));
    }

    void commitWithEmptyBoxesAddsEmptyEntry() {
        const DialogScope dialogs;
        Browsing b;
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        w.BRun->setFocus();
        QTest::keyClick(w.BRun, Qt::Key_Space);
        QCOMPARE(w.LCnt->text(), u"4件"_s);
        QCOMPARE(w.DBG->CurrentRow(), 3);
        for (const char* field : {"Group", "Name", "Kana", "Tel"})
            QVERIFY(w.CData.GetField(field).empty());
    }

    // Every box is checked before anything is stored: a character code
    // page 932 lacks, even in the last box, leaves the entry untouched.
    void commitChecksEveryBoxFirst() {
        const DialogScope dialogs;
        Browsing b;
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EGroup, u"1"_s);
        CommitText(w.EName, u"名前"_s);
        w.ETel->setText(u"03😀"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        w.BRun->setFocus();
        QTest::keyClick(w.BRun, Qt::Key_Return);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QVERIFY2(ErrorText(shown[1]).contains(u"電話番号"_s), qUtf8Printable(shown[1].text));
        QVERIFY(ErrorText(shown[1]).contains(u"😀"_s));
        QVERIFY(w.CData.PendingEntryUntouched());
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(w.EName->text(), u"名前"_s);
        QCOMPARE(w.LCnt->text(), u"3件"_s);
        // Mended, the entry commits.
        w.ETel->setText(u"03"_s);
        QTest::keyClick(w.BRun, Qt::Key_Return);
        QCOMPARE(w.LCnt->text(), u"4件"_s);
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField("Name")), Cp932(u"名前"_s));
    }

    void inputMethodTextIntoDigitBoxes_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("committed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("ETel mixed") << u"ETel"_s << u"03-1２3 4x"_s << u"03134"_s;
        QTest::newRow("ETel kana only") << u"ETel"_s << u"でんわ"_s << QString();
        QTest::newRow("EGroup") << u"EGroup"_s << u"９7"_s << u"7"_s;
    }
    void inputMethodTextIntoDigitBoxes() {
        QFETCH(QString, box);
        QFETCH(QString, committed);
        QFETCH(QString, kept);
        const DialogScope dialogs;
        Browsing b;
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        auto* edit = w.findChild<ruvo::TUAEdit*>(box);
        edit->setFocus();
        CommitText(edit, committed);
        QCOMPARE(edit->text(), kept);
        // Other boxes take everything.
        CommitText(w.EName, committed);
        QCOMPARE(w.EName->text(), committed);
    }

    void deleteQuestionAnswersNoOnEnter() {
        const DialogScope dialogs;
        Browsing b;
        TestWindow& w = *b.window;
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::No));
        QTest::mouseClick(w.BDel, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        const Dialogs::Shown& question = shown[1];
        // The box as it would be shown: Enter answers its default, No.
        auto box =
            Dialogs::CreateMessageBox(question.parent, question.text, question.caption,
                                      question.buttons, question.icon, question.defaultButton);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QCOMPARE(box->icon(), QMessageBox::Information);
        QVERIFY(box->windowTitle().trimmed().isEmpty()); // no title text
        QTest::keyClick(box.get(), Qt::Key_Return);
        QTRY_VERIFY(!box->isVisible());
        QCOMPARE(box->clickedButton(), box->button(QMessageBox::No));
        QCOMPARE(w.CData.EntryCount(), 3u);
    }

    void deleteOnEmptyTable() {
        const DialogScope dialogs;
        Browsing b(1);
        TestWindow& w = *b.window;
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::Yes));
        QTest::mouseClick(w.BDel, Qt::LeftButton);
        QCOMPARE(w.LCnt->text(), u"0件"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::Yes));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BDel, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 4u);
        QCOMPARE(ErrorText(shown[3]), u"CData: 空のデータセットには, この操作は実行できません."_s);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(QApplication::focusWidget(), w.DBG);
    }

    void cancelledOpenChangesNothing() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        auto window = ShowWindow();
        TestWindow& w = *window;
        // Idle after a name in a missing folder, with that name and a busy
        // cursor: a cancelled open keeps all of it.
        const QString nowhere = dir.filePath(u"no/such/folder/book.txt"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(nowhere)));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        QCOMPARE(ErrorText(Dialogs::TakeShown().at(1)), u"ファイル名の指定が間違っています."_s);
        QCOMPARE(WindowMode(w), 1);
        QVERIFY(BusyCursor());
        Dialogs::QueueAnswer(Dialogs::Answer::FileCancelled());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(w.CData.EntryCount(), 0u);
        QCOMPARE(w.FileName, PathBytes(nowhere));
        QVERIFY(BusyCursor());
        QVERIFY(w.LCnt->text().isEmpty());
    }

    void failedOpenOfMissingFile() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        auto window = ShowWindow();
        TestWindow& w = *window;
        const QString missing = dir.filePath(u"missing.txt"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(missing)));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(ErrorText(shown[1]), u"ファイルが見つかりません."_s);
        QCOMPARE(WindowMode(w), 2);
        QVERIFY(BusyCursor());
        QCOMPARE(w.FileName, PathBytes(missing));
        QVERIFY(w.LCnt->text().isEmpty());
        QVERIFY(QApplication::focusWidget() != w.DBG);
        QVERIFY(!QFile::exists(dir.filePath(u"missing.BAK"_s)));
    }

    // A read that fails halfway keeps what it read. The busy cursor stays
    // until a later open or save runs to its end; one such end clears it,
    // however often it was set.
    void failedOpenKeepsEntriesReadSoFar() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(kBookEntries)));
        auto window = ShowWindow();
        TestWindow& w = *window;
        // Short reads, and a failing one once the fifth entry line is due.
        auto failing = std::make_shared<bool>(false);
        std::optional<ruvo::ScopedFileOps> calls(std::in_place);
        (*calls)->read = [failing](int fd, void* buffer, size_t size) -> ssize_t {
            if (*failing) {
                errno = EIO;
                return -1;
            }
            return ::read(fd, buffer, std::min<size_t>(size, 100));
        };
        ActAtPump(w, 5, [failing] { *failing = true; });
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(book)));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        calls.reset();
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(ErrorText(shown[1]), u"I/O エラー (5)"_s); // ")" sorts before "."
        const int read = static_cast<int>(w.CData.EntryCount());
        QVERIFY2(read >= 4 && read < kBookEntries, qPrintable(QString::number(read)));
        QCOMPARE(w.CData.GetField("Name"),
                 "Name" + QByteArray::number(read).rightJustified(2, '0').toStdString());
        QCOMPARE(WindowMode(w), 2);
        QVERIFY(w.LCnt->text().isEmpty());
        QVERIFY(QApplication::focusWidget() != w.DBG);
        QVERIFY(BusyCursor());
        QCOMPARE(w.DBG->CurrentRow(), read - 1);
        QCOMPARE(ReadBytes(dir.filePath(u"book.BAK"_s)), SimpleBook(kBookEntries));

        // The window works on with those entries, but a save must not
        // replace the file with part of it.
        ClickRow(w, 0);
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        const auto refused = Dialogs::TakeShown();
        QCOMPARE(refused.size(), 1u);
        QCOMPARE(ErrorText(refused[0]),
                 u"ファイルを最後まで読み込めなかったので、上書き保存はできません."_s);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.EntryCount(), static_cast<std::size_t>(read));
        QCOMPARE(ReadBytes(book), SimpleBook(kBookEntries));

        // Opened again and read whole, the file is saved, and the cursor is
        // back to normal.
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        QCOMPARE(WindowMode(w), 1);
        OpenThroughDialog(w, book);
        QCOMPARE(w.CData.EntryCount(), static_cast<std::size_t>(kBookEntries));
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(w.CData.EntryCount(), 0u);
        QCOMPARE(ReadBytes(book).count("\r\n"), 6 + kBookEntries);
    }

    // A save that fails loses nothing: the window stays in browse mode with
    // every entry and the file in use, a second save after the cause is
    // mended writes them all, and the next book opened holds its own
    // entries only.
    void failedSaveOfReadOnlyFile() {
        const DialogScope dialogs;
        Browsing b(3);
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EGroup, u"9"_s);
        w.BRun->setFocus();
        QTest::keyClick(w.BRun, Qt::Key_Return);
        QCOMPARE(w.LCnt->text(), u"4件"_s);
        ClickRow(w, 1);
        QVERIFY(QFile::setPermissions(b.book, QFile::ReadOwner | QFile::ReadGroup));

        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(ErrorText(shown[1]), u"ファイルへのアクセスが拒否されました."_s);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.EntryCount(), 4u);
        QCOMPARE(w.LCnt->text(), u"4件"_s);
        QCOMPARE(w.FileName, PathBytes(b.book));
        QCOMPARE(w.DBG->CurrentRow(), 1);
        QCOMPARE(QApplication::focusWidget(), w.DBG);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(ReadBytes(b.book), SimpleBook(3));
        QCOMPARE(QDir(b.dir.path()).entryList(QDir::Files).size(), 2); // book and backup

        // Writable again: Ctrl+S writes every entry.
        QVERIFY(QFile::setPermissions(b.book, QFile::ReadOwner | QFile::WriteOwner));
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(WindowMode(w), 1);
        const QByteArray saved = ReadBytes(b.book);
        QCOMPARE(saved.count("\r\n"), 6 + 4);
        QVERIFY(saved.contains("\r\n09\t\t\t\r\n"));

        // Another failed save, then another book: it holds its own entries,
        // and saving it writes nothing of the first.
        OpenThroughDialog(w, b.book);
        QVERIFY(QFile::setPermissions(b.book, QFile::ReadOwner));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 2);
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        const QString other = b.dir.filePath(u"other.txt"_s);
        QVERIFY(WriteBytes(other, SimpleBook(1)));
        OpenThroughDialog(w, other);
        QCOMPARE(w.LCnt->text(), u"1件"_s);
        QCOMPARE(w.CData.EntryCount(), 1u);
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QCOMPARE(ReadBytes(other).count("\r\n"), 6 + 1);
        QVERIFY(Dialogs::TakeShown().size() >= 2);
    }

    // Input that reaches the window while a file is read: browse mode is
    // on, but nothing may touch the table, write the file or close the
    // window before the reading is done.
    void inputWhileReading_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("closes");
        QTest::newRow("New") << u"New"_s << false;
        QTest::newRow("Copy") << u"Copy"_s << false;
        QTest::newRow("Delete") << u"Delete"_s << false;
        QTest::newRow("Save") << u"Save"_s << false;
        QTest::newRow("Escape") << u"Escape"_s << false;
        QTest::newRow("grid Enter") << u"grid Enter"_s << false;
        QTest::newRow("grid double-click") << u"grid double-click"_s << false;
        QTest::newRow("grid click and keys") << u"grid click and keys"_s << false;
        QTest::newRow("grid wheel") << u"grid wheel"_s << false;
        QTest::newRow("close") << u"close"_s << true;
        QTest::newRow("Escape twice and close") << u"Escape twice and close"_s << true;
    }
    void inputWhileReading() {
        QFETCH(QString, action);
        QFETCH(bool, closes);
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(kBookEntries)));
        auto window = ShowWindow();
        TestWindow& w = *window;
        bool acted = false;
        std::size_t entriesWhenActing = 0;
        ActAtPump(w, 10, [&] {
            acted = true;
            entriesWhenActing = w.CData.EntryCount();
            QVERIFY(w.FileLoopRunning());
            QCOMPARE(WindowMode(w), 2);
            if (action == u"New"_s) {
                QTest::mouseClick(w.BNew, Qt::LeftButton);
            } else if (action == u"Copy"_s) {
                QTest::mouseClick(w.BCopy, Qt::LeftButton);
            } else if (action == u"Delete"_s) {
                // No question may appear: none is answered.
                QTest::mouseClick(w.BDel, Qt::LeftButton);
            } else if (action == u"Save"_s) {
                QTest::mouseClick(w.BSave, Qt::LeftButton);
            } else if (action == u"Escape"_s) {
                QTest::keyClick(&w, Qt::Key_Escape);
            } else if (action == u"grid Enter"_s) {
                ClickRow(w, 2);
                QTest::keyClick(w.DBG, Qt::Key_Return);
            } else if (action == u"grid double-click"_s) {
                QTest::mouseDClick(w.DBG->viewport(), Qt::LeftButton, {}, RowCentre(w, 1));
            } else if (action == u"grid click and keys"_s) {
                // The grid follows at the next pump; the table moves now.
                ClickRow(w, 1);
                QCOMPARE(w.CData.CurrentRow(), std::optional<std::size_t>(1));
                QTest::keyClick(w.DBG, Qt::Key_Home);
                QTest::keyClick(w.DBG, Qt::Key_Down);
                QTest::keyClick(w.DBG, Qt::Key_Down);
                QCOMPARE(w.CData.CurrentRow(), std::optional<std::size_t>(2));
                QTest::keyClick(w.DBG, Qt::Key_Insert);
                QTest::keyClick(w.DBG, Qt::Key_Delete, Qt::ControlModifier);
            } else if (action == u"grid wheel"_s) {
                Wheel(w.DBG->viewport(), 2);
            } else if (action == u"close"_s) {
                w.close();
            } else if (action == u"Escape twice and close"_s) {
                QTest::keyClick(&w, Qt::Key_Escape);
                QTest::keyClick(&w, Qt::Key_Escape);
                w.close();
            }
            QVERIFY(w.isVisible());
            QCOMPARE(w.CData.State(), TableState::Settled);
            QCOMPARE(w.CData.EntryCount(), entriesWhenActing);
        });
        OpenThroughDialog(w, book);
        QVERIFY(acted);
        QVERIFY(entriesWhenActing > 0 && entriesWhenActing < kBookEntries);
        QCOMPARE(Dialogs::TakeShown().size(), 1u); // the open dialog only
        QCOMPARE(ReadBytes(book), SimpleBook(kBookEntries));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // book and backup
        QVERIFY(!w.FileLoopRunning());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(w.LCnt->text(), u"40件"_s);
        if (closes) {
            QVERIFY(!w.isVisible());
            QCOMPARE(w.CData.State(), TableState::Closed);
            return;
        }
        QVERIFY(w.isVisible());
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.State(), TableState::Settled);
        QCOMPARE(w.CData.EntryCount(), std::size_t(kBookEntries));
        QCOMPARE(w.DBG->CurrentRow(), kBookEntries - 1);
        QCOMPARE(w.DS->rowCount(), kBookEntries);
        QCOMPARE(QApplication::focusWidget(), w.DBG);
        for (auto* box : {w.EGroup, w.EName, w.EKana, w.ETel})
            QVERIFY(box->text().isEmpty());
    }

    // A close asked for while reading wins over a failure of the read.
    void closeWhileReadingThatFails() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(kBookEntries)));
        auto window = ShowWindow();
        TestWindow& w = *window;
        const ruvo::ScopedFileOps calls;
        calls->read = [](int fd, void* buffer, size_t size) -> ssize_t {
            const ssize_t n = ::read(fd, buffer, size);
            if (n == 0) {
                errno = EIO;
                return -1;
            }
            return n;
        };
        ActAtPump(w, 5, [&] { w.close(); });
        OpenThroughDialog(w, book);
        QCOMPARE(Dialogs::TakeShown().size(), 1u); // no error box
        QVERIFY(!w.isVisible());
        QCOMPARE(w.CData.State(), TableState::Closed);
    }

    // While a file is written the window is idle: Open and Escape are live,
    // and so is the close box; the save must run to its end regardless.
    void inputWhileWriting_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Open") << u"Open"_s << false;
        QTest::newRow("Escape") << u"Escape"_s << true;
        QTest::newRow("close") << u"close"_s << true;
        QTest::newRow("Enter and Up") << u"Enter and Up"_s << false;
    }
    void inputWhileWriting() {
        QFETCH(QString, action);
        QFETCH(bool, closes);
        const DialogScope dialogs;
        Browsing b(kBookEntries);
        TestWindow& w = *b.window;
        const QString other = b.dir.filePath(u"other.txt"_s);
        QVERIFY(WriteBytes(other, SimpleBook(2)));
        // One entry more, so that the saved file differs from the book.
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EGroup, u"1"_s);
        w.BRun->setFocus();
        QTest::keyClick(w.BRun, Qt::Key_Return);
        bool acted = false;
        ActAtPump(w, 10, [&] {
            acted = true;
            QVERIFY(w.FileLoopRunning());
            QCOMPARE(WindowMode(w), 1);
            if (action == u"Open"_s) {
                // No open dialog may appear: none is answered.
                QTest::mouseClick(w.BOpen, Qt::LeftButton);
            } else if (action == u"Escape"_s) {
                QTest::keyClick(&w, Qt::Key_Escape);
            } else if (action == u"close"_s) {
                w.close();
            } else if (action == u"Enter and Up"_s) {
                QTest::keyClick(&w, Qt::Key_Return);
                QTest::keyClick(&w, Qt::Key_Up);
            }
            QVERIFY(w.isVisible());
            QCOMPARE(w.CData.EntryCount(), std::size_t(kBookEntries + 1));
        });
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QVERIFY(acted);
        QCOMPARE(Dialogs::TakeShown().size(), 1u); // the first open only
        const QByteArray saved = ReadBytes(b.book);
        QCOMPARE(saved.count("\r\n"), 6 + kBookEntries + 1);
        QVERIFY(saved.startsWith("header 1\r\n"));
        QVERIFY(saved.contains("\r\n01\t\t\t\r\n"));
        QCOMPARE(QDir(b.dir.path()).entryList(QDir::Files).size(), 3); // + backup, other
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(w.isVisible(), !closes);
        QCOMPARE(w.CData.State(), closes ? TableState::Closed : TableState::Settled);
        if (!closes) {
            QCOMPARE(WindowMode(w), 1);
            QCOMPARE(w.CData.EntryCount(), 0u);
        }
    }

    // A save that fails after a close was asked for keeps the window, so
    // that the unsaved entries are not lost behind the user's back.
    void closeWhileWritingThatFails() {
        const DialogScope dialogs;
        Browsing b(kBookEntries);
        TestWindow& w = *b.window;
        std::optional<ruvo::ScopedFileOps> calls(std::in_place);
        (*calls)->write = [](int, const void*, size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        ActAtPump(w, 10, [&] { QTest::keyClick(&w, Qt::Key_Escape); });
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        calls.reset();
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(ErrorText(shown[1]), u"ディスクがいっぱいです."_s);
        QVERIFY(w.isVisible());
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.EntryCount(), std::size_t(kBookEntries));
        QCOMPARE(ReadBytes(b.book), SimpleBook(kBookEntries));
        // Later Escapes step down and close as usual.
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(WindowMode(w), 1);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    // The window repaints while it reads a file with the time-based pump.
    void gridShowsRowsWhileReading() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(kBookEntries)));
        auto window = ShowWindow();
        TestWindow& w = *window;
        int shownRows = -1;
        ActAtPump(w, 20, [&] { shownRows = w.DS->rowCount(); });
        OpenThroughDialog(w, book);
        // At the 20th pump 19 entries were in; the grid had learned of them.
        QCOMPARE(shownRows, 19);
        QCOMPARE(w.DS->rowCount(), kBookEntries);
    }
};

RUVO_UI_TEST_MAIN(WorkflowTest)
#include "WorkflowTest.moc"
