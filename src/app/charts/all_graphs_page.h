#pragma once
#include "charts/graph_rules.h"
#include "charts/graph_sheet.h"

#include <array>

class QCheckBox;
class QFrame;

// The all-graphs sheet ("Графики"): three charts stacked (voltages, currents, load), laid out on
// every resize from the sheet's height. A zoom, an undone zoom or a scroll on any of them moves
// the time axes of the other two with it.
class AllGraphsPage : public GraphSheet {
    Q_OBJECT
public:
    AllGraphsPage(WindowState& state, ChartSource& source, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void redraw() override;
    void print(QPrinter& printer) override;
    bool allGraphs() const override { return true; }

    // The place of chart i (0 top, 1 middle, 2 bottom) and the chart in it.
    QFrame* graphFrame(int i) const { return frames_.at(static_cast<std::size_t>(i)); }
    JournalChart* chart(int i) const { return charts_.at(static_cast<std::size_t>(i)); }
    QScrollBar* valueScroll(int i) const { return valueScrolls_.at(static_cast<std::size_t>(i)); }
    QCheckBox* voltageBox(int k) const { return voltageBoxes_.at(static_cast<std::size_t>(k)); }
    QCheckBox* currentBox(int k) const { return currentBoxes_.at(static_cast<std::size_t>(k)); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOutGraphs();
    void boxChanged();
    void zoomStep(double factor);
    void followChart(int i, bool zoomed, bool undone);
    void updateZoomButtons();
    vorsan::PhaseBoxes boxesOf(const std::array<QCheckBox*, 3>& boxes) const;
    double valueMaximumOf(int i) const;
    bool valueScrollApplies(int i) const;

    std::array<QFrame*, 3> frames_{};
    std::array<JournalChart*, 3> charts_{};
    std::array<QScrollBar*, 3> valueScrolls_{};
    std::array<QCheckBox*, 3> voltageBoxes_{};
    std::array<QCheckBox*, 3> currentBoxes_{};
};
