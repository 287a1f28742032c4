#pragma once
#include <QPageLayout>
#include <QString>
#include <functional>

class QPrinter;
class QWidget;

// The one way the window prints: every print command (journal table, settings list, graphs,
// diagrams) goes through printWithDialog, so the dialog, the PDF choice and cancelling behave
// alike everywhere.

struct PrintRequest {
    QString documentName;                 // job name in the printer queue, PDF title
    bool offerSelection = false;          // the journal commands offer "selection" as the range
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

struct PrintChoice {
    bool selectionOnly = false;           // the user chose the "selection" range
};

using PrintRender = std::function<void(QPrinter&, const PrintChoice&)>;

// Shows the print dialog; on OK calls `render` with the chosen printer (a real printer or a PDF
// file, as the user chose in the dialog) and returns true. On Cancel nothing is printed and it
// returns false.
bool printWithDialog(QWidget* parent, const PrintRequest& request, const PrintRender& render);

// Unattended printing for tests and scripted runs: while a path is set, printWithDialog shows no
// dialog and renders straight into that PDF file (with `selectionOnly` as the user's range).
// An empty path restores the dialog.
void setUnattendedPdfOutput(const QString& pdfPath, bool selectionOnly = false);

// Renders into a PDF file without any dialog (the command-line tool's print command).
bool printToPdf(const QString& pdfPath, const PrintRequest& request, const PrintRender& render,
                bool selectionOnly = false);
