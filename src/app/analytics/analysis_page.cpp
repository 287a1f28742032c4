#include "analytics/analysis_page.h"

#include "analytics/insulation_chart.h"
#include "charts/diagrams.h"
#include "journal/journal_file.h"
#include "journal/journal_rows.h"
#include "print/print_dialog.h"
#include "print/report_painter.h"
#include "report/page_layout.h"
#include "shared/commands.h"
#include "shared/loaded_data.h"
#include "shared/data_source.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPrinter>
#include <QToolButton>
#include <QStackedBarSeries>
#include <QStandardItemModel>
#include <QTableView>
#include <QThreadPool>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <span>

namespace an = vorsan::analytics;

namespace {

// The cause colours are kept blue-green-red, as the diagrams store them.
QColor fromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QString dash() {
    return QStringLiteral("—");
}

QString durationOf(std::optional<double> s) {
    if (!s) return dash();
    return QString::fromStdString(an::durationText(static_cast<an::Seconds>(*s + 0.5)));
}

QString number(std::optional<double> v, int decimals) {
    return v ? QLocale().toString(*v, 'f', decimals) : dash();
}

QString dateTimeText(an::Seconds t) {
    return QString::fromStdString(vorsan::reportMomentText(t));
}

std::shared_ptr<const AnalysisFigures> figuresOf(std::span<const vorsan::JournalRecord> records,
                                                 const vorsan::SettingsCatalogue& settings,
                                                 vorsan::ControllerGeneration generation, QString well,
                                                 std::string wellLine) {
    auto f = std::make_shared<AnalysisFigures>();
    f->report = vorsan::makeWellReport(records, an::insulationSettingsOf(settings), {}, generation);
    f->report.wellLine = std::move(wellLine);
    f->well = std::move(well);
    return f;
}

QStandardItem* sortedItem(const QString& text, qlonglong key) {
    auto* item = new QStandardItem(text);
    item->setData(key, Qt::UserRole);
    item->setEditable(false);
    return item;
}

// The run table's model without lines: its headers, and its sorting by the key of each cell.
QStandardItemModel* emptyRunModel(QObject* parent) {
    auto* m = new QStandardItemModel(0, 4, parent);
    m->setHorizontalHeaderLabels({QStringLiteral("Пуск"), QStringLiteral("Останов"), QStringLiteral("Длительность"),
                                  QStringLiteral("Причина")});
    // The first click on the duration's header puts the longest run on top.
    m->setHeaderData(AnalysisPage::kDurationColumn, Qt::Horizontal, int(Qt::DescendingOrder), Qt::InitialSortOrderRole);
    m->setSortRole(Qt::UserRole);
    return m;
}

} // namespace

AnalysisPage::AnalysisPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("AnalysisPage"));
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* print = new QToolButton(this);
    print->setObjectName(QStringLiteral("printReport"));
    print->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    left->addWidget(print, 0, Qt::AlignLeft);
    auto* summary = new QFormLayout;
    for (int i = 0; i < kFigureCount; ++i) {
        auto* value = new QLabel(dash(), this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        summary->addRow(QString::fromUtf8(vorsan::kWellFigureNames[i]) + QLatin1Char(':'), value);
        values_.push_back(value);
    }
    left->addLayout(summary);

    runModel_ = emptyRunModel(this);
    runs_ = new QTableView(this);
    runs_->setObjectName(QStringLiteral("runTable"));
    runs_->setModel(runModel_);
    runs_->verticalHeader()->hide();
    runs_->setWordWrap(false);
    runs_->verticalHeader()->setDefaultSectionSize(runs_->fontMetrics().height() + 6);
    runs_->setSelectionBehavior(QAbstractItemView::SelectRows);
    runs_->horizontalHeader()->setSortIndicator(kBeginColumn, Qt::AscendingOrder);
    runs_->setSortingEnabled(true);
    runs_->horizontalHeader()->setStretchLastSection(true);
    // Column widths from the first lines: a well of many runs would hold the window up.
    runs_->horizontalHeader()->setResizeContentsPrecision(64);
    left->addWidget(runs_, 1);
    layout->addLayout(left, 2);

    auto* right = new QVBoxLayout;
    chart_ = new QChart();
    chart_->setTitle(QStringLiteral("Отключения по месяцам"));
    chart_->setBackgroundRoundness(0);
    chart_->legend()->setAlignment(Qt::AlignRight);
    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("monthChart"));
    view_->setRenderHint(QPainter::Antialiasing);
    right->addWidget(view_, 1);
    insulation_ = new InsulationChart(this);
    right->addWidget(insulation_, 1);
    layout->addLayout(right, 3);
}

