// Shows page "Анализ" and keeps the window up for the given seconds so that the X screen can be
// taken:
//   xvfb-run -s "-screen 0 1280x1024x24" sh -c 'build/rel/shot_analysis 8 & sleep 5; import -window root shot.png'
// With no second argument (or "journal"): a journal of three months (a measurement every three
// hours, the insulation resistance falling towards the protection's setpoint, a stop of a
// changing cause every day or two, a restart some hours later) opened as a file. "wells": the
// database tab with the table of an oilfield of twelve wells (each with such a journal of its
// own) clicked in its tree. "report FILE.pdf": the page's well report of the journal printed
// into FILE.pdf. With FILE.png after "journal" or "wells" the window is drawn into that picture
// once it shows what it should, and the program ends (scripts/screenshots takes the guide's so).
#include "analytics/analysis_page.h"
#include "analytics/well_table_view.h"
#include "database/database_commands.h"
#include "database/database_page.h"
#include "files/file_commands.h"
#include "journal/journal_file.h"
#include "print/print_dialog.h"
#include "shared/commands.h"
#include "shared/page_index.h"
#include "window/main_window.h"
#include "window/page_control.h"
#include "wells/well_database_state.h"

#include "journal_samples.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

constexpr auto G4 = vorsan::ControllerGeneration::Gen4;

vorsan::Journal threeMonths(int seed) {
    vorsan::Journal j;
    const std::uint8_t causes[] = {3, 10, 0, 8, 15, 140, 1};
    bool running = false;
    int event = seed;
    for (int month = 3; month <= 5; ++month)
        for (int day = 1; day <= 28; ++day)
            for (int hour = 0; hour < 24; ++hour) {
                const int slot = (month * 28 + day) * 24 + hour;
                if (hour % 3 == 0) {
                    auto m = samples::measurement(day, hour, 0, 0, G4);
                    m.month = static_cast<std::uint8_t>(month);
                    m.SOP = static_cast<std::uint16_t>(1500 - (slot - 3 * 28 * 24) * (4 + seed % 5) / 24 + (slot * 37) % 60);
                    j.records.push_back(m);
                }
                if (slot % (running ? 31 + (event * 13) % (29 + seed) : 5 + event % 4) != 0) continue;
                auto e = samples::at(day, hour, 30, 0, running ? causes[event % 7] : 49);
                e.month = static_cast<std::uint8_t>(month);
                j.records.push_back(e);
                running = !running;
                ++event;
            }
    return j;
}

// The catalogue of the well with the low-resistance protection on at 200 kOhm.
vorsan::SettingsCatalogue protectedSettings(std::uint16_t well) {
    auto c = samples::settingsOf(G4);
    c.byNumber(vorsan::kGen4WellNumber)->value = well;
    c.byNumber(70)->value = 1;
    c.byNumber(71)->value = 200;
    return c;
}

bool fillOilfield(const QString& dir) {
    vorsan::wells::Outcome o;
    auto db = vorsan::wells::WellDatabase::open(QDir(dir).filePath("bd").toStdString(), ',', o);
    if (!db) return false;
    for (int w = 0; w < 12; ++w) {
        const auto j = threeMonths(w * 3);
        vorsan::SettingsSet s(vorsan::settingCount(G4), 0);
        s[std::size_t(vorsan::kGen4PadNumber - vorsan::kFirstSettingNumber)] = std::uint16_t(10 + w / 5);
        s[std::size_t(vorsan::kGen4WellNumber - vorsan::kFirstSettingNumber)] = std::uint16_t(300 + w);
        s[std::size_t(70 - vorsan::kFirstSettingNumber)] = 1;
        s[std::size_t(71 - vorsan::kFirstSettingNumber)] = 200;
        if (!db->addJournal("Северное", {&j, G4, s}).ok) return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 8;
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Куст12_Ск345.VR4"));
    const auto j = threeMonths(0);
    if (!samples::writeFile(file, vorsan::journalFileBytes(G4, samples::imageOf(j, G4), protectedSettings(345),
                                                           samples::runningState())))
        return 1;
    if (mode == QStringLiteral("wells") && !fillOilfield(dir.path())) return 1;
    MainWindow w;
    w.setDataDir(dir.path());
    w.files().setDialogs({[&](QWidget*, const QString&, const QString&) { return file; },
                          [](QWidget*, const SaveRequest&) { return QString(); }});
    w.setOilfieldQuestion([] {});
    // A picture has the size the window takes on a screen of 1280 × 1024.
    if (argc > 3 && mode != QStringLiteral("report")) w.resize(1066, 768);
    w.show();
    if (!QTest::qWaitFor([&] { return w.state().journalImage != nullptr; })) return 1;
    auto* page = w.pages()->page<AnalysisPage>();
    const QString picture = argc > 3 && mode != QStringLiteral("report") ? QString::fromLocal8Bit(argv[3]) : QString();
    // The window as it is drawn now, into `picture`; or the window kept up for the X screen.
    const auto finish = [&] {
        if (picture.isEmpty()) {
            QTest::qWait(seconds * 1000);
            return 0;
        }
        QTest::qWait(500);
        return w.grab().save(picture) ? 0 : 1;
    };
    if (mode == QStringLiteral("wells")) {
        // The oilfield's node clicked in the database tree.
        w.pages()->setCurrentIndex(kDatabasePage);
        QTreeWidget* tree = w.database().page()->tree();
        if (!QTest::qWaitFor([&] { return tree->topLevelItemCount() > 1; })) return 1;
        QTreeWidgetItem* field = tree->topLevelItem(1);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(field).center());
        auto* wells = w.findChild<WellTableView*>();
        if (!wells || !QTest::qWaitFor([&] { return wells->tablesShown() > 0; }, 20000)) return 1;
        return finish();
    }
    w.commands().action(vorsan::Command::OpenJournal)->trigger();
    const int before = page->shownCount();
    w.pages()->setCurrentIndex(kAnalysisPage);
    if (mode == QStringLiteral("report") && argc > 3) {
        if (!QTest::qWaitFor([&] { return page->shownCount() > before; })) return 1;
        setUnattendedPdfOutput(QString::fromLocal8Bit(argv[3]));
        w.commands().action(vorsan::Command::PrintWellReport)->trigger();
        return 0;
    }
    if (!QTest::qWaitFor([&] { return page->shownCount() > before; })) return 1;
    return finish();
}
