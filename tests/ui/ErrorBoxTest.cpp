// The application title, the error box that shows failures escaping event
// handlers, and Qt's own texts in Japanese.
#include "TestSupport.h"
#include "TestWindow.h"
#include "app/VersionText.h"
#include "ui/Cp932Text.h"

#include <QFileDialog>
#include <QPushButton>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;
namespace Dialogs = ruvo::Dialogs;

namespace {

// An object whose event handler fails the way a handler may.
class Failing : public QObject {
public:
    explicit Failing(std::function<void()> fail) : fail_(std::move(fail)) {}
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User)
            fail_();
        return QObject::event(event);
    }

private:
    std::function<void()> fail_;
};

} // namespace

class ErrorBoxTest : public QObject {
    Q_OBJECT

private slots:
    void applicationTitle_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("installed") << u"/usr/bin/ruvoteledit"_s << u"ruvoteledit"_s;
        QTest::newRow("capitals") << u"/opt/RuvoTelEdit"_s << u"Ruvoteledit"_s;
        QTest::newRow("extension") << u"/x/RuvoTelEdit.EXE"_s << u"Ruvoteledit"_s;
        QTest::newRow("first dot") << u"/a.b/Tool.v2.bin"_s << u"Tool"_s;
        QTest::newRow("one letter") << u"/bin/R"_s << u"R"_s;
        QTest::newRow("starts with a dot") << u"/bin/.hidden"_s << QString();
    }
    void applicationTitle() {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(ruvo::ApplicationTitle(path), title);
    }

    void periodRule_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << u"Disk full"_s << u"Disk full."_s;
        QTest::newRow("period") << u"Done."_s << u"Done."_s;
        QTest::newRow("exclamation") << u"Stop!"_s << u"Stop!"_s;
        QTest::newRow("hyphen") << u"a-"_s << u"a-"_s;
        QTest::newRow("slash") << u"a/"_s << u"a/."_s;
        QTest::newRow("digit") << u"code 5"_s << u"code 5."_s;
        // Every character beyond ASCII: double-byte in code page 932 (ん),
        // one byte there (ｱ), none at all (剝, beyond the BMP).
        QTest::newRow("double-byte") << u"ん"_s << u"ん."_s;
        QTest::newRow("half-width kana") << u"ｱ"_s << u"ｱ."_s;
        QTest::newRow("not in code page 932") << u"剝"_s << u"剝."_s;
        QTest::newRow("beyond the BMP") << u"\U0001F4DE"_s << u"\U0001F4DE."_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void periodRule() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        // As the error box gets it: the message of a failure in UTF-8.
        QCOMPARE(ruvo::ErrorBoxText(ruvo::Error(message.toStdString())), shown);
    }

    void handlerFailureShowsErrorBox() {
        const ruvo::test::DialogScope dialogs;
        ruvo::test::TestWindow window([] { return ruvo::VersionText(); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.SetWindowMode(ruvo::wmBrowse);
        // Delete on an empty table: the question, then the table's failure.
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::Yes));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(window.BDel, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(shown[0].text, u"本当に削除していいですか？"_s);
        QCOMPARE(shown[0].caption, QString());
        QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[0].icon, QMessageBox::Information);
        QCOMPARE(shown[0].defaultButton, QMessageBox::No);
        QCOMPARE(shown[1].kind, Dialogs::Kind::ErrorBox);
        QCOMPARE(shown[1].text, u"CData: 空のデータセットには, この操作は実行できません."_s);
        QCOMPARE(shown[1].caption, u"Errorboxtest"_s);
        QCOMPARE(shown[1].icon, QMessageBox::Critical);
        QCOMPARE(shown[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // The loop goes on: the window still answers.
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::No));
        QTest::mouseClick(window.BDel, Qt::LeftButton);
        QCOMPARE(Dialogs::TakeShown().size(), 1u);
        QVERIFY(window.BDel->isEnabled());
    }

    // The error box of a failed handler belongs to the editor's window even
    // when the desktop counts another window active (or none, as Wayland
    // may), so that the desktop keeps it above the window and centres it
    // there; a box given the window is the window's transient child.
    void errorBoxBelongsToTheWindow() {
        const ruvo::test::DialogScope dialogs;
        ruvo::test::TestWindow window([] { return ruvo::VersionText(); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.SetWindowMode(ruvo::wmBrowse);
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        Dialogs::QueueAnswer(Dialogs::Answer::Button(QMessageBox::Yes));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(window.BDel, Qt::LeftButton);
        const auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(shown[0].parent, &window);
        QCOMPARE(shown[1].kind, Dialogs::Kind::ErrorBox);
        QCOMPARE(shown[1].parent, &window);

        const auto box = Dialogs::CreateMessageBox(&window, u"?"_s, QString(), QMessageBox::Ok,
                                                   QMessageBox::Critical, QMessageBox::Ok);
        box->show();
        QVERIFY(box->windowHandle());
        QCOMPARE(box->windowHandle()->transientParent(), window.windowHandle());
    }

    // A box's icon and the file dialog's buttons are drawn for the screen's
    // scale, not a smaller image blown up: at scale 2 (a run of its own)
    // they come from an icon theme with large enough sizes.
    void iconsDrawnForTheScale() {
        const auto box = Dialogs::CreateMessageBox(nullptr, u"?"_s, QString(), QMessageBox::Ok,
                                                   QMessageBox::Critical, QMessageBox::Ok);
        box->show();
        QCOMPARE(box->icon(), QMessageBox::Critical);
        const qreal scale = box->devicePixelRatio();
        QVERIFY2(box->iconPixmap().devicePixelRatio() >= std::min(scale, 1.5),
                 qPrintable(QString::number(box->iconPixmap().devicePixelRatio())));
        const auto open = Dialogs::CreateOpenDialog(nullptr);
        open->show();
        const auto buttons = open->findChildren<QToolButton*>();
        QVERIFY(!buttons.isEmpty());
        for (const QToolButton* button : buttons) {
            const QPixmap drawn = button->icon().pixmap(button->iconSize(), scale);
            QVERIFY2(drawn.isNull() || drawn.devicePixelRatio() >= std::min(scale, 1.5),
                     qPrintable(button->objectName()));
        }
        open->reject();
    }

    void dispatchCatchesWhatEscapes_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("shown");
        QTest::newRow("core failure") << 0 << u"項目 'X' が見つかりません."_s;
        QTest::newRow("UTF-8 message") << 1 << u"bad_alloc über."_s;
        QTest::newRow("Latin-1 message") << 2 << u"caf\u00e9."_s;
        QTest::newRow("text that code page 932 cannot hold") << 3 << u"「姓名」の「剝」."_s;
    }
    void dispatchCatchesWhatEscapes() {
        QFETCH(int, kind);
        QFETCH(QString, shown);
        const ruvo::test::DialogScope dialogs;
        Failing failing([kind] {
            switch (kind) {
            case 0:
                throw ruvo::Error("項目 'X' が見つかりません");
            case 1:
                throw std::runtime_error("bad_alloc \xC3\xBC"
                                         "ber");
            case 2:
                throw std::runtime_error("caf\xE9");
            default:
                throw ruvo::Cp932EncodeError("「姓名」の「剝」");
            }
        });
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&failing, &event);
        const auto boxes = Dialogs::TakeShown();
        QCOMPARE(boxes.size(), 1u);
        QCOMPARE(boxes.front().text, shown);
        QCOMPARE(boxes.front().caption, ruvo::ApplicationTitle());
    }

    void qtTextsInJapanese() {
        const auto box = Dialogs::CreateMessageBox(nullptr, u"?"_s, QString(),
                                                   QMessageBox::Yes | QMessageBox::No,
                                                   QMessageBox::Information, QMessageBox::No);
        QVERIFY2(box->button(QMessageBox::Yes)->text().contains(u"はい"_s),
                 qUtf8Printable(box->button(QMessageBox::Yes)->text()));
        QVERIFY(box->button(QMessageBox::No)->text().contains(u"いいえ"_s));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
        const auto open = Dialogs::CreateOpenDialog(nullptr);
        QVERIFY(open->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(open->fileMode(), QFileDialog::AnyFile);
        QVERIFY2(open->windowTitle() != u"Open"_s && !open->windowTitle().isEmpty(),
                 qUtf8Printable(open->windowTitle()));
    }

    // Under X11 Qt puts the application's name in a title bar whose title
    // is empty; the delete question's title bar shows no text.
    void emptyCaptionShowsNoText() {
        const auto box = Dialogs::CreateMessageBox(nullptr, u"?"_s, QString(),
                                                   QMessageBox::Yes | QMessageBox::No,
                                                   QMessageBox::Information, QMessageBox::No);
        box->show();
        QVERIFY(box->windowHandle());
        const QString title = box->windowHandle()->title();
        QVERIFY(!title.isEmpty());
        QVERIFY2(title.trimmed().isEmpty(), qUtf8Printable(title));
        QVERIFY(!title.contains(QCoreApplication::applicationName()));
    }
};

RUVO_UI_TEST_MAIN(ErrorBoxTest)
#include "ErrorBoxTest.moc"
