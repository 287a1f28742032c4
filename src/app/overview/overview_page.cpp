#include "overview/overview_page.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kEventLines = 1000; // the oldest lines go beyond this

} // namespace

OverviewPage::OverviewPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    model_ = new OverviewModel(this);

    scan_ = new QPushButton(QStringLiteral("Найти все станции"), this);
    scan_->setObjectName(QStringLiteral("scanLine"));
    full_ = new QCheckBox(QStringLiteral("Полный поиск (500 мс)"), this);
    full_->setToolTip(QStringLiteral("Ждать ответа каждого адреса 500 мс: для линий с медленными станциями"));
    record_ = new QCheckBox(QStringLiteral("Записывать в файл"), this);
    file_ = new QLabel(this);
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_ = new QLabel(QStringLiteral("Нажмите «Найти все станции», чтобы опросить линию."), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(scan_);
    buttons->addWidget(full_);
    buttons->addSpacing(24);
    buttons->addWidget(record_);
    buttons->addWidget(file_, 1);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("overviewTable"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setToolTip(QStringLiteral("Двойной щелчок: сделать станцию текущей"));

    events_ = new QListWidget(this);
    events_->setObjectName(QStringLiteral("overviewEvents"));
    auto* eventsBox = new QWidget(this);
    auto* eventsLayout = new QVBoxLayout(eventsBox);
    eventsLayout->setContentsMargins(0, 0, 0, 0);
    eventsLayout->addWidget(new QLabel(QStringLiteral("События"), eventsBox));
    eventsLayout->addWidget(events_);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table_);
    split->addWidget(eventsBox);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(summary_);
    layout->addWidget(split, 1);

    ages_ = new QTimer(this);
    ages_->setInterval(1000);
    connect(ages_, &QTimer::timeout, this, [this] { model_->setNow(std::chrono::system_clock::now()); });
    connect(scan_, &QPushButton::clicked, this, [this] { emit scanRequested(full_->isChecked()); });
    connect(record_, &QCheckBox::clicked, this, &OverviewPage::recordingToggled);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid()) return;
        emit stationChosen(model_->rows().at(static_cast<std::size_t>(index.row())).address);
    });
}

void OverviewPage::addEvent(vorsan::WallTime at, const vorsan::StationRow& row, const QString& what) {
    auto* item = new QListWidgetItem(QStringLiteral("%1  %2: %3").arg(clockText(at), stationName(row), what));
    if (OverviewModel::lookOf(row) == OverviewModel::Look::Stopped) item->setForeground(QColor(0xB0, 0, 0));
    events_->addItem(item);
    while (events_->count() > kEventLines)
        delete events_->takeItem(0);
    events_->scrollToBottom();
}

void OverviewPage::setSummary(const QString& text) {
    scanText_ = text;
    summary_->setText(roundText_.isEmpty() ? scanText_ : scanText_ + QStringLiteral("   ") + roundText_);
}

void OverviewPage::setRoundText(const QString& text) {
    roundText_ = text;
    setSummary(scanText_);
}

void OverviewPage::setRecordingFile(const QString& path) {
    record_->setChecked(!path.isEmpty());
    file_->setText(QDir::toNativeSeparators(path));
}

void OverviewPage::pageShown() {
    model_->setNow(std::chrono::system_clock::now());
    ages_->start();
}

void OverviewPage::pageHidden() {
    ages_->stop();
}
