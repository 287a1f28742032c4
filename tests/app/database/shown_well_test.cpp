// The well the database tab shows is the well its commands act on, also after the recorder's
// chronologies were loaded into the database behind it: the real window against the simulator's
// recorder on a pseudo-terminal, the tables read back afterwards.
#include "database/add_to_database_dialog.h"
#include "database/database_commands.h"
#include "database/database_page.h"
#include "files/file_dialogs.h"
#include "live/live_station.h"
#include "recorder/recorder_commands.h"
#include "recorder/recorder_page.h"
#include "shared/commands.h"
#include "window/main_window.h"
#include "window_on_line.h"
#include "window/page_control.h"

#include "db/well_database.h"
#include "settings/catalogue.h"
#include "simulator.h"
#include "text/cp1251.h"
#include "wells/well_database_state.h"
#include "wells/well_file.h"

#include "modal_boxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <functional>

using vorsan::Command;
using vorsan::ControllerGeneration;
using vorsan::wells::Outcome;
using vorsan::wells::WellDatabase;
using vorsan::wells::WellId;

namespace {

const WellId kShown{"Новое", 1, 1};
const WellId kOther{"Новое", 1, 2};

vorsan::Journal minutes(int first, int count) {
    vorsan::Journal j;
    for (int m = first; m < first + count; ++m) {
        vorsan::JournalRecord r;
        r.year = 2024;
        r.month = 3;
        r.day = 1;
        r.hour = std::uint8_t(m / 60);
        r.minute = std::uint8_t(m % 60);
        r.SOBYTIE = 255;
        r.UAB = std::uint16_t(380 + m);
        r.SOP = 65535;
        r.COS_ = 255;
        j.records.push_back(r);
    }
    return j;
}

vorsan::wells::JournalToAdd toAdd(const vorsan::Journal& j, const WellId& w) {
    vorsan::SettingsSet s(vorsan::settingCount(ControllerGeneration::Gen4), 1);
    s[std::size_t(vorsan::kGen4PadNumber - vorsan::kFirstSettingNumber)] = w.pad;
    s[std::size_t(vorsan::kGen4WellNumber - vorsan::kFirstSettingNumber)] = w.well;
    return {&j, ControllerGeneration::Gen4, s};
}

std::unique_ptr<WellDatabase> openDb(const QString& dir) {
    Outcome o;
    auto db = WellDatabase::open(QDir(dir).filePath("bd").toStdString(), ',', o);
    if (!db) qWarning("%s %s", o.message.c_str(), o.detail.c_str());
    return db;
}

// What the database holds of one well: its rows and its snapshot's moment ("" without one).
struct Held {
    std::size_t rows = 0;
    std::string moment;
};
Held held(WellDatabase& db, const WellId& w) {
    Held h;
    if (!db.showWell(w).ok) return h;
    h.rows = db.journal().journal.count();
    if (db.settings().present) h.moment = db.settings().momentText;
    return h;
}

// A database of the shown well and one more, the simulator's recorder, the window with the shown
// well chosen in the tree, then the recorder's first chronology loaded into the database.
struct Bench {
    vorsan::ScaledLinkClock clock{2};
    vorsan::sim::Simulator sim{options()};
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    WellId loaded; // the chronology's well
    std::size_t loadedRows = 0;

    static vorsan::sim::SimOptions options() {
        vorsan::sim::SimOptions o;
        o.fast = true;
        o.seed = 5;
        o.recorderEntries = 3;
        return o;
    }
    bool start() {
        {
            auto db = openDb(dir.path());
            if (!db) return false;
            const auto five = minutes(0, 5);
            if (!db->addJournal(kShown.oilfield, toAdd(five, kShown)).ok) return false;
            if (!db->addJournal(kOther.oilfield, toAdd(five, kOther)).ok) return false;
        }
        if (!sim.start().empty()) return false;
        window = windowOnLine(sim.devicePath(), clock, dir.path());
        QSignalSpy directory(&window->recorder(), &RecorderCommands::directoryShown);
        if (!directory.wait(15000)) return false;
        chooseShownWell();
        return loadFirstChronology();
    }
    void chooseShownWell() {
        window->pages()->setCurrentIndex(kDatabasePage);
        settle();
        QTreeWidget* tree = page()->tree();
        tree->expandAll();
        const auto nodes = tree->findItems(QStringLiteral("Скважина 1"), Qt::MatchExactly | Qt::MatchRecursive);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(nodes.front()).center());
        settle();
    }
    bool loadFirstChronology() {
        for (int i = 0; i < 200 && (window->live().worker().busy() || window->live().session().commandRunning()); ++i)
            QTest::qWait(20);
        window->recorder().page().entryMark(1)->click();
        QTimer::singleShot(50, [] {
            auto* d = qobject_cast<AddToDatabaseDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            d->oilfieldList()->setEditText(QStringLiteral("Новое"));
            QTest::keyClick(d->oilfieldList()->lineEdit(), Qt::Key_Return);
        });
        QSignalSpy done(&window->recorder(), &RecorderCommands::batchDone);
        window->recorder().page().loadMarkedButton()->click();
        if (!done.wait(60000) || done.at(0).at(0).toInt() != 1) return false;
        settle();
        for (const WellId& w : window->state().database->wells())
            if (w != kShown && w != kOther) loaded = w;
        return !loaded.oilfield.empty();
    }
    void settle() {
        for (int i = 0; i < 2000 && !window->database().idle(); ++i)
            QTest::qWait(10);
        QTest::qWait(20);
    }
    DatabasePage* page() { return window->database().page(); }
    void trigger(Command c) {
        ModalBoxes boxes(QMessageBox::Ok);
        window->commands().action(c)->trigger();
        settle();
    }
    void answer(const QString& path) {
        window->database().setDialogs({[path](QWidget*, const QString&, const QString&) { return path; },
                                       [path](QWidget*, const SaveRequest&) { return path; }});
    }
    QString file(const char* name) const { return QDir(dir.path()).filePath(QString::fromUtf8(name)); }
    // Closes the window (and with it the database) and opens the database again.
    std::unique_ptr<WellDatabase> reopen() {
        window.reset();
        sim.stop();
        return openDb(dir.path());
    }
};

} // namespace

