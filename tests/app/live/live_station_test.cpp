// The window against the station simulator on a pseudo-terminal: the line probe, the station
// commands, start/stop, clearing and the device searches, each through the window's own commands.
#include "dialogs/progress_window.h"
#include "live/live_station.h"
#include "settings/settings_page.h"
#include "shared/commands.h"
#include "shared/connection_indicator.h"
#include "shared/data_views.h"
#include "window/main_window.h"
#include "window/page_control.h"
#include "shared/status_panels.h"

#include "link/posix_serial_link.h"
#include "settings/catalogue.h"
#include "simulator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>
#include <mutex>
#include <span>

using vorsan::Command;
using vorsan::ControllerGeneration;
using vorsan::sim::LineModel;
using vorsan::sim::SimOptions;

namespace {

using FastClock = vorsan::ScaledLinkClock;

// The port, with writes that the test chooses refused as a broken line would refuse them.
class RefusingLink final : public vorsan::SerialLink {
public:
    using Rule = std::function<bool(std::span<const std::uint8_t>)>;
    RefusingLink(const vorsan::LinkClock& clock, std::mutex& mutex, const Rule& rule)
        : mutex_(mutex), rule_(rule) {
        setClock(clock);
        port_.setClock(clock);
    }
    bool isOpen() const override { return port_.isOpen(); }
    bool isRs232() const override { return port_.isRs232(); }

protected:
    vorsan::OpenResult doOpen(const std::string& device, int speed) override {
        return port_.open(device, speed);
    }
    void doClose() override { port_.close(); }
    bool doPurge() override { return port_.purge(); }
    vorsan::WriteResult doWrite(std::span<const std::uint8_t> bytes) override {
        {
            std::lock_guard lock(mutex_);
            if (rule_ && rule_(bytes)) return {};
        }
        return port_.write(bytes);
    }
    vorsan::ReadResult doReadByte() override { return port_.readByte(); }
    void doSetRts(bool raised) override { raised ? port_.setRts() : port_.clearRts(); }

private:
    vorsan::PosixSerialLink port_;
    std::mutex& mutex_;
    const Rule& rule_;
};

// A framed request of function `function` for register `reg`.
RefusingLink::Rule framedRequestFor(std::uint8_t function, std::uint16_t reg) {
    return [=](std::span<const std::uint8_t> bytes) {
        return bytes.size() == 8 && bytes[1] == function && (bytes[2] << 8 | bytes[3]) == reg;
    };
}

// Answers each message box as it comes up and remembers "caption|text".
class Boxes : public QObject {
public:
    Boxes() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen << box->windowTitle() + QLatin1Char('|') + box->text();
            QAbstractButton* b = box->button(answer);
            if (!b) b = box->button(QMessageBox::Ok);
            b->click();
        });
        timer_.start();
    }
    QStringList seen;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

private:
    QTimer timer_;
};

SimOptions options(std::vector<std::uint8_t> gen4 = {1}) {
    SimOptions o;
    o.fast = true;
    o.seed = 7;
    o.gen4Addresses = std::move(gen4);
    return o;
}

// A simulated line and the window pointed at it.
struct Line {
    explicit Line(const SimOptions& o, int clockFactor = 10) : clock(clockFactor), sim(o) {
        const std::string error = sim.start();
        if (!error.empty()) qFatal("simulator: %s", error.c_str());
        vorsan::CommandLine commandLine;
        commandLine.portDevice = sim.devicePath();
        window = std::make_unique<MainWindow>(commandLine, nullptr, [this] {
            return std::make_unique<RefusingLink>(clock, refuseMutex, refuse);
        });
        window->setDataDir(dir.path());
        window->show();
    }
    ~Line() {
        window.reset();
        sim.stop();
    }
    MainWindow& w() { return *window; }
    LiveSession& session() { return window->live().session(); }
    bool enabled(Command c) { return window->commands().table().enabled(c); }
    bool connected() { return !window->indicator()->noConnectionShown(); }
    QString connectedHint() {
        return window->indicator()->findChild<QLabel*>(QStringLiteral("connectedPicture"))->toolTip();
    }
    // Writes matching `rule` fail from now on (none: every write goes through).
    void refuseWrites(RefusingLink::Rule rule) {
        std::lock_guard lock(refuseMutex);
        refuse = std::move(rule);
    }
    template <class F> auto station(std::size_t k, F&& f) {
        return sim.withLine([&](LineModel& m) { return f(m.stations.at(k)); });
    }
    // Waits until no transaction is queued or running and no command is open.
    bool idle() { return !window->live().worker().busy() && !session().commandRunning(); }

