// What the window offers beyond its laid-out controls: the find box,
// contacts in and out, files dropped on it, and keyboard shortcuts. None of
// it changes what the controls do.
#include "ui/main.h"

#include "core/exchange/ContactExport.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContactReader.h"
#include "core/exchange/FileKind.h"
#include "core/file/FileSystem.h"
#include "core/file/SafeWrite.h"
#include "core/find/EntryFinder.h"
#include "print/DirectoryPrint.h"
#include "ui/Dialogs.h"
#include "ui/RunHandler.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

namespace {

const QStringList kContactFilters = {u"vCard (*.vcf *.vcard)"_s, u"CSV (*.csv)"_s};

struct ExportChoice {
    QString filter;
    exchange::ExportFormat format;
};
const ExportChoice kExportChoices[] = {
    {u"vCard 3.0 (*.vcf)"_s, exchange::ExportFormat::VCard},
    {u"vCard 2.1 Shift-JIS (*.vcf)"_s, exchange::ExportFormat::VCard21},
    {u"Google CSV (*.csv)"_s, exchange::ExportFormat::Google},
    {u"CSV コードページ 932 (*.csv)"_s, exchange::ExportFormat::Csv},
};

// By its name, else by its content: contacts saved as .txt come in too.
bool IsContactsFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"vcf"_s || suffix == u"vcard"_s || suffix == u"csv"_s)
        return true;
    const exchange::FileKind kind = exchange::KindOfFile(Dialogs::PathBytes(path));
    return kind == exchange::FileKind::VCard || kind == exchange::FileKind::ContactsCsv;
}

} // namespace

void TFRuvoTelEdit::CreateCommands() {
    const auto command = [this](QAction*& action, const QString& text, const QKeySequence& keys,
                                auto handler) {
        action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, handler] { RunHandler([&] { handler(); }); });
        addAction(action);
    };
    // Ctrl+O and Ctrl+S are clicks on their buttons, and only while those
    // are enabled.
    command(actOpen_, u"ファイルオープン…"_s, QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        if (mode_ == WindowMode::Idle)
            BOpen->click();
    });
    command(actSave_, u"ファイル保存"_s, QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (mode_ == WindowMode::Browse)
            BSave->click();
    });
    command(actFind_, u"検索"_s, QKeySequence(Qt::CTRL | Qt::Key_F), [this] { FindClick(); });
    command(actImport_, u"インポート…"_s, QKeySequence(Qt::CTRL | Qt::Key_I),
            [this] { ImportClick(); });
    command(actExport_, u"エクスポート…"_s, QKeySequence(Qt::CTRL | Qt::Key_E),
            [this] { ExportClick(); });
    command(actSaveAs_, u"名前を付けて保存…"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
            [this] { SaveAsClick(); });
    command(actUndo_, u"元に戻す"_s, QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { UndoClick(); });
    command(actRedo_, u"やり直し"_s, QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { RedoClick(); });
    actRedo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    command(actPrint_, u"印刷…"_s, QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PrintClick(); });
    // F3 and Shift+F3 find on from the grid too; inside the find box they
    // reach the same commands.
    command(actFindNext_, u"次を検索"_s, QKeySequence(Qt::Key_F3), [this] {
        if (CommandsLive(WindowMode::Browse))
            FindStep(true, true);
    });
    command(actFindPrevious_, u"前を検索"_s, QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] {
        if (CommandsLive(WindowMode::Browse))
            FindStep(false, true);
    });

    findBox_ = new TFindBox(this, DBG.get());
    connect(findBox_, &TFindBox::SearchRequested, this, [this](bool forward, bool advance) {
        RunHandler([&] { FindStep(forward, advance); });
    });
    connect(findBox_, &TFindBox::Closed, this, [this] {
        activateWindow();
        if (mode_ == WindowMode::Browse)
            DBG->setFocus();
    });
    setAcceptDrops(true);
}

bool TFRuvoTelEdit::CommandsLive() const {
    return !fileLoop_->Running();
}

bool TFRuvoTelEdit::CommandsLive(WindowMode mode) const {
    return mode_ == mode && CommandsLive();
}

void TFRuvoTelEdit::FindClick() {
    if (CommandsLive(WindowMode::Browse))
        findBox_->Open();
}

void TFRuvoTelEdit::FindStep(bool forward, bool advance) {
    if (!CommandsLive(WindowMode::Browse))
        return;
    const FindPattern pattern(findBox_->Text().toStdString());
    const int rows = DS->rowCount();
    if (pattern.Empty() || rows == 0) {
        findBox_->SetNote({});
        return;
    }
    const int current = std::max(DS->CurrentRow(), 0);
    const auto found = FindRow(CData, pattern, static_cast<std::size_t>(current), forward, advance);
    if (!found) {
        findBox_->SetNote(u"見つかりません"_s);
        return;
    }
    findBox_->SetNote(!found->wrapped ? QString()
                      : forward       ? u"先頭から検索しました"_s
                                      : u"末尾から検索しました"_s);
    DS->MoveTo(static_cast<int>(found->row) + 1);
}

