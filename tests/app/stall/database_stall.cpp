// The database tab under load, measured as the journal read is: a beat every 2 ms on the window's
// thread, the longest gap between beats is the longest the event loop was held up. Prepares (with
// the core) a database of 5,000 wells, one of them with 200,000 rows, then through the window:
// shows the tab (the tree of 5,000 wells), clicks an oilfield of 500 wells (its table of wells,
// twice), clicks the large well (time until its rows are in the
// grid), adds a 1184-record journal to it, deletes 100 of its rows, and updates the database from
// an archive of 100 wells of 1,000 rows. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/rel/stall_database [DIR [SHOT.png]]
// DIR keeps the prepared database between runs; SHOT.png is a picture of the window with the large
// well shown.
#include "analytics/analysis_page.h"
#include "analytics/well_table_view.h"
#include "database/database_commands.h"
#include "database/database_page.h"
#include "database/database_work.h"
#include "files/file_dialogs.h"
#include "journal/journal_model.h"
#include "settings/catalogue.h"
#include "wells/well_database_state.h"
#include "shared/commands.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QThread>
#include <QTreeWidget>

#include <atomic>
#include <cstdio>
#include <thread>

using vorsan::ControllerGeneration;
using vorsan::wells::WellDatabase;

namespace {

constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// `count` measurements a minute apart from 2001-01-01 00:00 + `first` minutes.
vorsan::Journal minutes(long first, long count) {
    vorsan::Journal j;
    j.records.reserve(std::size_t(count));
    for (long m = first; m < first + count; ++m) {
        long day = m / 1440;
        int year = 1, month = 0;
        while (day >= kDaysInMonth[month]) {
            day -= kDaysInMonth[month];
            if (++month == 12) {
                month = 0;
                ++year;
            }
        }
        vorsan::JournalRecord r;
        r.year = std::uint16_t(2000 + year);
        r.month = std::uint8_t(month + 1);
        r.day = std::uint8_t(day + 1);
        r.hour = std::uint8_t((m % 1440) / 60);
        r.minute = std::uint8_t(m % 60);
        r.SOBYTIE = m % 97 == 0 ? 1 : 255;
        r.UAB = std::uint16_t(380 + m % 7);
        r.UBC = 381;
        r.UCA = 379;
        r.IA = 12.5;
        r.IB = 12.4;
        r.IC = 12.6;
        r.ZAGR = 55;
        r.SOP = 900;
        r.COS_ = 85;
        r.P = 12;
        r.T = 80;
        r.EXT_ZAP = 1;
        j.records.push_back(r);
    }
    return j;
}

vorsan::SettingsSet settingsFor(std::uint16_t pad, std::uint16_t well) {
    vorsan::SettingsSet s(vorsan::settingCount(ControllerGeneration::Gen4), 0);
    s[std::size_t(vorsan::kGen4PadNumber - vorsan::kFirstSettingNumber)] = pad;
    s[std::size_t(vorsan::kGen4WellNumber - vorsan::kFirstSettingNumber)] = well;
    return s;
}

bool prepare(const QString& dir, int wells, int rowsEach, long bigRows) {
    vorsan::wells::Outcome o;
    auto db = WellDatabase::open(QDir(dir).filePath("bd").toStdString(), ',', o);
    if (!db) return false;
    const auto small = minutes(0, rowsEach);
    for (int i = 0; i < wells; ++i) {
        const auto f = "Поле" + std::to_string(i / 500);
        if (!db->addJournalQuietly(f, {&small, ControllerGeneration::Gen4,
                                       settingsFor(std::uint16_t(i / 10 % 50 + 1), std::uint16_t(i + 1))})
                 .ok)
            return false;
    }
    if (bigRows > 0) {
        const auto big = minutes(0, bigRows);
        if (!db->addJournalQuietly("Большое", {&big, ControllerGeneration::Gen4, settingsFor(1, 1)}).ok) return false;
    }
    return true;
}

template <class F> bool waitUntil(F done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || clock.elapsed() > timeoutMs) loop.quit();
    });
    check.start(1);
    if (!done()) loop.exec();
    return done();
}

