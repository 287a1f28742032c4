// Screenshots of the graph and diagram pages with a journal file opened (one read from the
// simulator, e.g. `vorsan-cli read-journal --port ... -o well.VR4`) and with a well's journal of
// 3000 records as the database page would hand it over; taken of the whole X screen:
//   xvfb-run -s "-screen 0 1280x1024x24" build/rel/shot_charts OUTDIR FILE.VR4
#include "charts/all_graphs_page.h"
#include "charts/diagrams_page.h"
#include "charts/journal_chart.h"
#include "charts/one_graph_page.h"
#include "files/file_commands.h"
#include "journal/journal_page.h"
#include "print/print_dialog.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "journal_samples.h"

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool shoot(const QString& file) {
    QTest::qWait(400);
    return QProcess::execute(QStringLiteral("import"),
                             {QStringLiteral("-window"), QStringLiteral("root"), file}) == 0;
}

// Two weeks of a well: a record every 7 minutes, a stop every 60 records for one of four causes,
// started again 6 records later; the load and currents follow a slow swing.
DatabaseJournal wellJournal() {
    DatabaseJournal db;
    for (int i = 0; i < 3000; ++i) {
        const int minute = i * 7;
        auto r = samples::measurement(1 + minute / 1440, minute / 60 % 24, minute % 60, 0,
                                      vorsan::ControllerGeneration::Gen4);
        const int swing = (i / 40) % 10;
        r.UAB = static_cast<std::uint16_t>(372 + swing + i % 3);
        r.UBC = static_cast<std::uint16_t>(368 + swing);
        r.UCA = static_cast<std::uint16_t>(375 + swing - i % 2);
        r.IA = 20.0 + swing;
        r.IB = 19.5 + swing;
        r.IC = 20.5 + swing;
        r.ZAGR = static_cast<std::uint16_t>(60 + 2 * swing);
        const std::uint8_t causes[] = {3, 0, 10, 6};
        if (i % 60 == 30) r = samples::at(r.day, r.hour, r.minute, 0, causes[(i / 60) % 4]);
        if (i % 60 == 36) r = samples::at(r.day, r.hour, r.minute, 0, 49);
        if (i % 60 > 30 && i % 60 < 36) r.UAB = r.UBC = r.UCA = 0, r.IA = r.IB = r.IC = 0, r.ZAGR = 0;
        db.journal.records.push_back(r);
    }
    db.wellCaption = QStringLiteral("куст № 7 скважина № 77");
    db.oilfield = QStringLiteral("Северное");
    db.pad = 7;
    db.well = 77;
    return db;
}

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: shot_charts OUTDIR FILE.VR4\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString file = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir dir;

    MainWindow w;
    w.setDataDir(dir.path());
    w.setOilfieldQuestion([] {});
    w.show();
    while (!w.state().journalImage)
        QApplication::processEvents();
    w.files().openJournalFile(file);
    auto* pages = w.pages();
    auto* one = pages->page<OneGraphPage>();
    auto* all = pages->page<AllGraphsPage>();
    auto* diagrams = pages->page<DiagramsPage>();

    pages->setCurrentIndex(kGraphPage);
    bool ok = shoot(out.filePath(QStringLiteral("graph_voltages.png")));
    one->quantityButton(vorsan::Quantity::current)->click();
    for (int k = 0; k < 12; ++k) one->zoomInButton()->click();
    ok = shoot(out.filePath(QStringLiteral("graph_currents_zoomed.png"))) && ok;
    one->quantityButton(vorsan::Quantity::pressureTemperature)->click();
    ok = shoot(out.filePath(QStringLiteral("graph_pressure_temperature.png"))) && ok;
    one->switchButton()->click();
    ok = shoot(out.filePath(QStringLiteral("graphs_all.png"))) && ok;

    auto* grid = w.views().journalPage()->grid();
    const int rows = grid->model()->rowCount();
    grid->selectionModel()->select(QItemSelection(grid->model()->index(rows / 4, 0), grid->model()->index(rows / 2, 0)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    pages->setCurrentIndex(kDiagramsPage);
    ok = shoot(out.filePath(QStringLiteral("diagram_work_idle.png"))) && ok;
    diagrams->causesChoice()->click();
    ok = shoot(out.filePath(QStringLiteral("diagram_causes.png"))) && ok;

    // A well from the database: the latest 1000 records in view, counted from 0.
    one->showDatabaseJournal(wellJournal());
    pages->showAllGraphs(false);
    ok = shoot(out.filePath(QStringLiteral("graph_database_well.png"))) && ok;
    all->showDatabaseJournal(wellJournal());
    ok = shoot(out.filePath(QStringLiteral("graphs_all_database_well.png"))) && ok;
    diagrams->showDatabaseJournal(wellJournal());
    ok = shoot(out.filePath(QStringLiteral("diagram_causes_database_well.png"))) && ok;

    // The printouts as PDF files (look at them with pdftoppm -png -r 60).
    setUnattendedPdfOutput(out.filePath(QStringLiteral("print_diagram.pdf")));
    w.commands().slotAction(CommandSlot::Print)->trigger();
    one->showDatabaseJournal(wellJournal());
    setUnattendedPdfOutput(out.filePath(QStringLiteral("print_graph.pdf")));
    w.commands().slotAction(CommandSlot::Print)->trigger();
    all->showDatabaseJournal(wellJournal());
    setUnattendedPdfOutput(out.filePath(QStringLiteral("print_all_graphs.pdf")));
    w.commands().slotAction(CommandSlot::Print)->trigger();
    setUnattendedPdfOutput({});
    return ok ? 0 : 1;
}
