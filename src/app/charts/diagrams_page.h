#pragma once
#include "window/page.h"

// Page "Диаграммы": the work/idle and stop-cause diagrams.
class DiagramsPage : public Page {
    Q_OBJECT
public:
    explicit DiagramsPage(WindowState& state, QWidget* parent = nullptr);
};
