// Timed driver (run by hand, not a test): how long the graph pages take to show a journal and to
// redraw after one zoom step, for a full controller journal (1184 records) and for a well of
// 200,000 records from the database.
//   QT_QPA_PLATFORM=offscreen build/rel/bench_charts_show
// Each figure is the median of several runs and includes the drawing of the page (the widget is
// grabbed, so every pixel is painted).
#include "charts/all_graphs_page.h"
#include "charts/diagrams_page.h"
#include "charts/journal_chart.h"
#include "charts/one_graph_page.h"
#include "charts/chart_source.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "journal_samples.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A well's journal: one record every three minutes, a stop every 50 records and a start three
// records later, for `n` records.
vorsan::Journal wellJournal(std::size_t n) {
    vorsan::Journal j;
    j.records.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t minute = i * 3;
        const std::size_t day = minute / 1440;
        vorsan::JournalRecord r = samples::measurement(1, 0, 0, 0, vorsan::ControllerGeneration::Gen4);
        r.year = static_cast<std::uint16_t>(2010 + day / 336);
        r.month = static_cast<std::uint8_t>(1 + day / 28 % 12);
        r.day = static_cast<std::uint8_t>(1 + day % 28);
        r.hour = static_cast<std::uint8_t>(minute / 60 % 24);
        r.minute = static_cast<std::uint8_t>(minute % 60);
        r.UAB = static_cast<std::uint16_t>(370 + i % 23);
        if (i % 50 == 10 || i % 50 == 13) {
            // Event records carry no measurements.
            const vorsan::JournalRecord when = r;
            r = {};
            r.year = when.year;
            r.month = when.month;
            r.day = when.day;
            r.hour = when.hour;
            r.minute = when.minute;
            r.SOBYTIE = i % 50 == 10 ? static_cast<std::uint8_t>(i / 50 % 12) : 49;
        }
        j.records.push_back(r);
    }
    return j;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timed(const std::function<void()>& step, QWidget* page) {
    QElapsedTimer t;
    t.start();
    step();
    page->grab();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainWindow w;
    w.resize(1280, 900);
    w.show();
    if (!QTest::qWaitFor([&] { return w.state().journalImage != nullptr; })) return 1;
    auto* one = w.pages()->page<OneGraphPage>();
    auto* all = w.pages()->page<AllGraphsPage>();
    auto* diagrams = w.pages()->page<DiagramsPage>();

    struct Case {
        const char* name;
        vorsan::Journal journal;
    };
    const Case cases[] = {{"1184 records", wellJournal(1184)}, {"200000 records", wellJournal(200000)}};
    for (const auto& c : cases) {
        std::vector<double> show1, zoom1, wholeZoom1, show2, zoom2, pie;
        for (int run = 0; run < 5; ++run) {
            DatabaseJournal db;
            db.journal = c.journal;
            db.wellCaption = QStringLiteral("куст № 1 скважина № 2");
            one->source().useDatabase(std::move(db));
            w.pages()->showAllGraphs(false);
            show1.push_back(timed([&] { one->redraw(); }, one));
            zoom1.push_back(timed([&] { one->zoomInButton()->click(); }, one));
            // The worst case: every record in view before the step.
            one->chart()->undoZoom();
            wholeZoom1.push_back(timed([&] { one->zoomInButton()->click(); }, one));
            w.pages()->showAllGraphs(true);
            show2.push_back(timed([&] { all->redraw(); }, all));
            zoom2.push_back(timed([&] { all->zoomInButton()->click(); }, all));
            w.pages()->setCurrentIndex(kDiagramsPage);
            pie.push_back(timed([&] { diagrams->redraw(); }, diagrams));
        }
        std::printf("%-15s page 1 shown %6.1f ms, zoom step %5.1f ms (from the whole journal %5.1f ms); "
                    "page 2 shown %6.1f ms, zoom step %5.1f ms; diagram %5.1f ms\n",
                    c.name, median(show1), median(zoom1), median(wholeZoom1), median(show2), median(zoom2),
                    median(pie));
    }
    return 0;
}
