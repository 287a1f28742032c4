// The line monitor watching real transactions against the simulator on a pseudo-terminal: the
// meaning it gives each kind of request, the state of each reply, and its counters when the
// simulator damages or drops replies.
#include "sim_fixture.h"

#include "link/current_state_read.h"
#include "link/device_search.h"
#include "link/framed_request.h"
#include "link/journal_transfer.h"
#include "link/line_monitor.h"
#include "link/line_probe.h"
#include "link/recorder_transfer.h"
#include "link/settings_transfer.h"
#include "link/station_control.h"

#include <map>

namespace vorsan::sim::test {
namespace {

struct Seen {
    std::vector<LineExchange> exchanges;
    std::vector<ExchangeView> views;
    std::vector<LineNote> notes;
    LineCounters counters;
    // meaning -> state of its last exchange
    std::map<std::string, ReplyState> meanings;
};

Seen decodeAll(MonitorTap& tap) {
    tap.flush();
    Seen seen;
    DecodeContext context;
    for (LineEvent& e : tap.take()) {
        if (e.isNote) {
            seen.notes.push_back(e.note);
            continue;
        }
        ExchangeView v = decodeExchange(e.exchange, context);
        seen.counters.add(e.exchange, v);
        seen.meanings[v.meaning] = v.state;
        seen.exchanges.push_back(std::move(e.exchange));
        seen.views.push_back(std::move(v));
    }
    return seen;
}

class Monitored {
public:
    explicit Monitored(SimOptions options) : line(std::move(options)) { line.link.setObserver(&tap); }
    ~Monitored() { line.link.setObserver(nullptr); }
    MonitorTap tap;
    SimLine line;
};

TEST(LineMonitor, NamesEveryGeneration4RequestAndSeesEveryReplyIntact) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {5};
    Monitored m(o);
    ASSERT_TRUE(m.line.open());
    EXPECT_TRUE(stationAnswers(m.line.link, 5).present);
    ASSERT_EQ(readCurrentState4(m.line.link, 5).error, LinkError::None);
    ASSERT_EQ(readSettings4(m.line.link, 5).error, LinkError::None);
    ASSERT_EQ(readJournal4(m.line.link, 5).error, LinkError::None);
    EXPECT_EQ(startStop4(m.line.link, 5, true), LinkError::None);
    EXPECT_EQ(startStop4(m.line.link, 5, false), LinkError::None);
    clearChronology4(m.line.link, 5);
    m.line.link.close();
    const Seen seen = decodeAll(m.tap);