void AnalysisPage::attach(const PageContext& context) {
    Page::attach(context);
    if (!context.commands) return;
    source_ = &context.commands->dataSource();
    QAction* print = context.commands->action(vorsan::Command::PrintWellReport);
    findChild<QToolButton*>(QStringLiteral("printReport"))->setDefaultAction(print);
    context.commands->bind(vorsan::Command::PrintWellReport, [this] {
        PrintRequest request;
        request.documentName = CommandSet::caption(vorsan::Command::PrintWellReport);
        printWithDialog(this->context().window, request, [this](QPrinter& p, const PrintChoice&) { printReport(p); });
    });
    // A well shown while the page is in front is shown here too.
    connect(source_, &DataSource::databaseWellChanged, this, [this] {
        if (isVisible()) compute();
    });
}

void AnalysisPage::pageShown() {
    if (context().commands) context().commands->retarget(CommandSlot::Print, vorsan::Command::PrintWellReport);
    compute();
}

QString AnalysisPage::figureText(Figure f) const {
    return values_[std::size_t(f)]->text();
}

void AnalysisPage::printReport(QPrinter& printer) {
    vorsan::WellReport report = figures_ ? figures_->report : vorsan::WellReport{};
    report.caption = (context().window ? context().window->windowTitle() : QString()).toStdString();
    printWellReport(printer, report, decimalSeparator());
}

void AnalysisPage::compute() {
    const std::uint64_t request = ++request_;
    QPointer<AnalysisPage> self(this);
    auto deliver = [self, request](std::shared_ptr<const AnalysisFigures> f) {
        // Delivered through the application object: the page may be gone by then.
        QMetaObject::invokeMethod(qApp, [self, f, request] {
            if (self) self->show(f, request);
        });
    };
    if (source_ && source_->kind() == DataKind::DatabaseWell && source_->databaseWell()->well) {
        std::shared_ptr<const DatabaseWellData> well = source_->databaseWell();
        const auto id = *well->well;
        const QString caption = QStringLiteral("куст № %1 скважина № %2").arg(id.pad).arg(id.well);
        const std::string line = vorsan::databaseWellLine(id.oilfield, id.pad, id.well);
        QThreadPool::globalInstance()->start([well, caption, line, deliver] {
            deliver(figuresOf(well->journal.journal.records, well->settings.catalogue, well->settings.generation,
                              caption, line));
        });
        return;
    }
    // The window's journal may be replaced while the worker runs: it works on a copy.
    auto records = std::make_shared<std::vector<vorsan::JournalRecord>>(state().journal.records);
    auto settings = std::make_shared<vorsan::SettingsCatalogue>(state().catalogue);
    const auto generation = state().journalGeneration;
    // The pad and well of the journal are those of the settings read with it.
    const QString caption = padWellStatus(state().catalogue);
    const auto pw = vorsan::padAndWell(state().catalogue);
    const std::string line = vorsan::journalWellLine(pw.pad, pw.well);
    QThreadPool::globalInstance()->start([records, settings, generation, caption, line, deliver] {
        deliver(figuresOf(*records, *settings, generation, caption, line));
    });
}

void AnalysisPage::show(std::shared_ptr<const AnalysisFigures> figures, std::uint64_t request) {
    if (request != request_) return;
    figures_ = std::move(figures);
    ++shown_;
    if (auto* status = context().status; status && isVisible()) {
        status->clear();
        status->setWell(figures_->well);
    }
    showSummary(figures_->report.stats);
    showRuns();
    showMonths();
    insulation_->show(figures_->report);
}

