#include "ui/widgets/FieldEdit.h"

#include "ui/Cp932Text.h"

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

TFieldEdit::TFieldEdit(Field field, QWidget* parent) : TUAEdit(parent), field_(field) {}

QString TFieldEdit::Title() const {
    return QString::fromUtf8(FieldDefs()[static_cast<std::size_t>(field_)].caption);
}

void TFieldEdit::SetBytes(std::string_view bytes) {
    setText(DecodeCp932(bytes));
    filledBytes_ = std::string(bytes);
    filledText_ = text();
    emit Filled();
}

std::string TFieldEdit::Bytes() const {
    const QString current = text();
    if (current == filledText_)
        return filledBytes_;
    QString unencodable;
    if (auto bytes = EncodeCp932(current, &unencodable))
        return *std::move(bytes);
    QString codePoints;
    for (const char32_t c : unencodable.toUcs4())
        codePoints +=
            QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
    throw Cp932EncodeError(u"「%1」の文字「%2」(%3) は Shift-JIS で保存できません"_s
                               .arg(Title(), unencodable, codePoints)
                               .toStdString());
}

} // namespace ruvo
