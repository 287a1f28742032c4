#include "window/page_control.h"

#include "analytics/analysis_page.h"
#include "charts/all_graphs_page.h"
#include "charts/chart_source.h"
#include "charts/diagrams_page.h"
#include "charts/one_graph_page.h"
#include "database/database_page.h"
#include "journal/journal_page.h"
#include "overview/overview_page.h"
#include "recorder/recorder_page.h"
#include "settings/settings_page.h"
#include "state/current_state_page.h"

#include <QPushButton>

PageControl::PageControl(WindowState& state, QWidget* parent) : PageTabs(parent) {
    const QString graphs = QStringLiteral("Графики");
    // The graph and diagram pages draw one journal: the window's, or a well's the database page
    // hands over.
    charts_ = new ChartSource(state, this);
    addTab(new JournalPage(state), QStringLiteral("Журнал событий"));
    addTab(new SettingsPage(state), QStringLiteral("Уставки"));
    addTab(new CurrentStatePage(state), QStringLiteral("Текущее состояние"));
    addTab(new DiagramsPage(state, *charts_), QStringLiteral("Диаграммы"));
    addTab(new OneGraphPage(state, *charts_), graphs);
    addTab(new AllGraphsPage(state, *charts_), graphs);
    addTab(new RecorderPage(state), QStringLiteral("Регистратор"));
    addTab(new DatabasePage(state), QStringLiteral("База данных"));
    addTab(new AnalysisPage(state), QStringLiteral("Анализ"));
    addTab(new OverviewPage(state), QStringLiteral("Обзор линии"));
    setTabVisible(kSpareGraphPage, false);
    setTabVisible(kRecorderPage, false);
    setCurrentIndex(kJournalPage);
    current_ = pageAt(kJournalPage);
    connect(this, &QTabWidget::currentChanged, this, &PageControl::onCurrentChanged);
    connect(page<OneGraphPage>()->switchButton(), &QPushButton::clicked, this,
            [this] { showAllGraphs(true); });
    connect(page<AllGraphsPage>()->switchButton(), &QPushButton::clicked, this,
            [this] { showAllGraphs(false); });
}

GraphSheet* PageControl::graphSheetInUse() const {
    return qobject_cast<GraphSheet*>(widget(kGraphPage));
}

void PageControl::showAllGraphs(bool all) {
    GraphSheet* wanted = all ? static_cast<GraphSheet*>(page<AllGraphsPage>())
                             : static_cast<GraphSheet*>(page<OneGraphPage>());
    if (widget(kGraphPage) != wanted) {
        // Swapping the two sheets changes the current page more than once; only the final one counts.
        swapping_ = true;
        QWidget* other = widget(kGraphPage);
        const QString caption = tabText(kGraphPage);
        removeTab(kSpareGraphPage);
        removeTab(kGraphPage);
        insertTab(kGraphPage, wanted, caption);
        insertTab(kSpareGraphPage, other, caption);
        setTabVisible(kGraphPage, true);
        setTabVisible(kSpareGraphPage, false);
        swapping_ = false;
    }
    setCurrentIndex(kGraphPage);
    onCurrentChanged(currentIndex());
}

void PageControl::onCurrentChanged(int index) {
    if (swapping_) return;
    Page* now = pageAt(index);
    if (now == current_) return;
    if (current_) current_->pageHidden();
    current_ = now;
    if (current_) current_->pageShown();
}
