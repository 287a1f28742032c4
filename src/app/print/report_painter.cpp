#include "print/report_painter.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace {

// The reports are measured in widths of "0" of a narrow sans-serif face: the journal table is
// 119 of them wide, which at 8 points fits a portrait A4 page with Arial's proportions.
QFont reportFont(double pointSize, bool bold = false) {
    QFont f = QGuiApplication::font();
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

// Colours of the layout are blue-green-red values.
QColor colourOf(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void drawText(QPainter& p, const vorsan::PageText& t) {
    const QString s = QString::fromStdString(t.text);
    const QRect rect(t.rect.left, t.rect.top, t.rect.width(), t.rect.height());
    const int flags = (t.align == vorsan::TextAlign::centre ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop) |
                      Qt::TextSingleLine | Qt::TextDontClip;
    p.setPen(colourOf(t.colour));
    const int width = p.fontMetrics().horizontalAdvance(s);
    // A centred text keeps an eighth of a "0" clear of each rule.
    const int padding = t.align == vorsan::TextAlign::centre ? p.fontMetrics().horizontalAdvance(QLatin1Char('0')) / 8 : 0;
    const QRect room = rect.adjusted(padding, 0, -padding, 0);
    if (!t.squeeze || width <= room.width() || room.width() <= 0) {
        p.drawText(rect, flags, s);
        return;
    }
    // Narrowed to its room rather than written over the neighbouring cells.
    p.save();
    p.translate(room.left(), room.top());
    p.scale(static_cast<double>(room.width()) / width, 1.0);
    p.drawText(QRect(0, 0, width, room.height()), flags, s);
    p.restore();
}

} // namespace

double fittedPointSize(QPaintDevice& device, int pointSize, int widthInZeros) {
    const int zero = QFontMetrics(reportFont(pointSize), &device).horizontalAdvance(QLatin1Char('0'));
    const int needed = (widthInZeros + 1) * zero;
    if (zero <= 0 || needed <= device.width()) return pointSize;
    return pointSize * static_cast<double>(device.width()) / needed;
}

vorsan::PrintMetrics printMetrics(QPaintDevice& device, double pointSize) {
    const QFontMetrics normal(reportFont(pointSize), &device);
    const QFontMetrics bold(reportFont(pointSize, true), &device);
    vorsan::PrintMetrics m;
    m.zeroWidth = normal.horizontalAdvance(QLatin1Char('0'));
    m.zeroHeight = normal.height();
    m.pageWidth = device.width();
    m.pageHeight = device.height();
    m.textWidth = [normal, bold](std::string_view text, bool isBold) {
        const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        return (isBold ? bold : normal).horizontalAdvance(s);
    };
    return m;
}

bool paintReport(QPagedPaintDevice& device, const vorsan::ReportDocument& document, double pointSize) {
    if (document.pages.empty()) return true;
    QPainter p;
    if (!p.begin(&device)) return false;
    const bool drawn = paintReportPages(p, device, document, pointSize);
    return p.end() && drawn;
}

bool paintReportPages(QPainter& p, QPagedPaintDevice& device, const vorsan::ReportDocument& document,
                      double pointSize) {
    const QFont normal = reportFont(pointSize);
    const QFont bold = reportFont(pointSize, true);
    // Rules about a sixth of a millimetre wide whatever the printer's resolution.
    QPen rule(Qt::black, std::max(1, device.logicalDpiX() / 150), Qt::SolidLine, Qt::FlatCap);
    for (std::size_t i = 0; i < document.pages.size(); ++i) {
        if (i > 0 && !device.newPage()) return false;
        const vorsan::ReportPage& page = document.pages[i];
        for (const auto& b : page.boxes) {
            const QRect r(b.rect.left, b.rect.top, b.rect.width(), b.rect.height());
            p.fillRect(r, colourOf(b.fill));
            if (!b.border) continue;
            p.setPen(rule);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r);
        }
        for (const auto& l : page.lines) {
            if (l.colour == vorsan::kColourBlack && l.weight == 1) {
                p.setPen(rule);
            } else {
                QPen pen = rule;
                pen.setColor(colourOf(l.colour));
                pen.setWidth(rule.width() * std::max(1, l.weight));
                pen.setCapStyle(Qt::RoundCap);
                p.setPen(pen);
            }
            p.drawLine(l.x1, l.y1, l.x2, l.y2);
        }
        for (const auto& t : page.texts) {
            p.setFont(t.bold ? bold : normal);
            drawText(p, t);
        }
    }
    return true;
}

bool printJournalTable(QPagedPaintDevice& device, const vorsan::JournalTableInput& input) {
    device.setPageOrientation(QPageLayout::Portrait);
    const double size = fittedPointSize(device, vorsan::kJournalTableFontSize, vorsan::kJournalTableWidthInZeros);
    return paintReport(device, vorsan::layoutJournalTable(input, printMetrics(device, size)), size);
}

bool printSettingsList(QPagedPaintDevice& device, const QString& title,
                       const std::vector<vorsan::SettingsListRow>& rows) {
    device.setPageOrientation(QPageLayout::Portrait);
    const double size = vorsan::kSettingsListFontSize;
    return paintReport(device, vorsan::layoutSettingsList(title.toStdString(), rows, printMetrics(device, size)), size);
}

bool printWellReport(QPagedPaintDevice& device, const vorsan::WellReport& report, char separator) {
    device.setPageOrientation(QPageLayout::Portrait);
    const double size = vorsan::kWellReportFontSize;
    return paintReport(device, vorsan::layoutWellReport(report, printMetrics(device, size), separator), size);
}
