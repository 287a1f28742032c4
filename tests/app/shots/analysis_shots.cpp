// Shows page "Анализ" with a journal of three months (a measurement every hour, a stop of a
// changing cause every day or two, a restart some hours later) opened as a file, and keeps the
// window up for the given seconds so that the X screen can be taken:
//   xvfb-run -s "-screen 0 1280x1024x24" sh -c 'build/rel/shot_analysis 8 & sleep 5; import -window root shot.png'
#include "analytics/analysis_page.h"
#include "files/file_commands.h"
#include "shared/commands.h"
#include "shared/page_index.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "journal_samples.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 8;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Куст12_Ск345.VR4"));
    vorsan::Journal j;
    const std::uint8_t causes[] = {3, 10, 0, 8, 15, 140, 1};
    bool running = false;
    int event = 0;
    for (int month = 3; month <= 5; ++month)
        for (int day = 1; day <= 28; ++day)
            for (int hour = 0; hour < 24; ++hour) {
                auto m = samples::measurement(day, hour, 0, 0, vorsan::ControllerGeneration::Gen4);
                m.month = static_cast<std::uint8_t>(month);
                m.SOP = static_cast<std::uint16_t>(900 - (month - 3) * 200 - day * 5);
                j.records.push_back(m);
                const int slot = (month * 28 + day) * 24 + hour;
                if (slot % (running ? 31 + (event * 13) % 29 : 5 + event % 4) != 0) continue;
                auto e = samples::at(day, hour, 30, 0, running ? causes[event % 7] : 49);
                e.month = static_cast<std::uint8_t>(month);
                j.records.push_back(e);
                running = !running;
                ++event;
            }
    if (!samples::writeJournalFile(file, j, vorsan::ControllerGeneration::Gen4, samples::runningState())) return 1;
    MainWindow w;
    w.setDataDir(dir.path());
    w.files().setDialogs({[&](QWidget*, const QString&, const QString&) { return file; },
                          [](QWidget*, const SaveRequest&) { return QString(); }});
    w.setOilfieldQuestion([] {});
    w.show();
    if (!QTest::qWaitFor([&] { return w.state().journalImage != nullptr; })) return 1;
    w.commands().action(vorsan::Command::OpenJournal)->trigger();
    w.pages()->setCurrentIndex(kAnalysisPage);
    QTest::qWait(seconds * 1000);
    return 0;
}