    FastClock clock;
    std::mutex refuseMutex;
    RefusingLink::Rule refuse;
    vorsan::sim::Simulator sim;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

QString stationEntry(std::uint16_t pad, std::uint16_t well, int address) {
    return QStringLiteral(" Куст: %1 ,Скважина: %2 ,адрес: %3").arg(pad).arg(well).arg(address);
}

std::uint16_t gen4Register(const vorsan::SettingDef& d) {
    return static_cast<std::uint16_t>(176 + d.offset / 2);
}

} // namespace

class LiveStationTest : public QObject {
    Q_OBJECT
private slots:
    void probeFindsAGeneration4Station();
    void probeFindsAGeneration3Station();
    void probeFindsTheRecorder();
    void probeFindsNothingWhenTheStationGoes();
    void aStationWithItsPadUnsetIsListed();
    void aPollWriteFailureIsReported();
    void generation4JournalReadShowsTheJournal();
    void generation4JournalReadSurvivesCorruptReplies();
    void generation3JournalReadShowsTheJournal();
    void generation4SettingsRoundTrip();
    void generation3SettingsRoundTrip();
    void clearingWithTheSwitchOffAndOn();
    void startStopTogglesTheRunningBit();
    void generation3PollRunsOnlyOnTheCurrentStatePage();
    void aPortThatDoesNotOpenIsReportedAndTheProbeGoesOn();
    void closingTheWindowStopsARunningRead();
    void aFailedSettingsReadKeepsTheJournalOut();
    void aFailedJournalBlockIsReported();
    void aWriteFailureEndsASearch();
    void searchesFindFiveAndSeventeenAndStopAtTheEdges();
    void cancellingASearchKeepsTheAddress();
    void probeAndPollTakeTurnsAroundEveryCommand();
    void cancellingAJournalReadChangesNothing();
};

void LiveStationTest::probeFindsAGeneration4Station() {
    Line line(options({1, 5}));
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QVERIFY(line.connected());
    QCOMPARE(line.connectedHint(), QStringLiteral("Есть соединение со станцией"));
    QCOMPARE(line.w().state().connectedGeneration, ControllerGeneration::Gen4);
    for (Command c : vorsan::kStationCommands)
        QVERIFY(line.enabled(c));
    QVERIFY(!line.w().pages()->recorderTabVisible());
    const auto [pad, well] = line.station(0, [](auto& s) {
        return std::pair{s.holding[vorsan::sim::kRegPad], s.holding[vorsan::sim::kRegWell]};
    });
    QCOMPARE(line.w().state().pad, pad);
    QCOMPARE(line.w().state().well, well);
    QComboBox* list = line.w().stationList();
    QVERIFY(line.w().stationListShown());
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->currentText(), stationEntry(pad, well, 1));
    QCOMPARE(list->currentData().toInt(), 1);
    // The next probe confirms the same station: still one entry.
    line.sim.clearReceived();
    QTRY_VERIFY_WITH_TIMEOUT(!line.sim.received().empty(), 5000);
    QTRY_VERIFY(line.idle());
    QCOMPARE(list->count(), 1);
    QVERIFY(line.w().probeTimer().isActive());
    QCOMPARE(line.w().probeTimer().interval(), 2000);
}

void LiveStationTest::probeFindsAGeneration3Station() {
    SimOptions o = options({});
    o.gen3TypeCode = 99;
    Line line(o, 1);
    QTRY_VERIFY_WITH_TIMEOUT(line.w().state().connectedGeneration == ControllerGeneration::Gen3, 5000);
    QVERIFY(line.connected());
    QCOMPARE(line.connectedHint(), QStringLiteral("Есть соединение со станцией"));
    for (Command c : vorsan::kStationCommands)
        QVERIFY(line.enabled(c));
    QVERIFY(!line.enabled(Command::SearchDevice));
    QVERIFY(!line.w().stationListShown());
    QCOMPARE(line.w().state().gen3Variant, 2);
}

void LiveStationTest::probeFindsTheRecorder() {
    SimOptions o = options({});
    o.recorderEntries = 3;
    Line line(o);
    QSignalSpy appeared(&line.w().live().watch(), &LineWatch::recorderAppeared);
    QTRY_VERIFY_WITH_TIMEOUT(line.w().pages()->recorderTabVisible(), 5000);
    QVERIFY(line.connected());
    QCOMPARE(line.connectedHint(), QStringLiteral("Есть соединение с регистратором"));
    QVERIFY(!line.enabled(Command::SearchDevice));
    QVERIFY(!line.enabled(Command::SearchNext));
    QVERIFY(!line.enabled(Command::SearchPrevious));
    QVERIFY(!line.w().stationListShown());
    QCOMPARE(appeared.count(), 1);
}

