#pragma once
#include "window/page.h"

// Page "Регистратор": the recorder's directory of chronologies.
class RecorderPage : public Page {
    Q_OBJECT
public:
    explicit RecorderPage(WindowState& state, QWidget* parent = nullptr);
};
