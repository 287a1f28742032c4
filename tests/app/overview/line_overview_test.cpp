// The page "Обзор линии" in the window against the station simulator on a pseudo-terminal: the
// scan of the whole line (fast and full, cancelled), the rows that follow a station that stops and
// one that goes silent, the CSV file, the probe resting while the page is shown, and a double-click
// that makes a station the current one.
#include "dialogs/progress_window.h"
#include "live/live_station.h"
#include "overview/line_overview.h"
#include "overview/overview_page.h"
#include "shared/commands.h"
#include "shared/connection_indicator.h"
#include "window/main_window.h"
#include "window_on_line.h"
#include "window/page_control.h"

#include "journal/current_state.h"
#include "simulator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using vorsan::sim::Gen4Station;
using vorsan::sim::LineModel;
using vorsan::sim::SimOptions;
using Look = OverviewModel::Look;

namespace {

SimOptions options(std::vector<std::uint8_t> gen4) {
    SimOptions o;
    o.fast = true;
    o.seed = 7;
    o.gen4Addresses = std::move(gen4);
    return o;
}

// A simulated line whose stations all run, and the window pointed at it with the link's
// time-outs ten times shorter.
struct Line {
    explicit Line(const SimOptions& o) : clock(10), sim(o) {
        const std::string error = sim.start();
        if (!error.empty()) qFatal("simulator: %s", error.c_str());
        sim.withLine([](LineModel& m) {
            for (Gen4Station& s : m.stations)
                startStop(s, true);
        });
        window = windowOnLine(sim.devicePath(), clock, dir.path());
        overview().setRoundPeriod(100);
    }
    ~Line() {
        window.reset();
        sim.stop();
    }
    MainWindow& w() { return *window; }
    LineOverview& overview() { return window->overview(); }
    OverviewPage* page() { return window->pages()->page<OverviewPage>(); }
    // Start-up has run (it shows the journal page) and the line is free.
    bool ready() { return window->startedUp() && !window->state().dataDir.isEmpty() && idle(); }
    bool idle() { return !window->live().worker().busy() && !window->live().session().commandRunning(); }
    Look look(std::uint8_t address) { return OverviewModel::lookOf(*page()->model()->rowOf(address)); }
    // Shows the page and runs the scan to its end.
    void showAndScan(bool full = false) {
        [&] { QTRY_VERIFY_WITH_TIMEOUT(ready(), 5000); }();
        window->pages()->setCurrentIndex(kOverviewPage);
        QSignalSpy ended(&overview(), &LineOverview::scanEnded);
        overview().scan(full);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(ended.count() == 1, 60000); }();
    }
    // Waits for `n` more complete rounds.
    void rounds(int n) {
        const int until = overview().roundsDone() + n;
        [&] {
            QTRY_VERIFY2_WITH_TIMEOUT(overview().roundsDone() >= until, qPrintable(page()->summary()->text()),
                                      10000);
        }();
    }
    std::vector<int> addresses() {
        std::vector<int> out;
        for (const auto& r : page()->model()->rows())
            out.push_back(r.address);
        return out;
    }

    vorsan::ScaledLinkClock clock;
    vorsan::sim::Simulator sim;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

// Presses "OK" on every message box and remembers its text.
class Boxes : public QObject {
public:
    Boxes() {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen << box->text();
            box->button(QMessageBox::Ok)->click();
        });
        timer_.start(5);
    }
    QStringList seen;

private:
    QTimer timer_;
};

} // namespace

class LineOverviewTest : public QObject {
    Q_OBJECT
private slots:
    void theScanFindsEveryStationFromOneTo247();
    void theFullScanFindsThemToo();
    void cancellingTheScanKeepsTheCurrentAddress();
    void aStationThatStopsTurnsRedWithAnEvent();
    void aStationThatGoesSilentTurnsGreyAndComesBack();
    void everyAnswerIsOneLineOfTheCsvFile();
    void theProbeRestsWhileThePageIsShown();
    void aDoubleClickMakesTheStationCurrent();
    void aPortThatGoesAwayIsSaidAndTriedAgainLater();
};

