#pragma once
// Puts a journal, settings or current state into the window: replaces them in WindowState and
// refreshes the pages that show them, the status bar and the commands that need a journal. The
// file commands and the station commands both come through here. The window's PageViews
// implements it over its pages.
#include "common/types.h"
#include "journal/current_state.h"
#include "settings/setting_def.h"

#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class CurrentStatePage;
class JournalPage;
class SettingsPage;

class DataViews : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The settings shown: `catalogue` (its generation becomes the loaded generation), every row,
    // and `title` in the page's title panel.
    virtual void showSettings(const vorsan::SettingsCatalogue& catalogue, const QString& title) = 0;

    // The journal of `image` for `generation`: decoded with the current settings' catalogue (set
    // them first), shown in the journal grid; the journal commands are enabled.
    virtual void showJournal(vorsan::ControllerGeneration generation, const vorsan::JournalImage& image) = 0;

    // The current state shown on its page; `stored` false empties the value column instead (a
    // file that holds no state).
    virtual void showCurrentState(const vorsan::CurrentState& state, bool stored = true) = 0;

    // Status panel 1: pad and well of the current settings, or empty.
    virtual void showPadAndWell() = 0;

    // Asked after a journal is shown with the question (a read from a station or the recorder, a
    // file opened by the user; not after deleting rows nor for a file named on the command line):
    // the oilfield question of the well database hooks in here.
    void setOilfieldQuestion(std::function<void()> ask) { oilfieldQuestion_ = std::move(ask); }
    void askOilfield() {
        if (oilfieldQuestion_) oilfieldQuestion_();
    }

    virtual JournalPage* journalPage() const = 0;
    virtual SettingsPage* settingsPage() const = 0;
    virtual CurrentStatePage* currentStatePage() const = 0;

private:
    std::function<void()> oilfieldQuestion_;
};
