#include "ui/widgets/ReadingFollower.h"

#include "core/book/table/PhoneBookTable.h"
#include "core/text/Cp932.h"
#include "ui/widgets/FieldEdit.h"

#include "core/text/HalfWidthKana.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QInputMethodEvent>
#include <QStringListModel>

namespace ruvo {

TReadingFollower::TReadingFollower(TFieldEdit* name, TFieldEdit* reading)
    : QObject(name), name_(name), reading_(reading), proposals_(new QStringListModel(this)),
      completer_(new QCompleter(proposals_, this)) {
    completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer_->setWidget(reading_);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& text) {
                reading_->setText(text);
                put_ = text;
            });
    name_->installEventFilter(this);
    reading_->installEventFilter(this);
    connect(name_, &TFieldEdit::textEdited, this, &TReadingFollower::NameEdited);
    connect(name_, &TFieldEdit::Filled, this, &TReadingFollower::NameFilled);
    // A reading the program puts in (an entry opened for editing) is the
    // entry's own, not this one's.
    connect(reading_, &TFieldEdit::Filled, this, [this] { put_.clear(); });
}

bool TReadingFollower::eventFilter(QObject* watched, QEvent* event) {
    if (watched == reading_) {
        if (event->type() == QEvent::FocusIn)
            ReadingEntered();
        return false;
    }
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
    proposals_->setStringList({});
    const std::string name = name_->text().toStdString();
    if (const std::optional<std::string> typed = history_.Reading(name)) {
        Put(*typed);
        return;
    }
    if (name.empty())
        return;
    QStringList offered;
    for (const std::string& proposal : guesser_.Propose(name))
        offered << QString::fromStdString(ToHalfWidthKana(proposal));
    if (offered.isEmpty())
        return;
    Put(offered.front().toStdString());
    proposals_->setStringList(offered);
}

void TReadingFollower::Put(const std::string& readingUtf8) {
    const std::optional<std::string> bytes = cp932::FromUtf8(readingUtf8);
    if (!bytes)
        return;
    reading_->SetBytes(FittedToField(Field::Kana, *bytes));
    put_ = reading_->text();
}

void TReadingFollower::ReadingEntered() {
    // A proposal is only a proposal: selected, so that typing replaces it,
    // with the others beneath.
    if (proposals_->rowCount() == 0 || reading_->text() != put_)
        return;
    reading_->selectAll();
    if (proposals_->rowCount() > 1)
        completer_->complete();
}

} // namespace ruvo