    for (const char* meaning :
         {"запрос адреса 5", "текущее состояние, блок 1", "текущее состояние, блок 2", "номер куста и скважины",
          "чтение уставок, блок 1 из 16", "чтение уставок, блок 2 из 16", "чтение уставок, блок 16 из 16",
          "чтение журнала, блок 1 из 256", "чтение журнала, блок 17 из 256", "чтение журнала, блок 256 из 256",
          "пуск двигателя", "останов двигателя", "обнуление хронологии"}) {
        ASSERT_TRUE(seen.meanings.count(meaning)) << meaning;
        EXPECT_TRUE(seen.meanings.at(meaning) == ReplyState::Good || seen.meanings.at(meaning) == ReplyState::Refused)
            << meaning;
    }
    // The simulator got exactly what the monitor saw written.
    ASSERT_EQ(seen.exchanges.size(), m.line.sim.received().size());
    ASSERT_EQ(seen.counters.stations().size(), 1u);
    const StationCounters& c = seen.counters.stations()[0];
    EXPECT_EQ(c.station, 5);
    EXPECT_EQ(c.requests, seen.exchanges.size());
    EXPECT_EQ(c.good, c.requests);
    EXPECT_EQ(c.crcFailures + c.timeOuts + c.retries, 0u);
    EXPECT_GT(c.meanReplyMs(), 0.0);
    // A pseudo-terminal has no serial driver: low latency is refused and said so, once per open.
    EXPECT_EQ(seen.notes, (std::vector<LineNote>{LineNote::Opened, LineNote::LowLatencyRefused, LineNote::Closed}));
}

TEST(LineMonitor, NamesGeneration3CommandsAndChecksTheirChecksums) {
    SimOptions o = fastOptions();
    o.gen3TypeCode = 11;
    Monitored m(o);
    ASSERT_TRUE(m.line.open());
    EXPECT_EQ(probeLine(m.line.link, 1).device, LineDevice::Gen3Controller);
    ASSERT_EQ(readCurrentState3(m.line.link).error, LinkError::None);
    ASSERT_EQ(readJournal3(m.line.link).error, LinkError::None);
    ASSERT_EQ(readSettings3(m.line.link).error, LinkError::None);
    EXPECT_EQ(startStop3(m.line.link, true), LinkError::None);
    clearChronology3(m.line.link);
    const Seen seen = decodeAll(m.tap);
    for (const char* meaning : {"проба линии", "чтение величины 54 (тип контроллера)", "чтение величины 16",
                                "чтение величины, второй шаг", "чтение часов", "чтение журнала (32768 байт)",
                                "чтение уставок (512 байт)", "пуск двигателя", "обнуление хронологии"})
        EXPECT_TRUE(seen.meanings.count(meaning)) << meaning;
    EXPECT_EQ(seen.meanings.at("чтение журнала (32768 байт)"), ReplyState::Good);
    EXPECT_EQ(seen.meanings.at("контрольная сумма"), ReplyState::SumGood);
    // The whole journal was counted though only its beginning is kept.
    for (std::size_t i = 0; i < seen.views.size(); ++i) {
        if (seen.views[i].meaning == "чтение журнала (32768 байт)") {
            EXPECT_EQ(seen.exchanges[i].replyLength, 1u + 32768u);
        }
    }
    // The probe's echo byte is the probe's; the rest is the controller's.
    ASSERT_EQ(seen.counters.stations().size(), 2u);
    EXPECT_EQ(seen.counters.stations()[0].station, kProbeKey);
    EXPECT_EQ(seen.counters.stations()[0].good, 1u);
    EXPECT_EQ(seen.counters.stations()[1].station, 0);
}

TEST(LineMonitor, AChecksumThatDiffersIsShownAsSuch) {
    SimOptions o = fastOptions();
    o.gen3TypeCode = 11;
    o.badChecksum = true;
    Monitored m(o);
    ASSERT_TRUE(m.line.open());
    EXPECT_EQ(readSettings3(m.line.link).error, LinkError::ContrSumError);
    const Seen seen = decodeAll(m.tap);
    EXPECT_EQ(seen.meanings.at("контрольная сумма"), ReplyState::SumBad);
    EXPECT_EQ(seen.counters.stations()[0].crcFailures, 1u);
}

TEST(LineMonitor, NamesRecorderRequests) {
    SimOptions o = fastOptions();
    o.recorderEntries = 2;
    Monitored m(o);
    ASSERT_TRUE(m.line.open());
    EXPECT_TRUE(recorderPresent(m.line.link).present());
    ASSERT_EQ(readRecorderDirectory(m.line.link, 2).error, LinkError::None);
    const Seen seen = decodeAll(m.tap);
    for (const char* meaning : {"регистратор: число записей", "регистратор: запись 1, дата",
                                "регистратор: запись 2, куст и скважина"})
        EXPECT_EQ(seen.meanings.count(meaning), 1u) << meaning;
    // The entries are counted apart from the recorder and from any station at their address.
    std::vector<std::string> names;
    for (const StationCounters& c : seen.counters.stations())
        names.push_back(stationText(c.station));
    EXPECT_EQ(names,
              (std::vector<std::string>{"регистратор", "регистратор, запись 1", "регистратор, запись 2"}));

    // A download: the speed code, a reopen, the entry's blocks, the speed back: all the recorder's.
    ASSERT_TRUE(downloadRecorderEntry(m.line.link, m.line.sim.devicePath(), 9600, 2, {}).ok());
    const Seen download = decodeAll(m.tap);
    int blocks = 0;
    for (std::size_t i = 0; i < download.views.size(); ++i) {
        const ExchangeView& v = download.views[i];
        if (v.meaning.rfind("чтение", 0) == 0) {
            ++blocks;
            EXPECT_EQ(stationText(v.station), "регистратор, запись 2") << v.meaning;
        }
    }
    EXPECT_GT(blocks, 256);
}

// The probe asks for a generation 3 controller and a recorder that are not there: its silences are
// the probe's, counted as expected silences, not as time-outs of the station it then finds.
TEST(LineMonitor, TheProbesExpectedSilencesAreNoTimeOuts) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {1};
    Monitored m(o);
    ASSERT_TRUE(m.line.open());
    EXPECT_EQ(probeLine(m.line.link, 1).device, LineDevice::Gen4Station);
    const Seen seen = decodeAll(m.tap);
    ASSERT_EQ(seen.views.size(), 3u);
    EXPECT_TRUE(seen.views[0].probe);
    EXPECT_EQ(seen.views[0].stateText, "нет ответа: контроллера поколения 3 нет");
    EXPECT_TRUE(seen.views[1].probe);
    EXPECT_EQ(seen.views[1].stateText, "нет ответа: регистратора нет");
    EXPECT_FALSE(seen.views[2].probe);
    ASSERT_EQ(seen.counters.stations().size(), 2u);
    const StationCounters& probe = seen.counters.stations()[0];
    EXPECT_EQ(stationText(probe.station), "проба линии");
    EXPECT_EQ(probe.requests, 2u);
    EXPECT_EQ(probe.silences, 2u);
    EXPECT_EQ(probe.timeOuts, 0u);
    EXPECT_EQ(seen.counters.stations()[1].station, 1);
    EXPECT_EQ(seen.counters.stations()[1].good, 1u);
}

