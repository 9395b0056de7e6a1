#include "ui/widgets/FindBox.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

TFindBox::TFindBox(QWidget* owner, QWidget* covered)
    : QFrame(owner), owner_(owner), covered_(covered) {
    setObjectName(u"FindBox"_s);
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);
    hide();
    text_ = new QLineEdit(this);
    text_->setObjectName(u"FindText"_s);
    text_->setPlaceholderText(u"姓名・フリガナ・電話番号"_s);
    text_->setMinimumWidth(240);
    text_->installEventFilter(this);
    note_ = new QLabel(this);
    note_->setObjectName(u"FindNote"_s);
    note_->setMinimumWidth(180);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(new QLabel(u"検索:"_s, this));
    layout->addWidget(text_);
    layout->addWidget(note_);
    connect(text_, &QLineEdit::textEdited, this, [this] { emit SearchRequested(true, false); });
    owner_->installEventFilter(this);
}

QString TFindBox::Text() const {
    return text_->text();
}

void TFindBox::SetNote(const QString& note) {
    note_->setText(note);
}

QString TFindBox::Note() const {
    return note_->text();
}

void TFindBox::Open() {
    SetNote({});
    if (!isVisible()) {
        coveredPlace_ = covered_->geometry();
        show();
        Place();
    }
    raise();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

void TFindBox::Place() {
    const int height = sizeHint().height();
    int bottom = std::min(coveredPlace_.bottom(), owner_->height() - 1);
    // A window taller than its screen (a small screen, or a large scale)
    // has the bar where the screen ends, not under its edge.
    if (const QScreen* screen = owner_->screen())
        bottom =
            std::min(bottom, owner_->mapFromGlobal(screen->availableGeometry().bottomLeft()).y());
    const int top = std::max(bottom + 1 - height, 0);
    setGeometry(coveredPlace_.left(), top, coveredPlace_.width(), height);
    QRect rest = coveredPlace_;
    rest.setBottom(std::max(top - 1, rest.top()));
    covered_->setGeometry(rest);
}

bool TFindBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && isVisible() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        Place();
    if (watched == text_ && event->type() == QEvent::ShortcutOverride) {
        // The text box would take Ctrl+E for the end of the line; here it
        // is the window's export, as Ctrl+S is its save.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_E && key->modifiers() == Qt::ControlModifier) {
            event->ignore();
            return true;
        }
    }
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool shift = key->modifiers().testFlag(Qt::ShiftModifier);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit SearchRequested(!shift, true);
            return true;
        case Qt::Key_F3:
            emit SearchRequested(!shift, true);
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void TFindBox::closeEvent(QCloseEvent* event) {
    QFrame::closeEvent(event);
    // The window closes the box on every change of mode, open or not.
    if (coveredPlace_.isValid())
        covered_->setGeometry(std::exchange(coveredPlace_, QRect()));
    emit Closed();
}

} // namespace ruvo
