#include "print_dialog.h"

#include <QAbstractPrintDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

struct Unattended {
    QString pdfPath;
    bool selectionOnly = false;
};

Unattended& unattended()
{
    static Unattended value;
    return value;
}

void prepare(QPrinter& printer, const PrintRequest& request)
{
    printer.setDocName(request.documentName);
    printer.setCreator(QStringLiteral("ВОРСАН 4.074"));
    printer.setPageOrientation(request.orientation);
}

} // namespace

void setUnattendedPdfOutput(const QString& pdfPath, bool selectionOnly)
{
    unattended() = {pdfPath, selectionOnly};
}

bool printToPdf(const QString& pdfPath, const PrintRequest& request, const PrintRender& render,
                bool selectionOnly)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    prepare(printer, request);
    render(printer, PrintChoice{selectionOnly});
    return true;
}

bool printWithDialog(QWidget* parent, const PrintRequest& request, const PrintRender& render)
{
    if (!unattended().pdfPath.isEmpty())
        return printToPdf(unattended().pdfPath, request, render, unattended().selectionOnly);

    QPrinter printer(QPrinter::HighResolution);
    prepare(printer, request);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, request.offerSelection);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog may have changed the orientation; the printout's own layout decides it.
    printer.setPageOrientation(request.orientation);
    render(printer, PrintChoice{dialog.printRange() == QAbstractPrintDialog::Selection});
    return true;
}
