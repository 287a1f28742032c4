#include "database/database_work.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <utility>

using vorsan::wells::WellDatabase;

DatabaseWork::DatabaseWork(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(-1);
}

DatabaseWork::~DatabaseWork() {
    pool_.waitForDone();
}

std::shared_ptr<const DatabaseWellData> DatabaseWork::copyShownWell(const WellDatabase& database,
                                                                    std::shared_ptr<DatabaseWellData> reuse) {
    static std::atomic<std::uint64_t> takings{0};
    auto d = reuse ? std::move(reuse) : std::make_shared<DatabaseWellData>();
    d->taking = ++takings;
    d->well = database.shownWell();
    // Assigned over the earlier copy's vectors: every string keeps its buffer, so a large well
    // costs no fresh memory to fault in and none to give back.
    d->journal.journal.records = database.journal().journal.records;
    d->journal.added = database.journal().added;
    d->journal.rows = database.journal().rows;
    d->settings = database.settings();
    d->settingsPage = database.settingsPage();
    d->settingsPageErrors = database.settingsPageErrors();
    d->settingsTitle.clear();
    if (d->well && !d->journal.journal.records.empty()) {
        // The two literals leave a double blank after the comma.
        d->settingsTitle = "Уставки по кусту: " + std::to_string(d->well->pad) + ", " + " скважине " +
                           std::to_string(d->well->well) + " на: " + d->settings.momentText;
    }
    return d;
}

void DatabaseWork::recycle(std::shared_ptr<const DatabaseWellData> well) {
    if (!well) return;
    std::shared_ptr<DatabaseWellData> drop;
    if (well.use_count() == 1) {
        // Nobody else can reach it any more: it was made by copyShownWell, not constant. The
        // larger buffers stay.
        std::lock_guard lock(spareLock_);
        if (!spare_ || well->journal.rows.capacity() >= spare_->journal.rows.capacity())
            drop = std::exchange(spare_, std::const_pointer_cast<DatabaseWellData>(std::move(well)));
    }
    if (well || drop)
        QThreadPool::globalInstance()->start([well = std::move(well), drop = std::move(drop)]() mutable {
            well.reset();
            drop.reset();
        });
}

std::shared_ptr<DatabaseWellData> DatabaseWork::takeSpare(std::size_t rows) {
    // A small well is copied into fresh memory quickly; the large buffers wait for a large well.
    std::lock_guard lock(spareLock_);
    if (!spare_ || rows < spare_->journal.rows.capacity() / 4) return nullptr;
    return std::move(spare_);
}

bool DatabaseWork::run(std::shared_ptr<WellDatabase> database, Job job,
                       std::function<void(const DatabaseResult&)> done) {
    if (busy_ || !database) return false;
    busy_ = true;
    emit busyChanged(true);
    // The pool's destructor waits for the job, so this object outlives it; a result queued after
    // this object is gone is dropped by the event loop.
    DatabaseWork* self = this;
    pool_.start([self, database = std::move(database), job = std::move(job), done = std::move(done)] {
        auto result = std::make_shared<DatabaseResult>();
        QElapsedTimer clock;
        clock.start();
        result->outcome = job.operation(*database);
        result->operationMs = double(clock.nsecsElapsed()) / 1e6;
        clock.restart();
        if (job.readWell)
            result->well = copyShownWell(*database, self->takeSpare(database->journal().rows.size()));
        if (job.readWells) result->wells = database->wells();
        result->copyMs = double(clock.nsecsElapsed()) / 1e6;
        QMetaObject::invokeMethod(
            self,
            [self, result, done] {
                self->busy_ = false;
                self->lastOperationMs_ = result->operationMs;
                self->lastCopyMs_ = result->copyMs;
                emit self->busyChanged(false);
                if (done) done(*result);
                // Shown, it is held by the tab as well; dropped (a stale choice), it is the spare.
                self->recycle(std::move(result->well));
            },
            Qt::QueuedConnection);
    });
    return true;
}

void DatabaseWork::finish() {
    pool_.waitForDone();
    // The result was queued for the window's thread: let it arrive now.
    QEventLoop loop;
    while (busy_)
        loop.processEvents(QEventLoop::ExcludeUserInputEvents);
}
