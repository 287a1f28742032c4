#include "journal_page.h"

JournalPage::JournalPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("JournalPage"));
}
