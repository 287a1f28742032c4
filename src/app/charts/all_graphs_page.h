#pragma once
#include "charts/graph_sheet.h"

#include <array>

class QFrame;

// The all-graphs sheet ("Графики"): three charts stacked (voltages, currents, load), laid out on
// every resize from the sheet's height.
class AllGraphsPage : public GraphSheet {
    Q_OBJECT
public:
    explicit AllGraphsPage(WindowState& state, QWidget* parent = nullptr);

    // The place of chart i (0 top, 1 middle, 2 bottom).
    QFrame* graphFrame(int i) const { return frames_.at(static_cast<std::size_t>(i)); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOutGraphs();
    std::array<QFrame*, 3> frames_{};
};
