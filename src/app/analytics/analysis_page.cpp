#include "analytics/analysis_page.h"

#include "charts/diagrams.h"
#include "journal/journal_rows.h"
#include "shared/commands.h"
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
#include <QLabel>
#include <QLocale>
#include <QPointer>
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

constexpr const char* kFigureNames[AnalysisPage::kFigureCount] = {
    "Записей",
    "Время работы",
    "Время простоя",
    "Коэффициент эксплуатации",
    "Отключений",
    "Пусков",
    "Средняя наработка между отключениями",
    "Пусков в сутки",
    "Самый долгий пуск",
    "Медиана пуска",
    "Суток до уставки сопротивления изоляции",
};

// Stop codes outside the diagrams' cause table share one bar part of this colour.
const QColor kOtherCauseColour(0xC0, 0xC0, 0xC0);

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
    const auto c = an::civilOf(t);
    return QStringLiteral("%1.%2.%3 %4:%5:%6")
        .arg(c.day, 2, 10, QLatin1Char('0'))
        .arg(c.month, 2, 10, QLatin1Char('0'))
        .arg(c.year, 4, 10, QLatin1Char('0'))
        .arg(c.hour, 2, 10, QLatin1Char('0'))
        .arg(c.minute, 2, 10, QLatin1Char('0'))
        .arg(c.second, 2, 10, QLatin1Char('0'));
}

// The stop events of every month of `months`, by code (the same records the figures count).
std::vector<std::map<std::uint8_t, std::size_t>> stopsPerMonth(std::span<const vorsan::JournalRecord> records,
                                                              const std::vector<an::MonthFigures>& months) {
    std::vector<std::map<std::uint8_t, std::size_t>> out(months.size());
    if (months.empty()) return out;
    const int first = months.front().year * 12 + months.front().month - 1;
    for (const auto& r : records) {
        if (!vorsan::isStopEvent(r.SOBYTIE) || !an::momentOf(r)) continue;
        const int at = int(r.year) * 12 + int(r.month) - 1 - first;
        if (at >= 0 && std::size_t(at) < out.size()) ++out[std::size_t(at)][r.SOBYTIE];
    }
    return out;
}

std::shared_ptr<const AnalysisFigures> figuresOf(std::span<const vorsan::JournalRecord> records,
                                                 const vorsan::SettingsCatalogue& settings,
                                                 vorsan::ControllerGeneration generation, QString well) {
    auto f = std::make_shared<AnalysisFigures>();
    f->stats = an::computeWellStats(records, an::insulationSettingsOf(settings));
    f->monthStops = stopsPerMonth(records, f->stats.months);
    f->runCauses.reserve(f->stats.runs.size());
    for (const auto& run : f->stats.runs)
        f->runCauses.push_back(run.cause ? QString::fromStdString(vorsan::eventCodeText(*run.cause, generation))
                                         : QStringLiteral("в работе"));
    f->well = std::move(well);
    return f;
}

QStandardItem* sortedItem(const QString& text, qlonglong key) {
    auto* item = new QStandardItem(text);
    item->setData(key, Qt::UserRole);
    item->setEditable(false);
    return item;
}

} // namespace

AnalysisPage::AnalysisPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("AnalysisPage"));
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* summary = new QFormLayout;
    for (int i = 0; i < kFigureCount; ++i) {
        auto* value = new QLabel(dash(), this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        summary->addRow(QString::fromUtf8(kFigureNames[i]) + QLatin1Char(':'), value);
        values_.push_back(value);
    }
    left->addLayout(summary);

    runModel_ = new QStandardItemModel(0, 4, this);
    runModel_->setHorizontalHeaderLabels({QStringLiteral("Пуск"), QStringLiteral("Останов"),
                                          QStringLiteral("Длительность"), QStringLiteral("Причина")});
    // The first click on the duration's header puts the longest run on top.
    runModel_->setHeaderData(kDurationColumn, Qt::Horizontal, int(Qt::DescendingOrder), Qt::InitialSortOrderRole);
    runModel_->setSortRole(Qt::UserRole);
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
    left->addWidget(runs_, 1);
    layout->addLayout(left, 2);

    chart_ = new QChart();
    chart_->setTitle(QStringLiteral("Отключения по месяцам"));
    chart_->setBackgroundRoundness(0);
    chart_->legend()->setAlignment(Qt::AlignRight);
    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("monthChart"));
    view_->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view_, 3);
}

