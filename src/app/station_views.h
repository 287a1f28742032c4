#pragma once
// Where the window shows what a transaction with a station brought: the journal grid, the settings
// grid with its title, the current-state grid. The data is in the window's state; these calls say
// that it changed. (The pages draw it; until a page draws a view, the call only keeps the data.)
#include <QString>

#include <cstddef>

class TForm1;

class StationViews {
public:
    explicit StationViews(TForm1& window) : window_(window) {}

    // state().journal was decoded from state().journalImage: fill the journal grid.
    void showJournal();
    // state().catalogue: show settings 1..count in the settings grid.
    void showSettings(std::size_t count);
    void setSettingsTitle(const QString& title);
    // state().currentState: fill the current-state grid.
    void showCurrentState();

private:
    TForm1& window_;
};
