#include "charts/all_graphs_page.h"

#include "shell/window_geometry.h"

#include <QFrame>
#include <QResizeEvent>

AllGraphsPage::AllGraphsPage(WindowState& state, QWidget* parent)
    : GraphSheet(state, QStringLiteral("Просмотр одного графика на экране"), parent) {
    setObjectName(QStringLiteral("AllGraphsPage"));
    for (auto& f : frames_) {
        f = new QFrame(chartArea());
        f->setFrameShape(QFrame::NoFrame);
    }
}

void AllGraphsPage::resizeEvent(QResizeEvent* event) {
    GraphSheet::resizeEvent(event);
    layOutGraphs();
}

void AllGraphsPage::layOutGraphs() {
    const auto heights = vorsan::allGraphsHeights(height());
    const int width = chartArea()->width();
    frames_[0]->setGeometry(0, 0, width, heights.first);
    frames_[1]->setGeometry(0, heights.first, width, heights.second);
    frames_[2]->setGeometry(0, heights.first + heights.second, width, heights.third);
}
