#pragma once
// Printing the graphs and diagrams into a printer the user has chosen already (a paper printer
// or a PDF file). Every chart is laid out as if it were 1200 × 900 and scaled into its page less
// a margin of one twentieth of the page on each side; the charts on screen keep their size.
#include <QStringList>

#include <functional>
#include <vector>

class JournalChart;
class QChart;
class QPrinter;
class QWidget;

// One chart per landscape page with `title` over it (one title line a string); the printer is set
// back to portrait afterwards. `prepare(i, printing)` may change chart i before (true) and after
// (false) it is drawn. `stopList`, when not empty, follows on portrait pages of its own in the same
// print job (so a PDF holds both): 10-point black lines under the heading "Причины останова за
// период, выведенный на график:", laid out as the settings list.
void printChartPages(QPrinter& printer, const std::vector<JournalChart*>& charts, const QStringList& title,
                     const std::function<void(std::size_t, bool)>& prepare = {},
                     const QStringList& stopList = {});

// A pie chart on one page with a 14-point title of the given lines.
void printPieChart(QPrinter& printer, QChart* chart, const QStringList& title);

// The print command of a chart page: the shared print dialog (or, in tests and scripts, straight
// into a PDF file), then `print` into the chosen printer.
void runPrintCommand(QWidget* parent, const QString& documentName, bool landscape,
                     const std::function<void(QPrinter&)>& print);
