// The boxes as an input method sees them: whether the focused box takes an
// input method, and what the reading box makes of committed and typed kana.
#include "WorkflowSupport.h"

#include <QClipboard>
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

private:
    QString book() const { return book_.filePath(u"book.txt"_s); }
    QTemporaryDir book_;
};

RUVO_UI_TEST_MAIN(InputMethodTest)
#include "InputMethodTest.moc"
