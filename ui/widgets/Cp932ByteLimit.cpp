#include "ui/widgets/Cp932ByteLimit.h"

#include "ui/Cp932Text.h"

namespace ruvo {

TCp932ByteLimit::TCp932ByteLimit(int maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State TCp932ByteLimit::validate(QString& input, int& pos) const {
    // pos is the cursor after an edit, which ends the inserted text; drop
    // characters before it until the text fits.
    while (Cp932Length(input) > maxBytes_) {
        if (pos <= 0 || pos > input.size())
            return Invalid;
        const int length =
            (pos >= 2 && input.at(pos - 1).isLowSurrogate() && input.at(pos - 2).isHighSurrogate())
                ? 2
                : 1;
        input.remove(pos - length, length);
        pos -= length;
    }
    return Acceptable;
}

} // namespace ruvo
