// The graph pages and the diagrams page driven through the window: boxes, zoom limits, the
// three charts following each other, the click box, a well's journal from the database, and the
// printouts read back with pdftotext.
#include "charts/all_graphs_page.h"
#include "charts/diagrams_page.h"
#include "charts/journal_chart.h"
#include "charts/one_graph_page.h"
#include "journal/journal_page.h"
#include "print/print_dialog.h"
#include "shared/commands.h"
#include "window/main_window.h"
#include "window/page_control.h"
#include "shared/status_panels.h"

#include "journal_samples.h"

#include <QCheckBox>
#include <QChartView>
#include <QItemSelectionModel>
#include <QPieSeries>
#include <QPieSlice>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using vorsan::Command;
using vorsan::ControllerGeneration;
using vorsan::JournalRecord;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr double kSecond = 1.0 / 86400;

// A journal of one day: a measurement every 10 minutes from 08:00, stops for underload at
// 10:00 and overload at 14:00 and for high voltage at 18:00, an automatic start 20 minutes after
// each; the last stop has no start after it.
vorsan::Journal dayJournal() {
    vorsan::Journal j;
    for (int m = 8 * 60; m < 22 * 60; m += 10) {
        const int h = m / 60;
        const int mi = m % 60;
        auto r = samples::measurement(5, h, mi, 0, G4);
        r.UAB = static_cast<std::uint16_t>(380 + m % 7);
        j.records.push_back(r);
        if (m == 10 * 60 || m == 14 * 60 || m == 18 * 60)
            j.records.push_back(samples::at(5, h, mi, 5, m == 10 * 60 ? 3 : m == 14 * 60 ? 10 : 0));
        if (m == 10 * 60 + 20 || m == 14 * 60 + 20) j.records.push_back(samples::at(5, h, mi, 5, 49));
    }
    return j;
}

struct Window {
    QTemporaryDir dir;
    MainWindow w;
    QString pdf;

    Window() {
        w.setDataDir(dir.path());
        w.show();
        pdf = dir.filePath(QStringLiteral("out.pdf"));
        setUnattendedPdfOutput(pdf);
    }
    ~Window() { setUnattendedPdfOutput({}); }

    bool started() {
        return QTest::qWaitFor([this] { return w.state().journalImage != nullptr; });
    }
    void load(const vorsan::Journal& journal) {
        w.setOilfieldQuestion([] {});
        w.showJournal(G4, samples::imageOf(journal, G4), std::nullopt, std::nullopt);
    }
    OneGraphPage* one() const { return w.pages()->page<OneGraphPage>(); }
    AllGraphsPage* all() const { return w.pages()->page<AllGraphsPage>(); }
    DiagramsPage* diagrams() const { return w.pages()->page<DiagramsPage>(); }
    QString pdfText() const {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};

// A mouse drag across a chart's plot area with the given button, from and to fractions of its width.
void drag(JournalChart* chart, Qt::MouseButton button, double from, double to) {
    const auto w = chart->timeWindow();
    const QPoint a = chart->viewPosOf(w.min + w.width() * from, chart->valueMaximum() / 2);
    const QPoint b = chart->viewPosOf(w.min + w.width() * to, chart->valueMaximum() / 2);
    QTest::mousePress(chart->viewport(), button, {}, a);
    QMouseEvent move(QEvent::MouseMove, b, chart->viewport()->mapToGlobal(b), Qt::NoButton, button, {});
    QApplication::sendEvent(chart->viewport(), &move);
    QTest::mouseRelease(chart->viewport(), button, {}, b);
}

} // namespace

class ChartsPagesTest : public QObject {
    Q_OBJECT
private slots:
    void lastCheckedBoxStaysChecked();
    void zoomInStopsAtTwoSeconds();
    void threeChartsFollowEachOther();
    void clickBoxShowsTheEventText();
    void databaseWellOpensOnItsLatestRecords();
    void graphPrintoutHoldsTitleAndStopLines();
    void manyStopsArePrintedAsAList();
    void stopListPitchAndPageBreaks();
    void diagramFollowsTheSelection();
    void diagramPrintoutHoldsThreeTitleLines();
};

