// The time axis, hint and click box under a zone with a clock change: Chile's clocks go from 00:00
// to 01:00 on 6 September 2026, so that night's 00:30 of a journal does not exist there locally.
#include "charts/journal_chart.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QTest>

#include <ctime>

class TimeZoneAxisTest : public QObject {
    Q_OBJECT
private slots:
    void wallClockTimesAcrossAClockChange() {
        // A measurement every 30 minutes from 22:00 on the 5th; the window 22:30 to 04:30 has a
        // tick every hour, each on a record (1, 3, ... 13).
        std::vector<vorsan::JournalRecord> records(15);
        for (int i = 0; i < 15; ++i) {
            const int m = 22 * 60 + 30 * i;
            records[i] = {.year = 2026, .month = 9, .day = static_cast<std::uint8_t>(5 + m / 1440),
                          .hour = static_cast<std::uint8_t>(m / 60 % 24), .minute = static_cast<std::uint8_t>(m % 60)};
            records[i].SOBYTIE = vorsan::kCodeMeasurement;
            records[i].UAB = 380;
        }
        JournalChart chart;
        chart.resize(900, 500);
        chart.setCurves({ChartCurve{vorsan::plotJournalSeries(records, vorsan::Channel::Uab), Qt::blue}, {}, {}});
        chart.setValueRange(0, 500);
        chart.setTimeWindow({*vorsan::recordDayCount(records[1]), *vorsan::recordDayCount(records[13])});
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));

        const QStringList expected = {"05/09/26<br>22:30:00", "05/09/26<br>23:30:00", "06/09/26<br>00:30:00",
                                      "06/09/26<br>01:30:00", "06/09/26<br>02:30:00", "06/09/26<br>03:30:00",
                                      "06/09/26<br>04:30:00"};
        int placed = 0; // of these labels, those drawn over their record's point
        for (auto* item : chart.scene()->items()) {
            auto* text = dynamic_cast<QGraphicsTextItem*>(item);
            const auto k = text && text->isVisible() ? expected.indexOf(text->toPlainText().replace('\n', "<br>")) : -1;
            if (k < 0) continue;
            const QPoint tick = chart.viewPosOf(*vorsan::recordDayCount(records[1 + 2 * k]), 0);
            placed += std::abs(text->mapToScene(text->boundingRect().center()).x() - chart.mapToScene(tick).x()) <= 2;
        }
        QCOMPARE(placed, 7);

        // The hint and the click box at the 00:30 record read 00:mm (not 01:30), the click picks it.
        const auto& point = chart.curve(0).points[5];
        const QPoint pos = chart.viewPosOf(point.x, point.y);
        QVERIFY2(chart.hintAt(pos).startsWith("06/09/26 00:"), qPrintable(chart.hintAt(pos)));
        QTest::mouseClick(chart.viewport(), Qt::LeftButton, {}, pos);
        QCOMPARE(chart.clickedPosition(), 5LL);
        QVERIFY2(chart.clickBoxText().startsWith("06/09/26 00:"), qPrintable(chart.clickBoxText()));
    }
};

int main(int argc, char** argv) {
    qputenv("TZ", "America/Santiago"); // before Qt first reads the zone
    tzset();
    QApplication app(argc, argv);
    // The zone is in force: local time jumps that night.
    if (QDateTime(QDate(2026, 9, 5), QTime(12, 0)).offsetFromUtc() == QDateTime(QDate(2026, 9, 7), QTime(12, 0)).offsetFromUtc())
        qFatal("the zone America/Santiago is not in force");
    TimeZoneAxisTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "time_zone_axis_test.moc"
