#include "ui/main.h"

#include "ui/Cp932Text.h"
#include "ui/widgets/Cp932ByteLimit.h"
#include "ui/widgets/ReadingFollower.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

namespace {

template <class Control>
Control* Place(Control* control, const char* name, int x, int y, int w, int h) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(x, y, w, h);
    return control;
}

QToolButton* ToolButton(QWidget* parent, const char* name, const QString& text, int x, int w) {
    auto* button = Place(new QToolButton(parent), name, x, 8, w, 26);
    button->setText(text);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

constexpr int kGroupBytes = 2;

} // namespace

QString TFRuvoTelEdit::LayoutCaption() {
    return u"ルーヴォ 電話帳編集ソフト"_s;
}

TFRuvoTelEdit::TFRuvoTelEdit(VersionTextFunction versionText, QWidget* parent)
    : QWidget(parent), versionText_(std::move(versionText)) {
    setObjectName(u"FRuvoTelEdit"_s);
    setWindowTitle(LayoutCaption());
    // Controls keep their places: growing the window adds empty space,
    // shrinking it hides the right and bottom parts.
    resize(760, 700);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    QFont windowFont(u"ＭＳ 明朝"_s);
    windowFont.setPixelSize(16);
    windowFont.setWeight(QFont::Normal);
    windowFont.setStyle(QFont::StyleNormal);
    setFont(windowFont);

    CData.OpenTable();
    CreateControls();
    WireEvents();
    CreateCommands();
}

TFRuvoTelEdit::~TFRuvoTelEdit() = default;

TFRuvoTelEdit::TestHooks TFRuvoTelEdit::Hooks() {
    return {book_, *fileLoop_};
}

void TFRuvoTelEdit::CreateControls() {
    BOpen = ToolButton(this, "BOpen", u"ファイルオープン"_s, 8, 141);
    BNew = ToolButton(this, "BNew", u"新規データ"_s, 168, 97);
    BCopy = ToolButton(this, "BCopy", u"データコピー"_s, 276, 105);
    BDel = ToolButton(this, "BDel", u"データ削除"_s, 400, 97);
    LCnt = new TAutoSizeLabel(u"LCnt"_s, 567 + 32, 14, this);
    LCnt->setObjectName(u"LCnt"_s);
    BSave = ToolButton(this, "BSave", u"ファイル保存"_s, 636, 116);

    EGroup = Place(new TFieldEdit(Field::Group, this), "EGroup", 8, 48, 62, 24);
    EName = Place(new TFieldEdit(Field::Name, this), "EName", 76, 48, 241, 24);
    EKana = Place(new TFieldEdit(Field::Kana, this), "EKana", 320, 48, 241, 24);
    ETel = Place(new TFieldEdit(Field::Tel, this), "ETel", 567, 48, 135, 24);
    // The reading of a name typed through the input method goes to EKana.
    new TReadingFollower(EName, EKana);
    EGroup->SetAlignment(taCenter);
    EGroup->setValidator(new TCp932ByteLimit(kGroupBytes, EGroup));
    EGroup->SetImeMode(imClose);
    EName->SetImeMode(imHira);
    EKana->SetImeMode(imSKata);
    ETel->SetImeMode(imClose);

    BRun = Place(new QPushButton(u"実行"_s, this), "BRun", 708, 47, 44, 25);
    BRun->setAutoDefault(false);
    BRun->setDefault(false);

    DS = std::make_unique<TDataSource>(CData);
    DS->setObjectName(u"DS"_s);
    fileLoop_ = std::make_unique<TFileLoop>(*DS);
    DBG.reset(Place(new TDBGrid(this), "DBG", 11, 78, 741, 614));
    DBG->SetDataSource(DS.get());

    setTabOrder(EGroup, EName);
    setTabOrder(EName, EKana);
    setTabOrder(EKana, ETel);
    setTabOrder(ETel, BRun);
    setTabOrder(BRun, DBG.get());
}

