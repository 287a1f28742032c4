#include "analytics/well_table_view.h"

#include "report/well_report.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QApplication>
#include <QLocale>
#include <QPointer>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace an = vorsan::analytics;

namespace {

// What a line sorts by in each column (numbers as numbers, a missing figure after all others),
// and, in its first cell, where its well stands in wells_.
constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kWellIndexRole = Qt::UserRole + 2;

QStandardItem* sorted(QStandardItem* item, const QVariant& key) {
    item->setData(key, kSortRole);
    return item;
}

QVariant numberKey(std::optional<double> v) {
    return v ? *v : std::numeric_limits<double>::max();
}

QString dash() {
    return QStringLiteral("—");
}

QStandardItem* cell(const QString& text, Qt::Alignment align = Qt::AlignCenter) {
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    item->setTextAlignment(align | Qt::AlignVCenter);
    return item;
}

QStandardItemModel* emptyModel(QObject* parent) {
    auto* m = new QStandardItemModel(0, WellTableView::kColumnCount, parent);
    m->setHorizontalHeaderLabels(
        {QStringLiteral("Месторождение"), QStringLiteral("Куст"), QStringLiteral("Скважина"),
         QStringLiteral("Отключений"), QStringLiteral("Пусков в сутки"), QStringLiteral("Средняя наработка"),
         QStringLiteral("Коэф. эксплуатации"), QStringLiteral("Частая причина"), QStringLiteral("Суток до уставки")});
    m->setSortRole(kSortRole);
    return m;
}

} // namespace

WellTableView::WellTableView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("wellTableView"));
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    state_ = new QLabel(this);
    model_ = emptyModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("wellTable"));
    table_->setModel(model_);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    // Column widths from the first lines: measuring every line of a large oilfield holds the window up.
    table_->horizontalHeader()->setResizeContentsPrecision(64);
    // The title names the oilfield: its column would only repeat it.
    table_->setColumnHidden(kOilfieldColumn, true);
    table_->setToolTip(QStringLiteral("Щелчок по строке открывает скважину"));
    layout->addWidget(title_);
    layout->addWidget(state_);
    layout->addWidget(table_, 1);
    const auto open = [this](const QModelIndex& index) {
        if (index.isValid() && index.row() < model_->rowCount()) emit wellOpened(wellAt(index.row()));
    };
    // A header's click sorts by its column (again: the other way round); the table comes worst
    // first, and a line keeps its well whatever the order.
    table_->horizontalHeader()->setSectionsClickable(true);
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        // Once its indicator shows, the header itself turns it over on a click before telling.
        QHeaderView* header = table_->horizontalHeader();
        const bool shown = header->isSortIndicatorShown() && header->sortIndicatorSection() == column;
        const Qt::SortOrder order = shown ? header->sortIndicatorOrder() : Qt::AscendingOrder;
        model_->sort(column, order);
        header->setSortIndicator(column, order);
        header->setSortIndicatorShown(true);
    });
    connect(table_, &QTableView::clicked, this, open);
    connect(table_, &QTableView::activated, this, open);
}

void WellTableView::showWaiting(const QString& title) {
    title_->setText(title);
    state_->setText(QStringLiteral("Подсчёт..."));
    takeModel(emptyModel(this));
    wells_.clear();
}

void WellTableView::takeModel(QStandardItemModel* model) {
    // A whole model at once: emptying the shown one line by line and filling it again costs the
    // window far more. The view's selection of the old model goes with it.
    QStandardItemModel* old = model_;
    QItemSelectionModel* selection = table_->selectionModel();
    model_ = model;
    table_->setModel(model_);
    table_->setColumnHidden(kOilfieldColumn, true);
    table_->horizontalHeader()->setSortIndicatorShown(false);
    delete selection;
    if (old != model_) delete old;
}

void WellTableView::showProgress(std::size_t done, std::size_t total) {
    state_->setText(QStringLiteral("Подсчёт: %1 из %2 скважин").arg(done).arg(total));
}

void WellTableView::showFailure(const QString& title, const QString& why) {
    title_->setText(title);
    state_->setText(why);
}

