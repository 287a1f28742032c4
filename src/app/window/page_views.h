#pragma once
// The window's DataViews: the journal, settings and current-state pages of its page control.
#include "shared/data_views.h"

class CommandSet;
class PageTabs;
class StatusPanels;
struct WindowState;

class PageViews final : public DataViews {
    Q_OBJECT
public:
    PageViews(WindowState& state, PageTabs* pages, StatusPanels* status, CommandSet* commands);

    void showSettings(const vorsan::SettingsCatalogue& catalogue, const QString& title) override;
    void showJournal(vorsan::ControllerGeneration generation, const vorsan::JournalImage& image) override;
    void showCurrentState(const vorsan::CurrentState& state, bool stored = true) override;
    void showPadAndWell() override;

    JournalPage* journalPage() const override;
    SettingsPage* settingsPage() const override;
    CurrentStatePage* currentStatePage() const override;

private:
    WindowState& state_;
    PageTabs* pages_;
    StatusPanels* status_;
    CommandSet* commands_;
};
