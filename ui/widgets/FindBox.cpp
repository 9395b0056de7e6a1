#include "ui/widgets/FindBox.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

TFindBox::TFindBox(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), owner_(owner) {
    setObjectName(u"FindBox"_s);
    // The window's face, as every control of it has.
    setAttribute(Qt::WA_WindowPropagation);
    setWindowTitle(u"検索"_s);
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
        adjustSize();
        PlaceBesideOwner();
    }
    show();
    raise();
    activateWindow();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

void TFindBox::PlaceBesideOwner() {
    // Below the main window, so that none of its controls is covered; above
    // it when there is no room below; on a screen too small for either, at
    // the screen's bottom edge.
    const QRect frame = owner_->window()->frameGeometry();
    const QScreen* screen = owner_->screen() ? owner_->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const int boxHeight = frameGeometry().height();
    QPoint at(frame.left(), frame.bottom() + 1);
    if (available.isValid() && at.y() + boxHeight > available.bottom() + 1) {
        if (frame.top() - boxHeight >= available.top())
            at.setY(frame.top() - boxHeight);
        else
            at.setY(available.bottom() + 1 - boxHeight);
    }
    move(at);
}

bool TFindBox::eventFilter(QObject* watched, QEvent* event) {
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
    return QWidget::eventFilter(watched, event);
}

void TFindBox::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Closed();
}

} // namespace ruvo
