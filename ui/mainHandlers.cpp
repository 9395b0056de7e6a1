// The main window's event handlers: what the window does.
#include "ui/main.h"

#include "core/book/LineFormat.h"
#include "core/error/Errors.h"
#include "core/file/FileSystem.h"
#include "ui/Cp932Text.h"
#include "ui/Dialogs.h"

#include <QApplication>

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

namespace {

// The busy cursor is one state: setting it twice needs one reset only.
void SetBusyCursor() {
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void SetDefaultCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// True when the failure being handled says that a path's folder does not
// exist (the I/O message table's code 3). Call from a catch block.
bool FailedForMissingFolder() {
    try {
        throw;
    } catch (const EInOutError& failure) {
        return failure.code() == 3;
    } catch (...) {
        return false;
    }
}

} // namespace

void NumericKeyFilter(char& key, std::vector<char> furtherKeys) {
    if (key == 8)
        return;
    if (key >= '0' && key <= '9')
        return;
    for (const char allowed : furtherKeys)
        if (key == allowed)
            return;
    key = 0;
}

void TFRuvoTelEdit::FormShow(QObject*) {
    // The title: the caption as laid out, a full-width space, "Ver " and the
    // program's version text.
    const std::string caption = EncodeCp932(windowTitle()).value_or(std::string());
    const std::string version = versionText_ ? versionText_() : std::string();
    setWindowTitle(DecodeCp932(caption +
                               "\x81\x40"
                               "Ver " +
                               version));

    CData.OpenTable();
    // Empty, with nothing to undo: from here on every change can be taken
    // back.
    book_.Restart();
    ClearEditBoxes();
    LCnt->setText(QString());
    SetWindowMode(wmIdle);
}

void TFRuvoTelEdit::FormClose(QObject*) {
    CData.CloseTable();
}

void TFRuvoTelEdit::FormKeyDown(QObject*, int& Key, Qt::KeyboardModifiers) {
    if (Key == Qt::Key_Escape) {
        if (mode_ == WindowMode::Edit) {
            CData.DiscardEntry();
            ClearEditBoxes();
            SetWindowMode(wmBrowse);
            DBG->setFocus();
        } else if (mode_ == WindowMode::Browse) {
            // Not while a file is read into the table.
            if (CommandsLive()) {
                CData.ClearEntries();
                LCnt->setText(QString());
                SetWindowMode(wmIdle);
            }
        } else {
            // During a save the close waits for the save's end.
            close();
        }
    }
    const QWidget* focused = QApplication::focusWidget();
    if (!focused || focused->objectName() != u"DBG"_s) {
        if (Key == Qt::Key_Up)
            focusNextPrevChild(false);
        else if (Key == Qt::Key_Return)
            focusNextPrevChild(true);
    }
}

void TFRuvoTelEdit::DBGKeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers) {
    if (Key == Qt::Key_Return)
        DBGDblClick(Sender);
}

void TFRuvoTelEdit::DBGDblClick(QObject* Sender) {
    if (!CommandsLive())
        return;
    // With nothing to edit, the user starts the first entry instead.
    if (CData.EntryCount() == 0) {
        BNewClick(Sender);
        return;
    }
    EGroup->SetBytes(CData.GetField(Field::Group));
    EName->SetBytes(CData.GetField(Field::Name));
    EKana->SetBytes(CData.GetField(Field::Kana));
    ETel->SetBytes(CData.GetField(Field::Tel));
    CData.EditEntry();
    SetWindowMode(wmEdit);
    EGroup->setFocus();
}

void TFRuvoTelEdit::BOpenClick(QObject*) {
    // Not while a save runs: its entries are still being written.
    if (!CommandsLive())
        return;
    const auto path = Dialogs::OpenDlg(this);
    if (!path)
        return;
    OpenPath(*path);
}

void TFRuvoTelEdit::OpenPath(const std::string& path) {
    if (!AcceptAsPhoneBook(path))
        return;
    SetBusyCursor();
    SetWindowMode(wmBrowse);
    try {
        fileLoop_->Run(TFileLoop::Kind::Reading,
                       [&](const MessagePump& pump) { book_.Open(path, true, pump); });
    } catch (...) {
        // A close asked for while reading wins over the failure's message:
        // the entries would go with the window anyway.
        if (fileLoop_->TakeHeldClose()) {
            close();
            return;
        }
        // A name in a folder that does not exist can never be saved: no
        // entries are to be typed for it.
        if (FailedForMissingFolder())
            SetWindowMode(wmIdle);
        // The focus stays off the grid, which the user has not chosen: the
        // next Enter or Up must not edit or move its marked row. The window
        // keeps the focus itself, so that closing the error box gives it to
        // no control.
        setFocus(Qt::OtherFocusReason);
        throw;
    }
    ShowEntryCount();
    DBG->setFocus();
    SetDefaultCursor();
    if (fileLoop_->TakeHeldClose())
        close();
}

