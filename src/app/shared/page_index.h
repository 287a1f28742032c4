#pragma once
// The main window's ten pages by index. Indices are fixed: the polling logic and the keyboard
// rule look at them, and the pages rename each other's tabs by them.

enum PageIndex {
    kJournalPage = 0,
    kSettingsPage = 1,
    kCurrentStatePage = 2,
    kDiagramsPage = 3,
    kGraphPage = 4,      // the graph sheet in use
    kSpareGraphPage = 5, // the other graph sheet, tab hidden
    kRecorderPage = 6,
    kDatabasePage = 7,
    kAnalysisPage = 8, // run-life figures of the journal or the database well shown
    kOverviewPage = 9, // "Обзор линии": every station of the line at once
};
