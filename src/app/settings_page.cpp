#include "settings_page.h"

SettingsPage::SettingsPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("SettingsPage"));
}