void LiveStationTest::probeFindsNothingWhenTheStationGoes() {
    Line line(options({1}));
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    line.sim.withLine([](LineModel& m) { m.stations.clear(); });
    QTRY_VERIFY_WITH_TIMEOUT(!line.connected(), 5000);
    QCOMPARE(line.w().indicator()->findChild<QLabel*>(QStringLiteral("noConnectionPicture"))->toolTip(),
             QStringLiteral("Нет соединения со станцией"));
    for (Command c : vorsan::kStationCommands)
        QVERIFY(!line.enabled(c));
    QVERIFY(line.enabled(Command::SearchDevice));
    QCOMPARE(line.w().state().pad, vorsan::kUnknown16);
    // Entries are never removed from the station list.
    QCOMPARE(line.w().stationList()->count(), 1);
}

// The station answers the pad-and-well request with its pad unset: it is listed with the numbers
// as they are, while the line counts as no station.
void LiveStationTest::aStationWithItsPadUnsetIsListed() {
    Line line(options({1}));
    line.sim.withLine([](LineModel& m) { m.stations[0].holding[vorsan::sim::kRegPad] = vorsan::kUnknown16; });
    const std::uint16_t well = line.station(0, [](auto& s) { return s.holding[vorsan::sim::kRegWell]; });
    QTRY_VERIFY_WITH_TIMEOUT(line.w().stationListShown(), 5000);
    QCOMPARE(line.w().stationList()->currentText(), stationEntry(vorsan::kUnknown16, well, 1));
    QVERIFY(!line.connected());
    QVERIFY(!line.enabled(Command::ReadJournal));
}

// A generation 4 poll whose request cannot be written says so in a message box, besides the
// status bar.
void LiveStationTest::aPollWriteFailureIsReported() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    line.refuseWrites(framedRequestFor(0x03, 0x3F));
    line.w().pages()->setCurrentIndex(kCurrentStatePage);
    QTRY_VERIFY_WITH_TIMEOUT(!boxes.seen.isEmpty(), 5000);
    QCOMPARE(boxes.seen.front(), QStringLiteral("Error|Ошибка записи в порт"));
    QTRY_COMPARE_WITH_TIMEOUT(line.w().status()->activity(), QStringLiteral("Ошибка чтения текущих параметров"),
                              5000);
    line.w().pages()->setCurrentIndex(kJournalPage);
    line.refuseWrites({});
}

namespace {

// Runs "Считать журнал событий" and waits for its end.
void readJournal(Line& line, int timeoutMs) {
    line.w().commands().action(Command::ReadJournal)->trigger();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(line.idle(), timeoutMs); }();
}

} // namespace

void LiveStationTest::generation4JournalReadShowsTheJournal() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QTRY_VERIFY(line.idle());
    QSignalSpy shown(&line.session(), &LiveSession::progressShown);
    readJournal(line, 30000);
    QCOMPARE(boxes.seen, QStringList());
    QCOMPARE(shown.count(), 1);
    QVERIFY(line.session().progressWindow() == nullptr);

    WindowState& state = line.w().state();
    QVERIFY(state.journalLoaded);
    QCOMPARE(state.loadedGeneration, ControllerGeneration::Gen4);
    QCOMPARE(line.w().windowTitle(), kJournalReadCaption);
    for (Command c : vorsan::kJournalCommands)
        QVERIFY(line.enabled(c));
    const vorsan::JournalImage image = line.station(0, [](auto& s) { return s.journal; });
    QVERIFY(*state.journalImage == image);
    QVERIFY(state.journal.count() > 0);
    // The settings came with the journal: the catalogue holds the station's registers.
    QCOMPARE(state.catalogue.size(), std::size_t{77});
    const auto holding = line.station(0, [](auto& s) { return s.holding; });
    for (const auto& d : state.catalogue.entries)
        QCOMPARE(d.value, holding[gen4Register(d)]);
    QCOMPARE(state.currentState.UAB, holding[64]);
    QCOMPARE(line.w().status()->well(),
             QStringLiteral("куст № %1 скважина № %2").arg(state.pad).arg(state.well));
    QVERIFY(line.w().probeTimer().isActive());
}

void LiveStationTest::generation4JournalReadSurvivesCorruptReplies() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QTRY_VERIFY(line.idle());
    line.sim.clearReceived();
    line.sim.setFaults(0.05, 0, 0, false);
    readJournal(line, 60000);
    line.sim.setFaults(0, 0, 0, false);
    // Damaged replies were asked for again: more than the 256 journal and 16 settings requests.
    QVERIFY(line.sim.received().size() > 256 + 16);
    QCOMPARE(boxes.seen, QStringList());
    QVERIFY(line.w().state().journalLoaded);
    const vorsan::JournalImage image = line.station(0, [](auto& s) { return s.journal; });
    QVERIFY(*line.w().state().journalImage == image);
}

