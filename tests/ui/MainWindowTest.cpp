// The main window: layout, fonts, start state, title, focus, keys and the
// text boxes' code page 932 handling, on the real widgets.
#include "TestSupport.h"
#include "TestWindow.h"
#include "app/VersionText.h"
#include "ui/Cp932Text.h"

#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

std::unique_ptr<TestWindow> ShowWindow(ruvo::VersionTextFunction version = [] {
    return ruvo::VersionText();
}) {
    auto window = std::make_unique<TestWindow>(std::move(version));
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("window not active");
    return window;
}

// Edit mode with a pending new entry, the focus in EGroup.
void StartNewEntry(TestWindow& window) {
    window.SetWindowMode(2);
    window.DBG->setFocus();
    QTest::mouseClick(window.BNew, Qt::LeftButton);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAtTheirPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("BOpen") << u"BOpen"_s << QRect(8, 8, 141, 26);
        QTest::newRow("BNew") << u"BNew"_s << QRect(168, 8, 97, 26);
        QTest::newRow("BCopy") << u"BCopy"_s << QRect(276, 8, 105, 26);
        QTest::newRow("BDel") << u"BDel"_s << QRect(400, 8, 97, 26);
        QTest::newRow("BSave") << u"BSave"_s << QRect(636, 8, 116, 26);
        QTest::newRow("EGroup") << u"EGroup"_s << QRect(8, 48, 62, 24);
        QTest::newRow("EName") << u"EName"_s << QRect(76, 48, 241, 24);
        QTest::newRow("EKana") << u"EKana"_s << QRect(320, 48, 241, 24);
        QTest::newRow("ETel") << u"ETel"_s << QRect(567, 48, 135, 24);
        QTest::newRow("BRun") << u"BRun"_s << QRect(708, 47, 44, 25);
        QTest::newRow("DBG") << u"DBG"_s << QRect(11, 78, 741, 614);
    }
    void controlsAtTheirPlaces() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        QCOMPARE(window->size(), QSize(760, 700));
        auto* control = window->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget(), window.get());
        QCOMPARE(control->geometry(), geometry);
        // Growing the window adds space, shrinking hides: nothing moves.
        window->resize(1100, 900);
        QCOMPARE(control->geometry(), geometry);
        window->resize(300, 200);
        QCOMPARE(control->geometry(), geometry);
    }

    void windowFontAndFrame() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        QCOMPARE(window->objectName(), u"FRuvoTelEdit"_s);
        QCOMPARE(window->backgroundRole(), QPalette::Button);
        QVERIFY(window->autoFillBackground());
        QVERIFY(window->minimumSize().width() < 760 && window->maximumSize().width() > 760);
        QVERIFY(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const QFontInfo info(control->font());
            QCOMPARE(info.family(), u"IPAMincho"_s);
            QCOMPARE(info.pixelSize(), 16);
            QVERIFY(!info.bold() && !info.italic());
        }
        // The layout's metrics: a half-width character is 8 pixels wide.
        QCOMPARE(QFontMetrics(window->font()).horizontalAdvance(u"0ｱ"_s), 16);
    }

    void startState() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        QCOMPARE(window->windowTitle(), u"ルーヴォ 電話帳編集ソフト　Ver 0.900"_s);
        for (auto* box : {window->EGroup, window->EName, window->EKana, window->ETel})
            QVERIFY(box->text().isEmpty());
        QVERIFY(window->LCnt->text().isEmpty());
        QCOMPARE(window->CData.State(), ruvo::TableState::Settled);
        const QList<QWidget*> controls = {
            window->BOpen,  window->BNew,  window->BCopy, window->BDel, window->BSave, window->DBG,
            window->EGroup, window->EName, window->EKana, window->ETel, window->BRun};
        for (QWidget* control : controls)
            QCOMPARE(control->isEnabled(), control == window->BOpen);
        // The title is composed once, at the first show.
        window->hide();
        window->show();
        QCOMPARE(window->windowTitle(), u"ルーヴォ 電話帳編集ソフト　Ver 0.900"_s);
    }

    void titleWithoutVersionRecord() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow([] { return ruvo::VersionText(nullptr); });
        QCOMPARE(window->windowTitle(), u"ルーヴォ 電話帳編集ソフト　Ver "_s);
    }

    void countLabelKeepsItsRightEdge_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("one digit") << u"5件"_s;
        QTest::newRow("six digits") << u"123456件"_s;
    }
    void countLabelKeepsItsRightEdge() {
        QFETCH(QString, text);
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        window->LCnt->setText(text);
        const QRect geometry = window->LCnt->geometry();
        QCOMPARE(geometry.x() + geometry.width(), 599);
        QCOMPARE(geometry.y(), 14);
        QCOMPARE(geometry.width(), QFontMetrics(window->font()).horizontalAdvance(text));
        QVERIFY(window->LCnt->alignment().testFlag(Qt::AlignRight));
    }

    void tabOrder() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        for (QWidget* control : window->findChildren<QWidget*>())
            control->setEnabled(true);
        window->EGroup->setFocus();
        const QList<QWidget*> expected = {window->EName, window->EKana, window->ETel,
                                          window->BRun,  window->DBG,   window->EGroup};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), window->DBG);
    }

    void tabInBrowseModeStaysOnGrid() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        window->SetWindowMode(2);
        window->DBG->setFocus();
        QTest::keyClick(window->DBG, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->DBG);
        QTest::keyClick(window->DBG, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), window->DBG);
    }

    void toolButtonsNeverTakeTheFocus() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        for (auto* button :
             {window->BOpen, window->BNew, window->BCopy, window->BDel, window->BSave})
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        // A click leaves the focus where it was.
        window->EName->setEnabled(true);
        window->EName->setFocus();
        Dialogs::QueueAnswer(Dialogs::Answer::FileCancelled());
        QTest::mouseClick(window->BOpen, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), window->EName);
        QCOMPARE(Dialogs::TakeShown().size(), 1u);
    }

    void groupHoldsTwoBytes_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("after");
        QTest::newRow("typed digits") << QString() << u"123"_s << QString() << u"12"_s;
        QTest::newRow("pasted digits") << QString() << QString() << u"345"_s << u"34"_s;
        QTest::newRow("pasted after one") << u"1"_s << QString() << u"345"_s << u"13"_s;
        QTest::newRow("full-width") << QString() << QString() << u"１２"_s << u"１"_s;
        QTest::newRow("full-width after one") << u"1"_s << QString() << u"１"_s << u"1"_s;
        QTest::newRow("half-width kana") << QString() << QString() << u"ｱｲｳ"_s << u"ｱｲ"_s;
    }
    void groupHoldsTwoBytes() {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        StartNewEntry(*window);
        QCOMPARE(QApplication::focusWidget(), window->EGroup);
        QTest::keyClicks(window->EGroup, before + typed);
        if (!pasted.isEmpty()) {
            QGuiApplication::clipboard()->setText(pasted);
            window->EGroup->paste();
        }
        QCOMPARE(window->EGroup->text(), after);
    }

    void runTakesEnterAndSpace_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("commits");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier) << true;
        QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier) << false;
        QTest::newRow("Alt+Enter") << int(Qt::Key_Return) << int(Qt::AltModifier) << false;
    }
    void runTakesEnterAndSpace() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, commits);
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        QVERIFY(!window->BRun->isDefault() && !window->BRun->autoDefault());
        StartNewEntry(*window);
        window->BRun->setFocus();
        QTest::keyClick(window->BRun, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(window->CData.EntryCount(), commits ? 1u : 0u);
        QCOMPARE(window->CData.State(),
                 commits ? ruvo::TableState::Settled : ruvo::TableState::Adding);
    }

    void keyPreviewComesFirst() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        StartNewEntry(*window);
        // Enter and Up move the focus before the boxes see the keys.
        QTest::keyClick(window->EGroup, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), window->EName);
        QTest::keyClick(window->EName, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), window->EGroup);
        QTest::keyClick(window->EGroup, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), window->BRun);
        // The button itself moves nothing with the arrows.
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Left, Qt::Key_Right}) {
            QTest::keyClick(window->BRun, key);
            QCOMPARE(QApplication::focusWidget(), window->BRun);
        }
        QTest::keyClick(window->BRun, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), window->ETel);
        window->BRun->setFocus();
        // Escape steps down: edit, browse, idle, closed.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(window->CData.State(), ruvo::TableState::Settled);
        QVERIFY(window->DBG->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(window->BOpen->isEnabled());
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->CData.State(), ruvo::TableState::Closed);
    }

    void numericBoxesTakeDigitsOnly_data() {
        QTest::addColumn<QString>("box");
        QTest::newRow("EGroup") << u"EGroup"_s;
        QTest::newRow("ETel") << u"ETel"_s;
    }
    void numericBoxesTakeDigitsOnly() {
        QFETCH(QString, box);
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        StartNewEntry(*window);
        auto* edit = window->findChild<ruvo::TUAEdit*>(box);
        edit->setFocus();
        QTest::keyClicks(edit, u"a -(+*#"_s);
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, u"３"_s, Qt::NoModifier);
        QVERIFY(edit->text().isEmpty());
        QTest::keyClicks(edit, u"1x2"_s);
        QCOMPARE(edit->text(), u"12"_s);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), u"1"_s);
        // Keys that type no character still work.
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Delete);
        QVERIFY(edit->text().isEmpty());
    }

    void inputMethodPerBox() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        QVERIFY(!window->EGroup->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(!window->ETel->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(window->EName->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(window->EKana->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(window->EKana->inputMethodHints().testFlag(Qt::ImhNoPredictiveText));
    }

    void boxGivesBackItsBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("IBM extension 髙") << QByteArray("\xFB\xFC");
        QTest::newRow("NEC-selected IBM 纊") << QByteArray("\xED\x40");
        QTest::newRow("NEC row 13 Ⅰ") << QByteArray("\x87\x54");
        QTest::newRow("IBM Ⅰ") << QByteArray("\xFA\x4A");
        QTest::newRow("¬ in row 2") << QByteArray("\x81\xCA");
        QTest::newRow("¬ IBM") << QByteArray("\xFA\x54");
        QTest::newRow("∵ NEC") << QByteArray("\x87\x9A");
        QTest::newRow("lone 0xA0") << QByteArray("a\xA0"
                                                 "b");
        QTest::newRow("unassigned 0x8540") << QByteArray("\x85\x40");
        QTest::newRow("lead byte at the end") << QByteArray("x\x82");
    }
    void boxGivesBackItsBytes() {
        QFETCH(QByteArray, bytes);
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        StartNewEntry(*window);
        window->EName->SetBytes(bytes.toStdString());
        QCOMPARE(QByteArray::fromStdString(window->EName->Bytes()), bytes);
        // Typing and taking it back again leaves the box unchanged.
        window->EName->setFocus();
        QTest::keyClick(window->EName, Qt::Key_End);
        QTest::keyClicks(window->EName, u"z"_s);
        QTest::keyClick(window->EName, Qt::Key_Backspace);
        QCOMPARE(QByteArray::fromStdString(window->EName->Bytes()), bytes);
    }

    void changedBoxIsConverted() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        window->EName->SetBytes("\xED\x40");
        window->EName->setText(u"髙橋Ⅲ①㎝"_s);
        QCOMPARE(QByteArray::fromStdString(window->EName->Bytes()),
                 QByteArray("\xFB\xFC\x8B\xB4\x87\x56\x87\x40\x87\x70"));
    }

    void unencodableCharacterIsNamed_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("character");
        QTest::newRow("剝 in EName") << u"EName"_s << u"剝がす"_s << u"姓名"_s << u"剝"_s;
        QTest::newRow("emoji in EKana") << u"EKana"_s << u"ｱ😀"_s << u"フリガナ"_s << u"😀"_s;
        QTest::newRow("EGroup") << u"EGroup"_s << u"€"_s << u"ｸﾞﾙｰﾌﾟ"_s << u"€"_s;
        QTest::newRow("ETel") << u"ETel"_s << u"1🙂"_s << u"電話番号"_s << u"🙂"_s;
    }
    void unencodableCharacterIsNamed() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, character);
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        auto* edit = window->findChild<ruvo::TFieldEdit*>(box);
        edit->setText(text);
        try {
            static_cast<void>(edit->Bytes());
            QFAIL("no failure");
        } catch (const ruvo::Cp932EncodeError& failure) {
            const QString message = QString::fromUtf8(failure.what());
            QVERIFY2(message.contains(u"「"_s + title + u"」"_s), failure.what());
            QVERIFY2(message.contains(u"「"_s + character + u"」"_s), failure.what());
            // The character by its code point too, for a face that lacks it.
            QVERIFY2(message.contains(QStringLiteral("U+%1").arg(character.toUcs4().front(), 4, 16,
                                                                 QLatin1Char('0')),
                                      Qt::CaseInsensitive),
                     failure.what());
        }
    }

    void unencodableTextIsNotCommitted() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        StartNewEntry(*window);
        window->EName->setText(u"剝がす"_s);
        window->BRun->setFocus();
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::keyClick(window->BRun, Qt::Key_Return);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(shown.front().kind, Dialogs::Kind::ErrorBox);
        QVERIFY(shown.front().text.contains(u"剝"_s));
        QCOMPARE(window->CData.EntryCount(), 0u);
        QCOMPARE(window->CData.State(), ruvo::TableState::Adding);
        QVERIFY(window->EName->isEnabled());
    }

    void gridEnterAndDoubleClickEdit() {
        const ruvo::test::DialogScope dialogs;
        auto window = ShowWindow();
        for (const char* name : {"Aoki", "Baba"}) {
            window->CData.AppendEntry();
            window->CData.SetField("Group", "01");
            window->CData.SetField("Name", name);
            window->CData.CommitEntry();
        }
        window->SetWindowMode(2);
        window->DBG->setFocus();
        QTest::keyClick(window->DBG, Qt::Key_Up);
        QTest::keyClick(window->DBG, Qt::Key_Return);
        QCOMPARE(window->EName->text(), u"Aoki"_s);
        QCOMPARE(window->CData.State(), ruvo::TableState::Changing);
        QCOMPARE(QApplication::focusWidget(), window->EGroup);
    }
};

RUVO_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
