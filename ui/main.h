#pragma once

#include "core/book/PhoneBook.h"
#include "ui/RuvoApplication.h"
#include "ui/grid/DBGrid.h"
#include "ui/grid/DataSource.h"
#include "ui/grid/FileLoop.h"
#include "ui/widgets/AutoSizeLabel.h"
#include "ui/widgets/FieldEdit.h"
#include "ui/widgets/FindBox.h"

#include <QAction>
#include <QPageSize>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo {

namespace exchange {
struct ContactSource;
}

// Where the title's version text comes from (the program's own version
// record); empty gives an empty version text.
using VersionTextFunction = std::function<std::string()>;

// Lets a typed character through when it is Backspace, a digit 0 to 9, or
// one of the further characters; otherwise replaces it with 0.
void NumericKeyFilter(char& key, std::vector<char> furtherKeys);

// The window modes, by the value SetWindowMode takes.
enum TWindowMode : unsigned char { wmIdle = 1, wmBrowse = 2, wmEdit = 3 };
// The mode the window is in, as SetWindowMode set it last.
enum class WindowMode { Idle, Browse, Edit };

// The main window: the phone-book editor. The layout and wiring live in
// main.cpp, the event handlers in mainHandlers.cpp. Tests find the controls
// by their object names and reach the rest through Hooks().
class TFRuvoTelEdit : public QWidget, public TKeyPreview {
    Q_OBJECT

public:
    explicit TFRuvoTelEdit(VersionTextFunction versionText = {}, QWidget* parent = nullptr);
    ~TFRuvoTelEdit() override;

    // What tests and benchmarks reach besides the controls.
    struct TestHooks {
        PhoneBook& book;
        TFileLoop& fileLoop;
    };
    TestHooks Hooks();

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

    // --- Beyond the layout: find, contacts in and out, drops, shortcuts.
    // None of them works in edit mode or while a file is read or written.
    // Ctrl+F: the find box.
    void FindClick();
    // Ctrl+I: contacts from a vCard or CSV file become entries.
    void ImportClick();
    // Ctrl+E: the entries written as vCard or CSV.
    void ExportClick();
    // Ctrl+Shift+S: the book written under a name the user chooses, which
    // becomes the file in use.
    void SaveAsClick();
    // Ctrl+Z and Ctrl+Y (Ctrl+Shift+Z): a step back or forward through the
    // changes since the book was opened or saved. In idle mode an undo right
    // after Escape brings the entries and browse mode back.
    void UndoClick();
    void RedoClick();
    // Ctrl+P: the printed directory in a preview, to print or save as PDF.
    void PrintClick();

    // The caption as laid out, before FormShow adds the version.
    static QString LayoutCaption();

    bool PreviewKeyPress(QWidget* receiver, QKeyEvent* event) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void WireEvents();
    void CreateCommands();
    // The open's steps after the dialog, for a chosen or a dropped file.
    void OpenPath(const std::string& path);
    // False when path is plainly no phone book: it is refused, or its
    // contacts are brought into a new book if the user wants them.
    bool AcceptAsPhoneBook(const std::string& path);
    // Runs write (the book's Save or SaveAs) as the window's save. On
    // failure the window stays in browse mode with every entry.
    void SaveWith(const std::function<void(const MessagePump&)>& write);
    void ImportFrom(const std::string& path);
    // The contacts as new entries, one step of the history, and a summary.
    void ImportContactsOf(const exchange::ContactSource& source);
    void FindStep(bool forward, bool advance);
    // The directory of the entries written as a PDF where the user
    // chooses, on paper of the size given.
    void SaveDirectoryPdf(const QPageSize& paper);
    // The guard of every command: no file is being read or written and,
    // for a command of one mode, the window is in that mode.
    bool CommandsLive() const;
    bool CommandsLive(WindowMode mode) const;
    // What a drop would do: open (idle), import (browse), or nothing.
    enum class DropAction { None, Open, Import };
    DropAction DropActionFor(const QMimeData* mime, std::string* path = nullptr) const;
    void MoveToScreenCentre();
    // The character handler of a box, byte by byte; true when it rejected.
    bool FilterTypedText(QObject* box, const QString& text);

    // Declared in the order they must die in reverse: the grid before its
    // data link, the data link before the table it watches.
    PhoneBook book_;
    // The book's entries, by the name the handlers know them by.
    PhoneBookTable& CData = book_.Table();
    std::unique_ptr<TDataSource> DS;
    std::unique_ptr<TFileLoop> fileLoop_;

    // Controls, named as in the layout (also their object names); the
    // window owns them as its children.
    QToolButton* BOpen = nullptr;
    QToolButton* BNew = nullptr;
    QToolButton* BCopy = nullptr;
    QToolButton* BDel = nullptr;
    TAutoSizeLabel* LCnt = nullptr;
    QToolButton* BSave = nullptr;
    TFieldEdit* EGroup = nullptr;
    TFieldEdit* EName = nullptr;
    TFieldEdit* EKana = nullptr;
    TFieldEdit* ETel = nullptr;
    QPushButton* BRun = nullptr;
    std::unique_ptr<TDBGrid> DBG;
    TFindBox* findBox_ = nullptr;
    QAction* actOpen_ = nullptr;
    QAction* actSave_ = nullptr;
    QAction* actFind_ = nullptr;
    QAction* actImport_ = nullptr;
    QAction* actExport_ = nullptr;
    QAction* actSaveAs_ = nullptr;
    QAction* actUndo_ = nullptr;
    QAction* actRedo_ = nullptr;
    QAction* actPrint_ = nullptr;
    QAction* actFindNext_ = nullptr;
    QAction* actFindPrevious_ = nullptr;

    // The mode SetWindowMode set last (0 and values above 3 as edit mode):
    // what every handler asks, rather than reading it back from controls.
    WindowMode mode_ = WindowMode::Idle;
    VersionTextFunction versionText_;
    bool shown_ = false;
    // The folder of the last file imported in this session.
    QString importFolder_;
};

} // namespace ruvo
