#pragma once

#include "core/reading/InputReading.h"
#include "core/reading/ReadingGuess.h"

#include <QObject>
#include <QString>

#include <optional>

class QCompleter;
class QStringListModel;

namespace ruvo {

class TFieldEdit;

// Gives the reading box the reading of the name as it was typed through the
// input method ("yamada", converted, committed: 山田 reads ﾔﾏﾀﾞ) when the
// focus leaves the name box, if the reading box is empty or still holds what
// this put there; what the user typed into it is never replaced. A name with
// no reading from the input method (typed without it, pasted) gets the
// dictionary's proposal instead, selected when the reading box takes the
// focus so that typing replaces it, the other proposals in a drop-down.
class TReadingFollower : public QObject {
public:
    TReadingFollower(TFieldEdit* name, TFieldEdit* reading);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void NameEdited(const QString& text);
    void NameFilled();
    void NameLeft();
    void ReadingEntered();
    void Put(const std::string& readingUtf8);

    TFieldEdit* name_;
    TFieldEdit* reading_;
    reading::InputReading history_;
    // The name box's text as the history last saw it.
    QString seen_;
    // The preedit an input method event leaves after its commit, for the
    // history once the commit is taken.
    std::optional<QString> preeditAfterCommit_;
    bool preeditRemains_ = false;
    // What this put into the reading box, while it is still there.
    QString put_;
    // Loaded on the first name that needs it, off the start-up path.
    reading::ReadingGuesser guesser_;
    QStringListModel* proposals_;
    QCompleter* completer_;
};

} // namespace ruvo
