// Where the user reaches for the wrong file or key, or the disk says no, on
// the real window: a save elsewhere, a new book through a link, the focus
// after a failed open, a contacts or binary file opened as a phone book, an
// export aimed at the book, Escape meant for the find box, files dropped on
// the boxes, F3 from the grid and Ctrl+E from the find box.
#include "WorkflowSupport.h"
#include "core/file/FileSystem.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include <cerrno>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

const QByteArray kContacts = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:佐藤;一郎;;;\r\n"
                             "X-PHONETIC-LAST-NAME:さとう\r\nTEL:090-1111-2222\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:3.0\r\nN:鈴木;次郎;;;\r\n"
                             "X-PHONETIC-LAST-NAME:すずき\r\nTEL:03-5555-6666\r\nEND:VCARD\r\n";

QLineEdit* FindText(TestWindow& w) {
    return w.findChild<QLineEdit*>(u"FindText"_s);
}

QWidget* FindBox(TestWindow& w) {
    return w.findChild<QWidget*>(u"FindBox"_s);
}

void AddEntry(TestWindow& w, const QString& name) {
    QTest::mouseClick(w.BNew, Qt::LeftButton);
    w.EName->setFocus();
    QTest::keyClicks(w.EName, name);
    w.BRun->setFocus();
    QTest::keyClick(w.BRun, Qt::Key_Return);
}

} // namespace

class WrongTurnsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetCursor(); }

    // A save that cannot be made where the book came from can be made
    // elsewhere; that file is the one in use from then on. A file replaced
    // that way keeps a backup; a new one needs none.
    void saveAsWritesElsewhere() {
        const DialogScope dialogs;
        Browsing b(3);
        TestWindow& w = *b.window;
        AddEntry(w, u"New"_s);
        QVERIFY(QFile::setPermissions(b.book, QFile::ReadOwner));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(WindowMode(w), 2);

        const QString other = b.dir.filePath(u"other.txt"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(other), 0));
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.back().kind, Dialogs::Kind::SaveFile);
        QCOMPARE(shown.back().filters.size(), 2);
        QVERIFY(shown.back().filters[0].contains(u"*.txt"_s));
        // It opens at the file in use.
        QCOMPARE(shown.back().text, b.book);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(ReadBytes(other).count("\r\n"), 6 + 4);
        QVERIFY(ReadBytes(other).startsWith("header 1\r\n"));
        QVERIFY(!QFile::exists(b.dir.filePath(u"other.BAK"_s)));
        QCOMPARE(w.FileName, PathBytes(other));
        QCOMPARE(ReadBytes(b.book), SimpleBook(3));

        // Onto a file that exists: it keeps a backup.
        OpenThroughDialog(w, other);
        const QString third = b.dir.filePath(u"third.txt"_s);
        QVERIFY(WriteBytes(third, SimpleBook(1)));
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(third), 0));
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(ReadBytes(b.dir.filePath(u"third.BAK"_s)), SimpleBook(1));
        QCOMPARE(ReadBytes(third).count("\r\n"), 6 + 4);
    }

    // A new book opened through a link whose target does not exist yet:
    // the first save creates the target and keeps the link.
    void newBookThroughADanglingLink() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString link = dir.filePath(u"link.txt"_s);
        const QString target = dir.filePath(u"target.txt"_s);
        QVERIFY(QFile::link(u"target.txt"_s, link));
        auto window = ShowWindow();
        TestWindow& w = *window;
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(link)));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        QCOMPARE(ErrorText(Dialogs::TakeShown().at(1)), u"ファイルが見つかりません."_s);
        AddEntry(w, u"New"_s);
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QVERIFY(Dialogs::TakeShown().empty());
        QCOMPARE(WindowMode(w), 1);
        // Letters typed into 姓名 are their own reading.
        QCOMPARE(ReadBytes(target), QByteArray("\r\n\r\n\r\n\r\n\r\n\r\n\tNew\tNew\t\r\n"));
        QVERIFY(QFileInfo(link).isSymLink());
    }

    // After a failed open the real error box closes, and the focus is on
    // no control: Enter edits nothing and Up moves no row of a grid the
    // user has not chosen.
    void failedOpenLeavesTheGridUnchosen() {
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(3)));
        QVERIFY(QFile::setPermissions(book, QFile::WriteOwner));
        auto window = ShowWindow();
        TestWindow& w = *window;
        ruvo::ScopedFileOps calls;
        // Root reads any file: the read is made to fail as it would.
        calls->read = [](int, void*, size_t) -> ssize_t {
            errno = EACCES;
            return -1;
        };
        Dialogs::SetTestMode(false);
        TypeIntoOpenDialog(book);
        const auto seen = CloseNextMessageBox();
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        Dialogs::SetTestMode(true);
        QVERIFY(!seen->text.isEmpty());
        QCOMPARE(WindowMode(w), 2);
        // Once the box has gone, a window manager makes the window active
        // again; Qt then gives the focus to the first control that takes
        // it, unless the window holds it.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(QApplication::focusWidget() != w.DBG);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w,
                        Qt::Key_Return);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.State(), ruvo::TableState::Settled);
    }

    // A contacts file is no phone book: refused before its backup and
    // before anything is read, with an offer to import its contacts into a
    // new book, which the first save writes under a name the user chooses.
    void contactsFileOpenedIsOfferedAsImport() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString contacts = dir.filePath(u"contacts.vcf"_s);
        QVERIFY(WriteBytes(contacts, kContacts));
        auto window = ShowWindow();
        TestWindow& w = *window;

        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(contacts)));
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::No));
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(shown[1].icon, QMessageBox::Question);
        QVERIFY2(shown[1].text.contains(u"vCard"_s), qPrintable(shown[1].text));
        QVERIFY(shown[1].text.contains(u"インポート"_s));
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(w.CData.EntryCount(), 0u);
        QVERIFY(!QFile::exists(dir.filePath(u"contacts.BAK"_s)));

        // Dropped on the idle window, the same question; yes imports.
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::Yes));
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QVERIFY(DropFile(w, contacts));
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.LCnt->text(), u"2件"_s);
        QVERIFY(w.FileName.empty());
        Dialogs::TakeShown();

        const QString saved = dir.filePath(u"book.txt"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(saved), 0));
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(WindowMode(w), 1);
        const QByteArray bytes = ReadBytes(saved);
        QVERIFY(bytes.startsWith("\r\n\r\n\r\n\r\n\r\n\r\n"));
        QCOMPARE(bytes.count("\r\n"), 6 + 2);
        QVERIFY(bytes.contains(Cp932(u"佐藤 一郎"_s)));
        QCOMPARE(ReadBytes(contacts), kContacts);
        QVERIFY(!QFile::exists(dir.filePath(u"contacts.BAK"_s)));

        // Contacts under a phone book's name, dropped on the book in use,
        // come into it.
        OpenThroughDialog(w, saved);
        const QString named = dir.filePath(u"more.txt"_s);
        QVERIFY(WriteBytes(named, QByteArray(kContacts)
                                      .replace("090-1111-2222", "090-3333-4444")
                                      .replace("03-5555-6666", "03-7777-8888")));
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QVERIFY(DropFile(w, named));
        QCOMPARE(w.LCnt->text(), u"4件"_s);
        QCOMPARE(w.FileName, PathBytes(saved));
    }

    void binaryFileIsRefused() {
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString picture = dir.filePath(u"photo.txt"_s);
        const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x10", 24);
        QVERIFY(WriteBytes(picture, png));
        auto window = ShowWindow();
        TestWindow& w = *window;
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(picture)));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QVERIFY2(ErrorText(shown[1]).contains(u"テキストファイルではない"_s),
                 qPrintable(shown[1].text));
        QCOMPARE(WindowMode(w), 1);
        QVERIFY(!QFile::exists(dir.filePath(u"photo.BAK"_s)));
        QCOMPARE(ReadBytes(picture), png);
    }

    // An export never writes over the book in use or its backup, however
    // the path is spelled.
    void exportNeverOverTheBook_data() {
        QTest::addColumn<QString>("spelling");
        for (const char* spelling :
             {"same path", "dot folder", "symbolic link", "hard link", "backup"})
            QTest::newRow(spelling) << QString::fromLatin1(spelling);
    }
    void exportNeverOverTheBook() {
        QFETCH(QString, spelling);
        const DialogScope dialogs;
        Browsing b(3);
        TestWindow& w = *b.window;
        const QString backup = b.dir.filePath(u"book.BAK"_s);
        QString target = b.book;
        if (spelling == u"dot folder"_s)
            target = b.dir.path() + u"/./book.txt"_s;
        else if (spelling == u"symbolic link"_s)
            QVERIFY(QFile::link(b.book, target = b.dir.filePath(u"link.vcf"_s)));
        else if (spelling == u"hard link"_s)
            QCOMPARE(::link(PathBytes(b.book).c_str(),
                            PathBytes(target = b.dir.filePath(u"hard.vcf"_s)).c_str()),
                     0);
        else if (spelling == u"backup"_s)
            target = backup;
        Dialogs::TakeShown();
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(target), 0));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::keyClick(w.DBG, Qt::Key_E, Qt::ControlModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        // The export dialog opens in the book's folder.
        QCOMPARE(QFileInfo(shown[0].text), QFileInfo(b.dir.path()));
        QVERIFY2(ErrorText(shown[1]).contains(u"エクスポート先にはできません"_s),
                 qPrintable(shown[1].text));
        QCOMPARE(ReadBytes(b.book), SimpleBook(3));
        QCOMPARE(ReadBytes(backup), SimpleBook(3));
        QCOMPARE(WindowMode(w), 2);
    }

    // An export names the fields it could not write faithfully.
    void exportReportsBytesThatAreNoShiftJis() {
        const DialogScope dialogs;
        Browsing b("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n01\t\x8e\x52\x80\x93\x63\t\xd4\xcf\t031:0:0\r\n");
        TestWindow& w = *b.window;
        Dialogs::TakeShown();
        const QString out = b.dir.filePath(u"out.vcf"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(out), 0));
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QTest::keyClick(w.DBG, Qt::Key_E, Qt::ControlModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QVERIFY2(shown[1].text.contains(u"U+FFFD"_s), qPrintable(shown[1].text));
        QVERIFY2(shown[1].details.contains(u"book.txt:7"_s) || shown[1].details.contains(u":7:"_s),
                 qPrintable(shown[1].details));
    }

    // With the find box open, the first Escape anywhere closes it and
    // nothing else; the next one steps down as always.
    void escapeMeantForTheFindBox() {
        const DialogScope dialogs;
        Browsing b(3);
        TestWindow& w = *b.window;
        AddEntry(w, u"New"_s);
        QTest::keyClick(w.DBG, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(FindBox(w)->isVisible());
        w.activateWindow();
        ClickRow(w, 1);
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        QVERIFY(!FindBox(w)->isVisible());
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.EntryCount(), 4u);
        QCOMPARE(w.LCnt->text(), u"4件"_s);
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        QCOMPARE(WindowMode(w), 1);
    }

    // The find box is a bar of the window, over the bottom of the grid,
    // never over the marked row: the grid gives up the bar's room and keeps
    // the row in sight, in a window cut short by its screen too. It adds no
    // window of its own that a desktop would place.
    void findBarStaysWithTheWindowClearOfTheMarkedRow() {
        const DialogScope dialogs;
        Browsing b(300);
        TestWindow& w = *b.window;
        const QRect gridPlace = w.DBG->geometry();
        const auto windows = QGuiApplication::topLevelWindows().size();
        const auto rowClear = [&] {
            const QRect row = w.DBG->visualRect(w.DBG->model()->index(w.DBG->CurrentRow(), 1));
            const QRect rowInWindow(w.DBG->viewport()->mapTo(&w, row.topLeft()), row.size());
            const QRect bar = FindBox(w)->geometry();
            return w.DBG->viewport()->rect().contains(row) && !rowInWindow.intersects(bar) &&
                   w.rect().contains(bar);
        };
        const auto onScreen = [&](const QWidget* widget) {
            const QRect global(widget->mapToGlobal(QPoint(0, 0)), widget->size());
            return w.screen()->availableGeometry().contains(global);
        };
        // The last row the grid shows whole, then the bar over it.
        w.resize(760, 700);
        w.move(w.screen()->availableGeometry().topLeft());
        ClickRow(w, 0);
        for (int i = 1; i < w.DBG->VisibleRowCount(); ++i)
            QTest::keyClick(w.DBG, Qt::Key_Down);
        QTest::keyClick(w.DBG, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(FindBox(w)->isVisible());
        QCOMPARE(QGuiApplication::topLevelWindows().size(), windows);
        QVERIFY(FindText(w)->hasFocus());
        QTRY_VERIFY(rowClear());
        QVERIFY(onScreen(FindBox(w)));
        // A match far down is brought above the bar (the grid scrolls once
        // the events of the move are through).
        CommitText(FindText(w), u"Name250"_s);
        QCOMPARE(ruvo::DecodeCp932(w.CData.GetField(ruvo::Field::Name)), u"Name250"_s);
        QTRY_VERIFY(rowClear());
        // The window cut short keeps the bar and the row in it, and so does
        // one that runs off the bottom of its screen.
        w.resize(760, 380);
        QTRY_VERIFY(rowClear());
        QVERIFY(onScreen(FindBox(w)));
        w.resize(760, 700);
        w.move(w.x(), w.screen()->availableGeometry().bottom() - 400);
        QTRY_VERIFY(rowClear() && onScreen(FindBox(w)));
        w.move(w.screen()->availableGeometry().topLeft());
        w.resize(760, 700);
        QTRY_VERIFY(rowClear());
        QTest::keyClick(FindText(w), Qt::Key_Escape);
        QVERIFY(!FindBox(w)->isVisible());
        QCOMPARE(w.DBG->geometry(), gridPlace);
        QVERIFY(w.DBG->hasFocus());
    }

    // A file dragged onto a box is not typed into it as its address.
    void boxesRefuseDroppedFiles() {
        const DialogScope dialogs;
        Browsing b(3);
        TestWindow& w = *b.window;
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        w.EName->setFocus();
        QTest::keyClicks(w.EName, u"Suzuki"_s);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(b.dir.filePath(u"google.csv"_s))});
        data.setText(data.urls().front().toString());
        const QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w.EName, &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w.EName, &drop);
        QCOMPARE(w.EName->text(), u"Suzuki"_s);
        QCOMPARE(WindowMode(w), 3);
    }

    // F3 and Shift+F3 find on from the grid; Ctrl+E exports from the find
    // box, as Ctrl+S saves from it.
    void findKeysFromTheGridAndExportFromTheBox() {
        const DialogScope dialogs;
        Browsing b(5);
        TestWindow& w = *b.window;
        Dialogs::TakeShown();
        ClickRow(w, 0);
        QTest::keyClick(w.DBG, Qt::Key_F, Qt::ControlModifier);
        CommitText(FindText(w), u"Name0"_s);
        QCOMPARE(w.DBG->CurrentRow(), 0);
        QTest::keyClick(FindText(w), Qt::Key_Escape);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.DBG->setFocus();
        QTest::keyClick(w.DBG, Qt::Key_F3);
        QCOMPARE(w.DBG->CurrentRow(), 1);
        QTest::keyClick(w.DBG, Qt::Key_F3);
        QCOMPARE(w.DBG->CurrentRow(), 2);
        QTest::keyClick(w.DBG, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(w.DBG->CurrentRow(), 1);

        QTest::keyClick(w.DBG, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(QTest::qWaitForWindowActive(FindBox(w)));
        Dialogs::QueueAnswer({Dialogs::Kind::SaveFile, {}, std::nullopt, 0, {}});
        QTest::keyClick(FindText(w), Qt::Key_E, Qt::ControlModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(shown[0].kind, Dialogs::Kind::SaveFile);
        QCOMPARE(shown[0].filters.size(), 4);
    }
};

RUVO_UI_TEST_MAIN(WrongTurnsTest)
#include "WrongTurnsTest.moc"
