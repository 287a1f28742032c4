// The recorder page with a dozen chronologies against the simulator, and the time of a batch load
// (run by hand):
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/rel/shot_recorder OUT.png
//   QT_QPA_PLATFORM=offscreen build/rel/shot_recorder --batch 6   (paced at 115200 bit/s)
// The batch marks the first N loadable entries, loads them into a scratch database under the
// oilfield "Замер" and prints the seconds taken against the bare line time of the same traffic.
#include "database/add_to_database_dialog.h"
#include "live/live_station.h"
#include "recorder/recorder_commands.h"
#include "recorder/recorder_page.h"
#include "window/main_window.h"
#include "window/page_control.h"
#include "shared/page_index.h"

#include "simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int batch = args.size() > 2 && args[1] == QLatin1String("--batch") ? args[2].toInt() : 0;
    vorsan::sim::SimOptions o;
    o.fast = batch == 0;
    o.seed = 5;
    o.recorderEntries = 12;
    vorsan::sim::Simulator sim(o);
    if (const std::string e = sim.start(); !e.empty()) {
        std::fprintf(stderr, "simulator: %s\n", e.c_str());
        return 1;
    }
    QTemporaryDir dir;
    vorsan::CommandLine commandLine;
    commandLine.portDevice = sim.devicePath();
    auto window = std::make_unique<MainWindow>(commandLine);
    window->setDataDir(dir.path());
    window->show();
    RecorderCommands& recorder = window->recorder();
    QSignalSpy shown(&recorder, &RecorderCommands::directoryShown);
    if (!shown.wait(60000)) return 2;
    window->pages()->setCurrentIndex(kRecorderPage);
    if (batch == 0) {
        recorder.page().entryMark(2)->setChecked(true);
        recorder.page().entryMark(5)->setChecked(true);
        QTest::qWait(500);
        const QString file = args.value(1, QStringLiteral("recorder.png"));
        return window->grab().save(file) ? 0 : 3;
    }
    window->state().settings.recorderSpeed = 115200;
    int marked = 0, directoryEntries = 0;
    for (int i = 1; i <= recorder.page().entryCount(); ++i) {
        ++directoryEntries;
        if (marked < batch && recorder.page().entryMark(i)->isEnabled()) {
            recorder.page().entryMark(i)->setChecked(true);
            ++marked;
        }
    }
    QTest::qWait(3000); // the probe's turn passes
    QTimer::singleShot(100, [] {
        auto* d = qobject_cast<AddToDatabaseDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        d->oilfieldList()->setEditText(QStringLiteral("Замер"));
        QTest::keyClick(d->oilfieldList()->lineEdit(), Qt::Key_Return);
    });
    QSignalSpy done(&recorder, &RecorderCommands::batchDone);
    QElapsedTimer t;
    recorder.page().loadMarkedButton()->click(); // returns after the oilfield was chosen
    t.start();
    if (!done.wait(600000)) return 4;
    const double seconds = double(t.elapsed()) / 1000;
    // Ten bits a byte. Per chronology: two speed codes (8 + 8 bytes each), 256 journal blocks
    // (8 + 133) and 16 settings blocks (8 + 37) at 115200; the directory read again at 9600.
    const double perEntry = (2.0 * 16 + 256 * 141 + 16 * 45) * 10 / 115200;
    const double directory = directoryEntries * 2 * (8 + 13) * 10.0 / 9600;
    std::printf("batch of %d (added %d): %.2f s; line time %.2f s (chronologies %.2f s + directory %.2f s)\n",
                marked, done.at(0).at(0).toInt(), seconds, marked * perEntry + directory, marked * perEntry,
                directory);
    window.reset();
    sim.stop();
    return 0;
}
