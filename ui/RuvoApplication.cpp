#include "ui/RuvoApplication.h"

#include "core/text/Cp932.h"
#include "ui/AppIcon.h"
#include "ui/Cp932Text.h"
#include "ui/Dialogs.h"

#include <QFileInfo>
#include <QFont>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QStringDecoder>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace ruvo {

TRuvoApplication::TRuvoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle());
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

std::string ErrorBoxText(std::string cp932Message) {
    // Where the last character starts: a lead byte takes the next byte.
    std::size_t last = 0;
    for (std::size_t i = 0; i < cp932Message.size(); i += cp932::CharLength(cp932Message, i))
        last = i;
    if (!cp932Message.empty() &&
        std::string_view(cp932Message).substr(last) > std::string_view("."))
        cp932Message += '.';
    return cp932Message;
}

QString ErrorBoxText(QString message) {
    // Every character beyond ASCII has code page 932 bytes (or, without a
    // code page 932 form, a code point) that sort after ".".
    if (!message.isEmpty() && message.back().unicode() > u'.')
        message += u'.';
    return message;
}

QString ErrorBoxText(const std::exception& failure) {
    if (const auto* encodeError = dynamic_cast<const Cp932EncodeError*>(&failure))
        return ErrorBoxText(encodeError->Message());
    if (dynamic_cast<const Error*>(&failure))
        return DecodeCp932(ErrorBoxText(std::string(failure.what())));
    // Anything else carries UTF-8, or bytes of unknown meaning.
    const QByteArray what(failure.what());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString message = utf8.decode(what);
    if (utf8.hasError())
        message = QString::fromLatin1(what);
    return ErrorBoxText(message);
}

void ShowCurrentException() {
    QString text;
    try {
        throw;
    } catch (const std::exception& failure) {
        text = ErrorBoxText(failure);
    } catch (...) {
        text = u"不明なエラーが発生しました。"_s;
    }
    Dialogs::ErrorBox(QApplication::activeWindow(), text, ApplicationTitle());
}

} // namespace ruvo
