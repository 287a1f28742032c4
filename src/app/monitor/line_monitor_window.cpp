#include "monitor/line_monitor_window.h"

#include "live/link_worker.h"
#include "text/number_format.h"
#include "shared/loaded_data.h"

#include <QAction>
#include <QBrush>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kDrainIntervalMs = 100;
// Entries of the filter besides the stations' keys.
constexpr int kAllRows = -100;
constexpr int kProbeRows = -101;
constexpr int kCommandRows = -102;
constexpr int kCounterRowsShown = 8; // the counters pane grows to this many rows before it scrolls

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString number(double v, int decimals) {
    return QString::fromStdString(vorsan::formatFixed(v, decimals, decimalSeparator()));
}

} // namespace

// Which rows of the list are shown: all, the probe's, the commands' (all but the probe's), or one
// station's; the notes of the port (opened, closed) stay in every choice.
class MonitorFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void choose(int mode) {
        mode_ = mode;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        const auto* model = static_cast<const LineMonitorModel*>(sourceModel());
        const LineMonitorModel::Row& r = model->rows()[static_cast<std::size_t>(row)];
        if (r.note || mode_ == kAllRows) return true;
        if (mode_ == kProbeRows) return r.probe;
        if (mode_ == kCommandRows) return !r.probe;
        return r.station == mode_;
    }

private:
    int mode_ = kAllRows;
};

// ---- model ----------------------------------------------------------------------------------------

void LineMonitorModel::append(std::vector<Row> rows) {
    if (rows.empty()) return;
    if (rows.size() > static_cast<std::size_t>(kMaxRows))
        rows.erase(rows.begin(), rows.end() - kMaxRows);
    const int overflow = static_cast<int>(rows_.size() + rows.size()) - kMaxRows;
    if (overflow > 0) {
        beginRemoveRows({}, 0, overflow - 1);
        rows_.erase(rows_.begin(), rows_.begin() + overflow);
        endRemoveRows();
    }
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (auto& r : rows)
        rows_.push_back(std::move(r));
    endInsertRows();
}

void LineMonitorModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int LineMonitorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LineMonitorModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LineMonitorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const Row& r = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) return r.cells[index.column()];
    // Long cells are cut at the column's edge: the tooltip has them whole.
    if (role == Qt::ToolTipRole && index.column() != Direction && !r.cells[index.column()].isEmpty())
        return r.cells[index.column()];
    if (role == Qt::ForegroundRole) {
        if (r.bad) return QBrush(Qt::red);
        if (r.note || r.probe) return QBrush(Qt::darkGray);
    }
    return {};
}

QVariant LineMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[ColumnCount] = {"Время", "", "Станция", "Смысл / время ответа", "Состояние",
                                                    "Байты"};
    return QString::fromUtf8(titles[section]);
}

// ---- window ---------------------------------------------------------------------------------------

LineMonitorWindow::LineMonitorWindow(LinkWorker& worker, QWidget* parent)
    : QWidget(parent, Qt::Window), worker_(worker) {
    setObjectName(QStringLiteral("LineMonitorWindow"));
    setWindowTitle(QStringLiteral("Монитор линии"));
    resize(980, 600);

    showAction_ = new QAction(QStringLiteral("Монитор линии"), this);
    showAction_->setObjectName(QStringLiteral("lineMonitorAction"));
    connect(showAction_, &QAction::triggered, this, [this] {
        show();
        raise();
        activateWindow();
    });

    buildTables();

    pause_ = new QPushButton(QStringLiteral("Пауза"), this);
    pause_->setObjectName(QStringLiteral("monitorPause"));
    pause_->setCheckable(true);
    auto* clear = new QPushButton(QStringLiteral("Очистить"), this);
    clear->setObjectName(QStringLiteral("monitorClear"));
    auto* save = new QPushButton(QStringLiteral("Сохранить…"), this);
    save->setObjectName(QStringLiteral("monitorSave"));
    status_ = new QLabel(this);
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        if (!paused) resume();
        status_->setText(paused ? QStringLiteral("пауза: список стоит, обмены копятся, счётчики идут")
                                : QString());
    });
    filterBox_ = new QComboBox(this);
    filterBox_->setObjectName(QStringLiteral("monitorFilter"));
    filterBox_->addItem(QStringLiteral("Все обмены"), kAllRows);
    filterBox_->addItem(QStringLiteral("Проба линии"), kProbeRows);
    filterBox_->addItem(QStringLiteral("Команды и опрос"), kCommandRows);
    connect(filterBox_, &QComboBox::currentIndexChanged, this, [this] {
        filterModel_->choose(filterBox_->currentData().toInt());
        if (following_) view_->scrollToBottom();
    });
    // The list follows new rows while its last row is in view, also after the window is resized.
    QScrollBar* bar = view_->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!scrolling_) following_ = value >= bar->maximum() - 1;
    });
    connect(bar, &QScrollBar::rangeChanged, this, &LineMonitorWindow::followRange);
    connect(clear, &QPushButton::clicked, this, &LineMonitorWindow::clearAll);
    connect(save, &QPushButton::clicked, this, &LineMonitorWindow::save);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear);
    buttons->addWidget(save);
    buttons->addWidget(filterBox_);
    buttons->addWidget(status_, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(view_);
    split->addWidget(counters_);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(split, 1);

    timer_.setInterval(kDrainIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &LineMonitorWindow::drain);
}

