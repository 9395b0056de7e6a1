#pragma once

#include <QMessageBox>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace ruvo {

// Thin wrappers around the program's modal dialogs. In test mode no dialog
// opens: each call takes the next queued answer instead, and records what it
// would have shown.
namespace Dialogs {

enum class Kind { MessageBox, ErrorBox, OpenFile, SaveFile, Summary, PrintPreview };

// Yes/No/OK... answer of a message box, with its icon and default button.
QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& text, const QString& caption,
                                       QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                       QMessageBox::StandardButton defaultButton);

// The error box: error icon, one OK button.
void ErrorBox(QWidget* parent, const QString& text, const QString& caption);

// A path as the file system takes it (bytes) and as the user reads it.
QString PathText(const std::string& path);
std::string PathBytes(const QString& path);

// The file filters of the dialogs that open and save phone books: phone
// books (*.txt), and all files.
QStringList PhoneBookFilters();

// The file-open dialog (phone books listed, or every file); the chosen path
// as the bytes the file system uses, or nothing when cancelled.
std::optional<std::string> OpenDlg(QWidget* parent);

// An information box with one OK button and a details section (hidden until
// the user asks for it).
void Summary(QWidget* parent, const QString& text, const QString& caption, const QString& details);

// The import's file-open dialog, titled インポート: the filters given (the
// first is selected) and all files, opening in startFolder (empty for the
// platform's default).
std::optional<std::string> OpenContactsDlg(QWidget* parent, const QStringList& filters,
                                           const QString& startFolder = {});

// A save dialog that asks before it overwrites; filters name the formats
// to choose from. The chosen path and the index of the chosen filter.
struct SaveChoice {
    std::string path;
    int filter = 0;
};
// It opens at startAt: a file's path (its folder, the name filled in) or a
// folder's; empty for the platform's default.
std::optional<SaveChoice> SaveDlg(QWidget* parent, const QStringList& filters,
                                  const QString& startAt = {});

// The print preview (zoom, pages, page setup, printing, printing to a PDF
// file) of what paint draws on the printer it is given, and a button
// 「PDF に保存…」 that runs savePdf; modal, over parent.
using PaintOnPrinter = std::function<void(QPrinter& printer)>;
void PrintPreview(QWidget* parent, QPrinter& printer, const PaintOnPrinter& paint,
                  const std::function<void()>& savePdf);

// The preview as PrintPreview shows it, for a look at it.
std::unique_ptr<QPrintPreviewDialog> CreatePrintPreview(QWidget* parent, QPrinter& printer,
                                                        const PaintOnPrinter& paint,
                                                        const std::function<void()>& savePdf);

// The message box as MessageBox shows it, for a look at its buttons.
std::unique_ptr<QMessageBox> CreateMessageBox(QWidget* parent, const QString& text,
                                              const QString& caption,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::Icon icon,
                                              QMessageBox::StandardButton defaultButton);

// The open dialog as OpenDlg shows it: Qt's own (so that its texts follow
// the program's translation), one file of any name, existing or not.
std::unique_ptr<QFileDialog> CreateOpenDialog(QWidget* parent);

// --- Test hook ---

struct Answer {
    Kind kind;
    QMessageBox::StandardButton button = QMessageBox::NoButton;
    std::optional<std::string> path;
    int filter = 0;
    // Runs while the dialog "is open", before the answer is given.
    std::function<void()> during;

    static Answer Button(QMessageBox::StandardButton button) {
        return {Kind::MessageBox, button, std::nullopt, 0, {}};
    }
    static Answer ErrorOk() { return {Kind::ErrorBox, QMessageBox::Ok, std::nullopt, 0, {}}; }
    static Answer File(std::string path) { return {Kind::OpenFile, {}, std::move(path), 0, {}}; }
    static Answer SaveTo(std::string path, int filter) {
        return {Kind::SaveFile, {}, std::move(path), filter, {}};
    }
    static Answer SummaryOk() { return {Kind::Summary, QMessageBox::Ok, std::nullopt, 0, {}}; }
    static Answer FileCancelled() { return {Kind::OpenFile, {}, std::nullopt, 0, {}}; }
    // The preview printed to a PDF file at path (what its print dialog's
    // "print to file" writes), then closed.
    static Answer PreviewPrintedTo(std::string path) {
        return {Kind::PrintPreview, QMessageBox::Ok, std::move(path), 0, {}};
    }
    // 「PDF に保存…」 pressed in the preview, then the preview closed.
    static Answer PreviewSavedAsPdf() {
        return {Kind::PrintPreview, QMessageBox::Save, std::nullopt, 0, {}};
    }
    // The preview closed with nothing done.
    static Answer PreviewClosed() {
        return {Kind::PrintPreview, QMessageBox::Close, std::nullopt, 0, {}};
    }
};

struct Shown {
    Kind kind;
    QString text; // a save or import dialog's: where it opens; a preview's: its title
    QString caption;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QWidget* parent = nullptr;
    QString details;     // a summary's details
    QStringList filters; // a file dialog's filters
};

// Test mode on or off; switching clears the queue and the record.
void SetTestMode(bool on);
bool TestMode();
void QueueAnswer(Answer answer);
std::size_t PendingAnswers();
// Every dialog asked for since the last call, in order.
std::vector<Shown> TakeShown();
// Called when a dialog is asked for that no suitable answer was queued for;
// the dialog then answers No / Cancel without opening.
void SetUnexpectedHandler(std::function<void(const QString& description)> handler);

} // namespace Dialogs

} // namespace ruvo
