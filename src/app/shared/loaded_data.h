#pragma once
// Helpers over the journal and settings the window holds (WindowState), shared by the pages and
// the file commands.
#include "settings/setting_def.h"

#include <QString>

struct WindowState;

// The user's decimal separator (a comma under Russian settings), from the application's locale.
char decimalSeparator();

// Decodes state.journalImage for state.journalGeneration into state.journal and rebuilds
// state.journalRows. The settings catalogue must be the current one: setting-change texts name
// its entries.
void rebuildJournal(WindowState& state);
// Rebuilds state.journalRows from state.journal (same rules).
void rebuildJournalRows(WindowState& state);

// The generation 4 catalogue the setting-change texts are taken from: the window's own when it is
// of generation 4 (its transformer variant applies), else a neutral one.
vorsan::SettingsCatalogue gen4CatalogueFor(const vorsan::SettingsCatalogue& current);

// Status panel 1 for the pad and well held by the settings: "куст № 12 скважина № 345", or empty
// when either number is 0xFFFF.
QString padWellStatus(const vorsan::SettingsCatalogue& catalogue);
