// Undo and redo on the real window: each kind of change taken back and done
// again with the keys, then saved and compared byte for byte with a save
// that never had the change, or one that had it straight away.
#include "WorkflowSupport.h"

#include <QFileInfo>

#include <functional>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

// Five entries in an order the save changes, one with a byte that is no
// Shift-JIS character, one with a field never set.
QByteArray UndoBook() {
    return "h1\r\nh2\r\nh3\r\nh4\r\nh5\r\nh6\r\n" + Cp932(u"02\t上野\tｳｴﾉ\t0222223333:0:0\r\n"_s) +
           Cp932(u"01\t青木\tｱｵｷ\t0311110000:0:0\r\n"_s) + "01\tab\x80z\t\xb6\t0455556666:0:0\r\n" +
           Cp932(u"03\t山田\tﾔﾏﾀﾞ\t0312345678:0:0\r\n"_s) + Cp932(u"01\t伊藤\tｲﾄｳ"_s) + "\r\n";
}

const QByteArray kTwoContacts = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:佐藤;一郎;;;\r\n"
                                "X-PHONETIC-LAST-NAME:さとう\r\nTEL:090-1111-2222\r\nEND:VCARD\r\n"
                                "BEGIN:VCARD\r\nVERSION:3.0\r\nN:鈴木;次郎;;;\r\n"
                                "X-PHONETIC-LAST-NAME:すずき\r\nTEL:03-5555-6666\r\nEND:VCARD\r\n";

// Every row of the grid as the table holds it, in the natural order.
QList<QByteArray> Rows(const TestWindow& w) {
    QList<QByteArray> rows;
    for (std::size_t row = 0; row < w.CData.RowCount(); ++row) {
        QByteArray text;
        for (const ruvo::Field f :
             {ruvo::Field::Group, ruvo::Field::Name, ruvo::Field::Kana, ruvo::Field::Tel}) {
            const ruvo::CellValue cell = w.CData.Cell(row, f);
            text += cell.set ? "'" + QByteArray(cell.text.data(), cell.text.size()) + "'|"
                             : QByteArray("unset|");
        }
        rows << text;
    }
    return rows;
}

void Commit(TestWindow& w) {
    w.BRun->setFocus();
    QTest::keyClick(w.BRun, Qt::Key_Return);
}

void Undo(TestWindow& w) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Z,
                    Qt::ControlModifier);
}

void Redo(TestWindow& w, bool shiftZ) {
    QWidget* at = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
    if (shiftZ)
        QTest::keyClick(at, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    else
        QTest::keyClick(at, Qt::Key_Y, Qt::ControlModifier);
}

} // namespace

class UndoTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetCursor(); }

    void eachChangeGoesBackAndForth_data() {
        QTest::addColumn<QString>("change");
        for (const char* change : {"new", "copy", "edit", "delete", "import"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }
    void eachChangeGoesBackAndForth() {
        QFETCH(QString, change);
        const DialogScope dialogs;
        const QByteArray unchanged = SavedAfter({});
        const QByteArray changed = SavedAfter([&](TestWindow& w) { Change(w, change); });
        QVERIFY(changed != unchanged);

        // Taken back: the rows as they were, in their places, and the save
        // writes what it would have without the change.
        Browsing b(UndoBook());
        TestWindow& w = *b.window;
        const QList<QByteArray> before = Rows(w);
        Change(w, change);
        QVERIFY(Rows(w) != before);
        const QList<QByteArray> after = Rows(w);
        Undo(w);
        QCOMPARE(Rows(w), before);
        QCOMPARE(w.LCnt->text(), u"%1件"_s.arg(before.size()));
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(QApplication::focusWidget(), w.DBG);
        // Done again, with either key.
        Redo(w, change == u"edit"_s);
        QCOMPARE(Rows(w), after);
        QCOMPARE(w.LCnt->text(), u"%1件"_s.arg(after.size()));
        Undo(w);
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(b.book), unchanged);

        Browsing again(UndoBook());
        Change(*again.window, change);
        Undo(*again.window);
        Redo(*again.window, false);
        QTest::keyClick(again.window->DBG, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(again.book), changed);
    }

    // Escape empties the window without a question; Ctrl+Z right after it
    // brings back the entries, the file in use and browse mode, so that the
    // save writes them. Ctrl+Y empties it again.
    void escapeIsTakenBack() {
        const DialogScope dialogs;
        Browsing b(UndoBook());
        TestWindow& w = *b.window;
        Change(w, u"new"_s);
        ClickRow(w, 2);
        const QList<QByteArray> before = Rows(w);
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(w.CData.EntryCount(), 0u);
        Undo(w);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(Rows(w), before);
        QCOMPARE(w.DBG->CurrentRow(), 2);
        QCOMPARE(w.LCnt->text(), u"6件"_s);
        QCOMPARE(QApplication::focusWidget(), w.DBG);
        Redo(w, false);
        QCOMPARE(WindowMode(w), 1);
        QVERIFY(w.LCnt->text().isEmpty());
        Undo(w);
        // The new entry too is still a step back.
        Undo(w);
        QCOMPARE(w.CData.EntryCount(), 5u);
        Redo(w, false);
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(b.book),
                 SavedAfter([this](TestWindow& window) { Change(window, u"new"_s); }));
    }

    // The history ends at an open and at a successful save; in edit mode
    // the keys are the box's own.
    void historyEndsAtOpenAndSave() {
        const DialogScope dialogs;
        Browsing b(UndoBook());
        TestWindow& w = *b.window;
        Change(w, u"delete"_s);
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        OpenThroughDialog(w, b.book);
        Undo(w);
        QCOMPARE(w.CData.EntryCount(), 5u);
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        Undo(w);
        QCOMPARE(WindowMode(w), 2);

        Change(w, u"delete"_s);
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 1);
        Undo(w);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(w.CData.EntryCount(), 0u);

        OpenThroughDialog(w, b.book);
        Change(w, u"delete"_s);
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EName, u"abc"_s);
        QTest::keyClick(w.EName, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.EName->text(), QString());
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(w.CData.EntryCount(), 3u);
    }

private:
    // The bytes a save writes after an open and the change.
    QByteArray SavedAfter(const std::function<void(TestWindow&)>& change) {
        Browsing b(UndoBook());
        if (change)
            change(*b.window);
        QTest::keyClick(b.window->DBG, Qt::Key_S, Qt::ControlModifier);
        return ReadBytes(b.book);
    }

    void Change(TestWindow& w, const QString& change) {
        if (change == u"new"_s) {
            QTest::mouseClick(w.BNew, Qt::LeftButton);
            QTest::keyClicks(w.EGroup, u"7"_s);
            QTest::keyClick(w.EGroup, Qt::Key_Return);
            QTest::keyClicks(w.EName, u"Zed"_s);
            QTest::keyClick(w.EName, Qt::Key_Return);
            QTest::keyClick(w.EKana, Qt::Key_Return);
            QTest::keyClicks(w.ETel, u"0120"_s);
            Commit(w);
        } else if (change == u"copy"_s) {
            ClickRow(w, 1);
            QTest::mouseClick(w.BCopy, Qt::LeftButton);
            w.ETel->setFocus();
            QTest::keyClicks(w.ETel, u"0311"_s);
            Commit(w);
        } else if (change == u"edit"_s) {
            // The entry with a byte that is no character: its name is
            // changed, its reading moves it in the saved order.
            ClickRow(w, 2);
            QTest::keyClick(w.DBG, Qt::Key_Return);
            w.EKana->setFocus();
            w.EKana->clear();
            CommitText(w.EKana, u"ﾜ"_s);
            Commit(w);
        } else if (change == u"delete"_s) {
            ClickRow(w, 1);
            Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::Yes));
            QTest::mouseClick(w.BDel, Qt::LeftButton);
        } else if (change == u"import"_s) {
            const QString contacts =
                QFileInfo(QString::fromStdString(w.FileName)).dir().filePath(u"contacts.vcf"_s);
            QVERIFY(WriteBytes(contacts, kTwoContacts));
            Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(contacts)));
            Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
            QTest::keyClick(w.DBG, Qt::Key_I, Qt::ControlModifier);
            QCOMPARE(w.CData.EntryCount(), 7u);
        }
        Dialogs::TakeShown();
    }
};

RUVO_UI_TEST_MAIN(UndoTest)
#include "UndoTest.moc"
