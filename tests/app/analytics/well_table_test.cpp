// Page "Анализ" and the database tab's table of wells, driven through the real window: a journal
// file opened and added to a well shows its insulation trend and setpoint and the figures
// vorsan-cli stats gives for the file, the page's report prints the well on
// one page (read back with pdftotext), a click on the oilfield in the tree shows its wells worst
// first with the figures vorsan-cli db stats gives for them, and a line opens its well.
#include "analytics/analysis_page.h"
#include "analytics/insulation_chart.h"
#include "analytics/well_table_view.h"
#include "database/database_commands.h"
#include "database/database_page.h"
#include "files/file_commands.h"
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "print/print_dialog.h"
#include "settings/catalogue.h"
#include "shared/commands.h"
#include "shared/page_index.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QProcess>
#include <QStandardItemModel>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using vorsan::Command;
using vorsan::ControllerGeneration;
using vorsan::wells::WellId;

namespace {

vorsan::JournalRecord at(int month, int day, int hour, std::uint8_t code, std::uint16_t sop = 0) {
    vorsan::JournalRecord r;
    r.year = 2026, r.month = std::uint8_t(month), r.day = std::uint8_t(day), r.hour = std::uint8_t(hour);
    r.SOBYTIE = code;
    if (code == vorsan::kCodeMeasurement) {
        r.UAB = 400, r.UBC = 401, r.UCA = 402, r.IA = 12.5, r.IB = 12.5, r.IC = 12.5;
        r.SOP = sop, r.ZAGR = 55, r.COS_ = 87;
    }
    return r;
}

// Runs from 20 August 06:00 to an underload stop on 25 August 10:00, from 11:00 to an overload stop
// on 2 September 08:00 (with `overload`), then on to the last record on 5 September 12:00; the
// resistance falls 100 kOhm a day to 500.
vorsan::Journal journal(bool overload) {
    vorsan::Journal j;
    j.records = {at(8, 20, 6, 49), at(8, 25, 10, 3), at(8, 25, 11, 48)};
    for (int d = 0; d < 16; ++d)
        j.records.push_back(at(d < 11 ? 8 : 9, d < 11 ? 21 + d : d - 10, 12, vorsan::kCodeMeasurement,
                               std::uint16_t(2000 - 100 * d)));
    if (overload) {
        j.records.push_back(at(9, 2, 8, 10));
        j.records.push_back(at(9, 2, 9, 49));
    }
    std::sort(j.records.begin(), j.records.end(), [](const auto& a, const auto& b) {
        return std::tie(a.month, a.day, a.hour) < std::tie(b.month, b.day, b.hour);
    });
    return j;
}

struct Window {
    MainWindow w;
    explicit Window(const QString& dataDir) {
        w.setDataDir(dataDir);
        w.setOilfieldQuestion([] {});
        w.show();
        QTRY_VERIFY(w.state().database != nullptr);
    }
    DatabaseCommands& db() { return w.database(); }
    AnalysisPage* page() { return w.pages()->page<AnalysisPage>(); }
    bool settle() {
        for (int i = 0; i < 2000 && !db().idle(); ++i) QTest::qWait(10);
        QTest::qWait(20);
        return db().idle();
    }
    // The journal of well `well` of pad 12 (protection on at 100 kOhm) saved as the file `path`,
    // opened in the window and added to Северное.
    void add(const QString& path, std::uint16_t well, bool overload) {
        auto c = vorsan::buildCatalogue(ControllerGeneration::Gen4);
        // Every setting read (0), so that no value lies outside its list of choices.
        vorsan::assignSettingsSet(c, vorsan::SettingsSet(vorsan::settingCount(ControllerGeneration::Gen4), 0));
        c.byNumber(vorsan::kGen4PadNumber)->value = 12;
        c.byNumber(vorsan::kGen4WellNumber)->value = well;
        c.byNumber(70)->value = 1;   // low-resistance protection on
        c.byNumber(71)->value = 100; // at 100 kOhm
        vorsan::JournalImage blank;
        blank.fill(0xFF);
        const auto image = vorsan::encodeJournal(journal(overload), ControllerGeneration::Gen4, blank, {}, well, 12).image;
        QVERIFY(vorsan::saveJournalFile(path.toStdString(), ControllerGeneration::Gen4, image, c, vorsan::CurrentState{}).empty());
        w.files().setDialogs({[path](QWidget*, const QString&, const QString&) { return path; },
                              [](QWidget*, const SaveRequest&) { return QString(); }});
        w.commands().action(Command::OpenJournal)->trigger();
        QCOMPARE(w.state().journal.records.size(), journal(overload).records.size());
        db().addJournal(QStringLiteral("Северное"));
        QVERIFY(settle());
    }
    void showAnalysis() {
        const int before = page()->shownCount();
        w.pages()->setCurrentIndex(kAnalysisPage);
        QVERIFY(QTest::qWaitFor([&] { return page()->shownCount() > before; }));
    }
};

QString text(const WellTableView* v, int row, int column) {
    return v->model()->item(row, column)->text();
}

} // namespace

