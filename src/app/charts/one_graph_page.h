#pragma once
#include "charts/graph_sheet.h"

// The one-graph sheet ("Графики"): one parameter graph with its controls.
class OneGraphPage : public GraphSheet {
    Q_OBJECT
public:
    explicit OneGraphPage(WindowState& state, QWidget* parent = nullptr);
};
