#pragma once

#include "core/reading/InputReading.h"

#include <QObject>
#include <QString>

#include <optional>

namespace ruvo {

class TFieldEdit;

// Gives the reading box the reading of the name as it was typed through the
// input method ("yamada", converted, committed: 山田 reads ﾔﾏﾀﾞ) when the
// focus leaves the name box, if the reading box is empty or still holds what
// this put there; what the user typed into it is never replaced.
class TReadingFollower : public QObject {
public:
    TReadingFollower(TFieldEdit* name, TFieldEdit* reading);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void NameEdited(const QString& text);
    void NameFilled();
    void NameLeft();

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
};

} // namespace ruvo
