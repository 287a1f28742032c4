#pragma once
// The main window's page control as the features see it: a tab widget of the eight pages at their
// fixed indices (page_index.h), where a feature finds a page by its class, swaps the graph sheets
// and shows or hides the recorder's tab. The window's PageControl makes the pages and implements
// the swaps; the features include only this header.
#include "shared/page.h"
#include "shared/page_index.h"

#include <QTabWidget>

class PageTabs : public QTabWidget {
    Q_OBJECT
public:
    using QTabWidget::QTabWidget;

    Page* pageAt(int index) const { return qobject_cast<Page*>(widget(index)); }
    template <class P> P* page() const {
        for (int i = 0; i < count(); ++i)
            if (auto* p = qobject_cast<P*>(widget(i))) return p;
        return nullptr;
    }

    // Puts the all-graphs sheet (true) or the one-graph sheet (false) at index 4, shows its tab and
    // makes it active; the other goes to index 5 with its tab hidden.
    virtual void showAllGraphs(bool all) = 0;

    void setRecorderTabVisible(bool visible) { setTabVisible(kRecorderPage, visible); }
    bool recorderTabVisible() const { return isTabVisible(kRecorderPage); }
};