// The reply time runs from the end of the request on the wire (the drain), not from write().
TEST(LineMonitor, TheReplyTimeCountsFromTheDrain) {
    MonitorTap tap;
    const FramedRequest request = currentStateFirstRequest(1);
    const std::uint8_t reply[] = {1, 3, 32};
    tap.onTraffic(TrafficDirection::Written, request.bytes, 1'000);
    tap.onControl(LinkControl::Drained, 9'300);
    tap.onTraffic(TrafficDirection::Read, reply, 14'300);
    tap.flush();
    const auto events = tap.take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].exchange.replyMicros, 5'000);
}

TEST(LineMonitor, ASettingsWriteNamesTheSetting) {
    LineExchange write;
    const FramedRequest request = writeRegister(1, 178, 115); // register 176 + 4 / 2: setting 23
    write.request.assign(request.bytes.begin(), request.bytes.end());
    DecodeContext context;
    EXPECT_EQ(decodeExchange(write, context).meaning,
              "запись уставки 23 «Уставка высокого напряжения» = 115");
    const FramedRequest other = writeRegister(1, 100, 7); // below the settings
    write.request.assign(other.bytes.begin(), other.bytes.end());
    EXPECT_EQ(decodeExchange(write, context).meaning, "запись регистра 100 = 7");
}

// The port's notes say the line speed it opened at, and why it did not open.
TEST(LineMonitor, OpenNotesSayTheSpeedAndTheReason) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {1};
    Monitored m(o);
    ASSERT_TRUE(m.line.open(9600));
    m.line.link.close();
    EXPECT_FALSE(m.line.link.open("/dev/vorsan-no-such-port", 9600).ok());
    m.tap.flush();
    std::vector<std::string> texts;
    for (const LineEvent& e : m.tap.take())
        if (e.isNote && e.note != LineNote::LowLatencyRefused) texts.push_back(lineNoteText(e));
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "порт " + m.line.sim.devicePath() + " открыт, 9600 бит/с");
    EXPECT_EQ(texts[1], "порт закрыт");
    EXPECT_EQ(
        texts[2],
        "порт /dev/vorsan-no-such-port не открылся: Устройство /dev/vorsan-no-such-port не существует.");
}

// Every damaged reply is a CRC failure that the transfer tries again: the failures equal the
// retries, every block ends with one good reply, and the simulator saw every try.
TEST(LineMonitor, CountsDamagedRepliesAsCrcFailuresFollowedByRetries) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {1};
    o.corrupt = 0.2;
    o.seed = 11;
    Monitored m(o);
    ASSERT_TRUE(m.line.open());
    ASSERT_EQ(readJournal4(m.line.link, 1).error, LinkError::None);
    const Seen seen = decodeAll(m.tap);
    const StationCounters& c = seen.counters.stations().at(0);
    EXPECT_EQ(c.good, 256u);
    EXPECT_GT(c.crcFailures, 20u);
    EXPECT_EQ(c.timeOuts, 0u);
    EXPECT_EQ(c.retries, c.crcFailures);
    EXPECT_EQ(c.requests, m.line.sim.received().size());
}

// A dropped reply is a time-out: as many as the simulator left unanswered.
TEST(LineMonitor, CountsDroppedRepliesAsTimeOuts) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {1};
    o.drop = 0.1;
    o.seed = 5;
    Monitored m(o);
    ASSERT_TRUE(m.line.open());
    ASSERT_EQ(readSettings4(m.line.link, 1).error, LinkError::None);
    ASSERT_EQ(readJournal4(m.line.link, 1).error, LinkError::None);
    const Seen seen = decodeAll(m.tap);
    std::uint64_t unanswered = 0;
    for (const ReceivedRequest& r : m.line.sim.received())
        unanswered += r.answered ? 0 : 1;
    const StationCounters& c = seen.counters.stations().at(0);
    EXPECT_GT(unanswered, 0u);
    EXPECT_EQ(c.timeOuts, unanswered);
    EXPECT_EQ(c.crcFailures, 0u);
    EXPECT_EQ(c.retries, c.timeOuts);
    EXPECT_EQ(c.requests, m.line.sim.received().size());
}

TEST(LineMonitor, AFullRingDropsTheOldestAndSaysHowMany) {
    MonitorTap tap(3);
    const std::uint8_t frame[] = {1, 3, 0, 0x3F, 0, 0x10, 0x74, 0x0A};
    for (int i = 0; i < 5; ++i) {
        tap.onTraffic(TrafficDirection::Written, frame, i);
        tap.onControl(LinkControl::Purged, i);
    }
    const auto events = tap.take();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_TRUE(events[0].isNote);
    EXPECT_EQ(events[0].lost, 2u);
    EXPECT_TRUE(tap.take().empty());
}

} // namespace
} // namespace vorsan::sim::test
