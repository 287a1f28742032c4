// The recorder page against the simulator's recorder on a pseudo-terminal: the entries' layout and
// captions, one chronology into the window, the batch load into the database, clearing.
#include "database/add_to_database_dialog.h"
#include "dialogs/progress_window.h"
#include "live/live_station.h"
#include "modal_boxes.h"
#include "recorder/recorder_commands.h"
#include "recorder/recorder_page.h"
#include "window/main_window.h"
#include "window_on_line.h"
#include "window/page_control.h"

#include "simulator.h"
#include "wells/well_database_state.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <set>

using vorsan::ControllerGeneration;
using vorsan::sim::LineModel;
using vorsan::sim::SimOptions;

namespace {

using FastClock = vorsan::ScaledLinkClock;

// A recorder of `entries` chronologies (every third copied from a generation 3 station); `prepare`
// changes them before the window first sees the line.
struct Line {
    template <class Prepare = void (*)(LineModel&)>
    Line(int entries, Prepare prepare = [](LineModel&) {}) : clock(2), sim(options(entries)) {
        sim.withLine([&](LineModel& m) { prepare(m); });
        const std::string error = sim.start();
        if (!error.empty()) qFatal("simulator: %s", error.c_str());
        window = windowOnLine(sim.devicePath(), clock, dir.path());
    }
    ~Line() {
        window.reset();
        sim.stop();
    }
    static SimOptions options(int entries) {
        SimOptions o;
        o.fast = true;
        o.seed = 11;
        o.recorderEntries = entries;
        return o;
    }
    RecorderCommands& recorder() { return window->recorder(); }
    RecorderPage& page() { return recorder().page(); }
    bool idle() { return !window->live().worker().busy() && !window->live().session().commandRunning(); }
    vorsan::sim::RecorderEntry entry(int i) {
        return sim.withLine([&](LineModel& m) { return m.recorder->entries.at(std::size_t(i - 1)); });
    }

