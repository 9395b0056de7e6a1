// The main window's event handlers: what the window does.
#include "main.h"

#include "Cp932Text.h"
#include "Dialogs.h"
#include "Errors.h"
#include "TextHelpers.h"

#include <QApplication>
#include <QElapsedTimer>

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

// False only when the path is known to name nothing (a missing file or
// folder); an unreadable folder may hide a file.
bool PathMayExist(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0)
        return true;
    return errno != ENOENT && errno != ENOTDIR;
}

} // namespace

// Marks a file loop as running for as long as it lives. Meanwhile the grid
// learns of the table's changes at each pump, not at each entry: one notice
// per entry would cost far more than reading or writing it.
class TFRuvoTelEdit::FileLoopScope {
public:
    FileLoopScope(TFRuvoTelEdit& window, FileLoop loop) : window_(window) {
        window_.fileLoop_ = loop;
        window_.DS->BeginBulk();
    }
    ~FileLoopScope() {
        window_.DS->EndBulk();
        window_.fileLoop_ = FileLoop::None;
    }
    FileLoopScope(const FileLoopScope&) = delete;
    FileLoopScope& operator=(const FileLoopScope&) = delete;

private:
    TFRuvoTelEdit& window_;
};

MessagePump TFRuvoTelEdit::FilePump() {
    // Pumping before every line would cost more than the line itself; by
    // time the window stays live and the loop stays fast.
    // Even the clock is read only every few lines.
    QElapsedTimer sincePump;
    sincePump.start();
    unsigned calls = 0;
    return [this, sincePump, calls]() mutable {
        if (PumpInterval.count() > 0 && ++calls % 64 != 0)
            return;
        if (sincePump.elapsed() < PumpInterval.count())
            return;
        DS->FlushBulk();
        QCoreApplication::processEvents();
        if (OnPump)
            OnPump();
        sincePump.restart();
    };
}

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
    CData.ClearEntries();
    ClearEditBoxes();
    LCnt->setText(QString());
    SetWindowMode(1);
}

void TFRuvoTelEdit::FormClose(QObject*) {
    CData.CloseTable();
}

void TFRuvoTelEdit::FormKeyDown(QObject*, int& Key, Qt::KeyboardModifiers) {
    if (Key == Qt::Key_Escape) {
        if (EGroup->isEnabled()) {
            CData.DiscardEntry();
            ClearEditBoxes();
            SetWindowMode(2);
            DBG->setFocus();
        } else if (DBG->isEnabled()) {
            // Not while a file is read into the table.
            if (!FileLoopRunning()) {
                CData.ClearEntries();
                LCnt->setText(QString());
                SetWindowMode(1);
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
    if (FileLoopRunning())
        return;
    // With nothing to edit, the user starts the first entry instead.
    if (CData.EntryCount() == 0) {
        BNewClick(Sender);
        return;
    }
    SetBoxBytes(EGroup, CData.GetField(Field::Group));
    SetBoxBytes(EName, CData.GetField(Field::Name));
    SetBoxBytes(EKana, CData.GetField(Field::Kana));
    SetBoxBytes(ETel, CData.GetField(Field::Tel));
    CData.EditEntry();
    SetWindowMode(3);
    EGroup->setFocus();
}

void TFRuvoTelEdit::BOpenClick(QObject*) {
    // Not while a save runs: its entries are still being written.
    if (FileLoopRunning())
        return;
    const auto path = Dialogs::OpenDlg(this);
    if (!path)
        return;
    SetBusyCursor();
    SetWindowMode(2);
    FileName = *path;
    lastOpenReadWhole_ = false;
    MakeBackupCopy(FileName);
    try {
        const FileLoopScope reading(*this, FileLoop::Reading);
        ReadPhoneBookFile(FileName, Headers, CData, FilePump());
        lastOpenReadWhole_ = true;
    } catch (...) {
        // A close asked for while reading wins over the failure's message:
        // the entries would go with the window anyway.
        if (std::exchange(closePending_, false)) {
            close();
            return;
        }
        throw;
    }
    ShowEntryCount();
    DBG->setFocus();
    SetDefaultCursor();
    if (std::exchange(closePending_, false))
        close();
}

void TFRuvoTelEdit::BNewClick(QObject*) {
    if (FileLoopRunning())
        return;
    SetWindowMode(3);
    EGroup->setFocus();
    CData.AppendEntry();
}

void TFRuvoTelEdit::BCopyClick(QObject*) {
    if (FileLoopRunning())
        return;
    SetBoxBytes(EName, CData.GetField(Field::Name));
    SetBoxBytes(EKana, CData.GetField(Field::Kana));
    SetWindowMode(3);
    EGroup->setFocus();
    CData.AppendEntry();
}

void TFRuvoTelEdit::BDelClick(QObject*) {
    if (FileLoopRunning())
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
    const std::string group = ZeroPadDigits(BoxBytes(EGroup), 2);
    const std::string name = BoxBytes(EName);
    const std::string kana = BoxBytes(EKana);
    const std::string tel = BoxBytes(ETel);
    CData.SetField(Field::Group, group);
    CData.SetField(Field::Name, name);
    CData.SetField(Field::Kana, kana);
    CData.SetField(Field::Tel, tel);
    CData.CommitEntry();
    ClearEditBoxes();
    ShowEntryCount();
    SetWindowMode(2);
    DBG->setFocus();
}

void TFRuvoTelEdit::BSaveClick(QObject*) {
    // Not while a file is read: the file is not whole yet.
    if (FileLoopRunning())
        return;
    if (!lastOpenReadWhole_ && PathMayExist(FileName))
        throw Error(EncodeCp932(u"ファイルを最後まで読み込めなかったので、上書き保存はできません"_s)
                        .value());
    SetBusyCursor();
    SetWindowMode(1);
    try {
        const FileLoopScope writing(*this, FileLoop::Writing);
        WritePhoneBookFile(FileName, Headers, CData, FilePump());
    } catch (...) {
        // The entries are not saved: the window stays for them.
        closePending_ = false;
        throw;
    }
    CData.ClearEntries();
    SetDefaultCursor();
    if (std::exchange(closePending_, false))
        close();
}

void TFRuvoTelEdit::EGroupExit(QObject*) {
    SetBoxBytes(EGroup, ZeroPadDigits(BoxBytes(EGroup), 2));
}

void TFRuvoTelEdit::EGroupKeyPress(QObject*, char& Key) {
    NumericKeyFilter(Key, {});
}

void TFRuvoTelEdit::SetWindowMode(unsigned char Mode) {
    BOpen->setEnabled(Mode == 1);
    BNew->setEnabled(Mode == 2);
    BCopy->setEnabled(Mode == 2);
    BDel->setEnabled(Mode == 2);
    BSave->setEnabled(Mode == 2);
    DBG->setEnabled(Mode == 2);
    const bool edit = Mode != 1 && Mode != 2;
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
    SetBoxBytes(EGroup, {});
    SetBoxBytes(EName, {});
    SetBoxBytes(EKana, {});
    SetBoxBytes(ETel, {});
}

} // namespace ruvo
