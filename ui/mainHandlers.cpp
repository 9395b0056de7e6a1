// The main window's event handlers: what the window does.
#include "main.h"

#include "Cp932Text.h"
#include "Dialogs.h"
#include "TextHelpers.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

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
            CData.ClearEntries();
            LCnt->setText(QString());
            SetWindowMode(1);
        } else {
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

void TFRuvoTelEdit::DBGDblClick(QObject*) {
    SetBoxBytes(EGroup, CData.GetField("Group"));
    SetBoxBytes(EName, CData.GetField("Name"));
    SetBoxBytes(EKana, CData.GetField("Kana"));
    SetBoxBytes(ETel, CData.GetField("Tel"));
    CData.EditEntry();
    SetWindowMode(3);
    EGroup->setFocus();
}

void TFRuvoTelEdit::BOpenClick(QObject*) {
    const auto path = Dialogs::OpenDlg(this);
    if (!path)
        return;
    SetWindowMode(2);
    FileName = *path;
    MakeBackupCopy(FileName);
    ReadPhoneBookFile(FileName, Headers, CData, [] { QCoreApplication::processEvents(); });
    ShowEntryCount();
    DBG->setFocus();
}

void TFRuvoTelEdit::BNewClick(QObject*) {
    SetWindowMode(3);
    EGroup->setFocus();
    CData.AppendEntry();
}

void TFRuvoTelEdit::BCopyClick(QObject*) {
    SetBoxBytes(EName, CData.GetField("Name"));
    SetBoxBytes(EKana, CData.GetField("Kana"));
    SetWindowMode(3);
    EGroup->setFocus();
    CData.AppendEntry();
}

void TFRuvoTelEdit::BDelClick(QObject*) {
    const auto answer = Dialogs::MessageBox(this, u"本当に削除していいですか？"_s, QString(),
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::Information, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    CData.DeleteEntry();
    ShowEntryCount();
}

void TFRuvoTelEdit::BRunClick(QObject*) {
    CData.SetField("Group", ZeroPadDigits(BoxBytes(EGroup), 2));
    CData.SetField("Name", BoxBytes(EName));
    CData.SetField("Kana", BoxBytes(EKana));
    CData.SetField("Tel", BoxBytes(ETel));
    CData.CommitEntry();
    ClearEditBoxes();
    ShowEntryCount();
    SetWindowMode(2);
    DBG->setFocus();
}

void TFRuvoTelEdit::BSaveClick(QObject*) {
    SetWindowMode(1);
    WritePhoneBookFile(FileName, Headers, CData, [] { QCoreApplication::processEvents(); });
    CData.ClearEntries();
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