void TFRuvoTelEdit::ImportClick() {
    if (!CommandsLive(WindowMode::Browse))
        return;
    // Where the last import came from, else beside the book: contact files
    // tend to be fetched to one place. Kept for the session only, so that
    // the editor writes no settings.
    const QString start = !importFolder_.isEmpty() ? importFolder_
                          : book_.Path().empty()
                              ? QString()
                              : QFileInfo(Dialogs::PathText(book_.Path())).absolutePath();
    if (const auto path = Dialogs::OpenContactsDlg(this, kContactFilters, start)) {
        importFolder_ = QFileInfo(Dialogs::PathText(*path)).absolutePath();
        ImportFrom(*path);
    }
}

void TFRuvoTelEdit::ImportFrom(const std::string& path) {
    ImportContactsOf(exchange::ReadContactsFile(path));
}

void TFRuvoTelEdit::ImportContactsOf(const exchange::ContactSource& source) {
    // The entries are committed as new entries are, the last one current,
    // as one step of the history; the file is not saved.
    CData.BeginStep();
    exchange::ImportReport report;
    try {
        // A contact without a reading gets the dictionary's, reported.
        exchange::ImportOptions options;
        options.guessReadings = true;
        report = exchange::ImportContacts(CData, source, options);
    } catch (...) {
        CData.EndStep();
        throw;
    }
    CData.EndStep();
    ShowEntryCount();
    DBG->setFocus();
    QStringList details;
    for (const auto& line : report.lines)
        details << QString::fromStdString(exchange::FormatReportLine(line));
    Dialogs::Summary(
        this,
        u"%1 件をインポートしました。スキップ %2 件、切り詰め %3 件。"_s.arg(report.imported)
            .arg(report.skipped)
            .arg(report.cut),
        ApplicationTitle(), details.join(u'\n'));
}

bool TFRuvoTelEdit::AcceptAsPhoneBook(const std::string& path) {
    try {
        exchange::RefuseIfNotPhoneBook(path);
        return true;
    } catch (const exchange::ENotAPhoneBook& refusal) {
        if (refusal.kind() == exchange::FileKind::NotText)
            throw;
        const QString question = QString::fromUtf8(refusal.what()) +
                                 u"。\n\nその連絡先を新しい電話帳にインポートしますか？"_s;
        if (Dialogs::MessageBox(this, question, ApplicationTitle(),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                                QMessageBox::Yes) != QMessageBox::Yes)
            return false;
    }
    // Read before the window changes: a file that cannot be read leaves it
    // as it was.
    const exchange::ContactSource source = exchange::ReadContactsFile(path);
    // A new book without a file: the first save asks for its name.
    book_.StartUntitled();
    SetWindowMode(wmBrowse);
    ImportContactsOf(source);
    return false;
}

void TFRuvoTelEdit::UndoClick() {
    const auto next = CData.NextUndo();
    if (CommandsLive(WindowMode::Browse) && next == PhoneBookTable::StepKind::Entries) {
        CData.Undo();
        ShowEntryCount();
    } else if (CommandsLive(WindowMode::Idle) && next == PhoneBookTable::StepKind::Clear) {
        // The book that Escape emptied comes back, under its file name.
        CData.Undo();
        ShowEntryCount();
        SetWindowMode(wmBrowse);
        DBG->setFocus();
    }
}

void TFRuvoTelEdit::RedoClick() {
    if (!CommandsLive(WindowMode::Browse))
        return;
    const auto next = CData.NextRedo();
    if (!next)
        return;
    CData.Redo();
    if (next == PhoneBookTable::StepKind::Clear) {
        // The emptying again, as Escape did it.
        LCnt->setText(QString());
        SetWindowMode(wmIdle);
    } else {
        ShowEntryCount();
    }
}

