#pragma once

#include "AutoSizeLabel.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "PhoneBookFile.h"
#include "PhoneBookTable.h"
#include "RuvoApplication.h"
#include "UAEdit.h"

#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo {

// Where the title's version text comes from (the program's own version
// record); empty gives an empty version text.
using VersionTextFunction = std::function<std::string()>;

// Lets a typed character through when it is Backspace, a digit 0 to 9, or
// one of the further characters; otherwise replaces it with 0.
void NumericKeyFilter(char& key, std::vector<char> furtherKeys);

// The main window: the phone-book editor. The layout and wiring live in
// main.cpp, the event handlers in mainHandlers.cpp.
class TFRuvoTelEdit : public QWidget, public TKeyPreview {
    Q_OBJECT

public:
    explicit TFRuvoTelEdit(VersionTextFunction versionText = {}, QWidget* parent = nullptr);
    ~TFRuvoTelEdit() override;

    // Controls, named as in the layout (also their object names).
    QToolButton* BOpen;
    QToolButton* BNew;
    QToolButton* BCopy;
    QToolButton* BDel;
    TAutoSizeLabel* LCnt;
    QToolButton* BSave;
    TUAEdit* EGroup;
    TUAEdit* EName;
    TUAEdit* EKana;
    TUAEdit* ETel;
    QPushButton* BRun;
    TDBGrid* DBG;

    // The phone-book table and the data link through which the grid shows it.
    PhoneBookTable CData;
    TDataSource* DS;

    // The file in use (bytes as the file system takes them) and the six
    // header lines of the file last opened.
    std::string FileName;
    HeaderLines Headers;

    // While a file is read or written the window processes its events every
    // PumpInterval (0: before every line), then calls OnPump (a test hook).
    std::chrono::milliseconds PumpInterval{25};
    std::function<void()> OnPump;
    // True while a file is being read or written.
    bool FileLoopRunning() const { return fileLoop_ != FileLoop::None; }

    // --- Text between the boxes and the table ---
    // Shows field bytes in a box and remembers them.
    void SetBoxBytes(TUAEdit* box, std::string_view bytes);
    // The box's text as code page 932 bytes: the bytes last put in when the
    // text is unchanged since, else the text converted. Throws
    // Cp932EncodeError naming the character and the box when a character
    // has no code page 932 form.
    std::string BoxBytes(TUAEdit* box) const;
    // The box's title for messages: the grid column title of its field.
    static QString BoxTitle(const TUAEdit* box);

    // --- Event handlers (mainHandlers.cpp) ---
    // Key codes are Qt's (Qt::Key_Return for both Enter keys); a key handler
    // that sets the key to 0 uses the key up. A character handler rejects a
    // character by setting it to 0.
    void FormShow(QObject* Sender);
    void FormClose(QObject* Sender);
    void FormKeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void DBGKeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void DBGDblClick(QObject* Sender);
    void BOpenClick(QObject* Sender);
    void BNewClick(QObject* Sender);
    void BCopyClick(QObject* Sender);
    void BDelClick(QObject* Sender);
    void BRunClick(QObject* Sender);
    void BSaveClick(QObject* Sender);
    void EGroupExit(QObject* Sender);
    void EGroupKeyPress(QObject* Sender, char& Key);
    void SetWindowMode(unsigned char Mode);
    void ShowEntryCount();
    void ClearEditBoxes();

    // The caption as laid out, before FormShow adds the version.
    static QString LayoutCaption();

    bool PreviewKeyPress(QWidget* receiver, QKeyEvent* event) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void WireEvents();
    void MoveToScreenCentre();
    // The character handler of a box, byte by byte; true when it rejected.
    bool FilterTypedText(QObject* box, const QString& text);

    struct BoxMemo {
        std::string bytes;
        QString shown;
    };
    std::map<const TUAEdit*, BoxMemo> boxMemo_;
    VersionTextFunction versionText_;
    bool shown_ = false;

    // The file loop running, and a close asked for meanwhile, which waits
    // for the loop to end.
    enum class FileLoop { None, Reading, Writing };
    FileLoop fileLoop_ = FileLoop::None;
    // False when the last open did not read its file to the end: a save
    // would then replace a file with only part of its entries.
    bool lastOpenReadWhole_ = false;
    bool closePending_ = false;
    class FileLoopScope;
    MessagePump FilePump();
};

} // namespace ruvo
