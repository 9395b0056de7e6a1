#include "ui/Dialogs.h"

#include "core/file/FileSystem.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStyle>
#include <QToolBar>

#include <algorithm>
#include <iterator>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace ruvo::Dialogs {

namespace {

struct Hook {
    bool testMode = false;
    std::deque<Answer> answers;
    std::vector<Shown> shown;
    std::function<void(const QString&)> unexpected;
};

Hook& TheHook() {
    static Hook hook;
    return hook;
}

QString KindName(Kind kind) {
    switch (kind) {
    case Kind::MessageBox:
        return QStringLiteral("message box");
    case Kind::ErrorBox:
        return QStringLiteral("error box");
    case Kind::OpenFile:
        return QStringLiteral("open dialog");
    case Kind::SaveFile:
        return QStringLiteral("save dialog");
    case Kind::Summary:
        return QStringLiteral("summary box");
    case Kind::PrintPreview:
        return QStringLiteral("print preview");
    }
    return {};
}

// In test mode: records the dialog and hands out the next answer, which must
// be for this kind of dialog.
std::optional<Answer> TakeAnswer(const Shown& shown) {
    Hook& hook = TheHook();
    hook.shown.push_back(shown);
    if (hook.answers.empty() || hook.answers.front().kind != shown.kind) {
        const QString description =
            QStringLiteral("unexpected %1: \"%2\"").arg(KindName(shown.kind), shown.text);
        if (hook.unexpected)
            hook.unexpected(description);
        else
            qCritical("%s", qUtf8Printable(description));
        return std::nullopt;
    }
    Answer answer = std::move(hook.answers.front());
    hook.answers.pop_front();
    if (answer.during)
        answer.during();
    return answer;
}

} // namespace

namespace {

// The box's icon drawn for the scale of the screen it shows on, from the
// desktop's icon theme by its freedesktop name. Qt's box takes the nearest
// image of its own size and shows it blown up on a screen of scale 2; asked
// for the pixels the screen has, the theme gives a larger image if it has
// one, else its scalable symbolic form does; Qt's own icon is the last
// resort. The image goes into the box's own icon label, so that the box
// keeps its kind of icon (what a screen reader says of it).
void SetSharpIcon(QMessageBox& box, QMessageBox::Icon icon) {
    auto* label = box.findChild<QLabel*>(u"qt_msgboxex_icon_label"_s);
    if (!label)
        return;
    struct Source {
        QMessageBox::Icon icon;
        const char16_t* themeName;
        QStyle::StandardPixmap qtIcon;
    };
    constexpr Source kSources[] = {
        {QMessageBox::Information, u"dialog-information", QStyle::SP_MessageBoxInformation},
        {QMessageBox::Warning, u"dialog-warning", QStyle::SP_MessageBoxWarning},
        {QMessageBox::Critical, u"dialog-error", QStyle::SP_MessageBoxCritical},
        {QMessageBox::Question, u"dialog-question", QStyle::SP_MessageBoxQuestion},
    };
    const auto* source = std::find_if(std::begin(kSources), std::end(kSources),
                                      [icon](const Source& s) { return s.icon == icon; });
    if (source == std::end(kSources))
        return;
    QStyle* style = box.style();
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    const QWidget* owner = box.parentWidget();
    const qreal scale = owner ? owner->devicePixelRatio() : qApp->devicePixelRatio();
    const QString name = QString::fromUtf16(source->themeName);
    for (const QString& themed : {name, name + u"-symbolic"_s}) {
        const QPixmap drawn = QIcon::fromTheme(themed).pixmap(QSize(size, size), scale);
        if (!drawn.isNull() && drawn.devicePixelRatio() >= scale) {
            label->setPixmap(drawn);
            return;
        }
    }
    label->setPixmap(
        style->standardIcon(source->qtIcon, nullptr, &box).pixmap(QSize(size, size), scale));
}

} // namespace

std::unique_ptr<QMessageBox> CreateMessageBox(QWidget* parent, const QString& text,
                                              const QString& caption,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::Icon icon,
                                              QMessageBox::StandardButton defaultButton) {
    auto box = std::make_unique<QMessageBox>(icon, caption, text, buttons, parent);
    SetSharpIcon(*box, icon);
    // An empty title would show the application's name under X11; a space
    // shows nothing.
    if (caption.isEmpty())
        box->setWindowTitle(QStringLiteral(" "));
    box->setDefaultButton(defaultButton);
    return box;
}

QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& text, const QString& caption,
                                       QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                       QMessageBox::StandardButton defaultButton) {
    if (TheHook().testMode) {
        const auto answer = TakeAnswer(
            {Kind::MessageBox, text, caption, buttons, icon, defaultButton, parent, {}, {}});
        if (!answer)
            return buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Cancel;
        return answer->button;
    }
    auto box = CreateMessageBox(parent, text, caption, buttons, icon, defaultButton);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

void ErrorBox(QWidget* parent, const QString& text, const QString& caption) {
    if (TheHook().testMode) {
        TakeAnswer({Kind::ErrorBox,
                    text,
                    caption,
                    QMessageBox::Ok,
                    QMessageBox::Critical,
                    QMessageBox::Ok,
                    parent,
                    {},
                    {}});
        return;
    }
    auto box = CreateMessageBox(parent, text, caption, QMessageBox::Ok, QMessageBox::Critical,
                                QMessageBox::Ok);
    box->exec();
}

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QStringList PhoneBookFilters() {
    return {u"電話帳 (*.txt *.TXT)"_s, QFileDialog::tr("All Files (*)")};
}

std::optional<std::string> OpenDlg(QWidget* parent) {
    if (TheHook().testMode) {
        const auto answer =
            TakeAnswer({Kind::OpenFile, {}, {}, {}, {}, {}, parent, {}, PhoneBookFilters()});
        if (!answer)
            return std::nullopt;
        return answer->path;
    }
    const auto dialog = CreateOpenDialog(parent);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return PathBytes(dialog->selectedFiles().constFirst());
}

void Summary(QWidget* parent, const QString& text, const QString& caption, const QString& details) {
    if (TheHook().testMode) {
        const Shown shown{Kind::Summary,
                          text,
                          caption,
                          QMessageBox::Ok,
                          QMessageBox::Information,
                          QMessageBox::Ok,
                          parent,
                          details,
                          {}};
        TakeAnswer(shown);
        return;
    }
    auto box = CreateMessageBox(parent, text, caption, QMessageBox::Ok, QMessageBox::Information,
                                QMessageBox::Ok);
    box->setDetailedText(details);
    box->exec();
}

std::optional<std::string> OpenContactsDlg(QWidget* parent, const QStringList& filters,
                                           const QString& startFolder) {
    const QString title = u"インポート"_s;
    if (TheHook().testMode) {
        const Shown shown{Kind::OpenFile, startFolder, title, {}, {}, {}, parent, {}, filters};
        const auto answer = TakeAnswer(shown);
        return answer ? answer->path : std::nullopt;
    }
    const auto dialog = CreateOpenDialog(parent);
    dialog->setWindowTitle(title);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(filters + QStringList{QFileDialog::tr("All Files (*)")});
    if (IsFolder(PathBytes(startFolder)))
        dialog->setDirectory(startFolder);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return PathBytes(dialog->selectedFiles().constFirst());
}

std::optional<SaveChoice> SaveDlg(QWidget* parent, const QStringList& filters,
                                  const QString& startAt) {
    if (TheHook().testMode) {
        const Shown shown{Kind::SaveFile, startAt, {}, {}, {}, {}, parent, {}, filters};
        const auto answer = TakeAnswer(shown);
        if (!answer || !answer->path)
            return std::nullopt;
        return SaveChoice{*answer->path, answer->filter};
    }
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (IsFolder(PathBytes(startAt)))
        dialog.setDirectory(startAt);
    else if (!startAt.isEmpty())
        dialog.selectFile(startAt);
    // A name typed without an extension gets the chosen format's.
    const auto suffixOf = [](const QString& filter) {
        const qsizetype star = filter.indexOf(u"(*.");
        return star < 0 ? QString() : filter.mid(star + 3).section(u' ', 0, 0).remove(u')');
    };
    dialog.setDefaultSuffix(suffixOf(filters.value(0)));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return SaveChoice{PathBytes(dialog.selectedFiles().constFirst()),
                      std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

std::unique_ptr<QPrintPreviewDialog> CreatePrintPreview(QWidget* parent, QPrinter& printer,
                                                        const PaintOnPrinter& paint,
                                                        const std::function<void()>& savePdf) {
    auto dialog = std::make_unique<QPrintPreviewDialog>(&printer, parent);
    dialog->setWindowTitle(u"印刷プレビュー"_s);
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [paint](QPrinter* on) { paint(*on); });
    if (auto* toolBar = dialog->findChild<QToolBar*>()) {
        toolBar->addSeparator();
        QAction* save = toolBar->addAction(u"PDF に保存…"_s);
        save->setObjectName(u"PreviewSavePdf"_s);
        QObject::connect(save, &QAction::triggered, dialog.get(), savePdf);
    }
    // As large as the page at its width, two thirds of the screen high.
    dialog->resize(820, 900);
    return dialog;
}

void PrintPreview(QWidget* parent, QPrinter& printer, const PaintOnPrinter& paint,
                  const std::function<void()>& savePdf) {
    if (TheHook().testMode) {
        const Shown shown{Kind::PrintPreview, u"印刷プレビュー"_s, {}, {}, {}, {}, parent, {}, {}};
        const auto answer = TakeAnswer(shown);
        if (!answer)
            return;
        if (answer->button == QMessageBox::Save) {
            savePdf();
        } else if (answer->path) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(PathText(*answer->path));
            paint(printer);
        }
        return;
    }
    CreatePrintPreview(parent, printer, paint, savePdf)->exec();
}

std::unique_ptr<QFileDialog> CreateOpenDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Any name: a name that does not exist yet starts a new phone book,
    // which the first save creates.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(PhoneBookFilters());
    return dialog;
}

void SetTestMode(bool on) {
    Hook& hook = TheHook();
    hook.testMode = on;
    hook.answers.clear();
    hook.shown.clear();
}

bool TestMode() {
    return TheHook().testMode;
}

void QueueAnswer(Answer answer) {
    TheHook().answers.push_back(std::move(answer));
}

std::size_t PendingAnswers() {
    return TheHook().answers.size();
}

std::vector<Shown> TakeShown() {
    return std::exchange(TheHook().shown, {});
}

void SetUnexpectedHandler(std::function<void(const QString&)> handler) {
    TheHook().unexpected = std::move(handler);
}

} // namespace ruvo::Dialogs
