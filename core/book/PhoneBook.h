#pragma once

#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"

#include <string>

namespace ruvo {

// One phone book as the user works on it: the file in use, its six header
// lines, its entries with their undo history, and whether the last open
// read the file to its end. The window and ruvotel both keep their book in
// one, so that the rules of opening and saving live in one place.
class PhoneBook {
public:
    // Whether the table keeps its undo history: a window's book does, a
    // book a command opens, changes and saves at once needs none.
    enum class History { Kept, None };
    explicit PhoneBook(History history = History::Kept);

    PhoneBookTable& Table() { return table_; }
    const PhoneBookTable& Table() const { return table_; }
    // The file in use (bytes as the file system takes them); empty for a
    // book that has no file yet.
    const std::string& Path() const { return path_; }
    const HeaderLines& Headers() const { return headers_; }
    // False when the last open did not read its file to the end.
    bool ReadWhole() const { return readWhole_; }

    // Empties the table for another start, with the same file; the history
    // starts again.
    void Restart();
    // A new book without a file and without header lines, such as one of
    // contacts brought in: the first save needs a name.
    void StartUntitled();

    // Makes path the file in use and reads it: first a backup copy (when
    // asked), then the six header lines and every entry, into an emptied
    // table. The entries read are no step to undo; the history starts from
    // them, also after a failure. Throws EInOutError; the entries read
    // before a failure stay, and Save then refuses to replace the file.
    void Open(const std::string& path, bool backup = true, const MessagePump& pump = {});

    // Throws the refusal of a save to path when path names the file in use
    // and the last open did not read it to its end: the file there would be
    // replaced by part of its entries. (A name that the open found empty
    // and that is still free is no file to lose.)
    void RefuseIfPartial(const std::string& path) const;

    // Writes the book to the file in use, sorted, unless RefuseIfPartial
    // refuses. On success the history starts again from the entries saved;
    // on failure nothing changes.
    void Save(const MessagePump& pump = {});
    // Writes the book to path, which becomes the file in use, unless
    // RefuseIfPartial refuses. A file that is replaced keeps a backup copy,
    // as an opened one does.
    void SaveAs(const std::string& path, const MessagePump& pump = {});
    // Makes path the file in use without writing it: the next Save writes
    // there.
    void MoveTo(const std::string& path);

private:
    void WriteTo(const std::string& path, const MessagePump& pump);

    bool keepHistory_;
    PhoneBookTable table_;
    std::string path_;
    HeaderLines headers_;
    bool readWhole_ = true;
};

} // namespace ruvo
