#include "print/DirectoryPrint.h"

#include "core/book/DirectoryHeadings.h"
#include "core/book/PhoneBookFile.h"
#include "core/book/table/PhoneBookTable.h"
#include "core/error/Errors.h"
#include "core/exchange/InputText.h"
#include "core/file/FileSystem.h"
#include "core/messages/Language.h"
#include "core/phone/TelephoneNumber.h"
#include "core/text/Cp932.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <array>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace ruvo::print {
namespace {

// Sizes in millimetres and points. A row of 5.4 mm puts 46 rows on an A4
// page between its head and foot.
constexpr double kRowMm = 5.4;
constexpr double kHeadingMm = 8.0;
constexpr double kTitleMm = 6.5;
constexpr double kCaptionMm = 5.5;
constexpr double kFootMm = 7.0;
constexpr double kTextPt = 9.5;
constexpr double kHeadingPt = 12.0;
constexpr double kTitlePt = 10.5;
constexpr double kSmallPt = 8.5;
const QMarginsF kMarginsMm(15, 12, 15, 12);

// The columns, as shares of the page's width: group, name, reading, number.
constexpr std::array<double, kFieldCount + 1> kColumnStarts = {0.0, 0.08, 0.42, 0.72, 1.0};

// One line of the directory: a section's heading, or an entry.
struct Line {
    std::optional<DirectorySection> heading;
    std::array<QString, kFieldCount> fields;
};

QString Text(std::string_view cp932) {
    return QString::fromStdString(cp932::ToUtf8(cp932));
}

std::vector<Line> DirectoryLines(const PhoneBookTable& table) {
    std::vector<Line> lines;
    lines.reserve(table.EntryCount() + 12);
    DirectoryHeadings headings;
    table.ForEachEntry(PhoneBookTable::Walk::Saved, [&](const PhoneBookTable::EntryFields& f) {
        const auto field = [&f](Field which) { return f[static_cast<std::size_t>(which)].text; };
        if (const auto section = headings.Next(field(Field::Kana)))
            lines.push_back({section, {}});
        lines.push_back(
            {std::nullopt,
             {Text(field(Field::Group)), Text(field(Field::Name)), Text(field(Field::Kana)),
              Text(phone::FormatTelephoneNumber(field(Field::Tel)))}});
        return true;
    });
    return lines;
}

QFont Face(double points, bool bold = false) {
    QFont font(QString::fromUtf16(kFontFamily));
    font.setPointSizeF(points);
    font.setBold(bold);
    // Glyphs drawn at their design widths: a PDF reads the same at any size.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QString CountText(std::size_t entries) {
    return u"%1件"_s.arg(entries);
}

QString DateText(const QDate& date) {
    return u"印刷日 %1年%2月%3日"_s.arg(date.year()).arg(date.month()).arg(date.day());
}

class Pages {
public:
    Pages(QPagedPaintDevice& device, const PhoneBookTable& table, const DirectoryTitle& title)
        : device_(device), title_(title), entries_(table.EntryCount()),
          lines_(DirectoryLines(table)), mm_(device.logicalDpiY() / 25.4), width_(device.width()) {
        const double body = device.height() - Mm(kTitleMm + kCaptionMm + 1.0 + kFootMm);
        BreakIntoPages(body);
    }

    int Paint() {
        QPainter painter(&device_);
        for (std::size_t page = 0; page < starts_.size(); ++page) {
            if (page > 0)
                device_.newPage();
            PaintHead(painter);
            PaintFoot(painter, page);
            const std::size_t end = page + 1 < starts_.size() ? starts_[page + 1] : lines_.size();
            double y = Mm(kTitleMm + kCaptionMm + 1.0);
            for (std::size_t i = starts_[page]; i < end; ++i)
                y += PaintLine(painter, lines_[i], y);
            if (lines_.empty()) {
                painter.setFont(Face(kTextPt));
                painter.drawText(QRectF(0, y + Mm(kRowMm), width_, Mm(kRowMm)), Qt::AlignCenter,
                                 u"この電話帳には項目がありません。"_s);
            }
        }
        return static_cast<int>(starts_.size());
    }

private:
    double Mm(double millimetres) const { return millimetres * mm_; }

    // A heading goes to the next page with the entry after it, so that it
    // never stands alone at the foot of a page.
    void BreakIntoPages(double body) {
        starts_.push_back(0);
        double used = 0;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            double needs = Mm(lines_[i].heading ? kHeadingMm : kRowMm);
            if (lines_[i].heading && i + 1 < lines_.size())
                needs += Mm(kRowMm);
            if (used > 0 && used + needs > body) {
                starts_.push_back(i);
                used = 0;
            }
            used += Mm(lines_[i].heading ? kHeadingMm : kRowMm);
        }
    }

    QRectF Column(std::size_t column, double y, double height) const {
        const double pad = Mm(1.0);
        const double left = kColumnStarts[column] * width_ + pad;
        const double right = kColumnStarts[column + 1] * width_ - pad;
        return QRectF(left, y, right - left, height);
    }

