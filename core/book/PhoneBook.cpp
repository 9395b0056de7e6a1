#include "core/book/PhoneBook.h"

#include "core/error/Errors.h"
#include "core/file/FileSystem.h"
#include "core/messages/MessageText.h"

namespace ruvo {

PhoneBook::PhoneBook(History history) : keepHistory_(history == History::Kept) {
    table_.OpenTable();
    table_.KeepHistory(keepHistory_);
}

void PhoneBook::Restart() {
    // Turning the history off drops what an Escape kept for its undo.
    table_.KeepHistory(false);
    table_.ClearEntries();
    table_.KeepHistory(keepHistory_);
}

void PhoneBook::StartUntitled() {
    Restart();
    path_.clear();
    headers_ = {};
    readWhole_ = true;
}

void PhoneBook::Open(const std::string& path, bool backup, const MessagePump& pump) {
    path_ = path;
    readWhole_ = false;
    // One book at a time: nothing of an earlier one stays in the table.
    table_.KeepHistory(false);
    struct HistoryAfter {
        PhoneBook& book;
        ~HistoryAfter() { book.table_.KeepHistory(book.keepHistory_); }
    } historyAfter{*this};
    table_.ClearEntries();
    if (backup) {
        MakeBackupCopy(path_);
    }
    ReadPhoneBookFile(path_, headers_, table_, pump);
    readWhole_ = true;
}

void PhoneBook::RefuseIfPartial(const std::string& path) const {
    if (readWhole_ || path_.empty()) {
        return;
    }
    if (path == path_ ? PathMayExist(path) : SameFile(path, path_)) {
        throw Error(std::string(messages::kPartialReadSave));
    }
}

void PhoneBook::Save(const MessagePump& pump) {
    RefuseIfPartial(path_);
    WriteTo(path_, pump);
}

void PhoneBook::SaveAs(const std::string& path, const MessagePump& pump) {
    RefuseIfPartial(path);
    MakeBackupCopy(path);
    WriteTo(path, pump);
}

void PhoneBook::MoveTo(const std::string& path) {
    path_ = path;
}

void PhoneBook::WriteTo(const std::string& path, const MessagePump& pump) {
    WritePhoneBookFile(path, headers_, table_, pump);
    path_ = path;
    readWhole_ = true;
    // The saved entries are the new starting point; turning the history off
    // forgets every step.
    table_.KeepHistory(false);
    table_.KeepHistory(keepHistory_);
}

} // namespace ruvo
