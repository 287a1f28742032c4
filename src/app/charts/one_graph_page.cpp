#include "charts/one_graph_page.h"

OneGraphPage::OneGraphPage(WindowState& state, QWidget* parent)
    : GraphSheet(state, QStringLiteral("Просмотр всех графиков на одном экране"), parent) {
    setObjectName(QStringLiteral("OneGraphPage"));
}
