#pragma once

#include <QValidator>

namespace ruvo {

// Keeps a line edit's text within a number of code page 932 bytes, typed or
// pasted: what does not fit is cut from the text just inserted, as far as
// needed, so the part that fits stays.
class TCp932ByteLimit : public QValidator {
    Q_OBJECT

public:
    explicit TCp932ByteLimit(int maxBytes, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

private:
    int maxBytes_;
};

} // namespace ruvo