// Times every event the window's thread dispatches (the outermost only, so a nested event loop
// counts as its own events): the slowest since the last reset says what held the loop up, or that
// nothing did and the thread was simply not running.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (QThread::currentThread() != thread()) return QApplication::notify(receiver, event);
        // The receiver's class is taken before the event is handled: handling it may delete the
        // receiver (a deferred delete).
        const char* receiverClass = receiver->metaObject()->className();
        if (depth_ > 0) {
            if (event->type() != QEvent::Paint) return QApplication::notify(receiver, event);
            QElapsedTimer t;
            t.start();
            const bool r = QApplication::notify(receiver, event);
            paints_ += QStringLiteral(" %1 %2").arg(QString::fromLatin1(receiverClass))
                           .arg(double(t.nsecsElapsed()) / 1e6, 0, 'f', 1);
            return r;
        }
        ++depth_;
        paints_.clear();
        const int type = int(event->type());
        QElapsedTimer t;
        t.start();
        const bool r = QApplication::notify(receiver, event);
        const qint64 ns = t.nsecsElapsed();
        --depth_;
        if (ns > slowestNs) {
            slowestNs = ns;
            slowest = QStringLiteral("%1 to %2;%3").arg(type).arg(QString::fromLatin1(receiverClass), paints_);
        }
        return r;
    }
    void resetSlowest() {
        slowestNs = 0;
        slowest.clear();
    }
    qint64 slowestNs = 0;
    QString slowest;

private:
    int depth_ = 0;
    QString paints_;
};

struct Beat {
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, longestEnded = 0; // longestEnded: ms after start()
    QTimer timer;
    Beat() {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            if (now - last > longest) {
                longest = now - last;
                longestEnded = now;
            }
            last = now;
        });
    }
    void start() {
        static_cast<TimedApplication*>(qApp)->resetSlowest();
        clock.start();
        last = 0;
        longest = 0;
        longestEnded = 0;
        timer.start(2);
    }
    qint64 stop() {
        timer.stop();
        return longest;
    }
};

// Answers every message box with its first button (questions: OK).
void answerBoxes() {
    auto* t = new QTimer(qApp);
    QObject::connect(t, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->buttons().value(0)->click();
    });
    t->start(5);
}

} // namespace

