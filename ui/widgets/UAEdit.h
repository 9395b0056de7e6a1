#pragma once

#include "ui/widgets/ImeMode.h"

#include <QClipboard>
#include <QLineEdit>

#include <cstdint>

namespace ruvo {

enum TAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// A single-line text box whose text sits at the left, at the right or in the
// centre. Under a right-to-left layout left and right swap, the centre stays.
class TUAEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int Alignment READ AlignmentValue WRITE SetAlignmentValue NOTIFY AlignmentChanged)

public:
    using QLineEdit::QLineEdit;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

    // Where the text is placed for an alignment value and reading order.
    static Qt::Alignment TextAlignment(TAlignment value, bool rightToLeft);

    // The box's input-method mode; takes effect at once, also while the
    // box has the focus.
    void SetImeMode(TImeMode mode);

    // What the box tells the platform: the input method is enabled only
    // while the box takes input and its mode is not imClose.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // Pastes the clipboard as one line (what the context menu and the keys
    // do): a phone-book value holds no TAB or line break.
    void PasteAsOneLine(QClipboard::Mode mode = QClipboard::Clipboard);

signals:
    void AlignmentChanged();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int AlignmentValue() const { return alignment_; }
    void SetAlignmentValue(int value) { SetAlignment(static_cast<TAlignment>(value)); }
    void ApplyAlignment();
    bool AcceptsInputMethod() const;

    TAlignment alignment_ = taLeftJustify;
    TImeMode imeMode_ = imHira;
};

} // namespace ruvo