void LiveStationTest::generation3JournalReadShowsTheJournal() {
    SimOptions o = options({});
    o.gen3TypeCode = 11;
    Line line(o, 1); // the byte commands wait in real time: a late echo must not split an exchange
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.w().state().connectedGeneration == ControllerGeneration::Gen3, 5000);
    QTRY_VERIFY(line.idle());
    // A block stream cannot stop midway: "Отмена" is there, disabled, and Esc does nothing.
    bool cancelDisabled = false;
    connect(&line.session(), &LiveSession::progressShown, [&](ProgressWindow* p) {
        cancelDisabled = p->cancelButton()->isVisibleTo(p) && !p->cancelButton()->isEnabled();
        QTest::keyClick(p, Qt::Key_Escape);
    });
    readJournal(line, 60000);
    QVERIFY(cancelDisabled);
    QCOMPARE(boxes.seen, QStringList());
    WindowState& state = line.w().state();
    QVERIFY(state.journalLoaded);
    QCOMPARE(state.loadedGeneration, ControllerGeneration::Gen3);
    QCOMPARE(line.w().windowTitle(), kJournalReadCaption);
    const auto [journal, settings] = line.sim.withLine([](LineModel& m) {
        return std::pair{m.gen3->journal, m.gen3->settings};
    });
    QVERIFY(*state.journalImage == journal);
    QVERIFY(state.journal.count() > 0);
    QCOMPARE(line.w().views().settingsPage()->title(), QStringLiteral("Текущие уставки контроллера"));
    QCOMPARE(state.catalogue.size(), std::size_t{82});
    for (const auto& d : state.catalogue.entries)
        QCOMPARE(d.value, static_cast<std::uint16_t>(settings[d.offset] | settings[d.offset + 1] << 8));
}

void LiveStationTest::generation4SettingsRoundTrip() {
    Line line(options({1}));
    Boxes boxes;
    boxes.answer = QMessageBox::Cancel;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadSettings), 5000);
    QTRY_VERIFY(line.idle());
    WindowState& state = line.w().state();

    // Nothing read yet: the empty set is not written over the station's settings.
    line.w().commands().action(Command::WriteSettings)->trigger();
    QCOMPARE(boxes.seen.size(), 1);
    QVERIFY(boxes.seen.front().startsWith(QStringLiteral("Внимание|")));
    boxes.seen.clear();

    // Motor and pump "none": 0xFFFF read from the station is a value like any other.
    line.station(0, [](auto& s) {
        s.holding[vorsan::sim::kRegMotor] = s.holding[vorsan::sim::kRegPump] = 0xFFFF;
        return 0;
    });
    line.w().commands().action(Command::ReadSettings)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 10000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("|Сохранить уставки в файл?")});
    QCOMPARE(line.w().views().settingsPage()->title(), QStringLiteral("Текущие уставки контроллера"));
    QCOMPARE(line.w().pages()->currentIndex(), int(kSettingsPage));
    QCOMPARE(state.catalogue.size(), std::size_t{77});

    // Change two settings within their limits and write the set.
    auto& first = state.catalogue.entries[0];
    auto& second = state.catalogue.entries[5];
    const std::uint16_t v1 =
        first.value == first.minRaw ? std::uint16_t(first.minRaw + 1) : std::uint16_t(first.minRaw);
    const std::uint16_t v2 =
        second.value == second.maxRaw ? std::uint16_t(second.maxRaw - 1) : std::uint16_t(second.maxRaw);
    first.value = v1;
    second.value = v2;
    const std::uint16_t register1 = gen4Register(first), register2 = gen4Register(second);
    const vorsan::SettingsSet written = vorsan::settingsSetOf(state.catalogue);
    boxes.seen.clear();
    line.w().commands().action(Command::WriteSettings)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 10000);
    QCOMPARE(boxes.seen, QStringList());
    const auto holding = line.station(0, [](auto& s) { return s.holding; });
    QCOMPARE(holding[register1], v1);
    QCOMPARE(holding[register2], v2);
    QCOMPARE(holding[vorsan::sim::kRegMotor], std::uint16_t(0xFFFF));
    QCOMPARE(holding[vorsan::sim::kRegPump], std::uint16_t(0xFFFF));
    QCOMPARE(state.stationAddress, std::uint8_t(1));
    QCOMPARE(line.w().status()->well(),
             QStringLiteral(" Куст: %1 ,Скважина: %2").arg(state.pad).arg(state.well));
    QCOMPARE(line.w().stationList()->count(), 1);

    // Read back: the same set.
    state.catalogue = vorsan::buildCatalogue(ControllerGeneration::Gen4);
    line.w().commands().action(Command::ReadSettings)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 10000);
    QCOMPARE(vorsan::settingsSetOf(state.catalogue), written);
}

