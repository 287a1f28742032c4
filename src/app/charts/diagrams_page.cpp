#include "charts/diagrams_page.h"

DiagramsPage::DiagramsPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("DiagramsPage"));
}
