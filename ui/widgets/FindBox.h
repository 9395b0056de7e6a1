#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace ruvo {

// The find box: a small tool window beside the main window, with the text
// to find and a note on the last search (went round the end, no match). It
// finds nothing itself: it asks, and the window answers with Show().
class TFindBox : public QWidget {
    Q_OBJECT

public:
    explicit TFindBox(QWidget* owner);

    QString Text() const;
    // Shows the note under the text ("" for none).
    void SetNote(const QString& note);
    QString Note() const;
    // Opens beside the owner's window, the text selected for typing over.
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
    void PlaceBesideOwner();

    QWidget* owner_;
    QLineEdit* text_;
    QLabel* note_;
};

} // namespace ruvo