void LiveStationTest::generation3SettingsRoundTrip() {
    SimOptions o = options({});
    o.gen3TypeCode = 11;
    Line line(o, 1); // the byte commands wait in real time: a late echo must not split an exchange
    Boxes boxes;
    boxes.answer = QMessageBox::Cancel;
    QTRY_VERIFY_WITH_TIMEOUT(line.w().state().connectedGeneration == ControllerGeneration::Gen3, 5000);
    QTRY_VERIFY(line.idle());
    WindowState& state = line.w().state();
    state.loadedGeneration = ControllerGeneration::Gen3; // as after a generation 3 journal or file
    line.w().commands().action(Command::ReadSettings)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 30000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("|Сохранить уставки в файл?")});
    QCOMPARE(state.catalogue.size(), std::size_t{82});

    auto& first = state.catalogue.entries[0];
    const std::uint16_t v1 =
        first.value == first.minRaw ? std::uint16_t(first.minRaw + 1) : std::uint16_t(first.minRaw);
    first.value = v1;
    const std::size_t offset = first.offset; // the write replaces the catalogue
    const vorsan::SettingsSet written = vorsan::settingsSetOf(state.catalogue);
    boxes.seen.clear();
    QTRY_VERIFY(line.idle());
    line.sim.clearReceived();
    line.w().commands().action(Command::WriteSettings)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 30000);
    QCOMPARE(boxes.seen, QStringList());
    const auto block = line.sim.withLine([](LineModel& m) { return m.gen3->settings; });
    QCOMPARE(static_cast<std::uint16_t>(block[offset] | block[offset + 1] << 8), v1);

    state.catalogue = vorsan::buildCatalogue(ControllerGeneration::Gen3);
    line.w().commands().action(Command::ReadSettings)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 30000);
    QCOMPARE(vorsan::settingsSetOf(state.catalogue), written);
}

void LiveStationTest::clearingWithTheSwitchOffAndOn() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ClearChronology), 5000);
    QTRY_VERIFY(line.idle());
    const vorsan::JournalImage before = line.station(0, [](auto& s) { return s.journal; });

    // "Нет": nothing is sent.
    boxes.answer = QMessageBox::No;
    line.sim.clearReceived();
    line.w().commands().action(Command::ClearChronology)->trigger();
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("Clear|Обнулить хронологию событий?")});
    QVERIFY(!line.session().commandRunning());

    // Switch on: the controller refuses and says how to proceed.
    boxes.answer = QMessageBox::Yes;
    boxes.seen.clear();
    line.w().commands().action(Command::ClearChronology)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && boxes.seen.size() == 2, 5000);
    QCOMPARE(boxes.seen[1],
             QStringLiteral("Ошибка|Внимание: поставьте переключатель\nрода работ в положение "
                            "\"Выкл.\"\nи нажмите еще раз на кнопку для обнуления хронологии"));
    QVERIFY(line.station(0, [](auto& s) { return s.journal; }) == before);
    QVERIFY(line.w().probeTimer().isActive());

    // Switch off: the chronology is erased, nothing is said.
    line.sim.withLine([](LineModel& m) { m.switchOff = true; });
    boxes.seen.clear();
    line.w().commands().action(Command::ClearChronology)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 5000);
    QTest::qWait(50);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("Clear|Обнулить хронологию событий?")});
    vorsan::JournalImage erased;
    erased.fill(0xFF);
    QVERIFY(line.station(0, [](auto& s) { return s.journal; }) == erased);
    QVERIFY(line.w().probeTimer().isActive());
}

void LiveStationTest::startStopTogglesTheRunningBit() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QPushButton* button = line.w().live().watch().startStopButton();
    QVERIFY(!button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("Стоп"));
    line.w().pages()->setCurrentIndex(kCurrentStatePage);
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 5000);
    const auto running = [&] { return line.station(0, [](auto& s) { return s.holding[63] & 1; }); };
    const bool wasRunning = running();
    QCOMPARE(button->text(), wasRunning ? QStringLiteral("Стоп") : QStringLiteral("Пуск"));
    QVERIFY(line.w().state().currentState.UAB != 0);

    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(running() != wasRunning, 5000);
    // The poll goes on and shows the new state.
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), wasRunning ? QStringLiteral("Пуск") : QStringLiteral("Стоп"),
                              8000);
    QTRY_VERIFY(line.idle());
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(running() == wasRunning, 5000);
    QCOMPARE(boxes.seen, QStringList());

    // Leaving the page stops the polls.
    line.w().pages()->setCurrentIndex(kJournalPage);
    QVERIFY(!line.session().runningPoll());
}

