// One whole editing session on the real window, driven by key presses,
// mouse clicks and input-method text: open, add, copy, edit, delete, save,
// then the saved file and the backup compared byte for byte.
#include "WorkflowSupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

const QString kFixtures = QStringLiteral(RUVO_TEST_DATA "/workflow");

void PressEnter(int times = 1) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        ResetCursor();
        Dialogs::SetTestMode(true);
    }

    // A new phone book through the real open dialog: it takes a name that
    // does not exist, the open reports the missing file, the name stays in
    // use, and the first save creates the file with the header lines held.
    void newBookFromTheOpenDialog_data() {
        QTest::addColumn<bool>("afterAnotherBook");
        QTest::newRow("fresh start") << false;
        QTest::newRow("after another book") << true;
    }
    void newBookFromTheOpenDialog() {
        QFETCH(bool, afterAnotherBook);
        Dialogs::SetTestMode(false);
        QTemporaryDir dir;
        const QString fresh = dir.filePath(u"新しい電話帳.txt"_s);
        QByteArray headers = "\r\n\r\n\r\n\r\n\r\n\r\n";
        auto window = ShowWindow();
        TestWindow& w = *window;
        if (afterAnotherBook) {
            const QString other = dir.filePath(u"other.txt"_s);
            QVERIFY(WriteBytes(other, "H1\r\nH2\r\nH3\r\nH4\r\nH5\r\nH6\r\n01\tA\tB\t1:0:0\r\n"));
            headers = "H1\r\nH2\r\nH3\r\nH4\r\nH5\r\nH6\r\n";
            TypeIntoOpenDialog(other);
            QTest::mouseClick(w.BOpen, Qt::LeftButton);
            QCOMPARE(w.CData.EntryCount(), 1u);
            QTest::mouseClick(w.BSave, Qt::LeftButton);
            QCOMPARE(WindowMode(w), 1);
        }

        const auto errorBox = CloseNextMessageBox();
        TypeIntoOpenDialog(fresh);
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        QCOMPARE(errorBox->text, u"ファイルが見つかりません."_s);
        QCOMPARE(w.FileName, PathBytes(fresh));
        QCOMPARE(WindowMode(w), 2);
        QVERIFY(!QFile::exists(fresh));
        // A window manager gives the window back its activation; offscreen
        // the test does.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EGroup, u"1"_s);
        PressEnter();
        CommitText(w.EName, u"新井"_s);
        PressEnter();
        CommitText(w.EKana, u"あらい"_s);
        PressEnter();
        QTest::keyClicks(w.ETel, u"0311112222"_s);
        PressEnter(2);
        QCOMPARE(WindowMode(w), 2);
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(ReadBytes(fresh), headers + "01\t" + Cp932(u"新井"_s) + "\t" + Cp932(u"ｱﾗｲ"_s) +
                                       "\t0311112222:0:0\r\n");
    }

    void wholeSession() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString book = dir.filePath(u"phone.txt"_s);
        const QByteArray original = ReadBytes(kFixtures + u"/session.txt"_s);
        QVERIFY(!original.isEmpty());
        QVERIFY(WriteBytes(book, original));
        auto window = ShowWindow();
        TestWindow& w = *window;

        // Open.
        OpenThroughDialog(w, book);
        QCOMPARE(w.LCnt->text(), u"5件"_s);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(QApplication::focusWidget(), w.DBG);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(w.DBG->CurrentRow(), 4); // the last entry read

        // A new entry: letters and full-width digits never reach the digit
        // boxes; leaving the group box pads the group to two digits.
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(QApplication::focusWidget(), w.EGroup);
        QTest::keyClicks(w.EGroup, u"a"_s);
        QTest::sendKeyEvent(QTest::Click, w.EGroup, Qt::Key_unknown, u"３"_s, Qt::NoModifier);
        QTest::keyClicks(w.EGroup, u"5"_s);
        QCOMPARE(w.EGroup->text(), u"5"_s);
        PressEnter();
        QCOMPARE(QApplication::focusWidget(), w.EName);
        QCOMPARE(w.EGroup->text(), u"05"_s);
        CommitText(w.EName, u"伊藤五郎"_s);
        PressEnter();
        CommitText(w.EKana, u"ｲﾄｳｺﾞﾛｳ"_s);
        PressEnter();
        QCOMPARE(QApplication::focusWidget(), w.ETel);
        QTest::keyClicks(w.ETel, u"03-9876-5432"_s);
        QCOMPARE(w.ETel->text(), u"0398765432"_s);
        PressEnter();
        QCOMPARE(QApplication::focusWidget(), w.BRun);
        PressEnter(); // Enter on BRun commits
        QCOMPARE(w.LCnt->text(), u"6件"_s);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(QApplication::focusWidget(), w.DBG);
        for (auto* box : {w.EGroup, w.EName, w.EKana, w.ETel})
            QVERIFY(box->text().isEmpty());

        // A copy of 佐藤花子 with its own group and no number.
        ClickRow(w, 1);
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField("Name")), Cp932(u"佐藤花子"_s));
        QTest::mouseClick(w.BCopy, Qt::LeftButton);
        QCOMPARE(w.EName->text(), u"佐藤花子"_s);
        QCOMPARE(w.EKana->text(), u"ｻﾄｳﾊﾅｺ"_s);
        QVERIFY(w.EGroup->text().isEmpty() && w.ETel->text().isEmpty());
        QCOMPARE(w.CData.State(), ruvo::TableState::Adding);
        QTest::keyClicks(w.EGroup, u"7"_s);
        PressEnter(4);
        QCOMPARE(QApplication::focusWidget(), w.BRun);
        PressEnter();
        QCOMPARE(w.LCnt->text(), u"7件"_s);

        // An edit of 鈴木一郎 from the grid with Enter: a new number.
        QCOMPARE(w.DBG->CurrentRow(), 6);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(w.DBG, Qt::Key_Up);
        QCOMPARE(w.DBG->CurrentRow(), 2);
        QTest::keyClick(w.DBG, Qt::Key_Return);
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(w.CData.State(), ruvo::TableState::Changing);
        QCOMPARE(QApplication::focusWidget(), w.EGroup);
        QCOMPARE(w.EGroup->text(), u"01"_s);
        QCOMPARE(w.EName->text(), u"鈴木一郎"_s);
        QCOMPARE(w.ETel->text(), u"09011112222"_s);
        PressEnter(3);
        QCOMPARE(QApplication::focusWidget(), w.ETel);
        QTest::keyClick(w.ETel, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.ETel, u"080-5555-6666"_s);
        PressEnter(2);
        QCOMPARE(w.LCnt->text(), u"7件"_s);
        QCOMPARE(WindowMode(w), 2);

        // Delete 田中商店, answering Yes.
        ClickRow(w, 3);
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField("Name")), Cp932(u"田中商店"_s));
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::Yes));
        QTest::mouseClick(w.BDel, Qt::LeftButton);
        QCOMPARE(w.LCnt->text(), u"6件"_s);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(QApplication::focusWidget(), w.DBG);

        // Delete 山田太郎, answering No: it stays.
        ClickRow(w, 0);
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::No));
        QTest::mouseClick(w.BDel, Qt::LeftButton);
        QCOMPARE(w.LCnt->text(), u"6件"_s);
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField("Name")), Cp932(u"山田太郎"_s));

        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 3u); // the open dialog and two questions
        for (std::size_t i = 1; i < shown.size(); ++i) {
            QCOMPARE(shown[i].kind, Dialogs::Kind::MessageBox);
            QCOMPARE(shown[i].text, u"本当に削除していいですか？"_s);
            QVERIFY(shown[i].caption.isEmpty());
            QCOMPARE(shown[i].buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(shown[i].icon, QMessageBox::Information);
            QCOMPARE(shown[i].defaultButton, QMessageBox::No);
            QCOMPARE(shown[i].parent, static_cast<QWidget*>(&w));
        }

        // Save: headers kept, entries sorted, ":0:0", CR LF; the window is
        // empty and idle, the count label keeps the count.
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(w.CData.EntryCount(), 0u);
        QCOMPARE(w.LCnt->text(), u"6件"_s);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(ReadBytes(book), ReadBytes(kFixtures + u"/session.expected.txt"_s));
        QCOMPARE(ReadBytes(dir.filePath(u"phone.BAK"_s)), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

        // Escape in idle mode ends the program.
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.CData.State(), ruvo::TableState::Closed);
    }
};

RUVO_UI_TEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
