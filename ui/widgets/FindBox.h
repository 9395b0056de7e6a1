#pragma once

#include <QFrame>
#include <QRect>

class QLabel;
class QLineEdit;

namespace ruvo {

// The find box: a bar inside the window over the bottom of a control (the
// grid), with the text to find and a note on the last search (went round
// the end, no match). The control gives up the bar's height while it is
// open, so that none of its rows is hidden under it; a bar of the window
// itself, not a window of its own, it goes wherever the window goes on
// every desktop. It finds nothing itself: it asks, and the window answers.
class TFindBox : public QFrame {
    Q_OBJECT

public:
    TFindBox(QWidget* owner, QWidget* covered);

    QString Text() const;
    // Shows the note under the text ("" for none).
    void SetNote(const QString& note);
    QString Note() const;
    // Opens over the bottom of the covered control, the text selected for
    // typing over.
    void Open();

signals:
    // forward: the direction; advance: from the entry after (or before)
    // the current one, not from the current one itself.
    void SearchRequested(bool forward, bool advance);
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Takes the bottom of the covered control's place, or of what the
    // window shows of it when the window is smaller than its layout.
    void Place();

    QWidget* owner_;
    QWidget* covered_;
    QRect coveredPlace_; // the control's geometry while the bar is closed
    QLineEdit* text_;
    QLabel* note_;
};

} // namespace ruvo
