#pragma once

#include <QLabel>

namespace ruvo {

// A right-aligned label that sizes itself to its text and keeps its right
// edge where the layout put it.
class TAutoSizeLabel : public QLabel {
    Q_OBJECT

public:
    // The label's right edge stays at rightEdge (exclusive) and its top at top.
    TAutoSizeLabel(const QString& text, int rightEdge, int top, QWidget* parent);

    // Hides QLabel::setText so that every caption change refits the label.
    void setText(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void FitToText();

    int rightEdge_;
    int top_;
};

} // namespace ruvo
