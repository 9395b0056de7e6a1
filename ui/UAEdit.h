#pragma once

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

    // Pastes the clipboard as one line (what the context menu and the keys
    // do): a phone-book value holds no TAB or line break.
    void PasteAsOneLine(QClipboard::Mode mode = QClipboard::Clipboard);

signals:
    void AlignmentChanged();

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int AlignmentValue() const { return alignment_; }
    void SetAlignmentValue(int value) { SetAlignment(static_cast<TAlignment>(value)); }
    void ApplyAlignment();

    TAlignment alignment_ = taLeftJustify;
};

} // namespace ruvo
