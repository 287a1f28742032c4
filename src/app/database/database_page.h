#pragma once
#include "window/page.h"

// Page "База данных": the well tree with the sub-pages "Журнал событий" and "Уставки".
class DatabasePage : public Page {
    Q_OBJECT
public:
    explicit DatabasePage(WindowState& state, QWidget* parent = nullptr);
};
