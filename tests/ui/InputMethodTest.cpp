// The boxes as an input method sees them: whether the focused box takes an
// input method, and what the reading box makes of committed and typed kana.
#include "WorkflowSupport.h"

#include "core/reading/ReadingGuess.h"
#include "core/text/HalfWidthKana.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QInputMethodQueryEvent>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::TUAEdit;
using ruvo::test::TestWindow;

namespace {

void StartNewEntry(TestWindow& window, const QString& book) {
    OpenThroughDialog(window, book);
    QTest::mouseClick(window.BNew, Qt::LeftButton);
}

// What the platform's input context learns when it asks the focus object,
// the way it does when the focus moves: by a query event.
QVariant AskFocusObject(Qt::InputMethodQuery query) {
    QObject* focus = QGuiApplication::focusObject();
    if (!focus)
        return {};
    QInputMethodQueryEvent event(query);
    QCoreApplication::sendEvent(focus, &event);
    return event.isAccepted() ? event.value(query) : QVariant();
}

} // namespace

class InputMethodTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(book_.isValid() && WriteBytes(book(), SimpleBook(2))); }

    // Digits go straight into the group and number boxes; the name and the
    // reading take the input method. Moved to with Enter, as the user does.
    void focusedBoxTellsWhetherItTakesAnInputMethod() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        const std::pair<TUAEdit*, bool> boxes[] = {
            {w.EGroup, false}, {w.EName, true}, {w.EKana, true}, {w.ETel, false}};
        for (const auto& [box, takesInputMethod] : boxes) {
            QTRY_COMPARE(QGuiApplication::focusObject(), static_cast<QObject*>(box));
            QCOMPARE(box->inputMethodQuery(Qt::ImEnabled).toBool(), takesInputMethod);
            QCOMPARE(AskFocusObject(Qt::ImEnabled).toBool(), takesInputMethod);
            QTest::keyClick(box, Qt::Key_Return);
        }
    }

    // A mode changed while the box has the focus is answered at once.
    void modeChangeOfTheFocusedBox() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        w.EName->setFocus();
        QTRY_COMPARE(QGuiApplication::focusObject(), static_cast<QObject*>(w.EName));
        QVERIFY(AskFocusObject(Qt::ImEnabled).toBool());
        w.EName->SetImeMode(ruvo::imClose);
        QVERIFY(!AskFocusObject(Qt::ImEnabled).toBool());
        w.EName->SetImeMode(ruvo::imHira);
        QVERIFY(AskFocusObject(Qt::ImEnabled).toBool());
    }

    // What an input method commits into the reading box enters as
    // half-width katakana; the name box takes it as it comes.
    void readingBoxTakesHalfWidthKana_data() {
        QTest::addColumn<QString>("committed");
        QTest::addColumn<QString>("reading");
        QTest::newRow("hiragana") << u"やまだ"_s << u"ﾔﾏﾀﾞ"_s;
        QTest::newRow("voiced and small kana") << u"がっこう"_s << u"ｶﾞｯｺｳ"_s;
        QTest::newRow("katakana with vu") << u"ヴァイオリン"_s << u"ｳﾞｧｲｵﾘﾝ"_s;
        QTest::newRow("semi-voiced, long vowel") << u"ぱーてぃー"_s << u"ﾊﾟｰﾃｨｰ"_s;
        QTest::newRow("full-width ASCII and space") << u"ＡＢＣ１２３　ｘ"_s << u"ABC123 x"_s;
        QTest::newRow("no half-width form") << u"ゐゑヶ山田"_s << u"ゐゑヶ山田"_s;
    }
    void readingBoxTakesHalfWidthKana() {
        QFETCH(QString, committed);
        QFETCH(QString, reading);
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        w.EKana->setFocus();
        CommitText(w.EKana, committed);
        QCOMPARE(w.EKana->text(), reading);
        CommitText(w.EName, committed);
        QCOMPARE(w.EName->text(), committed);

        // Committed and saved: the file holds the half-width bytes.
        QTest::mouseClick(w.BRun, Qt::LeftButton);
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField("Kana")), Cp932(reading));
    }

    // Composing shows what the input method sends; the commit replaces it.
    void composingTextIsShownAsSent() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        w.EKana->setFocus();
        const auto cursorX = [&] {
            return w.EKana->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
        };
        const int before = cursorX();
        QInputMethodEvent composing(u"やま"_s, {});
        QApplication::sendEvent(w.EKana, &composing);
        // The cursor stands after the composed text as sent, full-width.
        QCOMPARE(cursorX() - before, w.EKana->fontMetrics().horizontalAdvance(u"やま"_s));
        QVERIFY(w.EKana->text().isEmpty());
        QInputMethodEvent commit;
        commit.setCommitString(u"やまだ"_s);
        QApplication::sendEvent(w.EKana, &commit);
        QCOMPARE(w.EKana->text(), u"ﾔﾏﾀﾞ"_s);
    }

    // Characters typed as keys convert too; pasted text enters unchanged.
    void typedKanaConvertPastedDoNot() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        w.EKana->setFocus();
        QTest::sendKeyEvent(QTest::Click, w.EKana, Qt::Key_unknown, u"ア"_s, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Click, w.EKana, Qt::Key_unknown, u"が"_s, Qt::NoModifier);
        QTest::keyClicks(w.EKana, u"x"_s);
        QCOMPARE(w.EKana->text(), u"ｱｶﾞx"_s);
        QGuiApplication::clipboard()->setText(u"やまだ"_s);
        QTest::keyClick(w.EKana, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.EKana->text(), u"ｱｶﾞxやまだ"_s);
    }

    // A name typed through the input method gives the reading box its
    // reading when the focus leaves the name: "yamada" shown as やまだ,
    // converted to 山田 and committed, then "tarou" the same way.
    void nameTypedThroughTheInputMethodGivesItsReading() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        w.EName->setFocus();
        TypeConverted(w.EName, {u"や"_s, u"やま"_s, u"やまｄ"_s, u"やまだ"_s}, u"山田"_s);
        TypeConverted(w.EName, {u"た"_s, u"たろ"_s, u"たろう"_s}, u"太郎"_s);
        QCOMPARE(w.EName->text(), u"山田太郎"_s);
        QTest::keyClick(w.EName, Qt::Key_Tab);
        QCOMPARE(w.EKana->text(), u"ﾔﾏﾀﾞﾀﾛｳ"_s);
        QVERIFY(w.EKana->hasFocus());

        // Still the editor's own: a changed name gives its new reading.
        w.EName->setFocus();
        QTest::keyClick(w.EName, Qt::Key_Backspace);
        QTest::keyClick(w.EName, Qt::Key_Backspace);
        TypeConverted(w.EName, {u"じろう"_s}, u"次郎"_s);
        QTest::keyClick(w.EName, Qt::Key_Tab);
        QCOMPARE(w.EKana->text(), u"ﾔﾏﾀﾞｼﾞﾛｳ"_s);

        // What the user typed into the reading box stays.
        QTest::keyClick(w.EKana, Qt::Key_End);
        QTest::keyClicks(w.EKana, u"x"_s);
        w.EName->setFocus();
        TypeConverted(w.EName, {u"さま"_s}, u"様"_s);
        QTest::keyClick(w.EName, Qt::Key_Tab);
        QCOMPARE(w.EKana->text(), u"ﾔﾏﾀﾞｼﾞﾛｳx"_s);

        QTest::mouseClick(w.BRun, Qt::LeftButton);
        QCOMPARE(QByteArray::fromStdString(w.CData.GetField("Kana")), Cp932(u"ﾔﾏﾀﾞｼﾞﾛｳx"_s));
    }

    // A name edited in the middle gives no reading from what was typed
    // (which would be wrong); the dictionary's proposal stands in, selected.
    void noTypedReadingForANameEditedInTheMiddle() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        w.EName->setFocus();
        TypeConverted(w.EName, {u"やまだ"_s}, u"山田"_s);
        TypeConverted(w.EName, {u"たろう"_s}, u"太郎"_s);
        w.EName->setCursorPosition(1);
        QTest::keyClick(w.EName, Qt::Key_Delete);
        QCOMPARE(w.EName->text(), u"山太郎"_s);
        QTest::keyClick(w.EName, Qt::Key_Tab);
        QCOMPARE(w.EKana->text(), Proposal(u"山太郎"_s));
        QVERIFY(w.EKana->text() != u"ﾔﾏﾀﾞﾀﾛｳ"_s);
    }

    // A name typed without the input method (or pasted) gets the
    // dictionary's proposal, selected so that typing replaces it, the other
    // proposals offered beneath; a name it cannot read gets nothing.
    void dictionaryProposesWhereNothingWasTyped() {
        const DialogScope dialogs;
        auto window = ShowWindow();
        TestWindow& w = *window;
        StartNewEntry(w, book());
        if (!ruvo::reading::ReadingGuesser().Available())
            QSKIP("no dictionary (mecab-ipadic-utf8)");
        w.EName->setFocus();
        QGuiApplication::clipboard()->setText(u"鈴木一郎"_s);
        QTest::keyClick(w.EName, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(w.EName, Qt::Key_Tab);
        QCOMPARE(w.EKana->text(), u"ｽｽﾞｷ ｲﾁﾛｳ"_s);
        QVERIFY(w.EKana->hasFocus());
        QCOMPARE(w.EKana->selectedText(), w.EKana->text());
        // The other proposals beneath the box, the first one first.
        const auto* completer = w.EName->findChild<QCompleter*>();
        QVERIFY(completer);
        const QAbstractItemModel* offered = completer->completionModel();
        QVERIFY(offered->rowCount() >= 1 && offered->rowCount() <= 5);
        QCOMPARE(offered->index(0, 0).data().toString(), u"ｽｽﾞｷ ｲﾁﾛｳ"_s);
        QCOMPARE(completer->popup()->isVisible(), offered->rowCount() > 1);
        QTest::keyClicks(w.EKana, u"x"_s);
        QCOMPARE(w.EKana->text(), u"x"_s);

        w.EName->setFocus();
        w.EName->selectAll();
        QGuiApplication::clipboard()->setText(u"龘"_s);
        QTest::keyClick(w.EName, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(w.EName, Qt::Key_Tab);
        QCOMPARE(w.EKana->text(), u"x"_s); // the user's, kept
        w.EKana->clear();
        w.EName->setFocus();
        QTest::keyClick(w.EName, Qt::Key_Tab);
        QVERIFY(w.EKana->text().isEmpty()); // nothing the dictionary can read
    }

private:
    // The dictionary's first proposal for a name, as the reading box shows it.
    static QString Proposal(const QString& name) {
        ruvo::reading::ReadingGuesser guesser;
        const std::vector<std::string> proposals = guesser.Propose(name.toStdString());
        return proposals.empty() ? QString()
                                 : QString::fromStdString(ruvo::ToHalfWidthKana(proposals.front()));
    }

    // The input method's events for one word: each preedit as romaji
    // becomes kana, the conversion shown, then committed.
    static void TypeConverted(QWidget* box, const QStringList& preedits, const QString& word) {
        for (const QString& preedit : preedits) {
            QInputMethodEvent composing(preedit, {});
            QApplication::sendEvent(box, &composing);
        }
        QInputMethodEvent converted(word, {});
        QApplication::sendEvent(box, &converted);
        QInputMethodEvent commit;
        commit.setCommitString(word);
        QApplication::sendEvent(box, &commit);
    }

    QString book() const { return book_.filePath(u"book.txt"_s); }
    QTemporaryDir book_;
};

RUVO_UI_TEST_MAIN(InputMethodTest)
#include "InputMethodTest.moc"