    FastClock clock;
    vorsan::sim::Simulator sim;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

bool waitForDirectory(Line& line) {
    QSignalSpy shown(&line.recorder(), &RecorderCommands::directoryShown);
    return shown.wait(10000);
}

} // namespace

class RecorderPageTest : public QObject {
    Q_OBJECT
private slots:
    void startsWith63DisabledNumberedEntries();
    void elevenEntriesLieInTwoColumnsOfSixAndFive();
    void anEntryWithoutPadShowsItsDateOnly();
    void aGeneration3EntryAt57600ComesReversedIntoTheWindow();
    void nothingMarkedIsRefused();
    void theMarkedEntriesGoIntoTheDatabase();
    void cancellingStopsBetweenChronologies();
    void clearingEmptiesTheRecorder();
};

void RecorderPageTest::startsWith63DisabledNumberedEntries() {
    Line line(0);
    RecorderPage& page = line.page();
    QCOMPARE(page.entryCount(), 63);
    for (int i = 1; i <= 63; ++i) {
        QCOMPARE(page.entryButton(i)->text(), QString::number(i));
        QVERIFY(!page.entryButton(i)->isEnabled());
        QVERIFY(!page.entryMark(i)->isEnabled());
    }
    // Two columns of 32 and 31; an entry is 66 digits wide and 7/4 of a digit's height high.
    const QFontMetrics fm(page.entryButton(1)->font());
    QCOMPARE(page.entryButton(1)->width(), 66 * fm.horizontalAdvance(QLatin1Char('0')));
    QCOMPARE(page.entryButton(1)->height(), fm.height() * 7 / 4);
    QCOMPARE(page.entryButton(33)->y(), 0);
    QCOMPARE(page.entryButton(32)->x(), 20);
    QCOMPARE(page.entryButton(33)->x(), page.entryButton(1)->width() + 40);
    QCOMPARE(page.entryMark(33)->x(), page.entryButton(33)->x() - 15);
    QCOMPARE(page.entryMark(33)->width(), 14);
}

void RecorderPageTest::elevenEntriesLieInTwoColumnsOfSixAndFive() {
    Line line(11);
    QVERIFY(waitForDirectory(line));
    QVERIFY(line.window->pages()->recorderTabVisible());
    RecorderPage& page = line.page();
    QCOMPARE(page.entryCount(), 11);
    const int h = page.entryButton(1)->height();
    for (int i = 1; i <= 6; ++i) {
        QCOMPARE(page.entryButton(i)->x(), 20);
        QCOMPARE(page.entryButton(i)->y(), (i - 1) * h);
    }
    for (int i = 7; i <= 11; ++i) {
        QCOMPARE(page.entryButton(i)->x(), page.entryButton(1)->width() + 40);
        QCOMPARE(page.entryButton(i)->y(), (i - 7) * h);
    }
    QVERIFY(page.entryButton(11)->isEnabled());
    QCOMPARE(page.entryButton(11)->toolTip(), QStringLiteral("Загрузить"));
    QCOMPARE(page.refreshButton()->text(), QStringLiteral("Обновить"));
}

void RecorderPageTest::anEntryWithoutPadShowsItsDateOnly() {
    Line line(3, [](LineModel& m) {
        auto& h = m.recorder->entries[1].holding;
        h[vorsan::sim::kRegPad] = 0xFFFF;
        h[16] = 0x0507; // minutes 05, seconds 07
        h[17] = 0x0014; // hours 14
        h[18] = 0x1121; // month 11, day 21
        h[19] = 0x0026; // year 26
        auto& g = m.recorder->entries[0].holding;
        g[vorsan::sim::kRegPad] = 12;
        g[vorsan::sim::kRegWell] = 345;
        g[vorsan::sim::kRegMotor] = 7;
        g[vorsan::sim::kRegPump] = 0xFFFF;
        g[16] = 0x5901;
        g[17] = 0x0023;
        g[18] = 0x0109;
        g[19] = 0x0025;
    });
    QVERIFY(waitForDirectory(line));
    RecorderPage& page = line.page();
    QCOMPARE(page.entryButton(2)->text(), QStringLiteral("2.Дата считывания:14:05:07  21.11.26"));
    QVERIFY(!page.entryButton(2)->isEnabled());
    QVERIFY(!page.entryMark(2)->isEnabled());
    QCOMPARE(page.entryButton(2)->toolTip(), QStringLiteral("Только для версии Ворсан 3"));
    QCOMPARE(page.entryButton(1)->text(), QStringLiteral("1.Дата считывания:23:59:01  09.01.25 куст12 скв.345 ПЭД-7"));
    QVERIFY(page.entryButton(1)->isEnabled() && page.entryMark(1)->isEnabled());
    // "Выбрать все" marks only what can be loaded.
    page.selectAllButton()->click();
    QVERIFY(page.marked(1) && !page.marked(2) && page.marked(3));
}

void RecorderPageTest::aGeneration3EntryAt57600ComesReversedIntoTheWindow() {
    Line line(3);
    QVERIFY(waitForDirectory(line));
    QTRY_VERIFY(line.idle());
    line.window->state().settings.recorderSpeed = 57600;
    line.sim.clearReceived();
    ModalBoxes boxes(QMessageBox::Ok);
    QSignalSpy downloaded(&line.recorder(), &RecorderCommands::entryDownloaded);
    const QString caption = line.page().entryButton(3)->text();
    line.page().entryButton(3)->click();
    QVERIFY(downloaded.wait(30000));
    QCOMPARE(boxes.captions.value(0), caption.left(79));
    QCOMPARE(boxes.texts.value(0), QStringLiteral("Загрузить хронологию?"));
    const WindowState& s = line.window->state();
    QCOMPARE(s.loadedGeneration, ControllerGeneration::Gen3);
    QCOMPARE(s.journalGeneration, ControllerGeneration::Gen3);
    QCOMPARE(int(s.stationAddress), 3);
    auto stored = line.entry(3).journal;
    std::reverse(stored.begin(), stored.end());
    QVERIFY(*s.journalImage == stored);
    QVERIFY(!s.journal.records.empty());
    QCOMPARE(line.window->windowTitle(), QStringLiteral("ВОРСАН 4.074 : журнал событий"));
    QCOMPARE(line.page().entryButton(3)->palette().color(QPalette::ButtonText), QColor(0x5F, 0x5F, 0xEF));
    // The speed code at 9600 bit/s, the chronology at 57600, the code for 9600 at 57600.
    const auto received = line.sim.received();
    std::vector<vorsan::sim::ReceivedRequest> framed;
    for (const auto& r : received)
        if (r.framed && !(r.bytes[0] == 0xFF && r.bytes[1] == 0x03)) framed.push_back(r); // not the probe
    QCOMPARE(framed.size(), std::size_t(1 + 256 + 16 + 1));
    const vorsan::sim::Bytes toFast{0xFF, 0x06, 0x00, 0x09, 0x00, 0x07};
    const vorsan::sim::Bytes toSlow{0xFF, 0x06, 0x00, 0x09, 0x00, 0x2F};
    QVERIFY(std::equal(toFast.begin(), toFast.end(), framed.front().bytes.begin()));
    QCOMPARE(framed.front().lineSpeed, 9600u);
    for (std::size_t k = 1; k + 1 < framed.size(); ++k) {
        QCOMPARE(int(framed[k].bytes[0]), 3);
        QCOMPARE(framed[k].lineSpeed, 57600u);
    }
    QVERIFY(std::equal(toSlow.begin(), toSlow.end(), framed.back().bytes.begin()));
    QCOMPARE(framed.back().lineSpeed, 57600u);
    QTRY_VERIFY(line.idle());
}

void RecorderPageTest::nothingMarkedIsRefused() {
    Line line(2);
    QVERIFY(waitForDirectory(line));
    ModalBoxes boxes;
    line.page().loadMarkedButton()->click();
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("Выберите хотя бы одну хронологию!")});
    QCOMPARE(boxes.captions, QStringList{QString()});
}

