#pragma once
// The main window's ten pages. Indices are fixed: the polling logic and the keyboard rule look
// at them. Index 4 is the graph sheet in use; the other graph sheet waits at index 5 with its tab
// hidden. The recorder page's tab shows only while a recorder answers.
#include "shared/page_tabs.h"

class ChartSource;
class GraphSheet;
class OneGraphPage;
class AllGraphsPage;
struct WindowState;

class PageControl : public PageTabs {
    Q_OBJECT
public:
    explicit PageControl(WindowState& state, QWidget* parent = nullptr);

    // The graph sheet at index 4.
    GraphSheet* graphSheetInUse() const;

    void showAllGraphs(bool all) override;

    // What the graph and diagram pages draw (the database page hands a well's journal over here or
    // through the pages' showJournal).
    ChartSource* chartSource() const { return charts_; }

private:
    void onCurrentChanged(int index);

    Page* current_ = nullptr;
    ChartSource* charts_ = nullptr;
    bool swapping_ = false;
};