void LineMonitorWindow::buildTables() {
    model_ = new LineMonitorModel(this);
    filterModel_ = new MonitorFilter(this);
    filterModel_->setSourceModel(model_);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("monitorList"));
    view_->setModel(filterModel_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->setColumnWidth(LineMonitorModel::Time, 95);
    view_->setColumnWidth(LineMonitorModel::Direction, 28);
    view_->setColumnWidth(LineMonitorModel::Station, 95);
    view_->setColumnWidth(LineMonitorModel::Meaning, 250);
    view_->setColumnWidth(LineMonitorModel::State, 190);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    view_->setFont(mono);

    counters_ = new QTableWidget(0, 8, this);
    counters_->setObjectName(QStringLiteral("monitorCounters"));
    counters_->setHorizontalHeaderLabels(
        {QStringLiteral("Станция"), QStringLiteral("Запросов"), QStringLiteral("Ответов"),
         QStringLiteral("Ошибок CRC"), QStringLiteral("Тайм-аутов"), QStringLiteral("Повторов"),
         QStringLiteral("Ожидаемых молчаний"), QStringLiteral("Среднее время ответа")});
    counters_->verticalHeader()->hide();
    counters_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    counters_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    counters_->horizontalHeader()->setStretchLastSection(true);
}

void LineMonitorWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!tap_) {
        tap_ = std::make_shared<vorsan::MonitorTap>();
        worker_.setObserver(tap_);
    }
    timer_.start();
}

void LineMonitorWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (tap_) {
        worker_.setObserver(nullptr);
        tap_.reset();
    }
    timer_.stop();
}

LineMonitorModel::Row LineMonitorWindow::noteRow(const vorsan::LineEvent& e) {
    LineMonitorModel::Row r;
    r.note = true;
    // A refused low-latency mode is harmless (the port works, replies may come later): grey.
    r.bad = e.note == vorsan::LineNote::Lost || e.note == vorsan::LineNote::OpenFailed;
    r.cells[LineMonitorModel::Time] = q(vorsan::monitorClockText(e.wallMs));
    r.cells[LineMonitorModel::Meaning] = q(vorsan::lineNoteText(e));
    return r;
}

void LineMonitorWindow::exchangeRows(const vorsan::LineEvent& e, const vorsan::ExchangeView& v,
                                     char separator, std::vector<LineMonitorModel::Row>& rows) {
    const vorsan::LineExchange& x = e.exchange;
    LineMonitorModel::Row request;
    request.probe = v.probe;
    request.station = v.station;
    request.cells[LineMonitorModel::Time] = q(vorsan::monitorClockText(x.wallMs));
    request.cells[LineMonitorModel::Direction] = QStringLiteral("→");
    request.cells[LineMonitorModel::Station] = q(vorsan::stationText(v.station));
    request.cells[LineMonitorModel::Bytes] = q(vorsan::monitorHexText(x.request, x.request.size()));
    request.cells[LineMonitorModel::State] = x.retry ? QStringLiteral("повтор") : QString();
    request.cells[LineMonitorModel::Meaning] = q(v.meaning);
    LineMonitorModel::Row reply;
    reply.probe = v.probe;
    reply.station = v.station;
    reply.cells[LineMonitorModel::Direction] = QStringLiteral("←");
    reply.cells[LineMonitorModel::Bytes] = q(vorsan::monitorHexText(x.reply, x.replyLength));
    reply.cells[LineMonitorModel::State] = q(v.stateText);
    reply.cells[LineMonitorModel::Meaning] = q(vorsan::replyTimeText(x, separator));
    // The probe's silence where no generation 3 controller or recorder is, is no failure.
    const bool expectedSilence = v.probe && v.state == vorsan::ReplyState::TimeOut;
    reply.bad = !expectedSilence && v.state != vorsan::ReplyState::Good &&
                v.state != vorsan::ReplyState::SumGood && v.state != vorsan::ReplyState::Refused;
    rows.push_back(std::move(request));
    rows.push_back(std::move(reply));
}