void AnalysisPage::showSummary(const an::WellStats& s) {
    const QLocale locale;
    auto set = [this](Figure f, const QString& text) { values_[std::size_t(f)]->setText(text); };
    set(kRecords, locale.toString(qulonglong(s.records)));
    set(kWork, durationOf(double(s.work)));
    set(kIdle, durationOf(double(s.idle)));
    set(kAvailability, s.availability ? locale.toString(*s.availability * 100, 'f', 1) + QStringLiteral(" %") : dash());
    set(kStops, locale.toString(qulonglong(s.stops)));
    set(kStarts, locale.toString(qulonglong(s.starts)));
    set(kMtbs, durationOf(s.mtbs));
    set(kStartsPerDay, number(s.startsPerDay, 2));
    set(kLongestRun, s.longestRun ? durationOf(double(*s.longestRun)) : dash());
    set(kMedianRun, s.medianRun ? durationOf(double(*s.medianRun)) : dash());
    set(kDaysToSetpoint, s.trend ? number(s.trend->daysToThreshold, 1) : dash());
}

void AnalysisPage::showRuns() {
    const vorsan::WellReport& r = figures_->report;
    // The lines go into a model of their own, which the view takes in one step (emptying the shown
    // one line by line and filling it again costs the window far more), then sorted as its header says.
    auto* model = emptyRunModel(this);
    for (std::size_t i = 0; i < r.stats.runs.size(); ++i) {
        const auto& run = r.stats.runs[i];
        model->appendRow({sortedItem(dateTimeText(run.begin), run.begin),
                          sortedItem(run.open ? dash() : dateTimeText(run.end), run.end),
                          sortedItem(durationOf(double(run.duration())), run.duration()),
                          sortedItem(QString::fromStdString(r.runCauses[i]), run.cause ? *run.cause : 1000)});
    }
    const QHeaderView* header = runs_->horizontalHeader();
    model->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    QStandardItemModel* old = runModel_;
    QItemSelectionModel* selection = runs_->selectionModel();
    runModel_ = model;
    runs_->setModel(model);
    delete selection;
    delete old;
    runs_->resizeColumnsToContents();
}

void AnalysisPage::showMonths() {
    const vorsan::WellReport& r = figures_->report;
    const auto& months = r.stats.months;
    chart_->removeAllSeries();
    for (auto* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    if (months.empty()) return;
    auto* series = new QStackedBarSeries();
    auto addCause = [&](const QString& label, const QColor& colour, auto counts) {
        auto* set = new QBarSet(label);
        set->setColor(colour);
        set->setBorderColor(Qt::black);
        double total = 0;
        for (std::size_t m = 0; m < months.size(); ++m) {
            const double v = double(counts(r.monthStops[m]));
            total += v;
            set->append(v);
        }
        if (total > 0)
            series->append(set);
        else
            delete set;
    };
    std::vector<std::uint8_t> tabled;
    for (const auto& cause : vorsan::stopCauses()) {
        tabled.push_back(cause.code);
        addCause(QString::fromStdString(vorsan::causeLegendName(cause.suffix)), fromBgr(cause.colour),
                 [code = cause.code](const std::map<std::uint8_t, std::size_t>& m) {
                     const auto it = m.find(code);
                     return it == m.end() ? std::size_t(0) : it->second;
                 });
    }
    addCause(QString::fromUtf8(vorsan::kOtherCausesText), fromBgr(vorsan::kOtherCauseColour),
             [&tabled](const std::map<std::uint8_t, std::size_t>& m) {
                 std::size_t n = 0;
                 for (const auto& [code, count] : m)
                     if (std::find(tabled.begin(), tabled.end(), code) == tabled.end()) n += count;
                 return n;
             });
    chart_->addSeries(series);
    auto* axis = new QBarCategoryAxis();
    for (const auto& m : months) axis->append(QString::fromStdString(an::monthText(m.year, m.month)));
    chart_->addAxis(axis, Qt::AlignBottom);
    series->attachAxis(axis);
    auto* counts = new QValueAxis();
    std::size_t most = 0;
    for (const auto& m : months) most = std::max(most, m.stops);
    counts->setRange(0, double(std::max<std::size_t>(most, 1)));
    counts->applyNiceNumbers();
    counts->setLabelFormat(QStringLiteral("%d"));
    counts->setTitleText(QStringLiteral("отключений"));
    chart_->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(counts);
}
