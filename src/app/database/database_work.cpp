#include "database/database_work.h"

#include <QEventLoop>
#include <QMetaObject>

using vorsan::wells::WellDatabase;

DatabaseWork::DatabaseWork(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(-1);
}

DatabaseWork::~DatabaseWork() {
    pool_.waitForDone();
}

std::shared_ptr<const DatabaseWellData> DatabaseWork::copyShownWell(const WellDatabase& database) {
    auto d = std::make_shared<DatabaseWellData>();
    d->well = database.currentWell();
    d->journal = database.journal();
    d->settings = database.settings();
    d->settingsPage = database.settingsPage();
    d->settingsPageErrors = database.settingsPageErrors();
    if (!d->journal.journal.records.empty()) {
        // The two literals leave a double blank after the comma.
        d->settingsTitle = "Уставки по кусту: " + std::to_string(d->well.pad) + ", " + " скважине " +
                           std::to_string(d->well.well) + " на: " + d->settings.momentText;
    }
    return d;
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
        result->outcome = job.operation(*database);
        if (job.readWell) result->well = copyShownWell(*database);
        if (job.readWells) result->wells = database->wells();
        QMetaObject::invokeMethod(
            self,
            [self, result, done] {
                self->busy_ = false;
                emit self->busyChanged(false);
                if (done) done(*result);
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
