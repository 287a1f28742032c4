// Screenshots of the journal, settings and current-state pages with a generation 4 journal file
// opened, taken of the whole X screen (run under Xvfb):
//   xvfb-run -s "-screen 0 1280x1024x24" build/release/shot_pages OUTDIR
#include "files/file_commands.h"
#include "journal/journal_page.h"
#include "shared/data_views.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "journal_samples.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool shoot(const QString& file) {
    QTest::qWait(400);
    return QProcess::execute(QStringLiteral("import"),
                             {QStringLiteral("-window"), QStringLiteral("root"), file}) == 0;
}

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir;

    // Every setting holds a value within its limits.
    auto settings = samples::settingsOf(vorsan::ControllerGeneration::Gen4);
    for (auto& e : settings.entries)
        if (e.value == vorsan::kUnknown16)
            e.value = static_cast<std::uint16_t>(e.editorKind == vorsan::EditorKind::choice ? e.minRaw + 1
                                                                                            : e.minRaw);
    auto state = samples::runningState();
    state.SOP = 500;
    state.ZAGR = 75;
    state.P = 10;
    state.T = 50;
    state.starts = 123;
    state.runHours = 1234;
    state.runMinutes = 5;
    state.turbineFrequency = 0;
    state.phaseOrder = 1;
    auto journal = samples::smallGen4();
    for (const auto& r : samples::fullJournal(vorsan::ControllerGeneration::Gen4).records)
        if (journal.records.size() < 200 && r.day > 5) journal.records.push_back(r);
    const QString file = dir.filePath("Куст12_Ск345.VR4");
    const auto image = samples::imageOf(journal, vorsan::ControllerGeneration::Gen4);
    if (!samples::writeFile(
            file, vorsan::journalFileBytes(vorsan::ControllerGeneration::Gen4, image, settings, state)))
        return 1;

    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    while (!w.state().journalImage)
        QApplication::processEvents();
    w.files().openJournalFile(file);
    auto* grid = w.views().journalPage()->grid();
    grid->selectRow(1);
    grid->selectionModel()->select(grid->model()->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    bool ok = shoot(QDir(out).filePath("journal_page.png"));
    w.pages()->setCurrentIndex(kSettingsPage);
    ok = shoot(QDir(out).filePath("settings_page.png")) && ok;
    w.pages()->setCurrentIndex(kCurrentStatePage);
    ok = shoot(QDir(out).filePath("current_state_page.png")) && ok;
    return ok ? 0 : 1;
}
