#pragma once
#include "page.h"

// Page "Журнал событий": the journal grid.
class JournalPage : public Page {
    Q_OBJECT
public:
    explicit JournalPage(WindowState& state, QWidget* parent = nullptr);
};
