#pragma once
// Printing and spreadsheet export of journals and settings. The window's commands "Печать журнала
// событий", "Печать уставок" and "Экспорт журнала в MS Excel" run on the window's data; the
// database page runs the functions below on its well's data ("Печать базы данных", "Печать уставок
// по базе данных", "Экспорт базы данных в MS Excel").
#include "common/types.h"
#include "files/file_dialogs.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "report/page_layout.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <vector>

class CommandSet;
class DataViews;
struct WindowState;

// A journal as a report takes it: the records and their rows (kept alive by the caller while the
// command runs), the title lines and the grid's selection.
struct JournalReport {
    const vorsan::Journal* journal = nullptr;
    const std::vector<vorsan::JournalRow>* rows = nullptr;
    vorsan::ControllerGeneration generation = vorsan::ControllerGeneration::Gen4;
    QString caption;  // title line 1: the window's caption
    QString wellLine; // title line 2: journalWellLine or databaseWellLine
    std::uint16_t pad = vorsan::kUnknown16; // for the proposed workbook name
    std::uint16_t well = vorsan::kUnknown16;
    // The command's caption, for the print job, the save dialog and the progress window; empty:
    // that of the window's command ("Печать журнала событий", "Экспорт журнала в MS Excel").
    QString command;
    // The grid's selection, 1-based rows top to bottom; 0 when nothing is selected.
    int selectionTop = 0;
    int selectionBottom = 0;
};

// The print dialog with "selection" offered as a range; prints the chosen rows as the journal
// table. Nothing happens on Cancel; a printer that fails ends the document silently.
void printJournalReport(QWidget* parent, const JournalReport& report);

// The print dialog without the selection range; prints the settings list. `command` names the
// print job (empty: "Печать уставок").
void printSettingsReport(QWidget* parent, const QString& title, const std::vector<vorsan::SettingsListRow>& rows,
                         const QString& command = {});

// What the export does besides writing the file; the tests replace them.
struct WorkbookHooks {
    FileDialogs dialogs = systemFileDialogs();
    // Opens the written workbook with the desktop's application for .xlsx files (if there is one).
    std::function<bool(const QUrl&)> open;
};

// Asks where to save (the name from pad, well and date offered), writes the workbook of the rows
// to export (the selection when it spans more than one row, else every record) off the window's
// thread, then opens it and puts the export text on the clipboard. `done` runs at the end (also
// after a cancelled dialog or a failure), on the window's thread.
void exportJournalWorkbook(QWidget* parent, const JournalReport& report, const WorkbookHooks& hooks,
                           std::function<void()> done = {});

// The window's print and export commands.
class ReportCommands : public QObject {
    Q_OBJECT
public:
    ReportCommands(WindowState& state, DataViews& views, CommandSet& commands, QWidget* window);

    void setHooks(WorkbookHooks hooks) { hooks_ = std::move(hooks); }
    const WorkbookHooks& hooks() const { return hooks_; }

    // The window's journal with the journal grid's selection.
    JournalReport windowJournal() const;
    // The settings grid's rows.
    std::vector<vorsan::SettingsListRow> windowSettings() const;

    void printJournal();
    void printSettings();
    void exportJournal();

    // True while a workbook is being written.
    bool exporting() const { return exporting_; }

private:
    WindowState& state_;
    DataViews& views_;
    QWidget* window_;
    WorkbookHooks hooks_;
    bool exporting_ = false;
};
