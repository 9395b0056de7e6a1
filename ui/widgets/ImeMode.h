#pragma once

namespace ruvo {

// Input-method mode of a text box, applied whenever the box has the focus.
// imClose: the input method is off; keys type straight into the box.
// imHira: the input method is on (the usual kana-kanji input).
// imSKata: the input method is on, and what it commits, like what is typed,
// enters as half-width katakana: no Linux input method can be switched to
// that mode, so the box converts.
enum TImeMode { imClose, imHira, imSKata };

} // namespace ruvo
