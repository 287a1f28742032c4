#include "charts/one_graph_page.h"

#include "charts/chart_printing.h"
#include "charts/journal_chart.h"
#include "journal/bgr_colour.h"
#include "shared/commands.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

using vorsan::Quantity;

namespace {
constexpr Quantity kQuantities[] = {Quantity::voltage,     Quantity::current,
                                    Quantity::load,        Quantity::pressure,
                                    Quantity::temperature, Quantity::pressureTemperature,
                                    Quantity::resistance};
constexpr int kValueScrollStart = 10000;
} // namespace

OneGraphPage::OneGraphPage(WindowState& state, ChartSource& source, QWidget* parent)
    : GraphSheet(state, source, QStringLiteral("Просмотр всех графиков на одном экране"), parent) {
    setObjectName(QStringLiteral("OneGraphPage"));

    auto* grid = new QGridLayout(chartArea());
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    chart_ = new JournalChart(false, chartArea());
    chart_->setObjectName(QStringLiteral("oneGraphChart"));
    valueScroll_ = new QScrollBar(Qt::Vertical, chartArea());
    valueScroll_->setObjectName(QStringLiteral("valueScroll"));
    valueScroll_->setRange(0, kValueScrollStart);
    timeScroll_ = new QScrollBar(Qt::Horizontal, chartArea());
    timeScroll_->setObjectName(QStringLiteral("timeScroll"));
    timeScroll_->setRange(0, 100);
    timeScroll_->setEnabled(false);
    grid->addWidget(valueScroll_, 0, 0);
    grid->addWidget(chart_, 0, 1);
    grid->addWidget(timeScroll_, 1, 1);
    connectClickTexts(chart_);

    quantities_ = new QButtonGroup(this);
    for (Quantity q : kQuantities) {
        auto* b = new QRadioButton(QString::fromUtf8(vorsan::quantityButtonText(q)), this);
        quantities_->addButton(b, static_cast<int>(q));
        controlPanel()->addWidget(b);
    }
    quantities_->button(static_cast<int>(Quantity::voltage))->setChecked(true);
    for (int k = 0; k < 3; ++k) {
        auto* box = new QCheckBox(QString::fromUtf8(vorsan::phaseBoxText(Quantity::voltage, k)), this);
        box->setChecked(true);
        boxes_[static_cast<std::size_t>(k)] = box;
        controlPanel()->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this, k](bool on) { boxToggled(k, on); });
    }
    pageLeft_ = new QPushButton(QStringLiteral("Страница слева"), this);
    pageRight_ = new QPushButton(QStringLiteral("Страница справа"), this);
    lowerPanel()->addWidget(pageLeft_);
    lowerPanel()->addWidget(pageRight_);

    connect(quantities_, &QButtonGroup::idClicked, this,
            [this](int id) { chooseQuantity(static_cast<Quantity>(id)); });
    connect(zoomInButton(), &QPushButton::clicked, this, [this] { zoomStep(vorsan::kZoomInFactor); });
    connect(zoomOutButton(), &QPushButton::clicked, this, [this] { zoomStep(vorsan::kZoomOutFactor); });
    connect(pageLeft_, &QPushButton::clicked, this, [this] { movePage(true); });
    connect(pageRight_, &QPushButton::clicked, this, [this] { movePage(false); });
    connect(timeScroll_, &QScrollBar::valueChanged, this, &OneGraphPage::timeScrolled);
    connect(valueScroll_, &QScrollBar::valueChanged, this, [this] { followValueScroll(valueScroll_, chart_); });
    connect(chart_, &JournalChart::zoomed, this, [this] { afterMouseZoom(false); });
    connect(chart_, &JournalChart::zoomUndone, this, [this] { afterMouseZoom(true); });
    connect(chart_, &JournalChart::scrolled, this, [this] {
        updateTimeScroll();
        updateZoomButtons();
    });
}

void OneGraphPage::attach(const PageContext& context) {
    GraphSheet::attach(context);
    source().setCommands(context.commands);
    bindPrintCommand(vorsan::Command::PrintGraphs);
}

QRadioButton* OneGraphPage::quantityButton(Quantity q) const {
    return qobject_cast<QRadioButton*>(quantities_->button(static_cast<int>(q)));
}

vorsan::PhaseBoxes OneGraphPage::checkedBoxes() const {
    return {boxes_[0]->isChecked(), boxes_[1]->isChecked(), boxes_[2]->isChecked()};
}

void OneGraphPage::chooseQuantity(Quantity q) {
    quantity_ = q;
    if (auto* b = quantities_->button(static_cast<int>(q)); b && !b->isChecked()) b->setChecked(true);
    const bool phases = vorsan::quantityUsesPhases(q);
    for (int k = 0; k < 3; ++k) {
        auto* box = boxes_[static_cast<std::size_t>(k)];
        box->setEnabled(phases);
        if (phases) box->setText(QString::fromUtf8(vorsan::phaseBoxText(q, k)));
    }
    saveWindow();
    {
        const QSignalBlocker quiet(valueScroll_);
        valueScroll_->setValue(valueScroll_->minimum());
    }
    redraw();
}

