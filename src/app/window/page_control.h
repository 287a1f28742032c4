#pragma once
// The main window's eight pages. Indices are fixed: the polling logic and the keyboard rule look
// at them. Index 4 is the graph sheet in use; the other graph sheet waits at index 5 with its tab
// hidden. The recorder page's tab shows only while a recorder answers.
#include "shared/page_index.h"

#include <QTabWidget>

class ChartSource;
class Page;
class GraphSheet;
class OneGraphPage;
class AllGraphsPage;
struct WindowState;

class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(WindowState& state, QWidget* parent = nullptr);

    Page* pageAt(int index) const;
    template <class P> P* page() const {
        for (int i = 0; i < count(); ++i)
            if (auto* p = qobject_cast<P*>(widget(i))) return p;
        return nullptr;
    }
    // The graph sheet at index 4.
    GraphSheet* graphSheetInUse() const;

    // Puts the all-graphs sheet (true) or the one-graph sheet (false) at index 4, shows its tab and
    // makes it active; the other goes to index 5 with its tab hidden.
    void showAllGraphs(bool all);

    void setRecorderTabVisible(bool visible);
    bool recorderTabVisible() const { return isTabVisible(kRecorderPage); }

    // What the graph and diagram pages draw (the database page hands a well's journal over here or
    // through the pages' showJournal).
    ChartSource* chartSource() const { return charts_; }

private:
    void onCurrentChanged(int index);

    Page* current_ = nullptr;
    ChartSource* charts_ = nullptr;
    bool swapping_ = false;
};