void LineMonitorWindow::drain() {
    if (!tap_) return;
    QElapsedTimer took;
    took.start();
    std::vector<vorsan::LineEvent> events = tap_->take();
    if (events.empty()) return;
    const auto measure = qScopeGuard([&] { longestDrainMicros_ = std::max(longestDrainMicros_, took.nsecsElapsed() / 1000); });
    const char separator = decimalSeparator();
    std::vector<LineMonitorModel::Row> rows;
    rows.reserve(events.size() * 2);
    for (const auto& e : events) {
        if (e.isNote) {
            if (e.note == vorsan::LineNote::Opened || e.note == vorsan::LineNote::Closed)
                vorsan::resetOnOpen(context_);
            rows.push_back(noteRow(e));
            continue;
        }
        const vorsan::ExchangeView v = vorsan::decodeExchange(e.exchange, context_);
        counters_data_.add(e.exchange, v);
        addFilterEntry(v.station);
        exchangeRows(e, v, separator, rows);
    }
    showCounters();
    if (pause_->isChecked()) {
        // Kept, bounded like the list: what does not fit is counted and marked on resume.
        for (auto& r : rows)
            held_.push_back(std::move(r));
        if (held_.size() > static_cast<std::size_t>(LineMonitorModel::kMaxRows)) {
            const std::size_t over = held_.size() - LineMonitorModel::kMaxRows;
            held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(over));
            heldDropped_ += (over + 1) / 2;
        }
        status_->setText(QStringLiteral("пауза: накоплено строк: %1").arg(held_.size()));
        return;
    }
    model_->append(std::move(rows));
}

// The mark of the exchanges that did not fit while the list was paused.
LineMonitorModel::Row LineMonitorWindow::pauseGapRow() const {
    vorsan::LineEvent lost;
    lost.isNote = true;
    lost.note = vorsan::LineNote::Lost;
    lost.lost = heldDropped_;
    lost.paused = true;
    lost.wallMs = QDateTime::currentMSecsSinceEpoch();
    return noteRow(lost);
}

void LineMonitorWindow::resume() {
    std::vector<LineMonitorModel::Row> rows;
    if (heldDropped_) rows.push_back(pauseGapRow());
    for (auto& r : held_)
        rows.push_back(std::move(r));
    held_.clear();
    heldDropped_ = 0;
    model_->append(std::move(rows));
}

void LineMonitorWindow::followRange() {
    if (!following_) return;
    scrolling_ = true;
    view_->scrollToBottom();
    scrolling_ = false;
}

void LineMonitorWindow::addFilterEntry(int station) {
    if (filterBox_->findData(station) >= 0) return;
    // Stations in key order after the three fixed entries.
    int at = 3;
    while (at < filterBox_->count() && filterBox_->itemData(at).toInt() < station)
        ++at;
    filterBox_->insertItem(at, q(vorsan::stationText(station)), station);
}

void LineMonitorWindow::showCounters() {
    const auto& stations = counters_data_.stations();
    counters_->setRowCount(static_cast<int>(stations.size()));
    for (int i = 0; i < static_cast<int>(stations.size()); ++i) {
        const auto& s = stations[static_cast<std::size_t>(i)];
        const QString cells[] = {q(vorsan::stationText(s.station)),
                                 QString::number(s.requests),
                                 QString::number(s.good),
                                 QString::number(s.crcFailures),
                                 QString::number(s.timeOuts),
                                 QString::number(s.retries),
                                 QString::number(s.silences),
                                 s.good ? number(s.meanReplyMs(), 1) + QStringLiteral(" мс") : QString()};
        for (int c = 0; c < 8; ++c) {
            auto* item = counters_->item(i, c);
            if (!item) counters_->setItem(i, c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
    }
    // Every station's row in view (up to kCounterRowsShown; more scroll).
    const int shown = std::min(counters_->rowCount(), kCounterRowsShown);
    const int rowHeight = counters_->verticalHeader()->defaultSectionSize();
    counters_->setMinimumHeight(counters_->horizontalHeader()->height() + shown * rowHeight +
                                2 * counters_->frameWidth() +
                                counters_->horizontalScrollBar()->sizeHint().height());
}

void LineMonitorWindow::clearAll() {
    model_->clear();
    counters_data_.clear();
    counters_->setRowCount(0);
    held_.clear();
    heldDropped_ = 0;
}

QString LineMonitorWindow::text() const {
    QString out;
    const auto line = [&out](const LineMonitorModel::Row& r) {
        QStringList cells;
        for (const QString& c : r.cells)
            cells << c;
        out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    for (const auto& r : model_->rows())
        line(r);
    // What came during a pause is saved too, with the gap of what did not fit.
    if (heldDropped_) line(pauseGapRow());
    for (const auto& r : held_)
        line(r);
    out += QLatin1Char('\n');
    for (int i = 0; i < counters_->rowCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < counters_->columnCount(); ++c) {
            const auto* item = counters_->item(i, c);
            cells << counters_->horizontalHeaderItem(c)->text() + QStringLiteral(": ") +
                         (item ? item->text() : QString());
        }
        out += cells.join(QStringLiteral(", ")) + QLatin1Char('\n');
    }
    return out;
}

bool LineMonitorWindow::saveTo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text().toUtf8()) < 0) {
        QMessageBox::critical(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Не удалось записать файл %1\n%2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

void LineMonitorWindow::save() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить монитор линии"),
                                                      QStringLiteral("монитор_линии.txt"),
                                                      QStringLiteral("Текстовый файл *.txt (*.txt)"));
    if (!path.isEmpty()) saveTo(path);
}
