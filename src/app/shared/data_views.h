#pragma once
// Puts a journal, settings or current state into the window: replaces them in WindowState and
// refreshes the pages that show them, the status bar and the commands that need a journal. The
// file commands and the station commands both come through here.
#include "common/types.h"
#include "journal/current_state.h"
#include "settings/setting_def.h"

#include <QObject>
#include <QString>

#include <functional>

class CommandSet;
class CurrentStatePage;
class JournalPage;
class PageControl;
class SettingsPage;
class StatusPanels;
struct WindowState;

class DataViews : public QObject {
    Q_OBJECT
public:
    DataViews(WindowState& state, PageControl* pages, StatusPanels* status, CommandSet* commands);

    // The settings shown: `catalogue` (its generation becomes the loaded generation), every row,
    // and `title` in the page's title panel.
    void showSettings(const vorsan::SettingsCatalogue& catalogue, const QString& title);

    // The journal of `image` for `generation`: decoded with the current settings' catalogue (set
    // them first), shown in the journal grid; the journal commands are enabled.
    void showJournal(vorsan::ControllerGeneration generation, const vorsan::JournalImage& image);

    // The current state shown on its page; `stored` false empties the value column instead (a
    // file that holds no state).
    void showCurrentState(const vorsan::CurrentState& state, bool stored = true);

    // Status panel 1: pad and well of the current settings, or empty.
    void showPadAndWell();

    // Asked after a journal is shown with the question (a read from a station or the recorder, a
    // file opened by the user; not after deleting rows nor for a file named on the command line):
    // the oilfield question of the well database hooks in here.
    void setOilfieldQuestion(std::function<void()> ask) { oilfieldQuestion_ = std::move(ask); }
    void askOilfield();

    JournalPage* journalPage() const;
    SettingsPage* settingsPage() const;
    CurrentStatePage* currentStatePage() const;

private:
    WindowState& state_;
    PageControl* pages_;
    StatusPanels* status_;
    CommandSet* commands_;
    std::function<void()> oilfieldQuestion_;
};
