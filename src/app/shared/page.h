#pragma once
// A page of the main window's page control. A page owns its views; the main window tells it when
// it is shown or hidden and when the window is resized, and hands it, once, what it may use of the
// window (PageContext) so that it can bind the commands it implements.
#include <QWidget>

class QTabWidget;

class CommandSet;
class ConnectionIndicator;
class StatusPanels;
struct WindowState;

// The parts of the main window that pages work with.
struct PageContext {
    QWidget* window = nullptr; // parent of message boxes and dialogs
    CommandSet* commands = nullptr;
    StatusPanels* status = nullptr;
    ConnectionIndicator* indicator = nullptr;
    QTabWidget* pages = nullptr; // the page control, for its tabs
};

class Page : public QWidget {
    Q_OBJECT
public:
    Page(WindowState& state, QWidget* parent = nullptr) : QWidget(parent), state_(state) {}

    // Called once, after all pages exist: keep the context, bind the commands this page implements.
    virtual void attach(const PageContext& context) { context_ = context; }
    // The page became the active page / stopped being it.
    virtual void pageShown() {}
    virtual void pageHidden() {}
    // The main window's width changed (some pages size parts of themselves from it).
    virtual void windowResized(int windowWidth) { (void)windowWidth; }

protected:
    WindowState& state() { return state_; }
    const PageContext& context() const { return context_; }

private:
    WindowState& state_;
    PageContext context_;
};
