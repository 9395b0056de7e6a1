#include "ImeMode.h"

#include <QWidget>

namespace ruvo {

void SetImeMode(QWidget* box, TImeMode mode) {
    switch (mode) {
    case imClose:
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
        box->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhLatinOnly);
        break;
    case imHira:
        box->setAttribute(Qt::WA_InputMethodEnabled, true);
        box->setInputMethodHints(Qt::ImhNone);
        break;
    case imSKata:
        box->setAttribute(Qt::WA_InputMethodEnabled, true);
        box->setInputMethodHints(Qt::ImhNoPredictiveText);
        break;
    }
}

} // namespace ruvo
