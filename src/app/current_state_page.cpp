#include "current_state_page.h"

CurrentStatePage::CurrentStatePage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("CurrentStatePage"));
}
