#pragma once
// A page of the main window's page control. A page owns its views; the main window only tells it
// when it is shown or hidden and lets it bind the commands it implements.
#include <QWidget>

class CommandSet;
struct WindowState;

class Page : public QWidget {
    Q_OBJECT
  public:
    Page(WindowState& state, QWidget* parent = nullptr) : QWidget(parent), state_(state) {}

    // Binds the commands this page implements (called once, after all pages exist).
    virtual void attach(CommandSet& commands) { (void)commands; }
    // The page became the active page / stopped being it.
    virtual void pageShown() {}
    virtual void pageHidden() {}

  protected:
    WindowState& state() { return state_; }

  private:
    WindowState& state_;
};
