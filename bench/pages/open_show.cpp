// Opening a full journal file in the window and showing it: the time from the file's bytes in
// memory to the pages filled and the journal grid painted, the whole command with the file read,
// and the time to page through the grid. A full image holds 1152 records (generation 4) or 1118
// (generation 3). Prints the median and the worst of several runs.
#include "files/file_commands.h"
#include "journal/journal_file.h"
#include "journal/journal_page.h"
#include "common/whole_file.h"
#include "shared/data_views.h"
#include "window/main_window.h"

#include "journal_samples.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    std::vector<double> ms;
    void add(qint64 ns) { ms.push_back(static_cast<double>(ns) / 1e6); }
    void print(const char* what) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-48s median %7.2f ms   worst %7.2f ms   (%zu runs)\n", what, ms[ms.size() / 2],
                    ms.back(), ms.size());
    }
};

} // namespace

namespace {

int measure(MainWindow& w, const QString& dirPath, vorsan::ControllerGeneration g) {
    const QString path =
        QDir(dirPath).filePath(g == vorsan::ControllerGeneration::Gen4 ? "full.VR4" : "full.pr");
    const auto journal = samples::fullJournal(g);
    if (!samples::writeJournalFile(path, journal, g, samples::runningState())) return 1;
    auto* grid = w.views().journalPage()->grid();

    Figures show, open, scroll;
    constexpr int kRuns = 15;
    for (int run = 0; run < kRuns; ++run) {
        // The file is read first; the figure is what follows: container, decoding, rows, pages.
        const auto bytes = vorsan::readWholeFile(path.toStdString());
        QElapsedTimer t;
        t.start();
        const auto load = vorsan::loadJournalFile(bytes.bytes, g, {});
        w.views().showSettings(load.file.catalogue, QStringLiteral("Уставки:  ") + path);
        w.views().showJournal(load.file.generation, load.file.image);
        w.views().showPadAndWell();
        w.views().showCurrentState(load.file.state, load.file.stateStored);
        grid->viewport()->repaint();
        show.add(t.nsecsElapsed());
        if (w.state().journal.count() != journal.count()) {
            std::fprintf(stderr, "expected %zu records, got %zu\n", journal.count(),
                         w.state().journal.count());
            return 1;
        }

        // The whole command, reading the file included.
        t.restart();
        w.files().openJournalFile(path);
        grid->viewport()->repaint();
        open.add(t.nsecsElapsed());

        // Page by page to the end, each page painted.
        t.restart();
        auto* bar = grid->verticalScrollBar();
        int pages = 0;
        for (int v = 0; v <= bar->maximum(); v += std::max(1, bar->pageStep())) {
            bar->setValue(v);
            grid->viewport()->repaint();
            ++pages;
        }
        bar->setValue(0);
        scroll.add(t.nsecsElapsed() / std::max(1, pages));
    }
    std::printf("generation %d journal of %zu records, %d rows visible\n",
                g == vorsan::ControllerGeneration::Gen4 ? 4 : 3, w.state().journal.count(),
                grid->viewport()->height() / 16);
    show.print("  file bytes -> pages filled, grid painted");
    open.print("  \"Открыть файл журнала\", file read included");
    scroll.print("  one page of the grid scrolled and painted");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    MainWindow w;
    w.setDataDir(dir.path());
    w.resize(1067, 768);
    w.show();
    while (!w.state().journalImage)
        QApplication::processEvents();
    if (measure(w, dir.path(), vorsan::ControllerGeneration::Gen4) != 0) return 1;
    return measure(w, dir.path(), vorsan::ControllerGeneration::Gen3);
}
