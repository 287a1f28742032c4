#include "charts/chart_printing.h"

#include "charts/graph_rules.h"
#include "charts/journal_chart.h"
#include "print/print_dialog.h"
#include "print/report_painter.h"
#include "report/page_layout.h"

#include <QChart>
#include <QFont>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QPrinter>

namespace {

constexpr QSizeF kPrintedChartSize(1200, 900);
constexpr int kPieTitlePoints = 14;

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

// The stop list after the charts, in the same print job: portrait pages in the units of the text
// reports (the printer takes a new page layout at the next page).
void printStopList(QPrinter& printer, QPainter& painter, const QStringList& lines) {
    printer.setPageOrientation(QPageLayout::Portrait);
    if (!printer.newPage()) return;
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(lines.size()));
    for (const auto& l : lines) texts.push_back(l.toStdString());
    const auto document = vorsan::layoutStopList(vorsan::kStopListHeading, texts,
                                                 printMetrics(printer, vorsan::kStopListFontSize));
    paintReportPages(painter, printer, document, vorsan::kStopListFontSize);
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
    if (!stopList.isEmpty()) printStopList(printer, painter, stopList);
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
