#include "shared/status_panels.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

StatusPanels::StatusPanels(QStatusBar* bar) : QObject(bar) {
    const int d = QFontMetrics(bar->font()).horizontalAdvance(QLatin1Char('d'));
    activity_ = new QLabel(bar);
    well_ = new QLabel(bar);
    activity_->setObjectName(QStringLiteral("statusPanel0"));
    well_->setObjectName(QStringLiteral("statusPanel1"));
    activity_->setAlignment(Qt::AlignCenter);
    int i = 0;
    for (auto* l : {activity_, well_}) {
        l->setFixedWidth(panelWidth(i++, d));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        bar->addWidget(l);
    }
    bar->setSizeGripEnabled(true);
}

void StatusPanels::setActivity(const QString& text) {
    activity_->setText(text);
}

void StatusPanels::setWell(const QString& text) {
    well_->setText(text);
}

void StatusPanels::clear() {
    activity_->clear();
    well_->clear();
}

QString StatusPanels::activity() const {
    return activity_->text();
}

QString StatusPanels::well() const {
    return well_->text();
}