void TFRuvoTelEdit::WireEvents() {
    const auto click = [this](QAbstractButton* button, void (TFRuvoTelEdit::*handler)(QObject*)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button, handler] { RunHandler([&] { (this->*handler)(button); }); });
    };
    click(BOpen, &TFRuvoTelEdit::BOpenClick);
    click(BNew, &TFRuvoTelEdit::BNewClick);
    click(BCopy, &TFRuvoTelEdit::BCopyClick);
    click(BDel, &TFRuvoTelEdit::BDelClick);
    click(BSave, &TFRuvoTelEdit::BSaveClick);
    click(BRun, &TFRuvoTelEdit::BRunClick);

    EGroup->installEventFilter(this);
    ETel->installEventFilter(this);
    BRun->installEventFilter(this);

    DBG->OnKeyDown = [this](int& key, Qt::KeyboardModifiers modifiers) {
        DBGKeyDown(DBG.get(), key, modifiers);
    };
    DBG->OnDblClick = [this] { DBGDblClick(DBG.get()); };
}

bool TFRuvoTelEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BRun && event->type() == QEvent::KeyPress) {
        // Qt's buttons move the focus with the arrow keys; this one does not.
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
            return true;
        default:
            break;
        }
    }
    if (watched == EGroup && event->type() == QEvent::FocusOut) {
        // A dialog or another program taking the focus does not leave the box.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            RunHandler([&] { EGroupExit(EGroup); });
    }
    if ((watched == EGroup || watched == ETel) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Tab is focus navigation, and Delete types no character, although
        // Qt reports characters for both.
        const bool typesCharacter = key->key() != Qt::Key_Delete && key->key() != Qt::Key_Tab &&
                                    key->key() != Qt::Key_Backtab;
        if (typesCharacter && FilterTypedText(watched, key->text()))
            return true;
    }
    if ((watched == EGroup || watched == ETel) && event->type() == QEvent::InputMethod) {
        // Text from an input method goes through the same filter, one
        // character at a time; the box gets what passes.
        auto* input = static_cast<QInputMethodEvent*>(event);
        QString kept;
        for (const char32_t c : input->commitString().toUcs4()) {
            const QString character = QString::fromUcs4(&c, 1);
            if (!FilterTypedText(watched, character))
                kept += character;
        }
        if (kept != input->commitString()) {
            QInputMethodEvent filtered(input->preeditString(), input->attributes());
            filtered.setCommitString(kept, input->replacementStart(), input->replacementLength());
            QCoreApplication::sendEvent(watched, &filtered);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TFRuvoTelEdit::FilterTypedText(QObject* box, const QString& text) {
    if (text.isEmpty())
        return false;
    // The handler sees code page 932 bytes; a character without a code page
    // 932 form reaches it as '?', as it would in an ANSI program.
    const std::string bytes = EncodeCp932(text).value_or(std::string(1, '?'));
    for (const char byte : bytes) {
        char key = byte;
        RunHandler([&] { EGroupKeyPress(box, key); });
        if (key == 0)
            return true;
    }
    return false;
}

bool TFRuvoTelEdit::PreviewKeyPress(QWidget* receiver, QKeyEvent* event) {
    const int qtKey = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    // A push button outside a dialog does not take Enter by itself.
    if (receiver == BRun && BRun->hasFocus() &&
        (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter) &&
        !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        BRun->click();
        return true;
    }
    // With the find box open, the first Escape anywhere in the window is
    // meant for it, whatever has the focus.
    if (qtKey == Qt::Key_Escape && findBox_->isVisible()) {
        findBox_->close();
        return true;
    }
    // The find box's text takes its keys as a text box does; its Enter and
    // F3 are its own, and the window's shortcuts still reach the window.
    if (findBox_->isAncestorOf(receiver))
        return false;
    // Tab and Shift+Tab stay the window's focus navigation.
    if (qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab)
        return false;
    int key = qtKey == Qt::Key_Enter ? int(Qt::Key_Return) : qtKey;
    RunHandler([&] { FormKeyDown(this, key, modifiers); });
    return key == 0;
}

void TFRuvoTelEdit::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    MoveToScreenCentre();
    RunHandler([&] { FormShow(this); });
}

void TFRuvoTelEdit::closeEvent(QCloseEvent* event) {
    // The table must outlive a running file loop: the close waits for its end.
    if (fileLoop_->Running()) {
        fileLoop_->HoldClose();
        event->ignore();
        return;
    }
    RunHandler([&] { FormClose(this); });
    event->accept();
}

void TFRuvoTelEdit::MoveToScreenCentre() {
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!where)
        return;
    const QRect available = where->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(available.center());
    // On a screen smaller than the window the title bar stays reachable.
    move(std::max(frame.left(), available.left()), std::max(frame.top(), available.top()));
}

} // namespace ruvo
