#include "charts/graph_sheet.h"

#include "charts/chart_printing.h"
#include "charts/journal_chart.h"
#include "shared/commands.h"
#include "shared/page_tabs.h"
#include "shared/status_panels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString kProgramCaption = QStringLiteral("ВОРСАН 4.074 ");
}

GraphSheet::GraphSheet(WindowState& state, ChartSource& source, const QString& switchCaption, QWidget* parent)
    : Page(state, parent), source_(source) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    chartArea_ = new QWidget(this);
    row->addWidget(chartArea_, 1);

    auto* panelWidget = new QWidget(this);
    auto* column = new QVBoxLayout(panelWidget);
    panel_ = new QVBoxLayout;
    lower_ = new QVBoxLayout;
    zoomIn_ = new QPushButton(QStringLiteral("Увеличить график (+)"), panelWidget);
    zoomOut_ = new QPushButton(QStringLiteral("Уменьшить график (-)"), panelWidget);
    zoomIn_->setObjectName(QStringLiteral("zoomIn"));
    zoomOut_->setObjectName(QStringLiteral("zoomOut"));
    switch_ = new QPushButton(switchCaption, panelWidget);
    switch_->setObjectName(QStringLiteral("switchSheet"));
    // The key of the red stretches: the motor stood still there.
    stopKey_ = new QLabel(QStringLiteral("Останов"), panelWidget);
    stopKey_->setStyleSheet(QStringLiteral("color: #FF0000; font-weight: bold;"));
    stopKey_->setAlignment(Qt::AlignCenter);
    // Nothing is drawn until a journal is loaded: nothing to zoom.
    zoomIn_->setEnabled(false);
    zoomOut_->setEnabled(false);
    column->addLayout(panel_);
    column->addWidget(zoomIn_);
    column->addWidget(zoomOut_);
    column->addLayout(lower_);
    column->addWidget(switch_);
    column->addWidget(stopKey_);
    column->addStretch(1);
    row->addWidget(panelWidget);
}

bool GraphSheet::pressZoomIn() {
    if (!zoomIn_->isEnabled()) return false;
    zoomIn_->click();
    return true;
}

bool GraphSheet::pressZoomOut() {
    if (!zoomOut_->isEnabled()) return false;
    zoomOut_->click();
    return true;
}

void GraphSheet::showJournal(const vorsan::Journal& journal, const QString& wellCaption, bool databaseMode) {
    if (databaseMode) {
        DatabaseJournal db;
        db.journal = journal;
        db.wellCaption = wellCaption;
        showDatabaseJournal(std::move(db));
        return;
    }
    source_.useWindowJournal();
    activate();
}

void GraphSheet::showDatabaseJournal(DatabaseJournal journal) {
    source_.useDatabase(std::move(journal));
    activate();
}

void GraphSheet::activate() {
    auto* pages = qobject_cast<PageTabs*>(context().pages);
    const bool wasCurrent = !pages || pages->currentWidget() == this;
    if (pages) pages->showAllGraphs(allGraphs());
    if (wasCurrent) redraw();
}

void GraphSheet::pageShown() {
    redraw();
}

void GraphSheet::pageHidden() {
    source_.savedWindow = {};
    if (auto* pages = context().pages) {
        const int now = pages->currentIndex();
        if (now != kGraphPage && now != kSpareGraphPage && now != kDiagramsPage) source_.useWindowJournal();
    }
}

void GraphSheet::announce(int printCommand) {
    if (auto* commands = context().commands)
        commands->retarget(CommandSlot::Print, static_cast<vorsan::Command>(printCommand));
    if (auto* status = context().status) {
        status->clear();
        status->setWell(source_.wellCaption());
    }
}

QStringList GraphSheet::printTitleLines(const QString& axisTitle) const {
    if (source_.database()) {
        const auto& db = source_.databaseJournal();
        return {kProgramCaption, QString::fromStdString(vorsan::databaseGraphLine(axisTitle.toStdString(),
                                                                                  db.oilfield.toStdString(), db.pad,
                                                                                  db.well))
                                     .trimmed()};
    }
    const QString caption = context().window ? context().window->windowTitle() : kProgramCaption;
    const QString well = context().status ? context().status->well() : source_.wellCaption();
    return {caption, axisTitle.isEmpty() ? well : axisTitle + QLatin1Char(' ') + well};
}

void GraphSheet::applyValueScroll(QScrollBar* bar, JournalChart* chart) {
    int v = bar->value();
    if (v < 1) v = 0;
    const QSignalBlocker quiet(bar);
    const int min = static_cast<int>(std::lround(chart->valueMinimum()));
    const int max = static_cast<int>(std::lround(chart->valueMaximum()));
    bar->setRange(min, max);
    bar->setValue(min);
    if (v > 0 && max - v > min) {
        chart->setValueRange(chart->valueMinimum(), max - v);
        bar->setValue(v);
    }
}

void GraphSheet::followValueScroll(QScrollBar* bar, JournalChart* chart) {
    // At the bar's end the axis would shrink to nothing: it keeps one unit.
    const double top = std::max<double>(bar->maximum() - bar->value(), chart->valueMinimum() + 1);
    chart->setValueRange(chart->valueMinimum(), top);
}

void GraphSheet::bindPrintCommand(vorsan::Command command) {
    if (auto* commands = context().commands)
        commands->bind(command, [this, command] {
            runPrintCommand(context().window, CommandSet::caption(command), true, [this](QPrinter& p) { print(p); });
        });
}

void GraphSheet::connectClickTexts(JournalChart* chart) {
    chart->setEventTexts([this](std::size_t position) {
        const auto rows = source_.rows();
        return position < rows.size() ? QString::fromStdString(rows[position].eventText) : QString();
    });
}