int main(int argc, char** argv) {
    TimedApplication app(argc, argv);
    QTemporaryDir tmp;
    QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    QElapsedTimer clock;
    clock.start();
    if (!QDir(dir).exists("bd")) {
        if (!prepare(dir, 4999, 3, 200000)) {
            std::fprintf(stderr, "could not prepare the database\n");
            return 1;
        }
        std::printf("prepared 5,000 wells (one of 200,000 rows) in %lld ms\n", clock.elapsed());
    }
    const QString other = QDir(tmp.path()).filePath("other");
    QDir().mkpath(other);
    if (!prepare(other, 100, 1000, 0)) return 1;
    {
        vorsan::wells::Outcome o;
        auto db = WellDatabase::open(QDir(other).filePath("bd").toStdString(), ',', o);
        if (!db || !db->createArchive(QDir(other).filePath("hundred.zip").toStdString()).ok) return 1;
    }
    {
        // The parts of showing the large well, on this thread, before the window opens the database.
        vorsan::wells::Outcome o;
        auto db = WellDatabase::open(QDir(dir).filePath("bd").toStdString(), ',', o);
        if (!db) return 1;
        for (int run = 0; run < 2; ++run) {
            QElapsedTimer t;
            t.start();
            const auto shown = db->showWell({"Большое", 1, 1});
            const double show = double(t.nsecsElapsed()) / 1e6;
            t.restart();
            auto copy = DatabaseWork::copyShownWell(*db);
            const double copying = double(t.nsecsElapsed()) / 1e6;
            t.restart();
            auto again = DatabaseWork::copyShownWell(*db, std::const_pointer_cast<DatabaseWellData>(copy));
            const double recycled = double(t.nsecsElapsed()) / 1e6;
            t.restart();
            copy.reset();
            again.reset();
            std::printf("showWell of %zu rows %.1f ms (%s), copy for the tab %.1f ms (over an earlier copy %.1f ms), release %.1f ms\n",
                        db->journal().journal.records.size(), show, shown.ok ? "ok" : shown.message.c_str(),
                        copying, recycled, double(t.nsecsElapsed()) / 1e6);
        }
    }
    answerBoxes();

    MainWindow w;
    w.setDataDir(dir);
    w.resize(1200, 800);
    w.show();
    if (!waitUntil([&] { return w.state().database != nullptr; }, 10000)) return 1;
    DatabaseCommands& db = w.database();
    DatabasePage* page = db.page();
    Beat beat;
    qint64 t0 = 0;
    int failures = 0;
    const auto report = [&](const char* what, qint64 ms, qint64 stall) {
        std::printf("%-44s %7lld ms   longest event-loop stall %4lld ms (ended at %lld ms)%s\n", what, ms, stall,
                    beat.longestEnded, stall >= 50 ? "   (TOO LONG)" : "");
        std::printf("%-44s %7.1f ms (event %s)\n", "  the slowest event", double(app.slowestNs) / 1e6,
                    qPrintable(app.slowest));
        if (stall >= 50) ++failures;
    };

    // Baselines on this machine: the event loop with nothing to do, and with another thread busy
    // computing (the worker's share of the processor, without any database work).
    beat.start();
    t0 = clock.elapsed();
    waitUntil([] { return false; }, 3000);
    report("baseline: nothing to do", clock.elapsed() - t0, beat.stop());
    {
        std::atomic<bool> stop{false};
        std::thread spin([&] {
            volatile unsigned long x = 0;
            while (!stop)
                for (int i = 0; i < 100000; ++i)
                    x = x + std::uint64_t(i);
        });
        beat.start();
        t0 = clock.elapsed();
        waitUntil([] { return false; }, 3000);
        report("baseline: another thread computing", clock.elapsed() - t0, beat.stop());
        stop = true;
        spin.join();
    }

    // The tab with the tree of 5,000 wells.
    beat.start();
    t0 = clock.elapsed();
    w.pages()->setCurrentIndex(kDatabasePage);
    waitUntil([&] { return db.idle() && page->tree()->topLevelItemCount() > 1; }, 60000);
    report("tab shown, tree of 5,000 wells built", clock.elapsed() - t0, beat.stop());
    {
        std::vector<vorsan::wells::WellId> wells = w.state().database->wells();
        QElapsedTimer t;
        t.start();
        page->buildTree(wells, {});
        std::printf("%-44s %7.1f ms (window thread)\n", "  of which the tree widget",
                    double(t.nsecsElapsed()) / 1e6);
        QElapsedTimer r;
        r.start();
        (void)w.state().database->wells();
        std::printf("%-44s %7.1f ms (worker)\n", "  and reading the directory", double(r.nsecsElapsed()) / 1e6);
    }

    // Clicks on wells: the large one (the first time), a small one, the large one again, and once
    // more after its oilfield node (the database reads the same well as last time).
    auto* big = page->tree()->findItems(QStringLiteral("М. Большое"), Qt::MatchExactly).value(0);
    auto* field = page->tree()->findItems(QStringLiteral("М. Поле0"), Qt::MatchExactly).value(0);
    if (!big || !field) return 1;
    page->tree()->expandAll();
    QTreeWidgetItem* node = big->child(0)->child(0);
    QTreeWidgetItem* smallNode = field->child(0)->child(0);
    const auto smallWell = wellOfNode(smallNode);
    if (!smallWell) return 1;
    const auto click = [&](QTreeWidgetItem* n) {
        page->tree()->scrollToItem(n);
        QTest::mouseClick(page->tree()->viewport(), Qt::LeftButton, {}, page->tree()->visualItemRect(n).center());
    };
    // The oilfield's table of its 500 wells (the database tab in place of its pages), the first
    // time and again with every well's line kept.
    if (auto* wells = w.findChild<WellTableView*>()) {
        for (const char* what : {"oilfield of 500 wells clicked, table shown", "  the same oilfield again"}) {
            const int before = wells->tablesShown();
            QTest::qWait(50);
            beat.start();
            t0 = clock.elapsed();
            click(field);
            waitUntil([&] { return wells->tablesShown() > before; }, 60000);
            report(what, clock.elapsed() - t0, beat.stop());
            std::printf("%-44s %s\n", "  ", qPrintable(wells->state()->text()));
        }
    }
    click(big); // the tree-click flag; an oilfield node loads nothing of a well
    const auto measureClick = [&](QTreeWidgetItem* n, const vorsan::wells::WellId& id, const char* what) {
        // When the worker's result reached the window, and how long the window took to show it.
        qint64 arrived = 0, shown = 0;
        const auto a = QObject::connect(&db.work(), &DatabaseWork::busyChanged, [&](bool busy) {
            if (!busy) arrived = clock.elapsed();
        });
        const auto b = QObject::connect(&db, &DatabaseCommands::operationDone, [&] { shown = clock.elapsed(); });
        page->tree()->scrollToItem(n);
        QTest::qWait(50);
        beat.start();
        t0 = clock.elapsed();
        QTest::mouseClick(page->tree()->viewport(), Qt::LeftButton, {}, page->tree()->visualItemRect(n).center());
        const qint64 clicked = clock.elapsed() - t0;
        waitUntil([&] { return db.idle() && w.commands().dataSource().databaseWell()->well == id; }, 60000);
        page->journalGrid()->viewport()->repaint();
        report(what, clock.elapsed() - t0, beat.stop());
        std::printf("%-44s %7lld ms after the click, shown %lld ms later; the click itself %lld ms\n",
                    "  the worker's result arrived", arrived - t0, shown - arrived, clicked);
        std::printf("%-44s %7.1f ms, copying it for the tab %.1f ms (worker)\n", "  showWell",
                    db.work().lastOperationMs(), db.work().lastCopyMs());
        QObject::disconnect(a);
        QObject::disconnect(b);
    };
    const vorsan::wells::WellId bigWell{"Большое", 1, 1};
    measureClick(node, bigWell, "click on the 200,000-row well, rows shown");
    measureClick(smallNode, *smallWell, "click on a well of 3 rows");
    measureClick(node, bigWell, "the 200,000-row well again");
    click(big);
    measureClick(node, bigWell, "the same well once more (oilfield between)");
    // Page "Анализ" of the 200,000-row well: its figures computed off the window's thread, then
    // the summary, the runs, the monthly bars and the resistance drawn.
    if (auto* analysis = w.pages()->page<AnalysisPage>()) {
        const int before = analysis->shownCount();
        QTest::qWait(50);
        beat.start();
        t0 = clock.elapsed();
        w.pages()->setCurrentIndex(kAnalysisPage);
        waitUntil([&] { return analysis->shownCount() > before; }, 60000);
        analysis->repaint();
        report("page Анализ of the 200,000-row well", clock.elapsed() - t0, beat.stop());
        std::printf("%-44s %zu runs, %zu months\n", "  ", analysis->figures()->report.stats.runs.size(),
                    analysis->figures()->report.stats.months.size());
        w.pages()->setCurrentIndex(kDatabasePage);
        waitUntil([&] { return db.idle() && page->tree()->topLevelItemCount() > 1; }, 60000);
    }
    if (argc > 2) {
        // A picture of the tab as it is now (under Xvfb: the real window system's fonts).
        QTest::qWait(200);
        w.grab().save(QString::fromLocal8Bit(argv[2]));
    }
    {
        QElapsedTimer t;
        t.start();
        page->tree()->viewport()->repaint();
        std::printf("%-44s %7.1f ms (window thread)\n", "  the tree painted", double(t.nsecsElapsed()) / 1e6);
        t.restart();
        w.repaint();
        std::printf("%-44s %7.1f ms (window thread)\n", "  the window painted", double(t.nsecsElapsed()) / 1e6);
    }

    {
        // The window-thread parts: the grid taking a well of 200,000 rows, the tree emptied.
        const auto data = std::make_shared<DatabaseWellData>(*w.commands().dataSource().databaseWell());
        QElapsedTimer t;
        t.start();
        db.work().recycle(page->showWell(data));
        std::printf("%-44s %7.1f ms (window thread)\n", "  the pages taking 200,000 rows", double(t.nsecsElapsed()) / 1e6);
        std::vector<double> paints;
        for (int i = 0; i < 9; ++i) {
            t.restart();
            page->journalGrid()->viewport()->repaint();
            paints.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::sort(paints.begin(), paints.end());
        std::printf("%-44s %7.1f ms median, %.1f ms worst (window thread)\n", "  the grid painted", paints[4],
                    paints.back());
        t.restart();
        page->clearTree();
        std::printf("%-44s %7.1f ms (window thread)\n", "  the tree of 5,000 wells emptied", double(t.nsecsElapsed()) / 1e6);
        page->buildTree(w.state().database->wells(), data->well.value_or(vorsan::wells::WellId{}));
    }

    // Adding a journal of 1184 records to it.
    w.state().journal = minutes(200000 - 100, 1184);
    w.state().journalGeneration = ControllerGeneration::Gen4;
    w.state().catalogue = vorsan::buildCatalogue(ControllerGeneration::Gen4);
    vorsan::assignSettingsSet(w.state().catalogue, settingsFor(1, 1));
    beat.start();
    t0 = clock.elapsed();
    db.addJournal(QStringLiteral("Большое"));
    waitUntil([&] { return db.idle(); }, 120000);
    report("adding 1184 records, well shown again", clock.elapsed() - t0, beat.stop());
    std::printf("  rows now %d\n", page->journalModel()->rowCount());

    // Deleting 100 rows.
    page->journalGrid()->clearSelection();
    page->journalGrid()->selectionModel()->select(
        QItemSelection(page->journalModel()->index(1000, 0), page->journalModel()->index(1099, 0)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    beat.start();
    t0 = clock.elapsed();
    w.commands().action(vorsan::Command::DeleteDatabaseRows)->trigger();
    waitUntil([&] { return db.idle(); }, 120000);
    report("deleting 100 rows, well shown again", clock.elapsed() - t0, beat.stop());
    std::printf("  rows now %d\n", page->journalModel()->rowCount());

    // Updating from an archive of 100 wells of 1,000 rows.
    const QString archive = QDir(other).filePath("hundred.zip");
    db.setDialogs({[archive](QWidget*, const QString&, const QString&) { return archive; },
                   [](QWidget*, const SaveRequest&) { return QString(); }});
    beat.start();
    t0 = clock.elapsed();
    w.commands().action(vorsan::Command::RestoreDatabase)->trigger();
    waitUntil([&] { return db.idle() && !db.progress(); }, 300000);
    report("update from an archive of 100 wells", clock.elapsed() - t0, beat.stop());

    w.close();
    return failures == 0 ? 0 : 2;
}