void LineOverviewTest::theScanFindsEveryStationFromOneTo247() {
    Line line(options({1, 5, 33, 247}));
    Boxes boxes;
    line.showAndScan();
    QCOMPARE(line.addresses(), (std::vector<int>{1, 5, 33, 247}));
    QCOMPARE(line.w().stationList()->count(), 4);
    QCOMPARE(line.w().state().stationAddress, std::uint8_t(1));
    QCOMPARE(line.w().stationList()->currentData().toInt(), 1);
    QVERIFY(line.page()->summary()->text().contains(QStringLiteral("найдено станций 4")));
    QCOMPARE(boxes.seen, QStringList());
}

void LineOverviewTest::theFullScanFindsThemToo() {
    Line line(options({2, 9}));
    line.showAndScan(true);
    QCOMPARE(line.addresses(), (std::vector<int>{2, 9}));
    QVERIFY(line.page()->summary()->text().startsWith(QStringLiteral("Полный поиск")));
}

void LineOverviewTest::cancellingTheScanKeepsTheCurrentAddress() {
    Line line(options({5, 200}));
    QTRY_VERIFY_WITH_TIMEOUT(line.ready(), 5000);
    line.w().state().stationAddress = 17;
    line.w().pages()->setCurrentIndex(kOverviewPage);
    ProgressWindow* progress = nullptr;
    connect(&line.w().live().session(), &LiveSession::progressShown,
            [&](ProgressWindow* p) { progress = p; });
    line.overview().scan(true); // 50 ms an address with the faster clock
    QTRY_VERIFY_WITH_TIMEOUT(progress != nullptr, 5000);
    QVERIFY(progress->cancelButton()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 20, 30000);
    progress->cancelButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 5000);
    QCOMPARE(line.w().state().stationAddress, std::uint8_t(17));
    // Station 5 was found before the cancel and stays; 200 was never asked.
    QCOMPARE(line.addresses(), std::vector<int>{5});
    QVERIFY(line.page()->summary()->text().startsWith(QStringLiteral("Поиск отменён")));
}

void LineOverviewTest::aStationThatStopsTurnsRedWithAnEvent() {
    Line line(options({1, 5, 7}));
    line.showAndScan();
    line.rounds(1);
    for (int a : {1, 5, 7})
        QCOMPARE(line.look(static_cast<std::uint8_t>(a)), Look::Running);
    QCOMPARE(line.page()->events()->count(), 0);
    line.sim.withLine([](LineModel& m) { trip(m.stations[1], 3); });
    line.rounds(2);
    QCOMPARE(line.look(5), Look::Stopped);
    QCOMPARE(line.look(1), Look::Running);
    OverviewModel* model = line.page()->model();
    const QModelIndex cause = model->index(1, OverviewModel::kCause);
    QCOMPARE(model->data(cause, Qt::DisplayRole).toString(), QStringLiteral("Стоп, недогрузка"));
    QVERIFY(model->data(cause, Qt::BackgroundRole).isValid());
    QVERIFY(!model->data(model->index(0, OverviewModel::kCause), Qt::BackgroundRole).isValid());
    QCOMPARE(line.page()->events()->count(), 1);
    const QString event = line.page()->events()->item(0)->text();
    QVERIFY2(event.contains(QStringLiteral("адрес 5: Стоп, недогрузка")), qPrintable(event));
}

void LineOverviewTest::aStationThatGoesSilentTurnsGreyAndComesBack() {
    Line line(options({1, 7}));
    line.showAndScan();
    line.rounds(1);
    const std::uint16_t uab = line.page()->model()->rowOf(7)->state.UAB;
    line.sim.withLine([](LineModel& m) { m.stations[1].silent = true; });
    line.rounds(2);
    QCOMPARE(line.look(7), Look::Silent);
    QCOMPARE(line.page()->model()->rowOf(7)->state.UAB, uab); // the last answer stays shown
    QTest::qWait(1100);
    line.page()->model()->setNow(std::chrono::system_clock::now());
    const QString last =
        line.page()->model()->text(*line.page()->model()->rowOf(7), OverviewModel::kLastAnswer);
    QVERIFY2(last.contains(QStringLiteral("с назад")), qPrintable(last));
    QVERIFY(line.page()->events()->item(0)->text().endsWith(QStringLiteral("адрес 7: нет ответа")));
    line.sim.withLine([](LineModel& m) { m.stations[1].silent = false; });
    line.rounds(2);
    QCOMPARE(line.look(7), Look::Running);
    QVERIFY(line.page()->events()->item(1)->text().endsWith(QStringLiteral("снова отвечает")));
}

