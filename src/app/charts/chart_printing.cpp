#include "charts/chart_printing.h"

#include "charts/graph_rules.h"
#include "charts/journal_chart.h"
#include "print/print_dialog.h"

#include <QChart>
#include <QFont>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QPrinter>

namespace {

constexpr QSizeF kPrintedChartSize(1200, 900);
constexpr int kPieTitlePoints = 14;
constexpr int kStopListPoints = 10;

// The page less a twentieth of its size on each side, in the painter's coordinates.
QRectF chartRect(const QPainter& painter) {
    const QRect page = painter.viewport();
    const double mx = page.width() / 20.0;
    const double my = page.height() / 20.0;
    return QRectF(page).adjusted(mx, my, -mx, -my);
}

QString titleText(const QStringList& lines) {
    QStringList escaped;
    for (const auto& l : lines) escaped << l.toHtmlEscaped();
    return escaped.join(QStringLiteral("<br>"));
}

// Line n (from 1) of a page of the stop list.
void drawStopList(QPrinter& printer, QPainter& painter, const QStringList& lines) {
    QFont font = painter.font();
    font.setPointSize(kStopListPoints);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics fm(font, &printer);
    const int lineHeight = std::max(1, fm.boundingRect(QLatin1Char('0')).height() * 6 / 5);
    const int left = 10 * fm.horizontalAdvance(QLatin1Char('0'));
    const int perPage = std::max(1, painter.viewport().height() / lineHeight - 5);
    int line = 2;
    painter.drawText(left, line * lineHeight, QString::fromUtf8(vorsan::kStopListHeading));
    line = 4;
    for (const auto& text : lines) {
        if (line > perPage) {
            printer.newPage();
            line = 1;
        }
        painter.drawText(left, line * lineHeight, text);
        ++line;
    }
}

} // namespace

void printChartPages(QPrinter& printer, const std::vector<JournalChart*>& charts, const QStringList& title,
                     const std::function<void(std::size_t, bool)>& prepare, const QStringList& stopList) {
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) {
        printer.setPageOrientation(QPageLayout::Portrait);
        return;
    }
    for (std::size_t i = 0; i < charts.size(); ++i) {
        JournalChart* chart = charts[i];
        if (i > 0) printer.newPage();
        if (prepare) prepare(i, true);
        chart->setTitleText(titleText(title));
        chart->render(painter, chartRect(painter), kPrintedChartSize);
        chart->setTitleText({});
        if (prepare) prepare(i, false);
    }
    if (!stopList.isEmpty()) {
        printer.newPage();
        drawStopList(printer, painter, stopList);
    }
    painter.end();
    printer.setPageOrientation(QPageLayout::Portrait);
}

void printPieChart(QPrinter& printer, QChart* chart, const QStringList& title) {
    QPainter painter;
    if (!painter.begin(&printer)) return;
    const QString keptTitle = chart->title();
    const QFont keptFont = chart->titleFont();
    const QSizeF keptSize = chart->size();
    QFont font = keptFont;
    font.setPointSize(kPieTitlePoints);
    chart->setTitleFont(font);
    chart->setTitle(titleText(title));
    chart->resize(kPrintedChartSize);
    chart->layout()->activate();
    chart->scene()->render(&painter, chartRect(painter), QRectF(chart->pos(), kPrintedChartSize));
    chart->resize(keptSize);
    chart->setTitleFont(keptFont);
    chart->setTitle(keptTitle);
    painter.end();
}

void runPrintCommand(QWidget* parent, const QString& documentName, bool landscape,
                     const std::function<void(QPrinter&)>& print) {
    PrintRequest request;
    request.documentName = documentName;
    request.orientation = landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    printWithDialog(parent, request, [&](QPrinter& printer, const PrintChoice&) { print(printer); });
}