void ChartsPagesTest::lastCheckedBoxStaysChecked() {
    Window win;
    QVERIFY(win.started());
    win.load(dayJournal());
    win.w.pages()->setCurrentIndex(kGraphPage);
    auto* page = win.one();
    page->phaseBox(0)->click();
    page->phaseBox(2)->click();
    QVERIFY(!page->phaseBox(0)->isChecked());
    page->phaseBox(1)->click(); // the last one
    QVERIFY(page->phaseBox(1)->isChecked());
    QVERIFY(page->chart()->curve(1).points.size() > 0);
    QVERIFY(page->chart()->curve(0).points.empty());
    QCOMPARE(page->chart()->valueTitle(), QStringLiteral("Напряжение,Ubc "));
    // Currents rename the boxes; load disables them and draws one black curve.
    page->quantityButton(vorsan::Quantity::current)->click();
    QCOMPARE(page->phaseBox(0)->text(), QStringLiteral("Ia, A"));
    page->quantityButton(vorsan::Quantity::load)->click();
    QVERIFY(!page->phaseBox(1)->isEnabled());
    QCOMPARE(page->chart()->curve(1).colour, QColor(Qt::black));
    QCOMPARE(page->chart()->valueTitle(), QStringLiteral("Загрузка"));
    QCOMPARE(win.w.status()->well(), QString()); // the journal's settings hold no pad or well
}

void ChartsPagesTest::zoomInStopsAtTwoSeconds() {
    Window win;
    QVERIFY(win.started());
    win.load(dayJournal());
    win.w.pages()->setCurrentIndex(kGraphPage);
    auto* page = win.one();
    auto* chart = page->chart();
    const auto data = chart->dataRange();
    QVERIFY(page->zoomInButton()->isEnabled());
    QVERIFY(page->zoomOutButton()->isEnabled());
    QVERIFY(!page->timeScroll()->isEnabled()); // the whole journal: nothing to scroll
    page->zoomOutButton()->click();
    QVERIFY(!page->zoomOutButton()->isEnabled()); // wider than the data
    int presses = 0;
    while (page->zoomInButton()->isEnabled() && presses < 200) {
        page->zoomInButton()->click();
        ++presses;
    }
    const double width = chart->timeWindow().width();
    QVERIFY2(width <= 2.35 * kSecond && width > 2.0 * kSecond, qPrintable(QString::number(width / kSecond)));
    QVERIFY(page->zoomOutButton()->isEnabled());
    QVERIFY(page->timeScroll()->isEnabled());
    // The minus key presses (−) on the page in use.
    QTest::keyClick(&win.w, Qt::Key_Minus);
    QTRY_VERIFY(page->zoomInButton()->isEnabled());
    // "Страница слева" moves the window by its width; at the data's start it gives up.
    const auto before = chart->timeWindow();
    page->pageLeftButton()->click();
    QCOMPARE(chart->timeWindow().max, before.min);
    QVERIFY(data.min < chart->timeWindow().min);
}

