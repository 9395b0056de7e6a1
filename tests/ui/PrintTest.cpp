// 印刷… on the real window: the preview shows the directory of the book
// in use (read back from the PDF it prints), from Ctrl+P and from the
// context menu, its 「PDF に保存…」 writes beside the book and never over
// it, and nothing opens in edit mode or while a file is read.
#include "WorkflowSupport.h"

#include "tests/tools/PdfTools.h"

#include <QContextMenuEvent>
#include <QMenu>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

// Three entries out of the saved order, one with no kana reading.
QByteArray PrintBook() {
    QByteArray bytes = "h1\r\nh2\r\nh3\r\nh4\r\nh5\r\nh6\r\n";
    const char* entries[][4] = {
        {"02", "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "0312345678"},
        {"01", "ABC商会", "ABC", "0120123456"},
        {"01", "青木一郎", "ｱｵｷ ｲﾁﾛｳ", "09012345678"},
    };
    for (const auto& e : entries)
        bytes += QByteArray(e[0]) + "\t" + Cp932(QString::fromUtf8(e[1])) + "\t" +
                 Cp932(QString::fromUtf8(e[2])) + "\t" + e[3] + ":0:0\r\n";
    return bytes;
}

const std::vector<std::string> kPrinted = {"英数・記号", "01 ABC商会 ABC 0120-123-456",
                                           "あ",         "01 青木一郎 ｱｵｷ ｲﾁﾛｳ 090-1234-5678",
                                           "や",         "02 山田太郎 ﾔﾏﾀﾞ ﾀﾛｳ 03-1234-5678"};

// Triggers the context menu's item of that text over the grid.
bool ChooseFromContextMenu(TestWindow& w, const QString& text) {
    bool chosen = false;
    QTimer::singleShot(0, &w, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (action->text() == text && action->isEnabled()) {
                    chosen = true;
                    menu->close();
                    action->trigger();
                    return;
                }
            menu->close();
        }
    });
    const QPoint at(300, 300);
    QContextMenuEvent event(QContextMenuEvent::Mouse, w.DBG->mapFrom(&w, at), w.mapToGlobal(at));
    QApplication::sendEvent(w.DBG->viewport(), &event);
    QCoreApplication::processEvents();
    return chosen;
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QVERIFY(WriteBytes(Book(), PrintBook()));
    }
    void cleanup() { ResetCursor(); }

    // Ctrl+P on the grid and 印刷… in its menu open the preview over the
    // window; what it prints is the book's directory, on A4.
    void previewPrintsTheDirectory_data() {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("Ctrl+P") << false;
        QTest::newRow("context menu") << true;
    }
    void previewPrintsTheDirectory() {
        QFETCH(bool, fromMenu);
        const DialogScope dialogs;
        auto window = Opened();
        TestWindow& w = *window;
        ClickRow(w, 1);
        Dialogs::TakeShown();
        const QString pdf = dir_.filePath(u"printed.pdf"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::PreviewPrintedTo(PathBytes(pdf)));
        if (fromMenu)
            QVERIFY(ChooseFromContextMenu(w, u"印刷…"_s));
        else
            QTest::keyClick(w.DBG, Qt::Key_P, Qt::ControlModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(shown[0].kind, Dialogs::Kind::PrintPreview);
        QCOMPARE(shown[0].parent, &w);

        const DirectoryText text = ReadDirectory(PathBytes(pdf));
        QCOMPARE(text.body, kPrinted);
        QCOMPARE(text.heads.size(), 1u);
        QVERIFY2(text.heads[0].starts_with("book.txt 3件 印刷日 "), text.heads[0].c_str());
        QCOMPARE(PageSize(PathBytes(pdf)), std::string("595 x 842 pts (A4)"));
        // The window is as it was: browse mode, the same entry marked.
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.DBG->CurrentRow(), 1);
        QCOMPARE(ReadBytes(Book()), PrintBook());
    }

    // 「PDF に保存…」 asks where, beside the book and named after it, and
    // writes the directory there; over the book or its backup it refuses.
    void saveAsPdfFromThePreview() {
        const DialogScope dialogs;
        auto window = Opened();
        TestWindow& w = *window;
        Dialogs::TakeShown();
        const QString pdf = dir_.filePath(u"directory.pdf"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::PreviewSavedAsPdf());
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(pdf), 0));
        QTest::keyClick(w.DBG, Qt::Key_P, Qt::ControlModifier);
        auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(shown[1].kind, Dialogs::Kind::SaveFile);
        QCOMPARE(shown[1].text, dir_.filePath(u"book.pdf"_s));
        QCOMPARE(shown[1].filters, QStringList{u"PDF (*.pdf)"_s});
        QCOMPARE(ReadDirectory(PathBytes(pdf)).body, kPrinted);

        for (const QString& over : {Book(), dir_.filePath(u"book.BAK"_s)}) {
            const QByteArray before = ReadBytes(over);
            Dialogs::QueueAnswer(Dialogs::Answer::PreviewSavedAsPdf());
            Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(over), 0));
            Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
            QTest::keyClick(w.DBG, Qt::Key_P, Qt::ControlModifier);
            shown = Dialogs::TakeShown();
            QCOMPARE(shown.size(), 3u);
            QVERIFY2(ErrorText(shown[2]).contains(u"印刷先にはできません"_s),
                     qUtf8Printable(ErrorText(shown[2])));
            QCOMPARE(ReadBytes(over), before);
        }
        QCOMPARE(WindowMode(w), 2);
    }

    // Idle and edit mode, and a book being read: Ctrl+P opens nothing (a
    // preview no answer was queued for would fail the test), and 印刷… is
    // in no menu.
    void nothingOutsideBrowseMode() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!ChooseFromContextMenu(w, u"印刷…"_s));
        QVERIFY(Dialogs::TakeShown().empty());

        OpenThroughDialog(w, Book());
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EName, u"abc"_s);
        QTest::keyClick(w.EName, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!ChooseFromContextMenu(w, u"印刷…"_s));
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(w.EName->text(), u"abc"_s);
        QTest::keyClick(w.EName, Qt::Key_Escape);
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        QCOMPARE(WindowMode(w), 1);

        // While a book is being read.
        QVERIFY(WriteBytes(Book(), SimpleBook(40)));
        w.PumpInterval = std::chrono::milliseconds(0);
        bool pressed = false;
        w.OnPump = [&] {
            if (pressed || !w.FileLoopRunning())
                return;
            pressed = true;
            QTest::keyClick(w.DBG, Qt::Key_P, Qt::ControlModifier);
        };
        Dialogs::TakeShown();
        OpenThroughDialog(w, Book());
        QTRY_VERIFY(!w.FileLoopRunning());
        QVERIFY(pressed);
        QCOMPARE(Dialogs::TakeShown().size(), 1u); // the open dialog only
    }

private:
    QString Book() const { return dir_.filePath(u"book.txt"_s); }
    std::unique_ptr<TestWindow> Opened() {
        auto window = ShowWindow();
        OpenThroughDialog(*window, Book());
        return window;
    }

    QTemporaryDir dir_;
};

RUVO_UI_TEST_MAIN(PrintTest)
#include "PrintTest.moc"
