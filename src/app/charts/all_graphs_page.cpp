#include "charts/all_graphs_page.h"

#include "charts/chart_printing.h"
#include "charts/journal_chart.h"
#include "journal/bgr_colour.h"
#include "shell/window_geometry.h"
#include "shared/commands.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QVBoxLayout>

using vorsan::Channel;

namespace {
constexpr int kVoltage = 0;
constexpr int kCurrent = 1;
constexpr int kLoad = 2;
const char* const kVoltageBoxTexts[3] = {"Uab, B", "Ubc, B", "Uca, B"};
const char* const kCurrentBoxTexts[3] = {"Ia, A", "Ib, A", "Ic, A"};
} // namespace

AllGraphsPage::AllGraphsPage(WindowState& state, ChartSource& source, QWidget* parent)
    : GraphSheet(state, source, QStringLiteral("Просмотр одного графика на экране"), parent) {
    setObjectName(QStringLiteral("AllGraphsPage"));
    for (int i = 0; i < 3; ++i) {
        auto* f = new QFrame(chartArea());
        f->setFrameShape(QFrame::NoFrame);
        auto* row = new QHBoxLayout(f);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        auto* bar = new QScrollBar(Qt::Vertical, f);
        bar->setObjectName(QStringLiteral("valueScroll%1").arg(i));
        bar->setRange(0, 10000);
        // The voltage chart has a time axis above as well as below.
        auto* chart = new JournalChart(i == kVoltage, f);
        chart->setObjectName(QStringLiteral("graph%1").arg(i));
        chart->setCompact();
        if (i == kVoltage) chart->setTimeGridVisible(false);
        row->addWidget(bar);
        row->addWidget(chart, 1);
        frames_[static_cast<std::size_t>(i)] = f;
        charts_[static_cast<std::size_t>(i)] = chart;
        valueScrolls_[static_cast<std::size_t>(i)] = bar;
        connectClickTexts(chart);
        connect(bar, &QScrollBar::valueChanged, this, [this, i] {
            followValueScroll(valueScrolls_[static_cast<std::size_t>(i)], charts_[static_cast<std::size_t>(i)]);
        });
        connect(chart, &JournalChart::zoomed, this, [this, i] { followChart(i, true, false); });
        connect(chart, &JournalChart::zoomUndone, this, [this, i] { followChart(i, false, true); });
        connect(chart, &JournalChart::scrolled, this, [this, i] { followChart(i, false, false); });
    }

    const auto addBoxes = [this](const QString& heading, const char* const (&texts)[3], std::array<QCheckBox*, 3>& out) {
        controlPanel()->addWidget(new QLabel(heading, this));
        for (std::size_t k = 0; k < 3; ++k) {
            out[k] = new QCheckBox(QString::fromUtf8(texts[k]), this);
            out[k]->setChecked(true);
            controlPanel()->addWidget(out[k]);
            connect(out[k], &QCheckBox::toggled, this, &AllGraphsPage::boxChanged);
        }
    };
    addBoxes(QStringLiteral("Напряжение"), kVoltageBoxTexts, voltageBoxes_);
    addBoxes(QStringLiteral("Ток"), kCurrentBoxTexts, currentBoxes_);

    connect(zoomInButton(), &QPushButton::clicked, this, [this] { zoomStep(vorsan::kZoomInFactor); });
    connect(zoomOutButton(), &QPushButton::clicked, this, [this] { zoomStep(vorsan::kZoomOutFactor); });
}

void AllGraphsPage::attach(const PageContext& context) {
    GraphSheet::attach(context);
    bindPrintCommand(vorsan::Command::PrintAllGraphs);
}

void AllGraphsPage::resizeEvent(QResizeEvent* event) {
    GraphSheet::resizeEvent(event);
    layOutGraphs();
}

void AllGraphsPage::layOutGraphs() {
    const auto heights = vorsan::allGraphsHeights(height());
    const int width = chartArea()->width();
    frames_[0]->setGeometry(0, 0, width, heights.first);
    frames_[1]->setGeometry(0, heights.first, width, heights.second);
    frames_[2]->setGeometry(0, heights.first + heights.second, width, heights.third);
}

vorsan::PhaseBoxes AllGraphsPage::boxesOf(const std::array<QCheckBox*, 3>& boxes) const {
    return {boxes[0]->isChecked(), boxes[1]->isChecked(), boxes[2]->isChecked()};
}

double AllGraphsPage::valueMaximumOf(int i) const {
    const JournalChart* c = charts_[static_cast<std::size_t>(i)];
    const std::vector<vorsan::SeriesPoint>* curves[] = {&c->curve(0).points, &c->curve(1).points,
                                                        &c->curve(2).points};
    return vorsan::valueAxisMaximum(curves);
}

