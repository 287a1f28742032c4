#pragma once
// Runs the operations of the well database off the window's thread, one at a time, so that adding
// a journal, deleting rows, updating from an archive or reading a large well never holds the
// window up. The operation gets the database to itself; when it ends, the well it leaves shown is
// copied (still on the worker) into a DatabaseWellData the window can keep reading while the next
// operation runs, and `done` is called on the window's thread.
//
// The copy goes over the buffers of a well the window has let go (recycle): a 200,000-row well's
// texts fill about 100 MB, and writing over an earlier copy takes a quarter of the time of fresh
// memory, with nothing to give back afterwards. The spare kept is the largest well let go (the
// memory stays at the largest well shown, as the database's own buffers do), and small wells are
// copied into fresh memory, so a large well shown again after small ones finds it.
#include "shared/data_source.h"
#include "wells/well_database_state.h"

#include <QObject>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct DatabaseResult {
    vorsan::wells::Outcome outcome;
    std::shared_ptr<const DatabaseWellData> well;            // set when the job asked for it
    std::optional<std::vector<vorsan::wells::WellId>> wells; // set when the job asked for it
    // Milliseconds on the worker: the operation, then copying the well and reading the directory.
    double operationMs = 0, copyMs = 0;
};

class DatabaseWork : public QObject {
    Q_OBJECT
public:
    explicit DatabaseWork(QObject* parent = nullptr);
    ~DatabaseWork() override; // waits for the operation under way

    struct Job {
        std::function<vorsan::wells::Outcome(vorsan::wells::WellDatabase&)> operation;
        bool readWell = true;   // copy the shown well afterwards (also after a failure)
        bool readWells = false; // read the well directory afterwards
    };

    bool busy() const { return busy_; }
    // The worker's times of the last operation delivered (for the timing drivers).
    double lastOperationMs() const { return lastOperationMs_; }
    double lastCopyMs() const { return lastCopyMs_; }
    // Takes back a well the window no longer shows. Kept for the next copy when nobody else holds
    // it; otherwise let go on a pool thread (whoever holds it last frees it, never the window).
    void recycle(std::shared_ptr<const DatabaseWellData> well);
    // Starts `job` on `database`; `done` runs on the window's thread when it ended. Refused (false)
    // while another operation runs.
    bool run(std::shared_ptr<vorsan::wells::WellDatabase> database, Job job,
             std::function<void(const DatabaseResult&)> done);
    // Waits for the operation under way, delivering its result.
    void finish();

    // The well the database shows, as the tab keeps it ("Уставки по кусту: ..." included).
    // `reuse`, when given, is an earlier copy nobody else holds; it is overwritten and returned.
    static std::shared_ptr<const DatabaseWellData> copyShownWell(const vorsan::wells::WellDatabase& database,
                                                                std::shared_ptr<DatabaseWellData> reuse = {});

    Q_SIGNAL void busyChanged(bool busy);

private:
    // The spare, when it suits a well of `rows` rows.
    std::shared_ptr<DatabaseWellData> takeSpare(std::size_t rows);

    QThreadPool pool_;
    bool busy_ = false;
    double lastOperationMs_ = 0, lastCopyMs_ = 0;
    std::mutex spareLock_; // the worker takes the spare, the window's thread puts it back
    std::shared_ptr<DatabaseWellData> spare_;
};