void WellTableView::showTable(const QString& title, const vorsan::wells::WellStatsTable& table) {
    title_->setText(title);
    const QLocale locale;
    auto* lines = emptyModel(this);
    wells_.clear();
    std::size_t failed = 0;
    for (const auto& row : table.rows) {
        const an::WellSummary& s = row.summary;
        const auto fixed = [&](std::optional<double> v, int decimals) {
            return v ? locale.toString(*v, 'f', decimals) : dash();
        };
        QString cause = dash();
        if (s.topCause)
            cause = QStringLiteral("%1 (%2)")
                        .arg(QString::fromStdString(vorsan::causeName(*s.topCause, row.generation)))
                        .arg(s.topCauseCount);
        if (!row.failure.empty()) ++failed;
        QStandardItem* first = sorted(cell(QString::fromStdString(row.well.oilfield), Qt::AlignLeft),
                                      QString::fromStdString(row.well.oilfield));
        first->setData(int(wells_.size()), kWellIndexRole);
        const QString causeText = row.failure.empty() ? cause : QStringLiteral("не прочитана");
        lines->appendRow(
            {first, sorted(cell(QString::number(row.well.pad)), row.well.pad),
             sorted(cell(QString::number(row.well.well)), row.well.well),
             sorted(cell(QString::number(s.stops)), qulonglong(s.stops)),
             sorted(cell(fixed(s.startsPerDay, 2)), numberKey(s.startsPerDay)),
             sorted(cell(s.mtbs ? QString::fromStdString(an::durationText(std::llround(*s.mtbs))) : dash()),
                    numberKey(s.mtbs)),
             sorted(cell(s.availability ? locale.toString(*s.availability * 100, 'f', 1) + QStringLiteral(" %") : dash()),
                    numberKey(s.availability)),
             sorted(cell(causeText, Qt::AlignLeft), causeText), sorted(cell(fixed(s.daysToThreshold, 1)), numberKey(s.daysToThreshold))});
        wells_.push_back(row.well);
    }
    QString state = QStringLiteral("Скважин: %1 (прочитано %2, из памяти %3)")
                        .arg(table.rows.size()).arg(table.wellsRead).arg(table.wellsKept);
    if (failed > 0) state += QStringLiteral("; не прочитано: %1").arg(failed);
    state_->setText(state);
    takeModel(lines);
    table_->resizeColumnsToContents();
}

void WellTableView::showWells(const QString& oilfield, std::optional<std::uint16_t> pad) {
    const QString title = pad ? QStringLiteral("Скважины куста %1 месторождения %2, худшие сверху").arg(*pad).arg(oilfield)
                              : QStringLiteral("Скважины месторождения %1, худшие сверху").arg(oilfield);
    showWaiting(title);
    if (!runner_) return;
    const std::uint64_t request = ++request_;
    auto table = std::make_shared<vorsan::wells::WellStatsTable>();
    QPointer<WellTableView> self(this);
    const std::string field = oilfield.toStdString();
    runner_(
        [table, cache = cache_, field, pad, self, request](vorsan::wells::WellDatabase& db) {
            std::vector<vorsan::wells::WellId> chosen;
            for (const auto& w : db.wells())
                if (w.oilfield == field && (!pad || w.pad == *pad)) chosen.push_back(w);
            // The count of wells read so far, now and then, to the table's state line.
            auto progress = [self, request](std::size_t done, std::size_t total) {
                if (done % 16 != 0 && done != total) return;
                QMetaObject::invokeMethod(qApp, [self, request, done, total] {
                    if (self && request == self->request_) self->showProgress(done, total);
                });
            };
            return db.wellStatsTable(chosen, {}, *cache, *table, progress);
        },
        [self, request, table, title](const vorsan::wells::Outcome& outcome) {
            if (!self || request != self->request_) return;
            ++self->tablesShown_;
            if (!outcome.ok)
                self->showFailure(title, QString::fromStdString(outcome.message));
            else
                self->showTable(title, *table);
        });
}

const vorsan::wells::WellId& WellTableView::wellAt(int row) const {
    return wells_[std::size_t(model_->item(row, kOilfieldColumn)->data(kWellIndexRole).toInt())];
}