void TFRuvoTelEdit::BNewClick(QObject*) {
    if (!CommandsLive())
        return;
    SetWindowMode(wmEdit);
    EGroup->setFocus();
    CData.AppendEntry();
}

void TFRuvoTelEdit::BCopyClick(QObject*) {
    if (!CommandsLive())
        return;
    EName->SetBytes(CData.GetField(Field::Name));
    EKana->SetBytes(CData.GetField(Field::Kana));
    SetWindowMode(wmEdit);
    EGroup->setFocus();
    CData.AppendEntry();
}

void TFRuvoTelEdit::BDelClick(QObject*) {
    if (!CommandsLive())
        return;
    const auto answer = Dialogs::MessageBox(this, u"本当に削除していいですか？"_s, QString(),
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::Information, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    CData.DeleteEntry();
    ShowEntryCount();
}

void TFRuvoTelEdit::BRunClick(QObject*) {
    // Every box is converted before the first field is set: a text that
    // code page 932 cannot hold leaves the entry untouched.
    const std::string group = NormalizeGroup(EGroup->Bytes());
    const std::string name = EName->Bytes();
    const std::string kana = EKana->Bytes();
    const std::string tel = ETel->Bytes();
    CData.SetField(Field::Group, group);
    CData.SetField(Field::Name, name);
    CData.SetField(Field::Kana, kana);
    CData.SetField(Field::Tel, tel);
    CData.CommitEntry();
    ClearEditBoxes();
    ShowEntryCount();
    SetWindowMode(wmBrowse);
    DBG->setFocus();
}

void TFRuvoTelEdit::BSaveClick(QObject*) {
    // Not while a file is read: the file is not whole yet.
    if (!CommandsLive())
        return;
    // A book of imported contacts has no file yet.
    if (book_.Path().empty()) {
        SaveAsClick();
        return;
    }
    book_.RefuseIfPartial(book_.Path());
    SaveWith([&](const MessagePump& pump) { book_.Save(pump); });
}

void TFRuvoTelEdit::SaveAsClick() {
    if (!CommandsLive(WindowMode::Browse))
        return;
    // At the file in use, where the user is likely to keep its copies.
    const auto chosen =
        Dialogs::SaveDlg(this, Dialogs::PhoneBookFilters(), Dialogs::PathText(book_.Path()));
    if (!chosen)
        return;
    book_.RefuseIfPartial(chosen->path);
    SaveWith([&](const MessagePump& pump) { book_.SaveAs(chosen->path, pump); });
}

void TFRuvoTelEdit::SaveWith(const std::function<void(const MessagePump&)>& write) {
    SetBusyCursor();
    SetWindowMode(wmIdle);
    try {
        fileLoop_->Run(TFileLoop::Kind::Writing, write);
    } catch (...) {
        // Nothing is lost: the window stays in browse mode with every entry
        // where it was (the save only read them), so that the user can mend
        // the cause and save again, or save elsewhere. A close asked for
        // meanwhile is dropped for the same reason.
        fileLoop_->TakeHeldClose();
        SetWindowMode(wmBrowse);
        DBG->setFocus();
        SetDefaultCursor();
        throw;
    }
    // Saved, the window is idle with an empty table, as after a start.
    book_.Restart();
    SetDefaultCursor();
    if (fileLoop_->TakeHeldClose())
        close();
}

void TFRuvoTelEdit::EGroupExit(QObject*) {
    EGroup->SetBytes(NormalizeGroup(EGroup->Bytes()));
}

void TFRuvoTelEdit::EGroupKeyPress(QObject*, char& Key) {
    NumericKeyFilter(Key, {});
}

void TFRuvoTelEdit::SetWindowMode(unsigned char Mode) {
    mode_ = Mode == wmIdle     ? WindowMode::Idle
            : Mode == wmBrowse ? WindowMode::Browse
                               : WindowMode::Edit;
    BOpen->setEnabled(Mode == wmIdle);
    BNew->setEnabled(Mode == wmBrowse);
    BCopy->setEnabled(Mode == wmBrowse);
    BDel->setEnabled(Mode == wmBrowse);
    BSave->setEnabled(Mode == wmBrowse);
    DBG->setEnabled(Mode == wmBrowse);
    // Every other value, 0 included, gives the edit column.
    const bool edit = Mode != wmIdle && Mode != wmBrowse;
    if (Mode != wmBrowse && findBox_)
        findBox_->close();
    EGroup->setEnabled(edit);
    EName->setEnabled(edit);
    EKana->setEnabled(edit);
    ETel->setEnabled(edit);
    BRun->setEnabled(edit);
}

void TFRuvoTelEdit::ShowEntryCount() {
    LCnt->setText(QString::number(CData.EntryCount()) + u"件"_s);
}

void TFRuvoTelEdit::ClearEditBoxes() {
    EGroup->SetBytes({});
    EName->SetBytes({});
    EKana->SetBytes({});
    ETel->SetBytes({});
}

} // namespace ruvo
