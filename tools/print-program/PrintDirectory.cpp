#include "tools/ruvotel/PrintCommand.h"

#include "core/book/PhoneBook.h"
#include "core/file/SafeWrite.h"
#include "print/DirectoryPrint.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace ruvotel {

int PrintDirectory(const Arguments& args) {
    ruvo::print::RefusePrintOver(*args.output, args.file);
    // No display is needed to write a PDF: the offscreen platform, unless
    // the user chose one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the desktop it runs without (no XDG_RUNTIME_DIR) are
    // no news to a command's user; its errors are.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "ruvotel: %s\n", qUtf8Printable(text));
    });
    int argc = 1;
    char name[] = "ruvotel";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);

    ruvo::PhoneBook book(ruvo::PhoneBook::History::None);
    book.Open(args.file, false);
    const ruvo::print::DirectoryTitle title{
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(args.file))).fileName(),
        QDate::currentDate()};
    const QByteArray pdf =
        ruvo::print::DirectoryPdf(book.Table(), title, *ruvo::print::PaperNamed(args.paper));
    ruvo::SaveBytes(*args.output, std::string_view(pdf.constData(), pdf.size()));
    return kSuccess;
}

} // namespace ruvotel
