// What the window offers beyond its laid-out controls, on the real window:
// the find box, contacts in and out, files dropped on the window, the
// context menu and the keyboard shortcuts, in every mode.
#include "WorkflowSupport.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

// Six entries, in this natural order; two are 山田 in two kana forms.
QByteArray FindBook() {
    QByteArray bytes = "h1\r\nh2\r\nh3\r\nh4\r\nh5\r\nh6\r\n";
    const char* entries[][3] = {
        {"青木一郎", "ｱｵｷ ｲﾁﾛｳ", "0311110000"},  {"山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "0312345678"},
        {"伊藤花子", "ｲﾄｳ ﾊﾅｺ", "0455556666"},   {"Tanaka Shoten", "ﾀﾅｶ", "0669998888"},
        {"山田花子", "ﾔﾏﾀﾞ ﾊﾅｺ", "09012341234"}, {"上野", "ｳｴﾉ", "0222223333"},
    };
    for (const auto& entry : entries)
        bytes += "01\t" + Cp932(QString::fromUtf8(entry[0])) + "\t" +
                 Cp932(QString::fromUtf8(entry[1])) + "\t" + entry[2] + ":0:0\r\n";
    return bytes;
}

QWidget* FindBox(TestWindow& w) {
    return w.findChild<QWidget*>(u"FindBox"_s);
}

QLineEdit* FindText(TestWindow& w) {
    return w.findChild<QLineEdit*>(u"FindText"_s);
}

QString FindNote(TestWindow& w) {
    return w.findChild<QLabel*>(u"FindNote"_s)->text();
}

// Text typed into the find box (through an input method, as Japanese is).
void TypeFind(TestWindow& w, const QString& text) {
    FindText(w)->clear();
    CommitText(FindText(w), text);
}

QString CurrentName(TestWindow& w) {
    return ruvo::DecodeCp932(w.CData.GetField(ruvo::Field::Name));
}

const QByteArray kContacts = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:佐藤 一郎\r\nN:佐藤;一郎;;;\r\n"
                             "X-PHONETIC-LAST-NAME:さとう\r\nX-PHONETIC-FIRST-NAME:いちろう\r\n"
                             "TEL;TYPE=CELL:090-1111-2222\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:番号なし\r\nN:番号なし;;;;\r\n"
                             "END:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:鈴木 次郎\r\nN:鈴木;次郎;;;\r\n"
                             "X-PHONETIC-LAST-NAME:スズキ\r\nX-PHONETIC-FIRST-NAME:ジロウ\r\n"
                             "TEL:03-5555-6666\r\nEND:VCARD\r\n";

// The actions of the context menu opened over the grid, and the menu closed.
QStringList ContextMenuActions(TestWindow& w) {
    QStringList texts;
    bool shown = false;
    QTimer::singleShot(0, &w, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shown = true;
            // A separator shows as "-", a command that would do nothing
            // with "(off)" after it.
            for (QAction* action : menu->actions())
                texts << (action->isSeparator() ? u"-"_s
                          : action->isEnabled() ? action->text()
                                                : action->text() + u" (off)"_s);
            menu->close();
        }
    });
    const QPoint at(300, 300);
    QContextMenuEvent event(QContextMenuEvent::Mouse, w.DBG->mapFrom(&w, at), w.mapToGlobal(at));
    QApplication::sendEvent(w.DBG->viewport(), &event);
    QCoreApplication::processEvents();
    // The window is active again once the menu has gone, as on a desktop.
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        qWarning("window not active after the menu");
    return shown ? texts : QStringList{u"(no menu)"_s};
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QVERIFY(WriteBytes(Book(), FindBook()));
    }
    void cleanup() { ResetCursor(); }

    // Readings match across kana forms, names by part, numbers by digits;
    // the first match from the current entry on becomes current.
    void findAcrossKanaForms_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("found");
        QTest::newRow("hiragana") << u"やまだ"_s << u"山田太郎"_s;
        QTest::newRow("katakana") << u"ヤマダ"_s << u"山田太郎"_s;
        QTest::newRow("half-width") << u"ﾔﾏﾀﾞ"_s << u"山田太郎"_s;
        QTest::newRow("name part") << u"花子"_s << u"伊藤花子"_s;
        QTest::newRow("letters ignore case") << u"TANAKA"_s << u"Tanaka Shoten"_s;
        QTest::newRow("number by digits") << u"045-555"_s << u"伊藤花子"_s;
    }
    void findAcrossKanaForms() {
        QFETCH(QString, query);
        QFETCH(QString, found);
        const DialogScope dialogs;
        auto window = Opened();
        TestWindow& w = *window;
        ClickRow(w, 0);
        QTest::keyClick(w.DBG, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(FindBox(w) && FindBox(w)->isVisible());
        TypeFind(w, query);
        QCOMPARE(CurrentName(w), found);
        QCOMPARE(w.DBG->CurrentRow(), static_cast<int>(w.CData.CurrentRow().value()));
        QCOMPARE(WindowMode(w), 2);
    }

    // Enter and F3 go on, Shift+F3 back, round the ends with a note; no
    // match is said in the box; Escape closes the box and nothing else.
    void findNextPreviousWrapAndEscape() {
        const DialogScope dialogs;
        auto window = Opened();
        TestWindow& w = *window;
        ClickRow(w, 0);
        QTest::keyClick(w.DBG, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(FindBox(w) && FindBox(w)->isVisible());
        TypeFind(w, u"やまだ"_s);
        QCOMPARE(CurrentName(w), u"山田太郎"_s);
        QTest::keyClick(FindText(w), Qt::Key_Return);
        QCOMPARE(CurrentName(w), u"山田花子"_s);
        QVERIFY(FindNote(w).isEmpty());
        QTest::keyClick(FindText(w), Qt::Key_F3);
        QCOMPARE(CurrentName(w), u"山田太郎"_s);
        QCOMPARE(FindNote(w), u"先頭から検索しました"_s);
        QTest::keyClick(FindText(w), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(CurrentName(w), u"山田花子"_s);
        QCOMPARE(FindNote(w), u"末尾から検索しました"_s);

        TypeFind(w, u"きむら"_s);
        QCOMPARE(FindNote(w), u"見つかりません"_s);
        TypeFind(w, u"😀"_s); // no entry can hold it
        QCOMPARE(FindNote(w), u"見つかりません"_s);
        TypeFind(w, u"きむら"_s);
        QCOMPARE(CurrentName(w), u"山田花子"_s);
        QVERIFY(Dialogs::TakeShown().size() == 1); // the open dialog only

        QTest::keyClick(FindText(w), Qt::Key_Escape);
        QVERIFY(!FindBox(w)->isVisible());
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(w.CData.EntryCount(), 6u);
        QVERIFY(w.isVisible());
    }

    // The contacts become committed entries, the last one current; one
    // without a number is skipped and named in the summary's details; the
    // phone book on disk is not touched.
    void importFromTheContextMenuCommand() {
        const DialogScope dialogs;
        const QString contacts = dir_.filePath(u"contacts.vcf"_s);
        QVERIFY(WriteBytes(contacts, kContacts));
        auto window = Opened();
        TestWindow& w = *window;
        Dialogs::TakeShown();
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(contacts)));
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QTest::keyClick(w.DBG, Qt::Key_I, Qt::ControlModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QVERIFY(shown[0].filters.join(u' ').contains(u"*.vcf"_s));
        QCOMPARE(shown[0].caption, u"インポート"_s);
        QCOMPARE(shown[1].kind, Dialogs::Kind::Summary);
        QCOMPARE(shown[1].text, u"2 件をインポートしました。スキップ 1 件、切り詰め 0 件。"_s);
        QVERIFY2(shown[1].details.contains(u"番号なし"_s), qUtf8Printable(shown[1].details));
        // The window speaks Japanese, whatever the locale.
        QVERIFY2(shown[1].details.contains(u"電話番号がないのでスキップしました"_s),
                 qUtf8Printable(shown[1].details));
        QCOMPARE(w.LCnt->text(), u"8件"_s);
        QCOMPARE(CurrentName(w), u"鈴木 次郎"_s);
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField(ruvo::Field::Kana)),
                 Cp932(u"ｽｽﾞｷ ｼﾞﾛｳ"_s));
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(ReadBytes(Book()), FindBook());
    }

    // The import dialog opens beside the book, then where the last import
    // came from, for as long as the window is open.
    void importDialogOpensWhereTheContactsWere() {
        const DialogScope dialogs;
        QVERIFY(QDir(dir_.path()).mkdir(u"downloads"_s));
        const QString contacts = dir_.filePath(u"downloads/contacts.vcf"_s);
        QVERIFY(WriteBytes(contacts, kContacts));
        auto window = Opened();
        TestWindow& w = *window;
        Dialogs::TakeShown();
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(contacts)));
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QTest::keyClick(w.DBG, Qt::Key_I, Qt::ControlModifier);
        Dialogs::QueueAnswer(Dialogs::Answer::FileCancelled());
        QTest::keyClick(w.DBG, Qt::Key_I, Qt::ControlModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 3u);
        QCOMPARE(shown[0].text, QFileInfo(Book()).absolutePath());
        QCOMPARE(shown[2].kind, Dialogs::Kind::OpenFile);
        QCOMPARE(shown[2].text, QFileInfo(contacts).absolutePath());
    }

    // Export writes the entries as they stand in the saved order; the table
    // and the phone-book file stay as they were.
    void exportWritesTheChosenFormat() {
        const DialogScope dialogs;
        auto window = Opened();
        TestWindow& w = *window;
        ClickRow(w, 2);
        Dialogs::TakeShown();
        const QString out = dir_.filePath(u"out.vcf"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(out), 0));
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QTest::keyClick(w.DBG, Qt::Key_E, Qt::ControlModifier);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(shown[0].filters.size(), 4);
        // The export says what it did.
        QCOMPARE(shown[1].kind, Dialogs::Kind::Summary);
        QCOMPARE(shown[1].text, u"6 件を %1 にエクスポートしました。"_s.arg(out));
        QVERIFY(shown[1].details.isEmpty());
        const QByteArray written = ReadBytes(out);
        QVERIFY(written.startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
        QCOMPARE(written.count("BEGIN:VCARD"), 6);
        // Saved order: ｱｵｷ first, then ｲﾄｳ ...
        QVERIFY(written.indexOf("青木") < written.indexOf("伊藤"));
        QCOMPARE(w.CData.EntryCount(), 6u);
        QCOMPARE(w.DBG->CurrentRow(), 2);
        QCOMPARE(CurrentName(w), u"伊藤花子"_s);
        QCOMPARE(ReadBytes(Book()), FindBook());

        // The book's own CSV, code page 932.
        const QString csv = dir_.filePath(u"out.csv"_s);
        Dialogs::QueueAnswer(Dialogs::Answer::SaveTo(PathBytes(csv), 3));
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QTest::keyClick(w.DBG, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(ReadBytes(csv).startsWith(Cp932(u"グループ,名前,フリガナ,電話番号"_s)));
    }

    // Idle: any file dropped opens; browse: a vCard or CSV is imported,
    // anything else refused; edit: everything refused.
    void dropsInEachMode() {
        const DialogScope dialogs;
        const QString contacts = dir_.filePath(u"contacts.vcf"_s);
        QVERIFY(WriteBytes(contacts, kContacts));
        auto window = ShowWindow();
        TestWindow& w = *window;
        QVERIFY(DropFile(w, Book()));
        QCOMPARE(w.LCnt->text(), u"6件"_s);
        QCOMPARE(w.FileName, PathBytes(Book()));
        QVERIFY(QFile::exists(dir_.filePath(u"book.BAK"_s)));

        QVERIFY(!DropFile(w, Book())); // browse: not a contacts file
        Dialogs::QueueAnswer(Dialogs::Answer::SummaryOk());
        QVERIFY(DropFile(w, contacts));
        QCOMPARE(w.LCnt->text(), u"8件"_s);

        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QVERIFY(!DropFile(w, contacts));
        QVERIFY(!DropFile(w, Book()));
        QCOMPARE(w.CData.EntryCount(), 8u);
        QCOMPARE(WindowMode(w), 3);
        QCOMPARE(Dialogs::TakeShown().size(), 1u); // the summary
    }

    // Ctrl+O and Ctrl+S click their buttons while those are enabled; the
    // browse commands answer in browse mode only; in edit mode nothing.
    void shortcutsInEachMode() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        // Idle: Ctrl+S, Ctrl+F, Ctrl+I, Ctrl+E do nothing; Ctrl+O opens.
        for (const Qt::Key key : {Qt::Key_S, Qt::Key_F, Qt::Key_I, Qt::Key_E})
            QTest::keyClick(&w, key, Qt::ControlModifier);
        QVERIFY(Dialogs::TakeShown().empty());
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(Book())));
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(w.LCnt->text(), u"6件"_s);
        QCOMPARE(Dialogs::TakeShown().size(), 1u);

        // Edit mode: none of them does anything.
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EName, u"abc"_s);
        for (const Qt::Key key : {Qt::Key_O, Qt::Key_S, Qt::Key_F, Qt::Key_I, Qt::Key_E})
            QTest::keyClick(w.EName, key, Qt::ControlModifier);
        QVERIFY(Dialogs::TakeShown().empty());
        QCOMPARE(WindowMode(w), 3);
        QVERIFY(!FindBox(w) || !FindBox(w)->isVisible());
        QTest::keyClick(w.EName, Qt::Key_Escape);

        // Browse: Ctrl+O does nothing, Ctrl+S saves.
        QTest::keyClick(w.DBG, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(Dialogs::TakeShown().empty());
        QTest::keyClick(w.DBG, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(WindowMode(w), 1);
        QCOMPARE(ReadBytes(Book()).count("\r\n"), 6 + 6);
    }

    // The context menu offers what can run in the mode, nothing in edit mode.
    void contextMenuPerMode() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        QCOMPARE(ContextMenuActions(w), QStringList{u"ファイルオープン…"_s});
        OpenThroughDialog(w, Book());
        QCOMPARE(ContextMenuActions(w),
                 (QStringList{u"検索"_s, u"インポート…"_s, u"エクスポート…"_s, u"-"_s,
                              u"名前を付けて保存…"_s, u"印刷…"_s, u"-"_s, u"元に戻す (off)"_s,
                              u"やり直し (off)"_s}));
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QCOMPARE(ContextMenuActions(w), QStringList{u"(no menu)"_s});
        // After a change it can be taken back, and then done again.
        w.BRun->setFocus();
        QTest::keyClick(w.BRun, Qt::Key_Return);
        QCOMPARE(ContextMenuActions(w).mid(7), (QStringList{u"元に戻す"_s, u"やり直し (off)"_s}));
        QTest::keyClick(w.DBG, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ContextMenuActions(w).mid(7), (QStringList{u"元に戻す (off)"_s, u"やり直し"_s}));
        // Idle after Escape: the emptied book can come back.
        QTest::keyClick(w.DBG, Qt::Key_Escape);
        QCOMPARE(ContextMenuActions(w),
                 (QStringList{u"ファイルオープン…"_s, u"-"_s, u"元に戻す"_s}));
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

RUVO_UI_TEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