void ChartsPagesTest::threeChartsFollowEachOther() {
    Window win;
    QVERIFY(win.started());
    win.load(dayJournal());
    win.w.pages()->setCurrentIndex(kGraphPage);
    win.one()->switchButton()->click();
    auto* page = win.all();
    QCOMPARE(win.w.pages()->currentWidget(), page);
    for (int i = 0; i < 3; ++i) QVERIFY(!page->chart(i)->curve(0).points.empty());
    QCOMPARE(page->chart(0)->valueTitle(), QStringLiteral("напряжение, Uab, Ubc, Uca"));
    QCOMPARE(page->chart(1)->valueTitle(), QStringLiteral("ток, Ia, Ib, Ic"));

    drag(page->chart(1), Qt::LeftButton, 0.25, 0.5); // zoom on the current chart
    const auto zoomed = page->chart(1)->timeWindow();
    QVERIFY(zoomed.width() < page->chart(1)->dataRange().width() / 3);
    QCOMPARE(page->chart(0)->timeWindow(), zoomed);
    QCOMPARE(page->chart(2)->timeWindow(), zoomed);
    QVERIFY(page->zoomOutButton()->isEnabled());

    drag(page->chart(2), Qt::RightButton, 0.5, 0.25); // scroll the load chart
    const auto scrolled = page->chart(2)->timeWindow();
    QVERIFY(scrolled.min > zoomed.min);
    QCOMPARE(page->chart(0)->timeWindow(), scrolled);
    QCOMPARE(page->chart(1)->timeWindow(), scrolled);

    page->zoomInButton()->click(); // the buttons zoom all three
    QCOMPARE(page->chart(0)->timeWindow(), page->chart(2)->timeWindow());
    QVERIFY(page->chart(1)->timeWindow().width() < scrolled.width());

    drag(page->chart(0), Qt::LeftButton, 0.75, 0.25); // dragging back undoes every zoom
    QCOMPARE(page->chart(1)->timeWindow(), page->chart(1)->dataRange());
    QVERIFY(page->chart(2)->automaticTime());

    page->switchButton()->click();
    QCOMPARE(win.w.pages()->currentWidget(), win.one());
}

void ChartsPagesTest::clickBoxShowsTheEventText() {
    Window win;
    QVERIFY(win.started());
    win.load(dayJournal());
    win.w.pages()->setCurrentIndex(kGraphPage);
    auto* chart = win.one()->chart();
    // The underload stop at 10:00:05 touches 0.
    const auto& points = chart->curve(0).points;
    const auto stop = std::find_if(points.begin(), points.end(), [](const auto& p) { return p.y == 0; });
    QVERIFY(stop != points.end());
    QVERIFY(stop->idle);
    QTest::mouseClick(chart->viewport(), Qt::LeftButton, {}, chart->viewPosOf(stop->x, 0));
    QCOMPARE(chart->clickedPosition(), static_cast<long long>(stop->position));
    const QString box = chart->clickBoxText();
    QVERIFY2(box.startsWith(QStringLiteral("05/03/24 ")), qPrintable(box)); // the time under the pointer
    QVERIFY2(box.endsWith(QStringLiteral("Стоп : недогрузка")), qPrintable(box));
    // The hint follows the pointer inside the axes only.
    QCOMPARE(chart->hintAt(chart->viewPosOf(stop->x, chart->valueMaximum() / 2)).left(8), QStringLiteral("05/03/24"));
    QCOMPARE(chart->hintAt(QPoint(1, 1)), QString());
}

