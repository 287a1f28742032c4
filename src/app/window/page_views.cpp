#include "window/page_views.h"

#include "journal/journal_page.h"
#include "settings/settings_page.h"
#include "shared/commands.h"
#include "shared/loaded_data.h"
#include "shared/page_tabs.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"
#include "state/current_state_page.h"

PageViews::PageViews(WindowState& state, PageTabs* pages, StatusPanels* status, CommandSet* commands)
    : DataViews(pages), state_(state), pages_(pages), status_(status), commands_(commands) {}

JournalPage* PageViews::journalPage() const {
    return pages_->page<JournalPage>();
}

SettingsPage* PageViews::settingsPage() const {
    return pages_->page<SettingsPage>();
}

CurrentStatePage* PageViews::currentStatePage() const {
    return pages_->page<CurrentStatePage>();
}

void PageViews::showSettings(const vorsan::SettingsCatalogue& catalogue, const QString& title) {
    state_.catalogue = catalogue;
    state_.loadedGeneration = catalogue.generation;
    settingsPage()->setTitle(title);
    settingsPage()->showSettings();
}

void PageViews::showJournal(vorsan::ControllerGeneration generation, const vorsan::JournalImage& image) {
    state_.loadedGeneration = generation;
    state_.journalGeneration = generation;
    if (!state_.journalImage) state_.journalImage = std::make_unique<vorsan::JournalImage>();
    *state_.journalImage = image;
    rebuildJournal(state_);
    journalPage()->showJournal();
    state_.journalLoaded = true;
    commands_->table().journalLoaded();
}

void PageViews::showCurrentState(const vorsan::CurrentState& state, bool stored) {
    state_.currentState = state;
    if (stored)
        currentStatePage()->showCurrentState();
    else
        currentStatePage()->clearValues();
}

void PageViews::showPadAndWell() {
    status_->setWell(padWellStatus(state_.catalogue));
}