void OneGraphPage::boxToggled(int box, bool checked) {
    vorsan::PhaseBoxes before = checkedBoxes();
    before[static_cast<std::size_t>(box)] = true;
    if (!checked && !vorsan::mayUncheck(before, box)) {
        const QSignalBlocker quiet(boxes_[static_cast<std::size_t>(box)]);
        boxes_[static_cast<std::size_t>(box)]->setChecked(true);
        return;
    }
    saveWindow();
    redraw();
}

void OneGraphPage::saveWindow() {
    if (!source().records().empty()) source().savedWindow = chart_->timeWindow();
}

double OneGraphPage::valueMaximumOfCurves() const {
    const std::vector<vorsan::SeriesPoint>* curves[] = {&chart_->curve(0).points, &chart_->curve(1).points,
                                                        &chart_->curve(2).points};
    return vorsan::valueAxisMaximum(curves);
}

void OneGraphPage::redraw() {
    announce(static_cast<int>(vorsan::Command::PrintGraphs));
    const auto records = source().records();
    const bool any = !records.empty();
    chart_->setVisible(any);
    timeScroll_->setVisible(any);
    valueScroll_->setVisible(any);
    if (!any) {
        zoomInButton()->setEnabled(false);
        zoomOutButton()->setEnabled(false);
        return;
    }
    vorsan::PhaseBoxes boxes = checkedBoxes();
    const auto plan = vorsan::oneGraphSeries(quantity_, boxes);
    for (std::size_t k = 0; k < 3; ++k) {
        const QSignalBlocker quiet(boxes_[k]);
        boxes_[k]->setChecked(boxes[k]);
    }
    std::array<ChartCurve, 3> curves;
    for (std::size_t k = 0; k < 3; ++k) {
        if (!plan[k]) continue;
        curves[k].points = vorsan::plotJournalSeries(records, plan[k]->channel);
        curves[k].colour = colourFromBgr(plan[k]->colour);
    }
    chart_->setFirstNumber(source().firstNumber());
    chart_->setCurves(std::move(curves));
    chart_->setValueRange(0, valueMaximumOfCurves());
    chart_->setValueTitle(QString::fromStdString(vorsan::oneGraphAxisTitle(quantity_, boxes)));

    const auto opening = source().openingWindow();
    if (!opening) return; // no record with a real date: nothing more to set
    chart_->setDataRange(vorsan::journalTimeRange(records).value_or(opening->window));
    if (source().savedWindow.isSet())
        chart_->setTimeWindow(source().savedWindow, false);
    else
        chart_->setTimeWindow(opening->window, opening->automatic);
    applyValueScroll(valueScroll_, chart_);
    updateTimeScroll();
    updateZoomButtons();
    pageLeft_->setEnabled(true);
    pageRight_->setEnabled(true);
}

void OneGraphPage::zoomStep(double factor) {
    zoomInButton()->setEnabled(false);
    zoomOutButton()->setEnabled(false);
    chart_->zoomBy(factor);
    updateZoomButtons();
    updateTimeScroll();
}

void OneGraphPage::updateZoomButtons() {
    const auto w = chart_->timeWindow();
    zoomInButton()->setEnabled(vorsan::canZoomIn(w));
    zoomOutButton()->setEnabled(vorsan::canZoomOut(w, chart_->dataRange()));
}

void OneGraphPage::afterMouseZoom(bool undone) {
    chart_->setValueRange(0, valueMaximumOfCurves());
    if (undone)
        zoomInButton()->setEnabled(true);
    else
        zoomOutButton()->setEnabled(true);
    updateTimeScroll();
    applyValueScroll(valueScroll_, chart_);
}

void OneGraphPage::updateTimeScroll() {
    settingScroll_ = true;
    timeScroll_->setEnabled(!chart_->automaticTime());
    timeScroll_->setValue(vorsan::scrollPosition(chart_->timeWindow(), chart_->dataRange()));
    settingScroll_ = false;
}

void OneGraphPage::timeScrolled(int position) {
    if (settingScroll_) return;
    chart_->setTimeWindow(vorsan::windowAtScroll(chart_->timeWindow(), chart_->dataRange(), position), false);
}

void OneGraphPage::movePage(bool left) {
    const auto w = chart_->timeWindow();
    const auto data = chart_->dataRange();
    const auto move = left ? vorsan::pageLeft(w, data) : vorsan::pageRight(w, data);
    chart_->setTimeWindow(move.window, false);
    (left ? pageLeft_ : pageRight_)->setEnabled(move.stillEnabled);
    (left ? pageRight_ : pageLeft_)->setEnabled(true);
    updateTimeScroll();
}

QStringList OneGraphPage::stopLines() const {
    QStringList out;
    for (const auto& line : vorsan::stopLinesInWindow(source().records(), source().rows(), chart_->timeWindow()))
        out << QString::fromStdString(line);
    return out;
}

void OneGraphPage::print(QPrinter& printer) {
    const QString axisTitle = QString::fromStdString(vorsan::oneGraphAxisTitle(quantity_, checkedBoxes()));
    QStringList title = printTitleLines(axisTitle);
    const QStringList stops = stopLines();
    if (!stops.isEmpty() && stops.size() <= static_cast<qsizetype>(vorsan::kStopLinesInTitle)) title << stops;
    const bool listApart = stops.size() > static_cast<qsizetype>(vorsan::kStopLinesInTitle);
    printChartPages(printer, {chart_}, title, {}, listApart ? stops : QStringList());
}