void AnalysisPage::attach(const PageContext& context) {
    Page::attach(context);
    if (context.commands) source_ = &context.commands->dataSource();
}

void AnalysisPage::pageShown() {
    compute();
}

QString AnalysisPage::figureText(Figure f) const {
    return values_[std::size_t(f)]->text();
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
        QThreadPool::globalInstance()->start([well, caption, deliver] {
            deliver(figuresOf(well->journal.journal.records, well->settings.catalogue, well->settings.generation,
                              caption));
        });
        return;
    }
    // The window's journal may be replaced while the worker runs: it works on a copy.
    auto records = std::make_shared<std::vector<vorsan::JournalRecord>>(state().journal.records);
    auto settings = std::make_shared<vorsan::SettingsCatalogue>(state().catalogue);
    const auto generation = state().journalGeneration;
    QString caption;
    if (state().pad != vorsan::kUnknown16 && state().well != vorsan::kUnknown16)
        caption = QStringLiteral("куст № %1 скважина № %2").arg(state().pad).arg(state().well);
    QThreadPool::globalInstance()->start([records, settings, generation, caption, deliver] {
        deliver(figuresOf(*records, *settings, generation, caption));
    });
}

void AnalysisPage::show(std::shared_ptr<const AnalysisFigures> figures, std::uint64_t request) {
    if (request != request_) return;
    figures_ = std::move(figures);
    ++shown_;
    const an::WellStats& s = figures_->stats;
    if (auto* status = context().status) {
        status->clear();
        status->setWell(figures_->well);
    }

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

    // The table is filled unsorted, then sorted as its header says.
    runs_->setSortingEnabled(false);
    runModel_->removeRows(0, runModel_->rowCount());
    for (std::size_t i = 0; i < s.runs.size(); ++i) {
        const auto& run = s.runs[i];
        runModel_->appendRow({sortedItem(dateTimeText(run.begin), run.begin),
                              sortedItem(dateTimeText(run.end), run.end),
                              sortedItem(durationOf(double(run.duration())), run.duration()),
                              sortedItem(figures_->runCauses[i], run.cause ? *run.cause : 1000)});
    }
    runs_->setSortingEnabled(true);
    runs_->resizeColumnsToContents();

    chart_->removeAllSeries();
    for (auto* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    if (s.months.empty()) return;
    auto* series = new QStackedBarSeries();
    auto addCause = [&](const QString& label, const QColor& colour, auto counts) {
        auto* set = new QBarSet(label);
        set->setColor(colour);
        set->setBorderColor(Qt::black);
        double total = 0;
        for (std::size_t m = 0; m < s.months.size(); ++m) {
            const double v = double(counts(figures_->monthStops[m]));
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
        QString label = QString::fromUtf8(cause.suffix).trimmed();
        if (label.startsWith(QLatin1Char(':'))) label = label.mid(1).trimmed();
        addCause(label, fromBgr(cause.colour), [code = cause.code](const std::map<std::uint8_t, std::size_t>& m) {
            const auto it = m.find(code);
            return it == m.end() ? std::size_t(0) : it->second;
        });
    }
    addCause(QStringLiteral("прочие"), kOtherCauseColour, [&tabled](const std::map<std::uint8_t, std::size_t>& m) {
        std::size_t n = 0;
        for (const auto& [code, count] : m)
            if (std::find(tabled.begin(), tabled.end(), code) == tabled.end()) n += count;
        return n;
    });
    chart_->addSeries(series);
    auto* months = new QBarCategoryAxis();
    for (const auto& m : s.months) months->append(QString::fromStdString(an::monthText(m.year, m.month)));
    chart_->addAxis(months, Qt::AlignBottom);
    series->attachAxis(months);
    auto* counts = new QValueAxis();
    std::size_t most = 0;
    for (const auto& m : s.months) most = std::max(most, m.stops);
    counts->setRange(0, double(std::max<std::size_t>(most, 1)));
    counts->applyNiceNumbers();
    counts->setLabelFormat(QStringLiteral("%d"));
    counts->setTitleText(QStringLiteral("отключений"));
    chart_->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(counts);
}
