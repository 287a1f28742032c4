#pragma once
#include "page.h"

// Page "Уставки": the settings grid with its scroll bar and title panel.
class SettingsPage : public Page {
    Q_OBJECT
public:
    explicit SettingsPage(WindowState& state, QWidget* parent = nullptr);
};
