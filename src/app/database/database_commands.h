#pragma once
// The commands of the well database in the window: the question after every journal obtained,
// the menu "База данных" and the tool button "Работа с базой данных", the database tab's own
// commands (deleting rows and wells, "Показать диаграммы"); well files, archives, the text export
// and printing are DatabaseFiles, which runs its operations through this queue. Every operation is one call of the core's WellDatabase, run by DatabaseWork off the
// window's thread, with the progress window where one is shown; the tab then shows its result.
#include "database/database_work.h"
#include "files/file_dialogs.h"
#include "wells/well_directory.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class AddToDatabaseDialog;
class DatabaseWindow;
class DatabaseFiles;
class DatabaseSync;
class DatabasePage;
class FindWellDialog;
class OpenWellDialog;
class ProgressWindow;

class DatabaseCommands : public QObject {
    Q_OBJECT
public:
    explicit DatabaseCommands(DatabaseWindow& window);
    ~DatabaseCommands() override;

    // The window is about to release the well database (closing): queued operations are dropped
    // and the one under way is waited for.
    void release();

    // The file dialogs of the well files, archives and text export (the tests replace them).
    void setDialogs(FileDialogs dialogs);
    // Well files, archives, the text export, printing and the workbook export of the shown well.
    DatabaseFiles& files() { return *files_; }
    // "Синхронизировать с сервером…" (the company archive).
    DatabaseSync& sync() { return *sync_; }

    // After a journal was shown (not for a file named on the command line): asks whether to add it.
    void askToAdd();
    // "Да" with `oilfield`: the window's journal and settings are added to the well they name,
    // which is then shown in the database tab.
    void addJournal(const QString& oilfield);
    // Shows `well` (browse), then the database tab as after adding.
    void openWell(const vorsan::wells::WellId& well);
    // The user chose a well in the tree: shown, and saving and deleting it enabled.
    void chooseWell(const vorsan::wells::WellId& well);

    // Runs `operation` on the database off the window's thread, after the operations before it;
    // `done` gets its outcome on the window's thread. For callers outside the tab, such as the
    // recorder's batch load (addJournalQuietly per chronology): nothing in the tab changes.
    void runOperation(std::function<vorsan::wells::Outcome(vorsan::wells::WellDatabase&)> operation,
                      std::function<void(const vorsan::wells::Outcome&)> done);

    void openWellDialog();
    void findWell();
    void deleteRows();
    void deleteWell();

    // Makes the tab visible and current with its journal page in front, runs its hide and show
    // handlers (the tree rebuilt with the current well selected) and focuses the journal grid.
    void showTab();

    // No operation runs or waits.
    bool idle() const;
    DatabaseWork& work() { return work_; }
    DatabasePage* page() const { return page_; }
    AddToDatabaseDialog* question() const;
    FindWellDialog* findDialog() const;
    OpenWellDialog* openDialog() const;
    ProgressWindow* progress() const { return progress_.get(); }
    // The progress window of each operation that shows one, as it opens (drivers watch it).
    Q_SIGNAL void progressShown(ProgressWindow* progress);
    // An operation ended and the tab shows its result.
    Q_SIGNAL void operationDone();

    // ---- for the tab's commands that work with files (DatabaseFiles) ----
    using Job = DatabaseWork::Job;
    using Done = std::function<void(const DatabaseResult&)>;
    // Runs `job` now or, while another runs, after it (in order).
    void run(Job job, Done done, bool wellShow = false);
    // Shows the outcome's message (and every further note) when there is one; true on success.
    bool report(const vorsan::wells::Outcome& outcome);
    void showResult(const DatabaseResult& result);
    void openProgress(const QString& caption, int maximum, int value);
    void closeProgress();

private:
    struct Pending {
        Job job;
        Done done;
        bool wellShow = false; // showing a chosen well: a later choice replaces it
    };
    // Shows `well` (browse) for the user's choice in the tree or a dialog. A later choice replaces
    // one still waiting, and the result of one under way is dropped when it arrives after a later
    // choice: the tab never flashes a well the user has already left. `done` runs on a result kept.
    void showChosenWell(const vorsan::wells::WellId& well, std::function<void(const DatabaseResult&)> done);
    void runNext();
    void rebuildTree();
    // A chart page was shown while the database's data is chosen: the charts get the well shown
    // (copied on a pool thread from the tab's unchanging copy, then handed over).
    void feedCharts(int pageIndex);
    std::vector<vorsan::wells::WellId> directory();


    DatabaseWindow& window_;
    DatabasePage* page_ = nullptr;
    DatabaseWork work_;
    std::deque<Pending> queue_;
    unsigned wellChoices_ = 0; // counts showChosenWell calls
    std::vector<vorsan::wells::WellId> wells_; // the directory as last read
    QPointer<AddToDatabaseDialog> question_;
    QPointer<FindWellDialog> find_;
    QPointer<OpenWellDialog> open_;
    std::unique_ptr<ProgressWindow> progress_;
    DatabaseFiles* files_ = nullptr; // a child: it outlives the work it started
    DatabaseSync* sync_ = nullptr;   // the same
    std::uint64_t chartsHave_ = 0; // the taking of the well the charts were last given
};
