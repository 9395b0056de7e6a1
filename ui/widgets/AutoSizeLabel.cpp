#include "ui/widgets/AutoSizeLabel.h"

#include <QEvent>

namespace ruvo {

TAutoSizeLabel::TAutoSizeLabel(const QString& text, int rightEdge, int top, QWidget* parent)
    : QLabel(text, parent), rightEdge_(rightEdge), top_(top) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMargin(0);
    setIndent(0);
    FitToText();
}

void TAutoSizeLabel::setText(const QString& text) {
    QLabel::setText(text);
    FitToText();
}

void TAutoSizeLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitToText();
}

void TAutoSizeLabel::FitToText() {
    const QFontMetrics metrics(font());
    const int width = metrics.horizontalAdvance(text());
    setGeometry(rightEdge_ - width, top_, width, metrics.height());
}

} // namespace ruvo
