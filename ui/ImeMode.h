#pragma once

class QWidget;

namespace ruvo {

// Input-method setting of a text box. Linux input methods take no orders
// from the application; the closest Qt offers is to switch input-method
// support off for a box, or on with hints.
enum TImeMode { imClose, imHira, imSKata };

// imClose: no input method for the box, keys type directly.
// imHira: input method on, no restriction (the usual kana-kanji input).
// imSKata: input method on, asking for katakana without prediction.
void SetImeMode(QWidget* box, TImeMode mode);

} // namespace ruvo
