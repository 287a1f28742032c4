#include "charts/graph_sheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

GraphSheet::GraphSheet(WindowState& state, const QString& switchCaption, QWidget* parent)
    : Page(state, parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    chartArea_ = new QWidget(this);
    row->addWidget(chartArea_, 1);

    auto* panelWidget = new QWidget(this);
    panel_ = new QVBoxLayout(panelWidget);
    zoomIn_ = new QPushButton(QStringLiteral("Увеличить график (+)"), panelWidget);
    zoomOut_ = new QPushButton(QStringLiteral("Уменьшить график (-)"), panelWidget);
    switch_ = new QPushButton(switchCaption, panelWidget);
    switch_->setObjectName(QStringLiteral("switchSheet"));
    // Nothing is drawn until a journal is loaded: nothing to zoom.
    zoomIn_->setEnabled(false);
    zoomOut_->setEnabled(false);
    for (auto* b : {zoomIn_, zoomOut_, switch_})
        panel_->addWidget(b);
    panel_->addStretch(1);
    row->addWidget(panelWidget);
}

bool GraphSheet::pressZoomIn() {
    if (!zoomIn_->isEnabled()) return false;
    zoomIn_->click();
    return true;
}

bool GraphSheet::pressZoomOut() {
    if (!zoomOut_->isEnabled()) return false;
    zoomOut_->click();
    return true;
}
