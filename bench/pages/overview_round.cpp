// The round of the page "Обзор линии" in the window against the simulator paced at 9600 bit/s with
// seven stations (1, 5, 7, 12, 33, 101, 247): the fast scan from the page, then rounds back to back
// (no 2 s period), each measured from its first request to its last answer on the window's
// thread. The same stations are then polled in a plain loop on the link without the window, and
// both are set against the pure line time of the bytes a round exchanges. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/release/bench_overview_round [rounds]
// Target: a round within the pure line time plus 15 ms a station.
#include "live/live_station.h"
#include "overview/line_overview.h"
#include "overview/overview_page.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "link/posix_serial_link.h"
#include "link/station_watch.h"
#include "simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const std::vector<std::uint8_t> kStations = {1, 5, 7, 12, 33, 101, 247};

// A station's poll: three 8-byte requests, two 37-byte state blocks and the 9-byte pad and well.
constexpr double kPollBytes = 3 * 8 + 37 + 37 + 9;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    vorsan::sim::SimOptions o;
    o.gen4Addresses = kStations;
    o.baud = 9600;
    vorsan::sim::Simulator sim(o);
    if (const std::string e = sim.start(); !e.empty()) {
        std::fprintf(stderr, "simulator: %s\n", e.c_str());
        return 1;
    }
    sim.withLine([](vorsan::sim::LineModel& m) {
        for (auto& s : m.stations)
            startStop(s, true);
    });
    QTemporaryDir dir;
    vorsan::CommandLine commandLine;
    commandLine.portDevice = sim.devicePath();
    std::vector<double> window;
    double scanS = 0;
    std::size_t found = 0;
    {
        MainWindow w(commandLine);
        w.setDataDir(dir.path());
        w.show();
        LineOverview& overview = w.overview();
        if (!QTest::qWaitFor([&] { return !w.state().dataDir.isEmpty() && !w.live().worker().busy(); },
                             10000))
            std::fprintf(stderr, "the window did not start\n");
        w.pages()->setCurrentIndex(kOverviewPage);
        QSignalSpy scanned(&overview, &LineOverview::scanEnded);
        QElapsedTimer took;
        took.start();
        overview.scan(false);
        scanned.wait(60000);
        scanS = static_cast<double>(took.elapsed()) / 1000.0;
        found = w.pages()->page<OverviewPage>()->model()->rows().size();
        overview.setRoundPeriod(0);
        QSignalSpy ended(&overview, &LineOverview::roundEnded);
        while (ended.count() < rounds + 1 && ended.wait(20000)) {
        }
        // The first round may have begun before the period was lifted: it is left out.
        for (int i = 1; i < ended.count(); ++i)
            window.push_back(static_cast<double>(ended.at(i).at(0).toLongLong()) / 1000.0);
    }
    // The same polls in a plain loop on the link, without the window.
    std::vector<double> plain;
    vorsan::PosixSerialLink link;
    if (link.open(sim.devicePath(), 9600).ok()) {
        std::vector<vorsan::StationRow> rows(kStations.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i].address = kStations[i];
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer t;
            t.start();
            for (auto& row : rows)
                vorsan::pollStationRow(link, row, std::chrono::system_clock::now());
            plain.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
        link.close();
    }
    sim.stop();
    const double pure = kPollBytes * 10.0 / 9600.0 * 1000.0 * static_cast<double>(kStations.size());
    const double round = median(window);
    std::printf("scan: %zu of %zu stations in %.2f s\n", found, kStations.size(), scanS);
    std::printf("pure line time of a round: %.1f ms (%zu stations x %.0f bytes at 9600 bit/s)\n", pure,
                kStations.size(), kPollBytes);
    std::printf("window round: median %.1f ms, worst %.1f ms over %zu rounds; %.1f ms a station beyond "
                "the line time\n",
                round, window.empty() ? 0 : *std::max_element(window.begin(), window.end()), window.size(),
                (round - pure) / static_cast<double>(kStations.size()));
    std::printf("plain loop round: median %.1f ms; %.1f ms a station beyond the line time\n", median(plain),
                (median(plain) - pure) / static_cast<double>(kStations.size()));
    const bool ok = found == kStations.size() && !window.empty() &&
                    round <= pure + 15.0 * static_cast<double>(kStations.size());
    std::printf("target (line time + 15 ms a station = %.1f ms): %s\n",
                pure + 15.0 * static_cast<double>(kStations.size()), ok ? "met" : "MISSED");
    return ok ? 0 : 2;
}