class WellTableTest : public QObject {
    Q_OBJECT
private slots:
    void oilfieldTableAndTrend();
};

void WellTableTest::oilfieldTableAndTrend() {
    QTemporaryDir dir;
    auto t = std::make_unique<Window>(dir.path());
    const QString file = QDir(dir.path()).filePath(QStringLiteral("Куст12_Ск345.VR4"));
    t->add(QDir(dir.path()).filePath(QStringLiteral("Куст12_Ск1.VR4")), 1, false);
    t->add(file, 345, true);

    // The well just added: its resistance, the trend line over the last 30 days and the setpoint.
    t->showAnalysis();
    AnalysisPage* page = t->page();
    QCOMPARE(page->figures()->report.stats.stops, std::size_t(2));
    InsulationChart* chart = page->insulationChart();
    QCOMPARE(chart->measurements()->count(), 16);
    QCOMPARE(chart->trendLine()->count(), 2);
    QCOMPARE(chart->trendLine()->at(1).y(), 500.0);
    QCOMPARE(chart->setpointLine()->count(), 2);
    QCOMPARE(chart->setpointLine()->at(0).y(), 100.0);
    // Carried on from 500 kOhm at the last record to the setpoint 4 days later.
    QCOMPARE(chart->forecastLine()->count(), 2);
    QCOMPARE(chart->forecastLine()->at(0).y(), 500.0);
    QCOMPARE(chart->forecastLine()->at(1).y(), 100.0);
    QCOMPARE(qint64(chart->forecastLine()->at(1).x() - chart->forecastLine()->at(0).x()), qint64(4) * 86400 * 1000);
    QCOMPARE(page->figureText(AnalysisPage::kDaysToSetpoint), QLocale().toString(4.0, 'f', 1));

    // The same figures as vorsan-cli stats gives for the file.
    QProcess stats;
    stats.start(QStringLiteral(VORSAN_BINDIR "/vorsan-cli"), {QStringLiteral("stats"), file, QStringLiteral("--json")});
    QVERIFY(stats.waitForFinished(20000));
    const QJsonObject json = QJsonDocument::fromJson(stats.readAllStandardOutput()).object();
    const auto& figures = page->figures()->report.stats;
    QCOMPARE(json.value(QStringLiteral("records")).toInteger(), qint64(figures.records));
    QCOMPARE(json.value(QStringLiteral("work_s")).toInteger(), qint64(figures.work));
    QCOMPARE(json.value(QStringLiteral("idle_s")).toInteger(), qint64(figures.idle));
    QCOMPARE(json.value(QStringLiteral("starts")).toInteger(), qint64(figures.starts));
    QCOMPARE(json.value(QStringLiteral("runs")).toArray().size(), qsizetype(figures.runs.size()));
    QCOMPARE(json.value(QStringLiteral("trend")).toObject().value(QStringLiteral("days_to_threshold")).toDouble(),
             *figures.trend->daysToThreshold);

    // The report of the page, printed without the dialog.
    const QString pdf = QDir(dir.path()).filePath(QStringLiteral("report.pdf"));
    setUnattendedPdfOutput(pdf);
    t->w.commands().action(Command::PrintWellReport)->trigger();
    setUnattendedPdfOutput({});
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(20000));
    const QString printed = QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
    QCOMPARE(printed.count(QChar('\f')), 0); // simplified() turned the page's form feed into a blank
    QVERIFY2(printed.contains(QStringLiteral("Отчёт о работе скважины месторождение- Северное куст № 12 скважина № 345")),
             qPrintable(printed));
    QVERIFY(printed.contains(QStringLiteral("Отключений: 2")));
    QVERIFY(printed.contains(QStringLiteral("Пять самых долгих пусков")));

    // A click on the oilfield node: the tab shows its two wells, worst first, in place of its pages.
    t->w.pages()->setCurrentIndex(kDatabasePage);
    QVERIFY(t->settle());
    DatabasePage* tab = t->db().page();
    QTreeWidget* tree = tab->tree();
    QTreeWidgetItem* field = tree->findItems(QStringLiteral("М. Северное"), Qt::MatchExactly).value(0);
    QVERIFY(field);
    auto* wells = t->w.findChild<WellTableView*>();
    QVERIFY(wells);
    const int tables = wells->tablesShown();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(field).center());
    QCOMPARE(t->w.pages()->currentIndex(), int(kDatabasePage));
    QVERIFY(tab->showingGroup());
    QVERIFY(QTest::qWaitFor([&] { return wells->tablesShown() > tables; }));
    QVERIFY(wells->isVisible());
    QCOMPARE(wells->title()->text(), QStringLiteral("Скважины месторождения Северное, худшие сверху"));
    QCOMPARE(wells->model()->rowCount(), 2);
    QCOMPARE(wells->wellAt(0), (WellId{"Северное", 12, 345}));
    QCOMPARE(wells->wellAt(1), (WellId{"Северное", 12, 1}));
    QList<QStringList> shown;
    for (int row = 0; row < 2; ++row) {
        QStringList line;
        for (int c : {WellTableView::kOilfieldColumn, WellTableView::kPadColumn, WellTableView::kWellColumn,
                      WellTableView::kStopsColumn, WellTableView::kStartsPerDayColumn, WellTableView::kMtbsColumn,
                      WellTableView::kAvailabilityColumn, WellTableView::kDaysColumn})
            line << text(wells, row, c);
        shown << line;
    }
    QCOMPARE(text(wells, 0, WellTableView::kCauseColumn), QStringLiteral("недогрузка (1)"));

    // Shown again (the pad's node): every well's figures come from memory.
    QTreeWidgetItem* pad = field->child(0);
    tree->expandItem(field);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(pad).center());
    QVERIFY(QTest::qWaitFor([&] { return wells->tablesShown() > tables + 1; }));
    QCOMPARE(wells->title()->text(), QStringLiteral("Скважины куста 12 месторождения Северное, худшие сверху"));
    QVERIFY2(wells->state()->text().contains(QStringLiteral("из памяти 2")), qPrintable(wells->state()->text()));

    // Sorted by well number (a header's click, twice the other way round), each line keeps its well.
    QTableView* view = wells->table();
    const auto sortBy = [&](int column) {
        QHeaderView* header = view->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
    };
    sortBy(WellTableView::kWellColumn);
    QCOMPARE(text(wells, 0, WellTableView::kWellColumn), QStringLiteral("1"));
    QCOMPARE(wells->wellAt(0), (WellId{"Северное", 12, 1}));
    sortBy(WellTableView::kWellColumn);
    QCOMPARE(wells->wellAt(0), (WellId{"Северное", 12, 345}));
    sortBy(WellTableView::kStopsColumn); // fewest stops first: well 1 (1 stop), then 345 (2)
    QCOMPARE(text(wells, 0, WellTableView::kStopsColumn), QStringLiteral("1"));

    // A click on the first line, well 1 now, opens it: the tab shows its journal, the page its figures.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(wells->model()->index(0, 2)).center());
    QVERIFY(t->settle());
    QVERIFY(!tab->showingGroup());
    QCOMPARE(t->w.commands().dataSource().databaseWell()->well.value_or(WellId{}), (WellId{"Северное", 12, 1}));
    QCOMPARE(tab->currentWellNode().value_or(WellId{}), (WellId{"Северное", 12, 1}));
    QVERIFY(t->w.commands().table().enabled(Command::DeleteWell));
    t->showAnalysis();
    QCOMPARE(page->figures()->report.stats.stops, std::size_t(1));

    // vorsan-cli db stats gives the same lines once the window let the database go.
    const QString base = QDir(dir.path()).filePath(QStringLiteral("bd"));
    t.reset();
    QProcess cli;
    cli.start(QStringLiteral(VORSAN_BINDIR "/vorsan-cli"),
              {QStringLiteral("db"), QStringLiteral("stats"), QStringLiteral("--field"), QStringLiteral("Северное"),
               QStringLiteral("--db"), base, QStringLiteral("--decimal-separator"), QString(QLocale().decimalPoint())});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split(QChar('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    for (int row = 0; row < 2; ++row) {
        // oilfield, pad, well, stops, starts per day, mean run, availability, cause, days
        QStringList f = lines[row].split(QChar('\t'));
        QCOMPARE(f.size(), 9);
        f.removeAt(7);
        QCOMPARE(f, shown[row]);
    }
}

QTEST_MAIN(WellTableTest)
#include "well_table_test.moc"