void LiveStationTest::searchesFindFiveAndSeventeenAndStopAtTheEdges() {
    Line line(options({5, 17}), 40);
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.w().startedUp() && !line.sim.received().empty(), 5000);
    QTRY_VERIFY(line.idle());
    QVERIFY(!line.connected() && line.enabled(Command::SearchDevice));
    WindowState& state = line.w().state();

    line.w().commands().action(Command::SearchDevice)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 20000);
    QCOMPARE(state.stationAddress, std::uint8_t(5));
    QVERIFY(line.connected());
    QCOMPARE(line.connectedHint(), QStringLiteral("Есть соединение со станцией: 5"));
    for (Command c : vorsan::kStationCommands)
        QVERIFY(line.enabled(c));
    QVERIFY(line.enabled(Command::SearchNext));
    QVERIFY(!line.enabled(Command::SearchPrevious));
    const auto [pad5, well5] = line.station(0, [](auto& s) {
        return std::pair{s.holding[vorsan::sim::kRegPad], s.holding[vorsan::sim::kRegWell]};
    });
    QCOMPARE(line.w().stationList()->currentText(), stationEntry(pad5, well5, 5));

    line.w().commands().action(Command::SearchNext)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 20000);
    QCOMPARE(state.stationAddress, std::uint8_t(17));
    QVERIFY(line.enabled(Command::SearchPrevious));
    QVERIFY(line.enabled(Command::SearchNext));
    QCOMPARE(line.w().stationList()->count(), 2);
    QCOMPARE(boxes.seen, QStringList());

    line.w().commands().action(Command::SearchPrevious)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 20000);
    QCOMPARE(state.stationAddress, std::uint8_t(5));
    QCOMPARE(line.w().stationList()->count(), 2); // a station found twice is listed once

    // From 246 the next search tries only 247.
    state.stationAddress = 246;
    line.sim.clearReceived();
    line.w().live().search().searchNext();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 20000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("Error|Больше устройств в сети не обнаружено")});
    QCOMPARE(state.stationAddress, std::uint8_t(246));
    for (Command c : vorsan::kStationCommands)
        QVERIFY(!line.enabled(c));
    QVERIFY(!line.enabled(Command::SearchNext));
    QVERIFY(!line.enabled(Command::SearchDevice));

    // From 3 downwards nothing answers at 2 and 1.
    boxes.seen.clear();
    state.stationAddress = 3;
    line.w().live().search().searchPrevious();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 20000);
    QCOMPARE(boxes.seen,
             QStringList{QStringLiteral("Error|Устройство с меньшим адресом в сети не обнаружено")});

    // From 247 there is nothing above and nothing is said.
    boxes.seen.clear();
    state.stationAddress = 247;
    line.w().live().search().searchNext();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 20000);
    QTest::qWait(50);
    QCOMPARE(boxes.seen, QStringList());
}

void LiveStationTest::cancellingASearchKeepsTheAddress() {
    Line line(options({5, 17}), 10);
    Boxes boxes;
    // The first probe has found nothing at address 1.
    QTRY_VERIFY_WITH_TIMEOUT(line.w().startedUp() && !line.sim.received().empty(), 5000);
    QTRY_VERIFY(line.idle());
    QVERIFY(!line.connected());
    WindowState& state = line.w().state();
    state.stationAddress = 17;
    ProgressWindow* progress = nullptr;
    connect(&line.session(), &LiveSession::progressShown, [&](ProgressWindow* p) { progress = p; });
    line.w().live().search().searchNext();
    QTRY_VERIFY_WITH_TIMEOUT(progress != nullptr, 5000);
    QCOMPARE(progress->windowTitle(), QStringLiteral("Поиск устройства в сети..."));
    QVERIFY(progress->cancelButton()->isVisible());
    // Address 100 is the 83rd after 17.
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 100 - 18, 60000);
    progress->cancelButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 5000);
    QCOMPARE(state.stationAddress, std::uint8_t(17));
    QVERIFY(line.enabled(Command::SearchDevice));
    QVERIFY(line.sim.received().size() < 247 - 17);
    QCOMPARE(boxes.seen, QStringList());
    QVERIFY(line.w().probeTimer().isActive());
}

void LiveStationTest::generation3PollRunsOnlyOnTheCurrentStatePage() {
    SimOptions o = options({});
    o.gen3TypeCode = 11;
    Line line(o, 1);
    QTRY_VERIFY_WITH_TIMEOUT(line.w().state().connectedGeneration == ControllerGeneration::Gen3, 5000);
    QVERIFY(!line.session().runningPoll());
    line.w().pages()->setCurrentIndex(kCurrentStatePage);
    QCOMPARE(line.session().runningPoll(), std::optional{ControllerGeneration::Gen3});
    const std::uint16_t uab = line.sim.withLine([](LineModel& m) { return m.gen3->values.at(17); });
    QTRY_VERIFY_WITH_TIMEOUT(line.w().live().watch().startStopButton()->isEnabled(), 5000);
    QCOMPARE(line.w().state().currentState.UAB, uab);
    QCOMPARE(line.w().status()->activity(), QStringLiteral("Чтение текущих параметров"));
    line.w().pages()->setCurrentIndex(kSettingsPage);
    QVERIFY(!line.session().runningPoll());
    QCOMPARE(line.w().status()->activity(), QString());
}

