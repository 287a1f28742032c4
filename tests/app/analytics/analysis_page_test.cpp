// Page "Анализ" with a journal file opened in the window: the summary agrees with the core's
// figures, the run table sorts longest first on a click of its header, and the monthly bars are
// split by cause in the diagrams' colours.
#include "analytics/analysis_page.h"
#include "files/file_commands.h"
#include "shared/commands.h"
#include "shared/page_index.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "journal_samples.h"

#include <QBarSet>
#include <QChart>
#include <QHeaderView>
#include <QStackedBarSeries>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using vorsan::Command;
using vorsan::ControllerGeneration;
namespace an = vorsan::analytics;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;

vorsan::JournalRecord on(int month, int day, int hour, int minute, std::uint8_t code) {
    auto r = code == vorsan::kCodeMeasurement ? samples::measurement(day, hour, minute, 0, G4)
                                              : samples::at(day, hour, minute, 0, code);
    r.month = static_cast<std::uint8_t>(month);
    return r;
}

// Runs of 2 h (ended by underload), 24 h (overload), 1 h 30 min across the month's end (high
// voltage) and 6 h still open at the last record.
vorsan::Journal twoMonths() {
    vorsan::Journal j;
    j.records = {on(3, 5, 10, 0, vorsan::kCodeMeasurement), on(3, 5, 10, 30, 49), on(3, 5, 12, 30, 3),
                 on(3, 6, 8, 0, 49),  on(3, 7, 8, 0, 10),   on(3, 31, 23, 0, 49),
                 on(4, 1, 0, 30, 0),  on(4, 2, 0, 0, 49),   on(4, 2, 6, 0, vorsan::kCodeMeasurement)};
    return j;
}

} // namespace

class AnalysisPageTest : public QObject {
    Q_OBJECT
private slots:
    void journalFileFigures();
};

void AnalysisPageTest::journalFileFigures() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Куст12_Ск345.VR4"));
    MainWindow w;
    w.setDataDir(dir.path());
    w.files().setDialogs({[&](QWidget*, const QString&, const QString&) { return file; },
                          [](QWidget*, const SaveRequest&) { return QString(); }});
    w.setOilfieldQuestion([] {});
    w.show();
    QVERIFY(QTest::qWaitFor([&] { return w.state().journalImage != nullptr; }));
    const auto journal = twoMonths();
    QVERIFY(samples::writeJournalFile(file, journal, G4, samples::runningState()));
    w.commands().action(Command::OpenJournal)->trigger();
    QCOMPARE(w.state().journal.records.size(), journal.records.size());

    auto* page = w.pages()->page<AnalysisPage>();
    QVERIFY(page);
    const int before = page->shownCount();
    w.pages()->setCurrentIndex(kAnalysisPage);
    QVERIFY(QTest::qWaitFor([&] { return page->shownCount() > before; }));

    // The page shows the core's figures of the same journal.
    const auto expected = an::computeWellStats(journal.records, an::insulationSettingsOf(w.state().catalogue));
    const an::WellStats& shown = page->figures()->report.stats;
    QCOMPARE(shown.runs, expected.runs);
    QCOMPARE(shown.months, expected.months);
    QCOMPARE(shown.work, expected.work);
    QCOMPARE(shown.idle, expected.idle);
    QCOMPARE(shown.mtbs, expected.mtbs);
    QCOMPARE(shown.startsPerDay, expected.startsPerDay);
    QCOMPARE(page->figureText(AnalysisPage::kRecords), QStringLiteral("9"));
    QCOMPARE(page->figureText(AnalysisPage::kStops), QStringLiteral("3"));
    QCOMPARE(page->figureText(AnalysisPage::kStarts), QStringLiteral("4"));
    QCOMPARE(page->figureText(AnalysisPage::kLongestRun), QStringLiteral("1 сут 0 ч 0 мин"));
    QCOMPARE(page->figureText(AnalysisPage::kMedianRun), QStringLiteral("2 ч 0 мин"));
    QCOMPARE(page->figureText(AnalysisPage::kDaysToSetpoint), QStringLiteral("—"));

    // A click on the duration's header: longest first, the open run among them.
    QStandardItemModel* m = page->runModel();
    QCOMPARE(m->rowCount(), 4);
    QCOMPARE(m->item(0, AnalysisPage::kBeginColumn)->text(), QStringLiteral("05.03.2024 10:30:00"));
    QHeaderView* header = page->runTable()->horizontalHeader();
    const int x = header->sectionViewportPosition(AnalysisPage::kDurationColumn) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    QStringList causes;
    QList<qlonglong> durations;
    for (int r = 0; r < m->rowCount(); ++r) {
        durations << m->item(r, AnalysisPage::kDurationColumn)->data(Qt::UserRole).toLongLong();
        causes << m->item(r, AnalysisPage::kCauseColumn)->text();
    }
    QCOMPARE(durations, (QList<qlonglong>{86400, 21600, 7200, 5400}));
    QCOMPARE(causes[1], QStringLiteral("в работе"));

    // March: one underload and one overload stop, April: one for high voltage.
    auto* series = qobject_cast<QStackedBarSeries*>(page->monthChart()->series().value(0));
    QVERIFY(series);
    QCOMPARE(series->count(), 3);
    struct Part {
        const char* label;
        QColor colour;
        QList<qreal> counts;
    };
    const Part parts[] = {{"высокое напряжение", QColor(0, 0, 0), {0, 1}},
                          {"недогрузка", QColor(128, 128, 0), {1, 0}},
                          {"перегрузка", QColor(255, 0, 255), {1, 0}}};
    for (int i = 0; i < 3; ++i) {
        QBarSet* set = series->barSets()[i];
        QCOMPARE(set->label(), QString::fromUtf8(parts[i].label));
        QCOMPARE(set->color(), parts[i].colour);
        QCOMPARE(set->count(), 2);
        QCOMPARE((QList<qreal>{set->at(0), set->at(1)}), parts[i].counts);
    }
}

QTEST_MAIN(AnalysisPageTest)
#include "analysis_page_test.moc"