void TFRuvoTelEdit::ExportClick() {
    if (!CommandsLive(WindowMode::Browse))
        return;
    QStringList filters;
    for (const ExportChoice& choice : kExportChoices)
        filters << choice.filter;
    // In the book's folder, beside the book.
    const auto chosen = Dialogs::SaveDlg(
        this, filters,
        book_.Path().empty() ? QString()
                             : QFileInfo(Dialogs::PathText(book_.Path())).absolutePath());
    if (!chosen)
        return;
    const ExportChoice& choice = kExportChoices[std::clamp(
        chosen->filter, 0, static_cast<int>(std::size(kExportChoices)) - 1)];
    if (!book_.Path().empty())
        exchange::RefuseExportOver(chosen->path, book_.Path());
    const exchange::ExportReport report =
        exchange::ExportEntriesToFile(chosen->path, CData, choice.format);
    QStringList details;
    for (const auto& line : report.lines)
        details << QString::fromStdString(exchange::FormatReportLine(line));
    QString text = u"%1 件を %2 にエクスポートしました。"_s.arg(report.exported)
                       .arg(Dialogs::PathText(chosen->path));
    if (!report.lines.empty())
        text += u"\nShift-JIS でない文字を含む項目 %1 件は U+FFFD で書き出しました。"_s.arg(
            report.lines.size());
    Dialogs::Summary(this, text, ApplicationTitle(), details.join(u'\n'));
}

namespace {

print::DirectoryTitle TitleOf(const PhoneBook& book) {
    return {book.Path().empty() ? u"(名前なし)"_s
                                : QFileInfo(Dialogs::PathText(book.Path())).fileName(),
            QDate::currentDate()};
}

} // namespace

void TFRuvoTelEdit::PrintClick() {
    if (!CommandsLive(WindowMode::Browse))
        return;
    const print::DirectoryTitle title = TitleOf(book_);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(print::DirectoryPageLayout());
    printer.setDocName(title.bookName);
    Dialogs::PrintPreview(
        this, printer, [&](QPrinter& on) { print::PaintDirectory(on, CData, title); },
        [&] { RunHandler([&] { SaveDirectoryPdf(printer.pageLayout().pageSize()); }); });
}

void TFRuvoTelEdit::SaveDirectoryPdf(const QPageSize& paper) {
    // Beside the book, named after it.
    const QString start =
        book_.Path().empty()
            ? QString()
            : QFileInfo(Dialogs::PathText(book_.Path()))
                  .absoluteDir()
                  .filePath(QFileInfo(Dialogs::PathText(book_.Path())).completeBaseName() +
                            u".pdf"_s);
    const auto chosen = Dialogs::SaveDlg(this, {u"PDF (*.pdf)"_s}, start);
    if (!chosen)
        return;
    if (!book_.Path().empty())
        print::RefusePrintOver(chosen->path, book_.Path());
    const QByteArray pdf = print::DirectoryPdf(CData, TitleOf(book_), paper);
    SaveBytes(chosen->path,
              std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
}

void TFRuvoTelEdit::contextMenuEvent(QContextMenuEvent* event) {
    if (!CommandsLive() || mode_ == WindowMode::Edit) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    // Undo and redo show whether they would do something; their shortcuts
    // stay live, as the commands check for themselves.
    const auto add = [&menu](QAction* action, bool enabled) {
        QAction* item =
            menu.addAction(action->text(), action->shortcut(), action, &QAction::trigger);
        item->setEnabled(enabled);
    };
    const auto undo = CData.NextUndo();
    if (mode_ == WindowMode::Browse) {
        menu.addAction(actFind_);
        menu.addAction(actImport_);
        menu.addAction(actExport_);
        menu.addSeparator();
        menu.addAction(actSaveAs_);
        menu.addAction(actPrint_);
        menu.addSeparator();
        add(actUndo_, undo == PhoneBookTable::StepKind::Entries);
        add(actRedo_, CData.NextRedo().has_value());
    } else if (mode_ == WindowMode::Idle) {
        menu.addAction(actOpen_);
        if (undo == PhoneBookTable::StepKind::Clear) {
            menu.addSeparator();
            add(actUndo_, true);
        }
    }
    menu.exec(event->globalPos());
}

TFRuvoTelEdit::DropAction TFRuvoTelEdit::DropActionFor(const QMimeData* mime,
                                                       std::string* path) const {
    if (!CommandsLive() || !mime->hasUrls() || mime->urls().size() != 1 ||
        !mime->urls().front().isLocalFile())
        return DropAction::None;
    const QString file = mime->urls().front().toLocalFile();
    if (path)
        *path = Dialogs::PathBytes(file);
    if (mode_ == WindowMode::Idle)
        return DropAction::Open;
    if (mode_ == WindowMode::Browse && IsContactsFile(file))
        return DropAction::Import;
    return DropAction::None;
}

void TFRuvoTelEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (DropActionFor(event->mimeData()) != DropAction::None)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFRuvoTelEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (DropActionFor(event->mimeData()) != DropAction::None)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFRuvoTelEdit::dropEvent(QDropEvent* event) {
    std::string path;
    const DropAction action = DropActionFor(event->mimeData(), &path);
    if (action == DropAction::None) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    if (action == DropAction::Open)
        RunHandler([&] { OpenPath(path); });
    else
        RunHandler([&] { ImportFrom(path); });
}

} // namespace ruvo