void LiveStationTest::aPortThatDoesNotOpenIsReportedAndTheProbeGoesOn() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QTRY_VERIFY(line.idle());
    line.w().state().portDeviceOverride = line.dir.filePath(QStringLiteral("no-such-port"));
    QSignalSpy shown(&line.session(), &LiveSession::progressShown);
    line.w().live().commands().readJournalGen4();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 5000);
    QVERIFY(boxes.seen.front().startsWith(QStringLiteral("Error|Не удалось открыть порт")));
    QCOMPARE(shown.count(), 0);
    QVERIFY(!line.w().state().journalLoaded);
    QVERIFY(line.w().probeTimer().isActive());
    // The probe fails silently on it and keeps what it knew.
    QTest::qWait(2500);
    QCOMPARE(boxes.seen.size(), 1);
    QVERIFY(line.connected());
}

void LiveStationTest::closingTheWindowStopsARunningRead() {
    Line line(options({1}), 1);
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QTRY_VERIFY(line.idle());
    line.sim.setFaults(0, 0, 20, false); // 20 ms more for every reply: about 5 s for the journal
    ProgressWindow* progress = nullptr;
    connect(&line.session(), &LiveSession::progressShown, [&](ProgressWindow* p) { progress = p; });
    line.w().commands().action(Command::ReadJournal)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(progress && progress->value() >= 5, 10000);
    line.w().close();
    line.window.reset(); // waits for the link thread: the read stops at its next block
    QVERIFY(line.sim.received().size() < 200);
}

void LiveStationTest::aFailedSettingsReadKeepsTheJournalOut() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QTRY_VERIFY(line.idle());
    line.refuseWrites(framedRequestFor(0x03, 0x0000)); // the first settings block
    readJournal(line, 30000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("Error|Ошибка записи в порт")});
    QCOMPARE(line.w().views().settingsPage()->title(), QStringLiteral("Ошибка"));
    QVERIFY(!line.w().state().journalLoaded);
    QCOMPARE(line.w().windowTitle(), kMainCaption);
    QVERIFY(!line.enabled(Command::SaveJournal));
    QVERIFY(line.w().probeTimer().isActive());
}

void LiveStationTest::aFailedJournalBlockIsReported() {
    Line line(options({1}));
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QTRY_VERIFY(line.idle());
    line.refuseWrites(framedRequestFor(0x04, 64 * 100)); // journal block 100
    readJournal(line, 30000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("Error|Ошибка записи в порт")});
    QVERIFY(!line.w().state().journalLoaded);
    QVERIFY(line.w().probeTimer().isActive());
    // The line is well again: the next read succeeds.
    line.refuseWrites({});
    boxes.seen.clear();
    readJournal(line, 30000);
    QCOMPARE(boxes.seen, QStringList());
    QVERIFY(line.w().state().journalLoaded);
}

void LiveStationTest::aWriteFailureEndsASearch() {
    Line line(options({5, 17}), 40);
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.w().startedUp() && !line.sim.received().empty(), 5000);
    QTRY_VERIFY(line.idle());
    line.refuseWrites([](std::span<const std::uint8_t> bytes) { return bytes.size() == 8 && bytes[0] == 3; });
    line.w().commands().action(Command::SearchDevice)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 10000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("Error|Ошибка записи в порт")});
    QCOMPARE(line.w().state().stationAddress, std::uint8_t(1));
    QVERIFY(line.w().probeTimer().isActive());
}

namespace {

// Requests that reached the simulator since it was last cleared: the probe's recorder request
// (FF 03 00 20, sent by nothing else) and the first block of the generation 4 poll (A 03 00 3F).
struct LineTraffic {
    int probes = 0;
    int polls = 0;
};

LineTraffic traffic(Line& line) {
    LineTraffic t;
    for (const auto& r : line.sim.received()) {
        if (!r.framed || r.bytes.size() < 4 || r.bytes[1] != 0x03 || r.bytes[2] != 0) continue;
        if (r.bytes[0] == 0xFF && r.bytes[3] == 0x20) ++t.probes;
        if (r.bytes[0] != 0xFF && r.bytes[3] == 0x3F) ++t.polls;
    }
    return t;
}

// On the current-state page both the probe and the poll keep reaching the station: from now on,
// two of each arrive (in 4 s on an idle machine; the wait allows for a loaded one).
bool bothKeepArriving(Line& line) {
    line.sim.clearReceived();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        const LineTraffic t = traffic(line);
        if (t.probes >= 2 && t.polls >= 2) return true;
        QTest::qWait(50);
    }
    const LineTraffic t = traffic(line);
    qWarning("in 20 s: %d probes, %d polls", t.probes, t.polls);
    return false;
}

} // namespace