void ChartsPagesTest::databaseWellOpensOnItsLatestRecords() {
    Window win;
    QVERIFY(win.started());
    DatabaseJournal db;
    for (int i = 0; i < 1500; ++i)
        db.journal.records.push_back(samples::measurement(1 + i / 1440, i / 60 % 24, i % 60, 0, G4));
    db.journal.records[1200].SOBYTIE = 5;
    db.wellCaption = QStringLiteral("куст № 7 скважина № 77");
    db.oilfield = QStringLiteral("Северное");
    db.pad = 7;
    db.well = 77;
    win.one()->showDatabaseJournal(db);
    QCOMPARE(win.w.pages()->currentWidget(), win.one());
    QCOMPARE(win.w.status()->well(), QStringLiteral("куст № 7 скважина № 77"));
    auto* chart = win.one()->chart();
    QCOMPARE(chart->timeWindow().min, *vorsan::recordDayCount(db.journal.records[499]));
    QCOMPARE(chart->timeWindow().max, *vorsan::recordDayCount(db.journal.records[1499]));
    QVERIFY(!chart->automaticTime());
    QVERIFY(win.one()->timeScroll()->isEnabled());

    win.w.commands().action(Command::PrintGraphs)->trigger();
    const QString text = win.pdfText();
    QVERIFY2(text.contains(QStringLiteral("месторождение: Северное куст: 7 скважина: 77")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Причина останова: 01.03.2024 20:00:00 - Стоп : температура")), qPrintable(text));

    // Leaving the chart pages gives them the window's journal back.
    win.w.pages()->setCurrentIndex(kJournalPage);
    QVERIFY(!win.one()->source().database());
}

void ChartsPagesTest::graphPrintoutHoldsTitleAndStopLines() {
    Window win;
    QVERIFY(win.started());
    win.load(dayJournal());
    win.w.pages()->setCurrentIndex(kGraphPage);
    auto* page = win.one();
    // A window over the first two stops only.
    const auto data = page->chart()->dataRange();
    page->chart()->setTimeWindow({data.min, data.min + 7.0 / 24}, false);
    QCOMPARE(page->stopLines().size(), 2);
    win.w.commands().slotAction(CommandSlot::Print)->trigger();
    const QString text = win.pdfText();
    QVERIFY2(text.contains(QStringLiteral("ВОРСАН 4.074 : журнал событий")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Напряжение,Uab ,Ubc ,Uca")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Причина останова: 05.03.2024 10:00:05 - Стоп : недогрузка")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Причина останова: 05.03.2024 14:00:05 - Стоп : перегрузка")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("высокое напряжение")));
    QVERIFY(page->chart()->titleText().isEmpty()); // the screen's chart has no title again
}

void ChartsPagesTest::manyStopsArePrintedAsAList() {
    Window win;
    QVERIFY(win.started());
    auto j = dayJournal();
    j.records.push_back(samples::at(5, 23, 0, 0, 7));
    j.records.push_back(samples::at(5, 23, 30, 0, 49));
    j.records.push_back(samples::measurement(5, 23, 40, 0, G4));
    win.load(j);
    win.w.pages()->setCurrentIndex(kGraphPage);
    QCOMPARE(win.one()->stopLines().size(), 4);
    win.w.commands().action(Command::PrintGraphs)->trigger();
    const QString text = win.pdfText();
    QVERIFY2(text.contains(QStringLiteral("Причины останова за период, выведенный на график:")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Причина останова: 05.03.2024 23:00:00 - Стоп : дисбаланс напряжений")));
    QVERIFY(text.indexOf(QStringLiteral("Причина останова")) > text.indexOf(QStringLiteral("выведенный на график")));
}

void ChartsPagesTest::stopListPitchAndPageBreaks() {
    Window win;
    QVERIFY(win.started());
    vorsan::Journal j; // 64 underload stops 5 minutes apart, each restarted 2 minutes later
    for (int m = 8 * 60; m < 8 * 60 + 64 * 5; m += 5) {
        j.records.push_back(samples::at(5, m / 60, m % 60, 30, 3));
        j.records.push_back(samples::at(5, m / 60, m % 60 + 2, 0, 49));
    }
    win.load(j);
    win.w.pages()->setCurrentIndex(kGraphPage);
    win.w.commands().action(Command::PrintGraphs)->trigger();
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), win.pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    // Per page its size, then the top and height of the first word of each line (pitch in points).
    const QRegularExpression page(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)")re"));
    const QRegularExpression word(QStringLiteral(R"re(yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">(Причин[аы])<)re"));
    QList<QList<double>> tops; // the entries of the list pages
    double headingTop = -1, boxHeight = 0, pageHeight = 0;
    for (const QString& text : QString::fromUtf8(p.readAllStandardOutput()).split(QStringLiteral("<page ")).mid(1)) {
        const auto size = page.match(QStringLiteral("<page ") + text);
        const bool portrait = size.captured(1).toDouble() < size.captured(2).toDouble();
        QCOMPARE(portrait, !tops.isEmpty() || text.contains(QStringLiteral(">Причины<")));
        if (!portrait) continue;
        pageHeight = size.captured(2).toDouble();
        tops.append(QList<double>());
        for (auto it = word.globalMatch(text); it.hasNext();) {
            const auto w = it.next();
            if (w.captured(3) == QStringLiteral("Причины")) headingTop = w.captured(1).toDouble();
            else tops.back() << w.captured(1).toDouble();
            boxHeight = w.captured(2).toDouble() - w.captured(1).toDouble();
        }
    }
    QCOMPARE(tops.size(), 2);
    const double b = tops[0][1] - tops[0][0];
    QVERIFY2(std::abs(b / boxHeight - 1.2) < 0.02, qPrintable(QString::number(b / boxHeight))); // 6/5 of the text height
    QVERIFY(std::abs(tops[0][0] - headingTop - 2 * b) < 0.1); // heading on line 2, entries from line 4
    QVERIFY(std::abs(tops[1][0] - tops[0][0]) < 0.1);          // every page starts again at line 4
    QCOMPARE(tops[0].size() + tops[1].size(), 64);
    // L = page height div b − 5: the last line of a full page lies 2 to 3 lines above the printable
    // bottom (margins as wide at the bottom as at the top, the top at line 0).
    const double margin = tops[0][0] - 4 * b;
    const double below = pageHeight - margin - tops[0].back();
    QVERIFY2(below >= 2 * b - 0.1 && below < 3 * b + 0.1, qPrintable(QString::number(below / b)));
}

void ChartsPagesTest::diagramFollowsTheSelection() {
    Window win;
    QVERIFY(win.started());
    win.load(dayJournal());
    auto* grid = win.w.pages()->page<JournalPage>()->grid();
    // Rows 13..40 (from 0): the underload stop at 10:00:05 up to 14:00:05 (overload) and beyond.
    grid->selectionModel()->select(QItemSelection(grid->model()->index(13, 0), grid->model()->index(40, 0)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    win.w.commands().action(Command::ShowDiagrams)->trigger();
    auto* page = win.diagrams();
    QCOMPARE(win.w.pages()->currentWidget(), page);
    QVERIFY(page->workIdleChoice()->isChecked());
    QCOMPARE(page->pie()->count(), 2);
    QVERIFY2(page->title().startsWith(QStringLiteral("за период с 05.03.2024 10:00:05 по ")), qPrintable(page->title()));
    QVERIFY(page->pie()->slices().at(0)->label().startsWith(QStringLiteral("РАБОТА: 0 сут.")));

    page->causesChoice()->click();
    QCOMPARE(page->pie()->count(), 2);
    QVERIFY(page->pie()->slices().at(0)->label().startsWith(QStringLiteral("1: недогрузка")));
    QVERIFY(page->pie()->slices().at(1)->label().startsWith(QStringLiteral("1: перегрузка")));

    // One row: the whole journal, no title.
    win.w.pages()->setCurrentIndex(kJournalPage);
    grid->selectRow(3);
    win.w.pages()->setCurrentIndex(kDiagramsPage);
    QCOMPARE(page->title(), QString());
    QCOMPARE(page->pie()->count(), 3);
    // Three equal shares show 34 %, 33 % and 33 %: the labels add up to 100 %.
    QCOMPARE(page->pie()->slices().at(0)->label(), QStringLiteral("1 высокое напряжение 34%"));
    QCOMPARE(page->pie()->slices().at(2)->label(), QStringLiteral("1: перегрузка 33%"));
}

void ChartsPagesTest::diagramPrintoutHoldsThreeTitleLines() {
    Window win;
    QVERIFY(win.started());
    win.load(dayJournal());
    win.w.pages()->setCurrentIndex(kDiagramsPage);
    win.w.commands().slotAction(CommandSlot::Print)->trigger();
    const QString text = win.pdfText();
    QVERIFY2(text.contains(QStringLiteral("ВОРСАН 4.074 : журнал событий")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Время работы/простоя")));
    QVERIFY(text.contains(QStringLiteral("за период с 05.03.2024 08:00:00 по 05.03.2024 21:50:00")));
    QVERIFY(text.contains(QStringLiteral("РАБОТА:")));
    QCOMPARE(win.diagrams()->title(), QString()); // given back
}

QTEST_MAIN(ChartsPagesTest)
#include "charts_pages_test.moc"
