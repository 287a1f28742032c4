// Reads a generation 4 journal through the window from a simulated station paced at 9600 bit/s and
// reports the longest time the window's event loop did not run. With --shots DIR it saves what the
// screen shows: the current-state page, the progress window half-way, the journal after the read.
// With --monitor the line monitor is open during the read (and shot half-way).
#include "dialogs/progress_window.h"
#include "monitor/line_monitor_window.h"
#include "live/live_station.h"
#include "shared/commands.h"
#include "shared/connection_indicator.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "simulator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void shoot(MainWindow& window, const QString& dir, const QString& name) {
    if (dir.isEmpty()) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    QPixmap shot =
        QGuiApplication::platformName() == QLatin1String("offscreen") ? window.grab() : screen->grabWindow(0);
    const QString file = QDir(dir).filePath(name);
    std::printf("%s: %s\n", qPrintable(file), shot.save(file) ? "saved" : "NOT saved");
}

// Runs the window's event loop (never sleeping in it) until `done` holds or the time is up.
template <class F> bool waitUntil(F done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || clock.elapsed() > timeoutMs) loop.quit();
    });
    check.start(10);
    if (!done()) loop.exec();
    return done();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString shots;
    bool fast = false;
    bool monitor = false;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--fast")) fast = true;
        if (args[i] == QLatin1String("--monitor")) monitor = true;
        if (args[i] == QLatin1String("--shots") && i + 1 < args.size()) shots = args[++i];
    }
    if (!shots.isEmpty()) QDir().mkpath(shots);

    vorsan::sim::SimOptions options;
    options.gen4Addresses = {1, 5};
    options.fast = fast;
    options.seed = 3;
    vorsan::sim::Simulator sim(options);
    if (const std::string e = sim.start(); !e.empty()) {
        std::fprintf(stderr, "simulator: %s\n", e.c_str());
        return 1;
    }
    vorsan::CommandLine commandLine;
    commandLine.portDevice = sim.devicePath();
    QTemporaryDir dataDir;
    MainWindow window(commandLine);
    window.setDataDir(dataDir.path());
    window.show();
    auto& table = window.commands().table();
    if (!waitUntil([&] { return table.enabled(vorsan::Command::ReadJournal); }, 10000)) {
        std::fprintf(stderr, "no station found on %s\n", sim.devicePath().c_str());
        return 1;
    }

    if (!shots.isEmpty()) {
        window.pages()->setCurrentIndex(kCurrentStatePage);
        if (!waitUntil([&] { return window.live().watch().startStopButton()->isEnabled(); }, 10000))
            std::fprintf(stderr, "the current state was not read\n");
        (void)waitUntil([] { return false; }, 500);
        shoot(window, shots, QStringLiteral("current_state.png"));
        window.pages()->setCurrentIndex(kJournalPage);
    }
    if (monitor) {
        window.lineMonitor()->showAction()->trigger();
        window.lineMonitor()->move(window.x() + 200, window.y() + 150);
    }
    LiveSession& session = window.live().session();
    (void)waitUntil([&] { return !window.live().worker().busy(); }, 10000);

    // A beat every 2 ms on the window's thread: the longest gap between beats is the longest the
    // event loop was held up.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0, beats = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
        ++beats;
    });
    bool halfShot = false;
    QObject::connect(&session, &LiveSession::progressShown, [&](ProgressWindow* progress) {
        auto* watch = new QTimer(progress);
        QObject::connect(watch, &QTimer::timeout, [&, progress] {
            if (!halfShot && progress->value() >= 128) {
                halfShot = true;
                shoot(window, shots, QStringLiteral("journal_read_progress.png"));
                if (monitor && !shots.isEmpty()) {
                    const QString file = QDir(shots).filePath(QStringLiteral("monitor_journal_read.png"));
                    std::printf("%s: %s\n", qPrintable(file),
                                window.lineMonitor()->grab().save(file) ? "saved" : "NOT saved");
                }
            }
        });
        watch->start(50);
    });
    const qint64 started = clock.elapsed();
    last = started;
    beat.start(2);
    window.commands().action(vorsan::Command::ReadJournal)->trigger();
    (void)waitUntil([&] { return !session.commandRunning(); }, 120000);
    const qint64 took = clock.elapsed() - started;
    beat.stop();
    std::printf("journal read (%s%s): %lld ms, %lld beats, longest event-loop stall %lld ms, journal %s\n",
                fast ? "fast" : "9600 bit/s", monitor ? ", line monitor open" : "", took, beats, longest,
                window.state().journalLoaded ? "shown" : "NOT shown");
    if (monitor)
        std::printf("line monitor: longest drain %lld us, %d rows\n",
                    static_cast<long long>(window.lineMonitor()->longestDrainMicros()),
                    window.lineMonitor()->model()->rowCount());
    (void)waitUntil([] { return false; }, 300);
    shoot(window, shots, QStringLiteral("journal.png"));
    window.close();
    sim.stop();
    return window.state().journalLoaded ? 0 : 1;
}
