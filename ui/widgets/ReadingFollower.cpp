#include "ui/widgets/ReadingFollower.h"

#include "core/book/table/PhoneBookTable.h"
#include "core/text/Cp932.h"
#include "ui/widgets/FieldEdit.h"

#include <QEvent>
#include <QInputMethodEvent>

namespace ruvo {

TReadingFollower::TReadingFollower(TFieldEdit* name, TFieldEdit* reading)
    : QObject(name), name_(name), reading_(reading) {
    name_->installEventFilter(this);
    connect(name_, &TFieldEdit::textEdited, this, &TReadingFollower::NameEdited);
    connect(name_, &TFieldEdit::Filled, this, &TReadingFollower::NameFilled);
    // A reading the program puts in (an entry opened for editing) is the
    // entry's own, not this one's.
    connect(reading_, &TFieldEdit::Filled, this, [this] { put_.clear(); });
}

bool TReadingFollower::eventFilter(QObject* watched, QEvent* event) {
    if (watched != name_)
        return false;
    if (event->type() == QEvent::InputMethod) {
        const auto* im = static_cast<QInputMethodEvent*>(event);
        if (im->commitString().isEmpty()) {
            history_.Preedit(im->preeditString().toStdString());
        } else {
            // The box takes the commit (NameEdited) before the preedit that
            // remains belongs to anything.
            preeditAfterCommit_ = im->preeditString();
            preeditRemains_ = !im->preeditString().isEmpty();
        }
    } else if (event->type() == QEvent::FocusOut) {
        NameLeft();
    }
    return false;
}

void TReadingFollower::NameEdited(const QString& text) {
    if (text.startsWith(seen_) && name_->cursorPosition() == text.size() && text != seen_)
        history_.Commit(text.mid(seen_.size()).toStdString(), preeditRemains_);
    else
        history_.TextChanged(text.toStdString());
    seen_ = text;
    if (preeditAfterCommit_) {
        history_.Preedit(preeditAfterCommit_->toStdString());
        preeditAfterCommit_.reset();
    }
    preeditRemains_ = false;
}

void TReadingFollower::NameFilled() {
    // A name the program put in was not typed: no reading comes from it
    // until the box is emptied.
    seen_ = name_->text();
    history_.Clear();
    history_.TextChanged(seen_.toStdString());
}

void TReadingFollower::NameLeft() {
    const QString current = reading_->text();
    if (!current.isEmpty() && current != put_)
        return;
    const std::optional<std::string> reading = history_.Reading(name_->text().toStdString());
    if (!reading)
        return;
    const std::optional<std::string> bytes = cp932::FromUtf8(*reading);
    if (!bytes)
        return;
    reading_->SetBytes(FittedToField(Field::Kana, *bytes));
    put_ = reading_->text();
}

} // namespace ruvo
