#pragma once

#include <QByteArray>
#include <QDate>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

class QPagedPaintDevice;

namespace ruvo {
class PhoneBookTable;
}

// The phone book printed as a directory to hang by the telephone: every
// entry in the saved order (reading, then group), one a row (group, name,
// reading, the number as people read it), a heading before the first entry
// of each kana row, and on every page the book's name, its number of
// entries, the date printed and 「n / N」 at the foot.
namespace ruvo::print {

// What the head of every page names.
struct DirectoryTitle {
    QString bookName; // the file's name without its folder
    QDate printed;
};

// The face the window's layout uses (fonts-ipafont-mincho), embedded in a
// PDF.
inline constexpr const char16_t* kFontFamily = u"IPAMincho";

// A4 portrait unless size says otherwise, with the directory's margins.
QPageLayout DirectoryPageLayout(const QPageSize& size = QPageSize(QPageSize::A4));

// A4, B5 (JIS, as Japanese offices mean it), A5 and Letter, by name
// (letter case ignored).
std::optional<QPageSize> PaperNamed(std::string_view name);

// Lays out the table's committed entries on device's pages, as large as
// the device's page (its first page open already, as a QPainter opens it),
// and paints them; the table is only read. A book without entries prints
// one page that says so. Returns the number of pages.
int PaintDirectory(QPagedPaintDevice& device, const PhoneBookTable& table,
                   const DirectoryTitle& title);

// The directory as a PDF held in memory (QPdfWriter over a buffer), on
// paper of the size given; the fonts embedded. Needs a QGuiApplication.
QByteArray DirectoryPdf(const PhoneBookTable& table, const DirectoryTitle& title,
                        const QPageSize& size = QPageSize(QPageSize::A4));

// Throws ruvo::Error (naming target) when target is the book at bookPath or
// its backup, however spelled: a directory is never printed over its book.
void RefusePrintOver(const std::string& target, const std::string& bookPath);

} // namespace ruvo::print
