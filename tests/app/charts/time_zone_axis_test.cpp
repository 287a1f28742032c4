// The time axis, the hint and the click box under a machine time zone with a clock change: Chile
// moves its clocks from 00:00 to 01:00 on 6 September 2026, so 00:30 of that night does not exist
// there, while a controller's journal (wall-clock times without a zone) may well hold it.
#include "charts/journal_chart.h"
#include "charts/journal_series.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QTest>

#include <cstdlib>
#include <ctime>

namespace {

vorsan::JournalRecord at(int day, int hour, int minute) {
    vorsan::JournalRecord r;
    r.year = 2026;
    r.month = 9;
    r.day = static_cast<std::uint8_t>(day);
    r.hour = static_cast<std::uint8_t>(hour);
    r.minute = static_cast<std::uint8_t>(minute);
    r.SOBYTIE = vorsan::kCodeMeasurement;
    r.UAB = static_cast<std::uint16_t>(370 + minute + hour);
    return r;
}

// Seconds of the day of "dd/MM/yy hh:mm:ss".
int secondsOfDay(const QString& t) {
    return t.mid(9, 2).toInt() * 3600 + t.mid(12, 2).toInt() * 60 + t.mid(15, 2).toInt();
}

} // namespace

class TimeZoneAxisTest : public QObject {
    Q_OBJECT
private slots:
    void wallClockTimesAcrossAClockChange();
};

void TimeZoneAxisTest::wallClockTimesAcrossAClockChange() {
    // The zone is in force: local time jumps that night.
    QVERIFY(QDateTime(QDate(2026, 9, 5), QTime(12, 0)).offsetFromUtc() !=
            QDateTime(QDate(2026, 9, 7), QTime(12, 0)).offsetFromUtc());

    // A record every 30 minutes from 22:00 on the 5th to 05:00 on the 6th.
    std::vector<vorsan::JournalRecord> records;
    for (int m = 22 * 60; m <= 29 * 60; m += 30) records.push_back(at(5 + m / 1440, m / 60 % 24, m % 60));
    JournalChart chart;
    chart.resize(900, 500);
    chart.setCurves({ChartCurve{vorsan::plotJournalSeries(records, vorsan::Channel::Uab), Qt::blue}, {}, {}});
    chart.setValueRange(0, 500);
    // 22:30 to 04:30: a tick every hour, each on a record.
    chart.setTimeWindow({*vorsan::recordDayCount(records[1]), *vorsan::recordDayCount(records[13])});
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));

    const QStringList expected = {"05/09/26<br>22:30:00", "05/09/26<br>23:30:00", "06/09/26<br>00:30:00",
                                  "06/09/26<br>01:30:00", "06/09/26<br>02:30:00", "06/09/26<br>03:30:00",
                                  "06/09/26<br>04:30:00"};
    QCOMPARE(chart.timeAxisLabels(), expected);
    // Each label that shows stands over its record's point.
    int placed = 0;
    for (auto* item : chart.scene()->items()) {
        auto* text = dynamic_cast<QGraphicsTextItem*>(item);
        if (!text || !text->isVisible()) continue;
        const QString shown = text->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        const auto k = expected.indexOf(shown);
        if (k < 0) continue;
        const double x = text->mapToScene(text->boundingRect().center()).x();
        const auto record = records[static_cast<std::size_t>(1 + 2 * k)];
        QVERIFY2(std::abs(x - chart.mapToScene(chart.viewPosOf(*vorsan::recordDayCount(record), 0)).x()) <= 2,
                 qPrintable(shown));
        ++placed;
    }
    QCOMPARE(placed, 7);

    // The hint and the click box at the 00:30 record say 00:30 (within a pixel's time) and the
    // click picks that record.
    const auto& point = chart.curve(0).points[5];
    QCOMPARE(point.position, std::size_t{5});
    const QPoint pos = chart.viewPosOf(point.x, point.y);
    const QString hint = chart.hintAt(pos);
    QVERIFY2(hint.startsWith(QStringLiteral("06/09/26 ")) && std::abs(secondsOfDay(hint) - 1800) < 30, qPrintable(hint));
    QTest::mouseClick(chart.viewport(), Qt::LeftButton, {}, pos);
    QCOMPARE(chart.clickedPosition(), 5LL);
    const QString box = chart.clickBoxText();
    QVERIFY2(box.startsWith(QStringLiteral("06/09/26 ")) && std::abs(secondsOfDay(box) - 1800) < 30, qPrintable(box));
}

int main(int argc, char** argv) {
    // Before Qt reads the zone for the first time.
    qputenv("TZ", "America/Santiago");
    tzset();
    QApplication app(argc, argv);
    TimeZoneAxisTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "time_zone_axis_test.moc"