void LineOverviewTest::everyAnswerIsOneLineOfTheCsvFile() {
    Line line(options({1, 5, 7}));
    line.sim.withLine([](LineModel& m) { m.stations[2].silent = true; });
    line.showAndScan();
    QCOMPARE(line.addresses(), (std::vector<int>{1, 5}));
    const QString path = line.dir.filePath(QStringLiteral("обзор.csv"));
    QCOMPARE(line.overview().startRecording(path), QString());
    QVERIFY(line.page()->recordBox()->isChecked());
    const int before = line.overview().answers();
    line.rounds(3);
    line.overview().stopRecording();
    QVERIFY(!line.page()->recordBox()->isChecked());
    const int answers = line.overview().answers() - before;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.front(), QString::fromStdString(vorsan::StationCsv::header()));
    // An answer in flight when the file opened may be written too.
    QVERIFY2(lines.size() - 1 >= answers && lines.size() - 1 <= answers + 1, qPrintable(lines.join('\n')));
    QVERIFY(lines.size() - 1 >= 4); // two whole rounds at least
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char(','));
        QCOMPARE(fields.size(), 18);
        QVERIFY(fields[1] == QLatin1String("1") || fields[1] == QLatin1String("5"));
    }
}

void LineOverviewTest::theProbeRestsWhileThePageIsShown() {
    Line line(options({1, 5}));
    line.showAndScan();
    line.rounds(1);
    line.sim.clearReceived();
    line.rounds(3);
    const auto isProbe = [](const vorsan::sim::ReceivedRequest& r) {
        return !r.framed || r.bytes.at(0) == 0xFF; // the generation 3 echo, the recorder request
    };
    for (const auto& r : line.sim.received())
        QVERIFY(!isProbe(r));
    line.w().pages()->setCurrentIndex(kJournalPage);
    const auto probed = [&] {
        const auto received = line.sim.received(); // a copy: one vector for begin and end
        return std::any_of(received.begin(), received.end(), isProbe);
    };
    QTRY_VERIFY_WITH_TIMEOUT(probed(), 5000);
    const int rounds = line.overview().roundsDone();
    QTest::qWait(300);
    QCOMPARE(line.overview().roundsDone(), rounds);
}

void LineOverviewTest::aDoubleClickMakesTheStationCurrent() {
    Line line(options({1, 5}));
    line.showAndScan();
    line.rounds(1);
    QTableView* table = line.page()->table();
    const QModelIndex five = line.page()->model()->index(1, OverviewModel::kAddress);
    const QRect cell = table->visualRect(five);
    QVERIFY(cell.isValid());
    // A double-click is a press, a release and the double-click of the second press.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(line.w().state().stationAddress, std::uint8_t(5));
    QCOMPARE(line.w().pages()->currentIndex(), int(kCurrentStatePage));
    QVERIFY(!line.w().indicator()->noConnectionShown());
    const std::uint16_t well =
        line.sim.withLine([](LineModel& m) { return m.stations[1].holding[vorsan::sim::kRegWell]; });
    QTRY_COMPARE_WITH_TIMEOUT(line.w().state().currentState.wellNumber, well, 5000);
    QVERIFY(line.w().commands().table().enabled(vorsan::Command::ReadJournal));
}

void LineOverviewTest::aPortThatGoesAwayIsSaidAndTriedAgainLater() {
    Line line(options({1, 5}));
    line.showAndScan();
    line.rounds(1);
    line.w().state().portDeviceOverride = QStringLiteral("/dev/vorsan-gone");
    QTRY_VERIFY_WITH_TIMEOUT(line.page()->summary()->text().contains(QStringLiteral("Порт не открылся")),
                             5000);
    QVERIFY(line.page()->summary()->text().contains(QStringLiteral("не существует")));
    // It is tried again every 2 s, not in a loop on the free line.
    QSignalSpy turns(&line.w().live().worker(), &LinkWorker::idle);
    QTest::qWait(2500);
    QVERIFY2(turns.count() <= 2, qPrintable(QString::number(turns.count())));
}

QTEST_MAIN(LineOverviewTest)
#include "line_overview_test.moc"
