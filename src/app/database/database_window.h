#pragma once
// What the well database's commands need from the window they work in: the state (which holds
// the open database), the command set, the pages and views, the status panels, the chart source
// the graph pages draw and the window's printing and export. The main window implements it; the
// database side includes only this header, so the window depends on the database and never the
// other way round.
class ChartSource;
class CommandSet;
class DataViews;
class PageTabs;
class QWidget;
class ReportCommands;
class StatusPanels;
struct WindowState;

class DatabaseWindow {
public:
    // Parent of the commands' objects, of progress windows, dialogs and message boxes.
    virtual QWidget* widget() = 0;
    virtual WindowState& state() = 0;
    virtual CommandSet& commands() = 0;
    virtual PageTabs* pages() const = 0;
    virtual StatusPanels* status() const = 0;
    virtual DataViews& views() const = 0;
    // What the graph and diagram pages draw: the window's journal or a well's.
    virtual ChartSource* chartSource() const = 0;
    // Printing and the workbook export, with the hooks the tests replace.
    virtual ReportCommands& reports() = 0;

protected:
    ~DatabaseWindow() = default;
};
