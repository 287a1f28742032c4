// The rows of the page "Обзор линии" as the model shows them: how a row looks (waiting, running,
// stopped, silent), its state and cause texts, the age of a silent station's last answer, and the
// rows kept in address order as scans add and drop stations.
#include "overview/overview_model.h"

#include <QBrush>
#include <QTest>

#include <chrono>

using Look = OverviewModel::Look;
using vorsan::StationRow;

namespace {

const vorsan::WallTime kNoon = std::chrono::system_clock::time_point(std::chrono::seconds(1'765'281'600));

struct RowCase {
    const char* what;
    bool everAnswered;
    bool answering;
    bool failed; // a poll went unanswered (or none was made yet)
    std::uint16_t status;
    int ageSeconds; // of the last answer
    Look look;
    const char* state;
    const char* cause;
    const char* lastAnswerTail; // what the last-answer text ends with
};

const RowCase kCases[] = {
    {"not polled yet", false, false, false, 0, 0, Look::Waiting, "ожидает опроса", "", "ожидает опроса"},
    {"polled, never answered", false, false, true, 0, 0, Look::Waiting, "нет ответа", "", "нет ответа"},
    {"running", true, true, false, 0x0001, 0, Look::Running, "Работа", "", ""},
    {"stopped on underload in restart", true, true, false, 3 << 6, 0, Look::Stopped, "АПВ",
     "Стоп, недогрузка", ""},
    {"stopped by the operator, blocked, switch off", true, true, false, 15 << 6 | 2, 0, Look::Stopped,
     "БЛОК, переключатель Откл.", "Стоп, оператор", ""},
    {"silent for 35 s", true, false, true, 0x0001, 35, Look::Silent, "Работа", "", ", 35 с назад"},
    {"silent for 2 min 5 s", true, false, true, 0x0001, 125, Look::Silent, "Работа", "", ", 2 мин 5 с назад"},
    {"silent for an hour and a half", true, false, true, 3 << 6, 5400, Look::Silent, "АПВ",
     "Стоп, недогрузка", ", 1 ч 30 мин назад"},
};

StationRow rowOf(const RowCase& c) {
    StationRow row;
    row.address = 5;
    row.everAnswered = c.everAnswered;
    row.answering = c.answering;
    row.state.status = c.status;
    row.lastAnswer = kNoon - std::chrono::seconds(c.ageSeconds);
    if (c.failed) row.lastError = vorsan::LinkError::Crc;
    return row;
}

vorsan::ScannedStation scanned(std::uint8_t address) {
    vorsan::ScannedStation s;
    s.address = address;
    s.pad = 12;
    s.well = address;
    return s;
}

} // namespace

class OverviewModelTest : public QObject {
    Q_OBJECT
private slots:
    void rowsLookAndReadAsTheStationAnswered();
    void stoppedRowsAreRedAndSilentOnesGrey();
    void rowsStayInAddressOrder();
    void aStateWithoutPadAndWellKeepsTheKnownNumbers();
};

void OverviewModelTest::rowsLookAndReadAsTheStationAnswered() {
    OverviewModel model;
    model.setNow(kNoon);
    for (const RowCase& c : kCases) {
        const StationRow row = rowOf(c);
        QVERIFY2(OverviewModel::lookOf(row) == c.look, c.what);
        QCOMPARE(model.text(row, OverviewModel::kState), QString::fromUtf8(c.state));
        QCOMPARE(model.text(row, OverviewModel::kCause), QString::fromUtf8(c.cause));
        QVERIFY2(model.text(row, OverviewModel::kLastAnswer).endsWith(QString::fromUtf8(c.lastAnswerTail)),
                 c.what);
    }
}

void OverviewModelTest::stoppedRowsAreRedAndSilentOnesGrey() {
    OverviewModel model;
    model.addStation(scanned(1));
    model.addStation(scanned(2));
    model.addStation(scanned(3));
    StationRow running = *model.rowOf(1), stopped = *model.rowOf(2), silent = *model.rowOf(3);
    running.everAnswered = running.answering = true;
    running.state.status = 1;
    stopped.everAnswered = stopped.answering = true;
    stopped.state.status = 3 << 6;
    silent.everAnswered = true;
    model.update(running);
    model.update(stopped);
    model.update(silent);
    const auto back = [&](int row) {
        return model.data(model.index(row, OverviewModel::kAddress), Qt::BackgroundRole)
            .value<QBrush>()
            .color();
    };
    QVERIFY(!model.data(model.index(0, 0), Qt::BackgroundRole).isValid());
    QVERIFY(back(1).red() > 200 && back(1).green() < 180);
    QVERIFY(back(2).red() == back(2).green() && back(2).green() == back(2).blue());
    QVERIFY(model.data(model.index(2, 0), Qt::ToolTipRole)
                .toString()
                .startsWith(QStringLiteral("Станция не отвечает")));
}

void OverviewModelTest::rowsStayInAddressOrder() {
    OverviewModel model;
    for (std::uint8_t a : {33, 5, 247, 1, 5})
        model.addStation(scanned(a));
    const auto addresses = [&] {
        QList<int> out;
        for (const auto& r : model.rows())
            out << r.address;
        return out;
    };
    QCOMPARE(addresses(), (QList<int>{1, 5, 33, 247}));
    QCOMPARE(model.text(*model.rowOf(33), OverviewModel::kPad), QStringLiteral("12"));
    // A completed scan that no longer finds 33 drops its row and adds 100.
    model.keepOnly({scanned(1), scanned(5), scanned(100), scanned(247)});
    QCOMPARE(addresses(), (QList<int>{1, 5, 100, 247}));
    StationRow gone;
    gone.address = 33;
    QVERIFY(!model.update(gone));
}

void OverviewModelTest::aStateWithoutPadAndWellKeepsTheKnownNumbers() {
    OverviewModel model;
    model.addStation(scanned(7));
    StationRow answer = *model.rowOf(7);
    answer.everAnswered = answer.answering = true;
    answer.state = vorsan::zeroState();
    answer.state.padNumber = vorsan::kUnknown16;
    answer.state.wellNumber = vorsan::kUnknown16;
    QVERIFY(model.update(answer));
    QCOMPARE(model.rowOf(7)->state.padNumber, std::uint16_t(12));
    QCOMPARE(model.rowOf(7)->state.wellNumber, std::uint16_t(7));
}

QTEST_MAIN(OverviewModelTest)
#include "overview_model_test.moc"
