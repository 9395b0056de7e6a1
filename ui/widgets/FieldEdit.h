#pragma once

#include "core/book/table/PhoneBookTable.h"
#include "ui/widgets/UAEdit.h"

#include <string>
#include <string_view>

namespace ruvo {

// A box for one field of the table. It gives back exactly the bytes it was
// filled with while its text is unchanged, so a value that does not survive
// the way through Unicode (bytes that are no character, the NEC and IBM
// duplicates) is stored as it was read.
class TFieldEdit : public TUAEdit {
    Q_OBJECT

public:
    TFieldEdit(Field field, QWidget* parent = nullptr);

    // The box's title for messages: the grid column title of its field.
    QString Title() const;

    // Shows field bytes and remembers them.
    void SetBytes(std::string_view bytes);
    // The text as code page 932 bytes: the bytes last put in when the text
    // is unchanged since, else the text converted. Throws Cp932EncodeError
    // naming the character and the box when a character has no code page
    // 932 form.
    std::string Bytes() const;

signals:
    // SetBytes put a value in (the program, not the user).
    void Filled();

private:
    Field field_;
    std::string filledBytes_;
    QString filledText_;
};

} // namespace ruvo
