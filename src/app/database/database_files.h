#pragma once
// The database tab's commands that go outside the database directory: the text export of a well,
// printing its journal and settings, its workbook export, well files ".VBD" and archives. Each
// asks for its file, then runs as one operation of the tab's queue (DatabaseCommands) and shows
// its outcome there.
#include "files/file_dialogs.h"

#include <QObject>
#include <QString>

class DatabaseCommands;
class DatabaseWindow;

class DatabaseFiles : public QObject {
    Q_OBJECT
public:
    DatabaseFiles(DatabaseCommands& tab, DatabaseWindow& window);

    void setDialogs(FileDialogs dialogs) { dialogs_ = std::move(dialogs); }

    void saveText();
    // "Печать базы данных", "Печать уставок по базе данных", "Экспорт базы данных в MS Excel".
    void printJournal();
    void printSettings();
    void exportJournal();
    void saveWellFile();
    void addWellFile();
    // Adds the well file at `path` and shows the well (also for a file named on the command line).
    void addWellFileAt(const QString& path);
    void createArchive();
    void updateFromArchive();

private:
    DatabaseCommands& tab_;
    DatabaseWindow& window_;
    FileDialogs dialogs_ = systemFileDialogs();
    bool exporting_ = false;
};