class ShownWellTest : public QObject {
    Q_OBJECT
private slots:
    void commandsActOnTheShownWell();
};

void ShownWellTest::commandsActOnTheShownWell() {
    struct Scenario {
        const char* name;
        std::function<void(Bench&)> act;
        // What the shown well and the other well hold afterwards; the loaded well keeps everything.
        Held shown, other;
        std::function<void(Bench&)> check = {};
    };
    const std::string fiveRows = "01.03.2024 00/04/00";
    const std::vector<Scenario> scenarios = {
        {"delete the well", [](Bench& b) { b.trigger(Command::DeleteWell); }, {0, ""}, {5, fiveRows}},
        {"delete rows",
         [](Bench& b) {
             QTableView* grid = b.page()->journalGrid();
             grid->setFocus();
             grid->selectRow(0);
             grid->selectionModel()->select(grid->model()->index(1, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
             b.trigger(Command::DeleteDatabaseRows);
         },
         {3, fiveRows},
         {5, fiveRows}},
        {"text export",
         [](Bench& b) {
             b.answer(b.file("well.txt"));
             b.trigger(Command::SaveDatabaseText);
         },
         {5, fiveRows},
         {5, fiveRows},
         [](Bench& b) {
             QFile f(b.file("well.txt"));
             QVERIFY(f.open(QIODevice::ReadOnly));
             const std::string text = vorsan::cp1251ToUtf8(f.readAll().toStdString());
             QVERIFY2(text.find("      куст № 1   скважина № 1\r\n") != std::string::npos, text.c_str());
         }},
        {"save the well",
         [](Bench& b) {
             b.answer(b.file("well.VBD"));
             b.trigger(Command::SaveWellToFile);
         },
         {5, fiveRows},
         {5, fiveRows},
         [](Bench& b) {
             QFile f(b.file("well.VBD"));
             QVERIFY(f.open(QIODevice::ReadOnly));
             const QByteArray bytes = f.readAll();
             const auto wf = vorsan::wells::parseWellFile(
                 std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), std::size_t(bytes.size())));
             QVERIFY(wf);
             QCOMPARE(wf->pad(), kShown.pad);
             QCOMPARE(wf->well(), kShown.well);
             QCOMPARE(wf->values[0], std::uint16_t(1));
             // The table inside is the shown well's: five rows of its pad and well.
             QFile dbf(b.file("from_file.DBF"));
             QVERIFY(dbf.open(QIODevice::WriteOnly));
             dbf.write(reinterpret_cast<const char*>(wf->table.data()), qint64(wf->table.size()));
             dbf.close();
             vorsan::db::Table t;
             QVERIFY(t.open(b.file("from_file.DBF").toStdString(), vorsan::db::OpenMode::ReadOnly));
             QCOMPARE(t.count(), std::size_t(5));
             t.first();
             QCOMPARE(t.getNumber(vorsan::db::kWellSkv), 1.0);
         }},
        {"add a well file of the other well",
         [](Bench& b) {
             // The other well as another installation has it: five later rows.
             QTemporaryDir there;
             {
                 auto db = openDb(there.path());
                 QVERIFY(db);
                 const auto later = minutes(10, 5);
                 QVERIFY(db->addJournal(kOther.oilfield, toAdd(later, kOther)).ok);
                 QVERIFY(db->saveWellFile(kOther, b.file("other.VBD").toStdString()).ok);
             }
             b.answer(b.file("other.VBD"));
             b.trigger(Command::AddWellFromFile);
             QCOMPARE(b.window->commands().dataSource().databaseWell()->well.value_or(WellId{}), kOther);
         },
         {5, fiveRows},
         {10, "01.03.2024 00/14/00"}},
    };
    for (const Scenario& s : scenarios) {
        Bench b;
        QVERIFY2(b.start(), s.name);
        // The batch load changed nothing on the tab: the shown well is still shown.
        QCOMPARE(b.window->commands().dataSource().databaseWell()->well.value_or(WellId{}), kShown);
        QVERIFY(b.window->commands().table().enabled(Command::DeleteWell));
        s.act(b);
        if (s.check) s.check(b);
        const WellId loaded = b.loaded;
        auto db = b.reopen();
        QVERIFY(db);
        const Held shown = held(*db, kShown), other = held(*db, kOther), chronology = held(*db, loaded);
        QVERIFY2(shown.rows == s.shown.rows && shown.moment == s.shown.moment, s.name);
        QVERIFY2(other.rows == s.other.rows && other.moment == s.other.moment, s.name);
        QVERIFY2(chronology.rows > 0 && !chronology.moment.empty(), s.name);
    }
}

QTEST_MAIN(ShownWellTest)
#include "shown_well_test.moc"
