#include "UAEdit.h"

#include <QEvent>

namespace ruvo {

Qt::Alignment TUAEdit::TextAlignment(TAlignment value, bool rightToLeft) {
    // Rows: reading order; columns: taLeftJustify, taRightJustify, taCenter.
    static constexpr Qt::AlignmentFlag kTable[2][3] = {
        {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter},
        {Qt::AlignRight, Qt::AlignLeft, Qt::AlignHCenter},
    };
    const int column = value <= taCenter ? value : taLeftJustify;
    // Absolute: the table has already decided left and right; Qt must not
    // mirror them again.
    return kTable[rightToLeft ? 1 : 0][column] | Qt::AlignAbsolute | Qt::AlignVCenter;
}

void TUAEdit::SetAlignment(TAlignment value) {
    if (value == alignment_)
        return;
    alignment_ = value;
    ApplyAlignment();
    emit AlignmentChanged();
}

void TUAEdit::ApplyAlignment() {
    setAlignment(TextAlignment(alignment_, layoutDirection() == Qt::RightToLeft));
}

void TUAEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LayoutDirectionChange)
        ApplyAlignment();
    QLineEdit::changeEvent(event);
}

} // namespace ruvo