void LiveStationTest::probeAndPollTakeTurnsAroundEveryCommand() {
    Line line(options({1, 5}), 20);
    Boxes boxes;
    boxes.answer = QMessageBox::Cancel; // "Сохранить уставки в файл?"
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    const auto showPage = [&] {
        line.w().pages()->setCurrentIndex(kCurrentStatePage);
        QVERIFY(bothKeepArriving(line));
    };
    const auto trigger = [&](Command c) {
        QTRY_VERIFY(line.idle());
        line.w().commands().action(c)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 30000);
    };
    showPage();

    // The page follows the station's values (its voltages drift within a few volts of nominal).
    line.station(0, [](auto& s) { return s.plant.nominalU = 660; });
    QTRY_VERIFY_WITH_TIMEOUT(line.w().state().currentState.UAB > 620, 20000);
    line.station(0, [](auto& s) { return s.plant.nominalU = 220; });
    QTRY_VERIFY_WITH_TIMEOUT(line.w().state().currentState.UAB < 260, 20000);

    trigger(Command::ReadJournal); // shows the journal page
    showPage();
    trigger(Command::ReadSettings); // shows the settings page
    showPage();
    trigger(Command::WriteSettings);
    QVERIFY(bothKeepArriving(line));
    boxes.answer = QMessageBox::Yes;
    trigger(Command::ClearChronology); // refused: the switch is on
    QVERIFY(bothKeepArriving(line));
    QPushButton* button = line.w().live().watch().startStopButton();
    QTRY_VERIFY(line.idle() && button->isEnabled());
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 5000);
    QVERIFY(bothKeepArriving(line));

    // Searches that find the stations at 1 and 5, then one cancelled on its way up from there.
    trigger(Command::SearchDevice);
    QCOMPARE(line.w().state().stationAddress, std::uint8_t(1));
    QVERIFY(bothKeepArriving(line));
    trigger(Command::SearchNext);
    QCOMPARE(line.w().state().stationAddress, std::uint8_t(5));
    QVERIFY(bothKeepArriving(line));
    ProgressWindow* progress = nullptr;
    connect(&line.session(), &LiveSession::progressShown, [&](ProgressWindow* p) { progress = p; });
    QTRY_VERIFY(line.idle());
    line.w().commands().action(Command::SearchNext)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(progress != nullptr && progress->value() > 10, 10000);
    progress->cancelButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 5000);
    QCOMPARE(line.w().state().stationAddress, std::uint8_t(5));
    QVERIFY(bothKeepArriving(line));
    QCOMPARE(line.w().pages()->currentIndex(), int(kCurrentStatePage));
}

void LiveStationTest::cancellingAJournalReadChangesNothing() {
    Line line(options({1}), 1);
    Boxes boxes;
    QTRY_VERIFY_WITH_TIMEOUT(line.enabled(Command::ReadJournal), 5000);
    QTRY_VERIFY(line.idle());
    WindowState& state = line.w().state();
    state.loadedGeneration = ControllerGeneration::Gen3; // as after a generation 3 file
    const QString caption = line.w().windowTitle();
    const QString settingsTitle = line.w().views().settingsPage()->title();
    line.sim.setFaults(0, 0, 20, false); // 20 ms more for every reply: about 5 s for the journal
    ProgressWindow* progress = nullptr;
    QString remainingAtStart;
    connect(&line.session(), &LiveSession::progressShown, [&](ProgressWindow* p) {
        progress = p;
        remainingAtStart = p->remainingText();
    });
    line.w().commands().action(Command::ReadJournal)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(progress && progress->value() >= 5, 10000);
    // 256 journal blocks of 8 + 133 bytes and 16 settings blocks of 8 + 37 bytes at 9600 bit/s.
    QCOMPARE(remainingAtStart, QStringLiteral("Осталось: 0:39"));
    QVERIFY(progress->cancelButton()->isVisible() && progress->cancelButton()->isEnabled());
    QTest::keyClick(progress, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(line.idle(), 5000);
    QVERIFY(line.sim.received().size() < 200);
    QCOMPARE(boxes.seen, QStringList());
    QVERIFY(!state.journalLoaded);
    QCOMPARE(state.loadedGeneration, ControllerGeneration::Gen3);
    QCOMPARE(line.w().windowTitle(), caption);
    QCOMPARE(line.w().views().settingsPage()->title(), settingsTitle);
    QVERIFY(line.w().probeTimer().isActive());

    // The line is usable: the settings read that follows succeeds.
    line.sim.setFaults(0, 0, 0, false);
    state.loadedGeneration = ControllerGeneration::Gen4;
    boxes.answer = QMessageBox::Cancel;
    line.w().commands().action(Command::ReadSettings)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(line.idle() && !boxes.seen.isEmpty(), 10000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("|Сохранить уставки в файл?")});
    QCOMPARE(line.w().views().settingsPage()->title(), kControllerSettingsTitle);
}

QTEST_MAIN(LiveStationTest)
#include "live_station_test.moc"
