// The page "Обзор линии" against a line of stations (a vorsan-sim program on a pseudo-terminal):
// the window opens on DEVICE, shows the page, runs "Найти все станции" and keeps polling for the
// given seconds, saving the window as OUTDIR/overview-scanned.png after the scan's first rounds
// and OUTDIR/overview-late.png at the end, then the line monitor as OUTDIR/monitor.png. Run under Xvfb, with
// the X screen taken meanwhile:
//   vorsan-sim --gen4 1,5,7,12,33,101,247 --stop-cycle 5:20 --silence-cycle 33:25 --link /tmp/line &
//   xvfb-run -s "-screen 0 1280x1024x24" sh -c 'build/release/shot_overview /tmp/line /tmp 60 &
//     sleep 50; import -window root shot.png; wait'
#include "monitor/line_monitor_window.h"
#include "overview/line_overview.h"
#include "overview/overview_page.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: shot_overview DEVICE OUTDIR [seconds]\n");
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const int seconds = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 40;
    QTemporaryDir data;
    vorsan::CommandLine commandLine;
    commandLine.portDevice = argv[1];
    MainWindow w(commandLine);
    w.setDataDir(data.path());
    w.show();
    QElapsedTimer clock;
    clock.start();
    if (!QTest::qWaitFor([&] { return !w.state().dataDir.isEmpty(); }, 10000)) return 1;
    QTest::qWait(2500); // the probe has found the station at address 1
    w.pages()->setCurrentIndex(kOverviewPage);
    QSignalSpy scanned(&w.overview(), &LineOverview::scanEnded);
    w.overview().scan(false);
    scanned.wait(120000);
    QSignalSpy rounds(&w.overview(), &LineOverview::roundEnded);
    while (rounds.count() < 3 && rounds.wait(10000)) {
    }
    w.grab().save(out.filePath(QStringLiteral("overview-scanned.png")));
    std::printf("scanned after %.1f s: %zu stations\n", static_cast<double>(clock.elapsed()) / 1000.0,
                w.pages()->page<OverviewPage>()->model()->rows().size());
    std::fflush(stdout);
    QTest::qWait(std::max(0, seconds * 1000 - static_cast<int>(clock.elapsed())));
    w.grab().save(out.filePath(QStringLiteral("overview-late.png")));
    // Then the line monitor over the probe of the journal page: OUTDIR/monitor.png.
    w.pages()->setCurrentIndex(kJournalPage);
    w.lineMonitor()->showAction()->trigger();
    QTest::qWait(7000);
    w.lineMonitor()->grab().save(out.filePath(QStringLiteral("monitor.png")));
    return 0;
}
