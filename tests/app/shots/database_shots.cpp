// Screenshots of the database tab with a well added from a simulated station: the journal is read
// from the simulator through the window, "Да" with the oilfield "Новое" adds it, and the X screen
// is taken (run under Xvfb):
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/rel/shot_database OUTDIR
// Shots: the question, the tab with the added rows, its settings page, the well reselected (no
// row blue), the find dialog and the open-by-pad-and-well dialog.
#include "database/add_to_database_dialog.h"
#include "database/database_commands.h"
#include "database/database_page.h"
#include "database/find_well_dialog.h"
#include "database/open_well_dialog.h"
#include "journal/journal_model.h"
#include "live/live_station.h"
#include "shared/commands.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "simulator.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>

namespace {

QString out;

void shoot(const QString& name) {
    QTest::qWait(500);
    const QString file = QDir(out).filePath(name);
    const int rc = QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    std::printf("%s: %s\n", qPrintable(file), rc == 0 ? "saved" : "NOT saved");
}

template <class F> bool waitUntil(F done, int timeoutMs) {
    for (int waited = 0; !done() && waited < timeoutMs; waited += 20)
        QTest::qWait(20);
    return done();
}

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);

    vorsan::sim::SimOptions options;
    options.gen4Addresses = {1};
    options.fast = true;
    options.seed = 5;
    vorsan::sim::Simulator sim(options);
    if (const std::string e = sim.start(); !e.empty()) {
        std::fprintf(stderr, "simulator: %s\n", e.c_str());
        return 1;
    }
    vorsan::CommandLine commandLine;
    commandLine.portDevice = sim.devicePath();
    QTemporaryDir dataDir;
    MainWindow w(commandLine);
    w.setDataDir(dataDir.path());
    w.show();
    auto& table = w.commands().table();
    if (!waitUntil([&] { return table.enabled(vorsan::Command::ReadJournal); }, 15000)) return 1;
    DatabaseCommands& db = w.database();
    // The journal read twice: the second read adds rows the first did not have (the station's
    // clock went on), so the well shows old rows black and the new ones blue.
    for (int read = 0; read < 2; ++read) {
        waitUntil([&] { return !w.live().worker().busy(); }, 10000);
        w.commands().action(vorsan::Command::ReadJournal)->trigger();
        if (!waitUntil([&] { return db.question() && db.question()->isVisible(); }, 120000)) return 1;
        AddToDatabaseDialog* q = db.question();
        q->yesButton()->click();
        q->oilfieldList()->setEditText(QStringLiteral("Новое"));
        if (read == 1) shoot(QStringLiteral("db_question.png"));
        q->yesButton()->click();
        waitUntil([&] { return db.idle(); }, 60000);
        if (read == 0) QTest::qWait(3000);
    }
    shoot(QStringLiteral("db_tab_added.png"));
    db.page()->bottomPages()->setCurrentIndex(1);
    shoot(QStringLiteral("db_settings.png"));
    db.page()->bottomPages()->setCurrentIndex(0);

    // The well chosen again in the tree: nothing blue.
    QTreeWidget* tree = db.page()->tree();
    QTreeWidgetItem* node = tree->currentItem();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(0)).center());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    waitUntil([&] { return db.idle(); }, 60000);
    shoot(QStringLiteral("db_tab_reselected.png"));
    const auto lastColour = [&] {
        auto* m = db.page()->journalModel();
        return m->index(m->rowCount() - 30, 1).data(JournalModel::ColourRole).toUInt();
    };
    std::printf("last row's date colour after reselecting: %06x\n", lastColour());

    w.commands().action(vorsan::Command::FindWell)->trigger();
    waitUntil([&] { return db.idle(); }, 10000);
    std::printf("after FindWell: %06x\n", lastColour());
    db.findDialog()->padEdit()->setText(QStringLiteral("2"));
    db.findDialog()->findButton()->click();
    std::printf("after Найти: %06x\n", lastColour());
    int operations = 0;
    QObject::connect(&db, &DatabaseCommands::operationDone, [&] { ++operations; });
    shoot(QStringLiteral("db_find.png"));
    std::printf("after the shot: %06x, %d operations meanwhile\n", lastColour(), operations);
    db.findDialog()->closeButton()->click();

    w.commands().action(vorsan::Command::OpenDatabase)->trigger();
    if (db.openDialog()) shoot(QStringLiteral("db_open.png"));
    w.close();
    sim.stop();
    return 0;
}
