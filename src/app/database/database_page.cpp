#include "database/database_page.h"

DatabasePage::DatabasePage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("DatabasePage"));
}