    void PaintHead(QPainter& painter) {
        const QRectF title(0, 0, width_, Mm(kTitleMm));
        painter.setPen(Qt::black);
        painter.setFont(Face(kTitlePt, true));
        painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, title_.bookName);
        painter.setFont(Face(kTitlePt));
        painter.drawText(title, Qt::AlignHCenter | Qt::AlignVCenter, CountText(entries_));
        painter.drawText(title, Qt::AlignRight | Qt::AlignVCenter, DateText(title_.printed));

        const double y = Mm(kTitleMm);
        painter.setFont(Face(kSmallPt));
        const std::array<QString, kFieldCount> captions = {u"ｸﾞﾙｰﾌﾟ"_s, u"姓名"_s, u"フリガナ"_s,
                                                           u"電話番号"_s};
        for (std::size_t c = 0; c < kFieldCount; ++c)
            painter.drawText(Column(c, y, Mm(kCaptionMm)),
                             (c == 0 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                             captions[c]);
        painter.setPen(QPen(Qt::black, Mm(0.35)));
        painter.drawLine(QPointF(0, y + Mm(kCaptionMm)), QPointF(width_, y + Mm(kCaptionMm)));
    }

    void PaintFoot(QPainter& painter, std::size_t page) {
        painter.setPen(Qt::black);
        painter.setFont(Face(kSmallPt));
        painter.drawText(QRectF(0, device_.height() - Mm(kFootMm), width_, Mm(kFootMm)),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         u"%1 / %2"_s.arg(page + 1).arg(starts_.size()));
    }

    // Paints the line at y; returns its height.
    double PaintLine(QPainter& painter, const Line& line, double y) {
        if (line.heading) {
            const double height = Mm(kHeadingMm);
            const QRectF band(0, y + Mm(1.5), width_, height - Mm(2.0));
            painter.fillRect(band, QColor(225, 225, 225));
            painter.setPen(Qt::black);
            painter.setFont(Face(kHeadingPt, true));
            painter.drawText(band.adjusted(Mm(2.0), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromUtf8(DirectorySectionHeading(*line.heading)));
            return height;
        }
        const double height = Mm(kRowMm);
        painter.setPen(Qt::black);
        const QFont face = Face(kTextPt);
        painter.setFont(face);
        const QFontMetricsF metrics(face, &device_);
        for (std::size_t c = 0; c < kFieldCount; ++c) {
            const QRectF cell = Column(c, y, height);
            painter.drawText(cell, (c == 0 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                             metrics.elidedText(line.fields[c], Qt::ElideRight, cell.width()));
        }
        painter.setPen(QPen(QColor(170, 170, 170), Mm(0.1)));
        painter.drawLine(QPointF(0, y + height), QPointF(width_, y + height));
        return height;
    }

    QPagedPaintDevice& device_;
    const DirectoryTitle& title_;
    const std::size_t entries_;
    const std::vector<Line> lines_;
    const double mm_;
    const double width_;
    // The first line of each page.
    std::vector<std::size_t> starts_;
};

} // namespace

QPageLayout DirectoryPageLayout(const QPageSize& size) {
    return QPageLayout(size, QPageLayout::Portrait, kMarginsMm, QPageLayout::Millimeter);
}

std::optional<QPageSize> PaperNamed(std::string_view name) {
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    const struct {
        QString name;
        QPageSize::PageSizeId id;
    } papers[] = {{u"A4"_s, QPageSize::A4},
                  {u"B5"_s, QPageSize::JisB5},
                  {u"A5"_s, QPageSize::A5},
                  {u"Letter"_s, QPageSize::Letter}};
    for (const auto& paper : papers)
        if (wanted.compare(paper.name, Qt::CaseInsensitive) == 0)
            return QPageSize(paper.id);
    return std::nullopt;
}

int PaintDirectory(QPagedPaintDevice& device, const PhoneBookTable& table,
                   const DirectoryTitle& title) {
    return Pages(device, table, title).Paint();
}

QByteArray DirectoryPdf(const PhoneBookTable& table, const DirectoryTitle& title,
                        const QPageSize& size) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(DirectoryPageLayout(size));
        writer.setTitle(title.bookName);
        writer.setCreator(u"ruvoteledit"_s);
        PaintDirectory(writer, table, title);
    }
    return bytes;
}

void RefusePrintOver(const std::string& target, const std::string& bookPath) {
    if (SameFile(target, bookPath) || SameFile(target, BackupName(bookPath))) {
        constexpr messages::Message kPrintOverBook{
            "%s は使用中の電話帳かそのバックアップなので、印刷先にはできません",
            "%s is the phone book in use or its backup and cannot be printed to"};
        std::string text(kPrintOverBook.Text());
        text.replace(text.find("%s"), 2, exchange::FileNameForMessage(target));
        throw Error(text);
    }
}

} // namespace ruvo::print
