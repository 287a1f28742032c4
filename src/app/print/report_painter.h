#pragma once
// Draws the text reports the core lays out (journal table, settings list) on a printer or a PDF
// writer. Uses QtGui only, so the command-line tool prints without a display.
#include "report/page_layout.h"
#include "report/well_report.h"

#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

// `pointSize`, or a smaller size when `widthInZeros` widths of "0" would not fit the printable
// width of `device` (a narrow page or wide margins): the table then shrinks instead of being cut.
double fittedPointSize(QPaintDevice& device, int pointSize, int widthInZeros);

// The metrics the layout needs, measured on `device` with the report font of `pointSize`.
vorsan::PrintMetrics printMetrics(QPaintDevice& device, double pointSize);

// Draws every page of `document` on `device` with the report font of `pointSize` (one device page
// per report page). Returns false when the device refuses to paint (a printer that cannot start
// the document); a document without pages draws nothing and returns true.
bool paintReport(QPagedPaintDevice& device, const vorsan::ReportDocument& document, double pointSize);

// The same into a painter already active on `device`: the first report page goes on the device's
// current page, each further one on a new page (a text list after charts in one print job).
bool paintReportPages(QPainter& painter, QPagedPaintDevice& device, const vorsan::ReportDocument& document,
                      double pointSize);

// Lays out and draws the journal table; the rows to print are in `input`.
bool printJournalTable(QPagedPaintDevice& device, const vorsan::JournalTableInput& input);

// Lays out and draws the settings list.
bool printSettingsList(QPagedPaintDevice& device, const QString& title,
                       const std::vector<vorsan::SettingsListRow>& rows);

// Lays out and draws the one-page well report (numbers with `separator`).
bool printWellReport(QPagedPaintDevice& device, const vorsan::WellReport& report, char separator);
