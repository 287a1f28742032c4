#pragma once
// The file commands of the window: "Открыть файл журнала", "Сохранить журнал в файл",
// "Сохранить журнал в текстовый файл", "Загрузить файл уставок", "Сохранить уставки в файл", and
// the journal or settings file named on the command line. A file that cannot be read or written
// is reported with the system's reason and changes nothing.
#include "files/file_dialogs.h"

#include <QObject>
#include <QString>

#include <string>

namespace vorsan {
enum class FileStatus;
}

class CommandSet;
class DataViews;
class PageTabs;
struct WindowState;

class FileCommands : public QObject {
    Q_OBJECT
public:
    // Binds the file commands; the window registers openJournalFile and loadSettingsFile as the
    // openers of files named on the command line.
    FileCommands(WindowState& state, DataViews& views, CommandSet& commands, QWidget* window,
                 PageTabs* pages);

    void setDialogs(FileDialogs dialogs) { dialogs_ = std::move(dialogs); }

    void openJournal();
    // Opens a journal file without the dialog; a file named on the command line is shown without
    // the oilfield question. Returns whether the journal was taken.
    bool openJournalFile(const QString& path, bool fromCommandLine = false);
    void saveJournal();
    void saveJournalText();
    void loadSettings();
    bool loadSettingsFile(const QString& path);
    void saveSettings();

private:
    bool askForeignFile() const;
    void reportFailure(const QString& path, const std::string& reason) const;
    // True when a journal or settings file was read; otherwise tells the user why not (nothing more
    // after a refused foreign file).
    bool opened(const QString& path, vorsan::FileStatus status, const std::string& error) const;

    WindowState& state_;
    DataViews& views_;
    QWidget* window_;
    PageTabs* pages_;
    FileDialogs dialogs_ = systemFileDialogs();
};
