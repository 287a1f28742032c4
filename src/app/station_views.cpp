#include "station_views.h"

#include "main_window.h"

void StationViews::showJournal() {}

void StationViews::showSettings(std::size_t count) {
    (void)count;
}

void StationViews::setSettingsTitle(const QString& title) {
    window_.state().settingsTitle = title;
}

void StationViews::showCurrentState() {}
