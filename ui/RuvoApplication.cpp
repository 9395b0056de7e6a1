#include "ui/RuvoApplication.h"

#include "ui/AppIcon.h"
#include "ui/Dialogs.h"

#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

namespace {

// Qt's own icons (the boxes', the file dialog's) are drawn for one scale and
// blur at two; an icon theme has them at many sizes. Qt takes them from the
// desktop's theme by their freedesktop names, but a desktop that names none
// leaves none or only "hicolor", which has none of them: then an installed
// full theme stands in (it inherits hicolor, where the program's own icon
// is), and Qt's own icons remain for what it lacks.
void FallBackOnAnInstalledIconTheme() {
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != u"hicolor"_s)
        return;
    // Where the desktop's data is (/usr/share/icons), which not every Qt
    // platform searches by itself (the offscreen one does not).
    QStringList folders = QIcon::themeSearchPaths();
    for (const QString& folder : QStandardPaths::locateAll(
             QStandardPaths::GenericDataLocation, u"icons"_s, QStandardPaths::LocateDirectory))
        if (!folders.contains(folder))
            folders.append(folder);
    for (const QString& theme : {u"Adwaita"_s, u"breeze"_s, u"oxygen"_s})
        for (const QString& folder : folders)
            if (QFileInfo::exists(folder + u'/' + theme + u"/index.theme"_s)) {
                QIcon::setThemeSearchPaths(folders);
                QIcon::setThemeName(theme);
                return;
            }
}

} // namespace

TRuvoApplication::TRuvoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle());
    FallBackOnAnInstalledIconTheme();
    setDesktopFileName(u"ruvoteledit"_s);
    setWindowIcon(AppIcon());
    // The window's layout is drawn for this face; IPA Mincho has the same
    // metrics (half-width characters half an em wide).
    QFont::insertSubstitution(u"ＭＳ 明朝"_s, u"IPAMincho"_s);
    // The program keeps no settings, but Qt's file dialog stores its folder
    // history in the user's QtProject.conf whenever it closes. Settings of
    // the user scope go where no file can ever be created.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, u"/dev/null"_s);
}

bool TRuvoApplication::LoadJapaneseTranslation() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* translator = new QTranslator(this);
    if (!translator->load(u"qtbase_ja"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    installTranslator(translator);
    return true;
}

bool TRuvoApplication::notify(QObject* receiver, QEvent* event) {
    try {
        if (event->type() == QEvent::KeyPress && receiver->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(receiver);
            if (auto* preview = dynamic_cast<TKeyPreview*>(widget->window());
                preview && preview->PreviewKeyPress(widget, static_cast<QKeyEvent*>(event)))
                return true;
        }
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
        return true;
    }
}

QString ApplicationTitle(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    if (const qsizetype dot = name.indexOf(u'.'); dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString ApplicationTitle() {
    return ApplicationTitle(QCoreApplication::applicationFilePath());
}

QString ErrorBoxText(QString message) {
    // Every character beyond ASCII sorts after "." whether it is taken as
    // UTF-16, as UTF-8 or as the code page 932 bytes of a Windows message.
    if (!message.isEmpty() && message.back().unicode() > u'.')
        message += u'.';
    return message;
}

QString ErrorBoxText(const std::exception& failure) {
    // Our own failures carry UTF-8; anything else (the standard library's,
    // Qt's) UTF-8 too, or bytes of unknown meaning.
    const QByteArray what(failure.what());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString message = utf8.decode(what);
    if (utf8.hasError())
        message = QString::fromLatin1(what);
    return ErrorBoxText(message);
}

namespace {

QWidget* BoxOwner() {
    // A dialog open at the time owns what goes wrong in it; anything else
    // belongs to the editor's window, the one that previews keys, whether
    // or not the desktop counts it active (on Wayland it may not while a
    // box is closing).
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && dynamic_cast<TKeyPreview*>(widget))
            return widget;
    return QApplication::activeWindow();
}

} // namespace

void ShowCurrentException() {
    QString text;
    try {
        throw;
    } catch (const std::exception& failure) {
        text = ErrorBoxText(failure);
    } catch (...) {
        text = u"不明なエラーが発生しました。"_s;
    }
    Dialogs::ErrorBox(BoxOwner(), text, ApplicationTitle());
}

} // namespace ruvo
