#pragma once
#include "page.h"

// Page "Текущее состояние": the current-state grid with the start/stop button.
class CurrentStatePage : public Page {
    Q_OBJECT
public:
    explicit CurrentStatePage(WindowState& state, QWidget* parent = nullptr);
};