bool AllGraphsPage::valueScrollApplies(int i) const {
    if (i == kVoltage) return std::ranges::any_of(boxesOf(voltageBoxes_), [](bool b) { return b; });
    if (i == kCurrent) return std::ranges::any_of(boxesOf(currentBoxes_), [](bool b) { return b; });
    return true;
}

void AllGraphsPage::redraw() {
    announce(static_cast<int>(vorsan::Command::PrintAllGraphs));
    const auto records = source().records();
    const bool any = !records.empty();
    for (auto* f : frames_) f->setVisible(any);
    if (!any) {
        zoomInButton()->setEnabled(false);
        zoomOutButton()->setEnabled(false);
        return;
    }
    const auto volts = boxesOf(voltageBoxes_);
    const auto amps = boxesOf(currentBoxes_);
    std::array<std::array<ChartCurve, 3>, 3> curves;
    for (std::size_t k = 0; k < 3; ++k) {
        const QColor colour = colourFromBgr(vorsan::kSeriesColours[k]);
        if (volts[k]) curves[kVoltage][k] = {vorsan::plotJournalSeries(records, static_cast<Channel>(11 + k)), colour};
        if (amps[k]) curves[kCurrent][k] = {vorsan::plotJournalSeries(records, static_cast<Channel>(21 + k)), colour};
    }
    curves[kLoad][0] = {vorsan::plotJournalSeries(records, Channel::Load), colourFromBgr(vorsan::kSingleSeriesColour)};
    const QString titles[3] = {QString::fromStdString(vorsan::voltageChartTitle(volts)),
                               QString::fromStdString(vorsan::currentChartTitle(amps)),
                               QString::fromStdString(vorsan::loadChartTitle())};

    const auto range = vorsan::journalTimeRange(records);
    const auto opening = source().openingWindow();
    for (int i = 0; i < 3; ++i) {
        JournalChart* c = charts_[static_cast<std::size_t>(i)];
        c->setFirstNumber(source().firstNumber());
        c->setCurves(std::move(curves[static_cast<std::size_t>(i)]));
        c->setValueRange(0, valueMaximumOf(i));
        c->setValueTitle(titles[i]);
        if (!range || !opening) continue;
        c->setDataRange(*range);
        if (source().savedWindow.isSet())
            c->setTimeWindow(source().savedWindow, false);
        else
            c->setTimeWindow(opening->window, opening->automatic);
        if (valueScrollApplies(i)) applyValueScroll(valueScrolls_[static_cast<std::size_t>(i)], c);
    }
    updateZoomButtons();
}

void AllGraphsPage::boxChanged() {
    source().savedWindow = charts_[kVoltage]->timeWindow();
    redraw();
}

void AllGraphsPage::zoomStep(double factor) {
    zoomInButton()->setEnabled(false);
    zoomOutButton()->setEnabled(false);
    for (auto* c : charts_) c->zoomBy(factor);
    updateZoomButtons();
}

void AllGraphsPage::updateZoomButtons() {
    const auto& v = *charts_[kVoltage];
    const auto& a = *charts_[kCurrent];
    zoomInButton()->setEnabled(vorsan::canZoomIn(v.timeWindow()) && vorsan::canZoomIn(a.timeWindow()));
    zoomOutButton()->setEnabled(vorsan::canZoomOut(v.timeWindow(), v.dataRange()) &&
                                vorsan::canZoomOut(a.timeWindow(), a.dataRange()));
}

void AllGraphsPage::followChart(int i, bool zoomed, bool undone) {
    JournalChart* moved = charts_[static_cast<std::size_t>(i)];
    for (auto* c : charts_)
        if (c != moved) c->setTimeWindow(moved->timeWindow(), moved->automaticTime());
    if (zoomed || undone) {
        moved->setValueRange(0, valueMaximumOf(i));
        if (valueScrollApplies(i)) applyValueScroll(valueScrolls_[static_cast<std::size_t>(i)], moved);
        (undone ? zoomInButton() : zoomOutButton())->setEnabled(true);
    }
}

void AllGraphsPage::print(QPrinter& printer) {
    std::vector<JournalChart*> charts(charts_.begin(), charts_.end());
    printChartPages(printer, charts, printTitleLines({}), [this](std::size_t i, bool printing) {
        if (i != kVoltage) return;
        charts_[kVoltage]->setTimeGridVisible(printing);
        charts_[kVoltage]->setUpperLabelsVisible(!printing);
    });
}