void RecorderPageTest::theMarkedEntriesGoIntoTheDatabase() {
    Line line(5);
    QVERIFY(waitForDirectory(line));
    QTRY_VERIFY(line.idle());
    line.window->state().settings.recorderSpeed = 115200;
    const std::vector<int> marked{1, 3, 4};
    for (int i : marked)
        line.page().entryMark(i)->click();
    const int tabBefore = line.window->pages()->currentIndex();
    QTimer::singleShot(50, [] {
        auto* d = qobject_cast<AddToDatabaseDialog*>(QApplication::activeModalWidget());
        QVERIFY(d);
        d->oilfieldList()->setEditText(QStringLiteral("Южное"));
        QTest::keyClick(d->oilfieldList()->lineEdit(), Qt::Key_Return);
    });
    QSignalSpy done(&line.recorder(), &RecorderCommands::batchDone);
    line.page().loadMarkedButton()->click();
    QVERIFY(done.wait(60000));
    QCOMPARE(done.at(0).at(0).toInt(), 3);
    std::set<std::pair<int, int>> expected;
    for (int i : marked) {
        const auto e = line.entry(i);
        expected.insert({e.holding[vorsan::sim::kRegPad], e.holding[vorsan::sim::kRegWell]});
    }
    std::set<std::pair<int, int>> stored;
    for (const auto& w : line.window->state().database->wells()) {
        QCOMPARE(QString::fromStdString(w.oilfield), QStringLiteral("Южное"));
        stored.insert({w.pad, w.well});
    }
    QVERIFY(stored == expected);
    // Batch mode: the tab did not change and the window holds no chronology.
    QCOMPARE(line.window->pages()->currentIndex(), tabBefore);
    QVERIFY(!line.window->state().journalLoaded);
}

void RecorderPageTest::cancellingStopsBetweenChronologies() {
    Line line(5);
    QVERIFY(waitForDirectory(line));
    QTRY_VERIFY(line.idle());
    for (int i : {1, 2, 4})
        line.page().entryMark(i)->click();
    // "Отмена" while the second chronology is on the line: it is finished, the third never starts.
    // The link thread waits while the window takes the click, so the simulator (which answers at
    // once) cannot finish the second chronology before the cancel is seen.
    connect(
        &line.window->live().worker(), &LinkWorker::progressed, this,
        [&](int done, int) {
            if (done != 272 + 100) return;
            QMetaObject::invokeMethod(
                line.window.get(),
                [&] {
                    ProgressWindow* p = line.window->live().session().progressWindow();
                    if (p && !p->cancelRequested()) p->cancelButton()->click();
                },
                Qt::BlockingQueuedConnection);
        },
        Qt::DirectConnection);
    QTimer::singleShot(50, [] {
        auto* d = qobject_cast<AddToDatabaseDialog*>(QApplication::activeModalWidget());
        QVERIFY(d);
        d->oilfieldList()->setEditText(QStringLiteral("Южное"));
        QTest::keyClick(d->oilfieldList()->lineEdit(), Qt::Key_Return);
    });
    QSignalSpy done(&line.recorder(), &RecorderCommands::batchDone);
    line.page().loadMarkedButton()->click();
    QVERIFY(done.wait(60000));
    QCOMPARE(done.at(0).at(0).toInt(), 2);
    QCOMPARE(line.window->state().database->wells().size(), std::size_t(2));
}

void RecorderPageTest::clearingEmptiesTheRecorder() {
    Line line(4);
    QVERIFY(waitForDirectory(line));
    QTRY_VERIFY(line.idle());
    ModalBoxes boxes(QMessageBox::Ok);
    line.page().clearButton()->click();
    QTRY_VERIFY(line.sim.withLine([](LineModel& m) { return m.recorder->count == 0; }));
    QCOMPARE(boxes.captions.value(0), QStringLiteral("Внимание"));
    QCOMPARE(boxes.texts.value(0), QStringLiteral("Очистить содержимое регистратора?"));
    QTRY_VERIFY(line.idle());
    // The directory stays as it was until "Обновить".
    QCOMPARE(line.page().entryCount(), 4);
    line.page().refreshButton()->click();
    QCOMPARE(line.page().refreshButton()->text(), QStringLiteral("Ждите..."));
    QVERIFY(waitForDirectory(line));
}

QTEST_MAIN(RecorderPageTest)
#include "recorder_page_test.moc"
