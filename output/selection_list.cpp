#include "output/selection_list.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "data/errors.h"
#include "data/records.h"
#include "images/thumbnail.h"
#include "output/log.h"
#include "settings/studio_settings.h"

namespace output {
namespace {

// Page geometry in tenths of a millimetre, so the row counts come out exact.
constexpr int kPrintableHeight = 2770;  // A4 297 mm less 10 mm above and below
constexpr int kTitleBand = 188;
constexpr int kHeaderBand = 74;
constexpr int kFooterBand = 74;
constexpr int kPictureRow = 212;  // 80 pixels at 96 dpi
constexpr int kCompactRow = 50;   // 19 pixels

const QColor kOutline(192, 192, 192);  // silver

// Millimetres on the device, from the top left of the printable area.
class Mm {
  public:
    explicit Mm(const QPaintDevice* device) : px_(device->logicalDpiX() / 25.4) {}
    double operator()(double mm) const { return mm * px_; }
    QRectF Rect(double left, double top, double width, double height) const {
        return QRectF(left * px_, top * px_, width * px_, height * px_);
    }

  private:
    double px_;
};

QFont ListFont(double points, bool bold = false) {
    QFont font(ListFontFamily());
    // Shaping may pick glyphs the PDF's text layer cannot map back (digits in some CJK
    // faces), and the list holds no script that needs it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Text from its top-left corner (mm) on one line.
void DrawLabel(QPainter& painter, const Mm& mm, double left, double top, const QString& text,
               double width = 60) {
    painter.drawText(mm.Rect(left, top, width, 6), Qt::AlignLeft | Qt::AlignTop, text);
}

struct Cell {
    double left;
    double width;
    double contentLeft;
    double contentTop;
};

const Cell kNumberCell{0.5, 8.7, 0.8, 0.0};
const Cell kAlbumCell{9.0, 23.3, 9.3, 0.3};
const Cell kPathCell{32.0, 73.6, 32.5, 0.3};
const Cell kPictureCell{105.3, 29.4, 106.4, 0.3};
const Cell kNoteCell{134.4, 55.3, 135.5, 0.3};

void DrawCellText(QPainter& painter, const Mm& mm, const Cell& cell, double cellTop,
                  double cellHeight, double bandTop, const QString& text, int flags) {
    const QRectF outline = mm.Rect(cell.left, cellTop, cell.width, cellHeight);
    const double left = cell.contentLeft;
    const double top = bandTop + cell.contentTop;
    const QRectF box =
        mm.Rect(left, top, cell.left + cell.width - left - 0.3, cellTop + cellHeight - top);
    painter.save();
    painter.setClipRect(outline);  // the rows do not grow with their text
    painter.drawText(box, flags | Qt::AlignLeft | Qt::AlignTop, text);
    painter.restore();
}

// The title in the largest size from 12 pt down to 8 pt that fits across the page; a
// name too long even then is shortened in the middle, so both ends stay readable.
void PaintTitleLine(QPainter& painter, const QRectF& band, const QString& title) {
    for (double points = 12;; points -= 0.5) {
        const QFont font = ListFont(points, true);
        const QFontMetricsF metrics(font, painter.device());
        if (metrics.horizontalAdvance(title) <= band.width() || points <= 8) {
            painter.setFont(font);
            painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop,
                             metrics.elidedText(title, Qt::ElideMiddle, band.width()));
            return;
        }
    }
}

void PaintTitle(QPainter& painter, const Mm& mm, const SelectionList& list, double top) {
    PaintTitleLine(painter, mm.Rect(0, top + 2.1, 190, 7), list.title);
    painter.setPen(QPen(Qt::black, mm(0.3)));
    painter.drawLine(QPointF(mm(34.1), mm(top + 9.7)), QPointF(mm(165.4), mm(top + 9.7)));
    painter.setFont(ListFont(10));
    // A long folder stops short of the count beside it.
    const double room = 143.1 - 5.8 - 1.0;
    const QString folder = QFontMetricsF(painter.font(), painter.device())
                               .elidedText(list.folderLine, Qt::ElideMiddle, mm(room));
    DrawLabel(painter, mm, 5.8, top + 13.0, folder, room);
    DrawLabel(painter, mm, 143.1, top + 13.0, QStringLiteral("共"), 8);
    DrawLabel(painter, mm, 152.1, top + 12.7, QString::number(list.rows.size()), 22);
    DrawLabel(painter, mm, 174.9, top + 13.0, QStringLiteral("个"), 8);
}

void PaintColumnHeaders(QPainter& painter, const Mm& mm, double top) {
    painter.setFont(ListFont(10));
    DrawLabel(painter, mm, 0.5, top + 1.6, QStringLiteral("序号"), 12);
    DrawLabel(painter, mm, 13.5, top + 1.3, QStringLiteral("相册名称"), 40);
    DrawLabel(painter, mm, 59.0, top + 1.3, QStringLiteral("文件地址"), 40);
    DrawLabel(painter, mm, 110.9, top + 1.3, QStringLiteral("照片小样"), 40);
    DrawLabel(painter, mm, 153.5, top + 1.3, QStringLiteral("要求/备注"), 36);
}

void PaintRow(QPainter& painter, const Mm& mm, const ListRow& row, int number, bool withPictures,
              double top) {
    const double cellTop = top - 0.26;
    const double cellHeight = withPictures ? 21.4 : 5.3;
    painter.setPen(QPen(kOutline, mm(0.2)));
    painter.setBrush(Qt::NoBrush);
    for (const Cell* cell : {&kNumberCell, &kAlbumCell, &kPathCell, &kPictureCell, &kNoteCell})
        painter.drawRect(mm.Rect(cell->left, cellTop, cell->width, cellHeight));

    painter.setPen(Qt::black);
    painter.setFont(ListFont(10));
    DrawCellText(painter, mm, kNumberCell, cellTop, cellHeight, top, QString::number(number), 0);
    painter.setFont(ListFont(8));
    DrawCellText(painter, mm, kAlbumCell, cellTop, cellHeight, top, row.album,
                 Qt::TextWrapAnywhere);
    DrawCellText(painter, mm, kPathCell, cellTop, cellHeight, top, row.path, Qt::TextWrapAnywhere);
    DrawCellText(painter, mm, kNoteCell, cellTop, cellHeight, top, row.note, Qt::TextWordWrap);
    if (withPictures && !row.picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(
            mm.Rect(kPictureCell.contentLeft, top + kPictureCell.contentTop, 27.3, 20.1),
            row.picture);
    }
}

void PaintFooter(QPainter& painter, const Mm& mm, const QString& footer, int page) {
    const double top = (kPrintableHeight - kFooterBand) / 10.0;
    painter.setPen(Qt::black);
    painter.setFont(ListFont(10));
    DrawLabel(painter, mm, 2.1, top + 2.1, footer, 150);
    DrawLabel(painter, mm, 157.2, top + 1.9, QStringLiteral("第"), 8);
    DrawLabel(painter, mm, 166.2, top + 1.9, QString::number(page), 12);
    DrawLabel(painter, mm, 178.9, top + 1.9, QStringLiteral("页"), 8);
}

}  // namespace

QString ListFontFamily() {
    static const QString family = [] {
        // Noto Sans CJK shares glyphs between radicals and common characters (户, 女, 片),
        // and a PDF made with it gives the radicals back when its text is searched or
        // copied; WenQuanYi's glyphs map back to the characters drawn.
        const QStringList families = QFontDatabase::families();
        for (const char* wanted :
             {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Sans SC"})
            if (families.contains(QLatin1String(wanted))) return QString::fromLatin1(wanted);
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QString ListTitle(const QString& customerName) {
    return QStringLiteral("客户 ") + customerName + QStringLiteral(" 选片单");
}

SelectionList LoadSelectionList(const OutputCustomer& customer, bool withPictures,
                                const StagingProgress& progress) {
    std::vector<StagedRow> stagedRows = StageAndReadSelection(
        customer, PathForm::Relative, withPictures ? StagedPictures::Draw : StagedPictures::None,
        withPictures, progress);
    SelectionList list;
    list.withPictures = withPictures;
    list.title = ListTitle(CustomerName(customer.customerId));
    list.folderLine = QStringLiteral("文件夹路径:") + customer.photoPath;
    list.footer = settings::ReadStudioSettings().printInfo;
    for (StagedRow& staged : stagedRows) {
        ListRow row;
        row.album = staged.album;
        row.path = staged.path;
        row.note = staged.note;
        if (withPictures && !staged.photo.isEmpty()) {
            try {
                row.picture = images::ShowThumbnail(staged.photo, QString());
            } catch (const data::VerimondError& error) {
                // A picture that cannot be read leaves its cell empty; the row still prints.
                qCWarning(lcOutput).noquote()
                    << "picture of" << staged.path << "left out of the list:" << error.text();
            }
        }
        list.rows.push_back(std::move(row));
    }
    return list;
}

std::vector<ListPage> PaginateList(int rows, bool withPictures) {
    const int row = withPictures ? kPictureRow : kCompactRow;
    const int first = (kPrintableHeight - kTitleBand - kHeaderBand - kFooterBand) / row;
    const int later = (kPrintableHeight - kHeaderBand - kFooterBand) / row;
    std::vector<ListPage> pages;
    int next = 0;
    do {
        const int room = pages.empty() ? first : later;
        const int count = std::min(room, rows - next);
        pages.push_back({next, count});
        next += count;
    } while (next < rows);
    return pages;
}

bool PaintSelectionList(QPagedPaintDevice* device, const SelectionList& list) {
    device->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(device)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Mm mm(device);
    const std::vector<ListPage> pages =
        PaginateList(static_cast<int>(list.rows.size()), list.withPictures);
    const double rowHeight = (list.withPictures ? kPictureRow : kCompactRow) / 10.0;
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device->newPage()) return false;
        double top = 0;
        painter.setPen(Qt::black);
        if (p == 0) {
            PaintTitle(painter, mm, list, top);
            top += kTitleBand / 10.0;
        }
        painter.setPen(Qt::black);
        PaintColumnHeaders(painter, mm, top);
        top += kHeaderBand / 10.0;
        for (int i = 0; i < pages[p].rowCount; ++i) {
            const int index = pages[p].firstRow + i;
            PaintRow(painter, mm, list.rows[static_cast<size_t>(index)], index + 1,
                     list.withPictures, top);
            top += rowHeight;
        }
        PaintFooter(painter, mm, list.footer, static_cast<int>(p) + 1);
    }
    return painter.end();
}

bool WriteSelectionListPdf(const SelectionList& list, const QString& path, QString* reason) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *reason = QStringLiteral("无法创建文件");
        return false;
    }
    bool painted = false;
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setTitle(list.title);
        writer.setCreator(QStringLiteral("Verimond"));
        painted = PaintSelectionList(&writer, list);
    }
    if (!painted) {
        file.cancelWriting();
        *reason = QStringLiteral("无法生成PDF");
        return false;
    }
    if (!file.commit()) {
        *reason = QStringLiteral("无法写入文件");
        return false;
    }
    return true;
}

}  // namespace output
