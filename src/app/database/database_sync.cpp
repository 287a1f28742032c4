#include "database/database_sync.h"

#include "company/company_sync.h"
#include "database/database_commands.h"
#include "database/database_window.h"
#include "database/sync_dialog.h"
#include "shared/commands.h"
#include "shared/window_state.h"

#include <QDir>
#include <QSettings>

using vorsan::Command;
namespace company = vorsan::company;

namespace {

// The program's own settings file beside "vors.set", group "archive".
const QString kOwnSettingsFile = QStringLiteral("vorsan.ini");

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString countsText(const company::SyncCounts& c) {
    return QStringLiteral("%1 строк и %2 снимков уставок по %3 скважинам")
        .arg(c.rows)
        .arg(c.snapshots)
        .arg(c.wells);
}

// Called on the worker: what it reports goes to the window's thread; "Отмена" is read from the
// flag the window sets.
class DialogProgress : public company::SyncObserver {
public:
    DialogProgress(DatabaseSync* sync, std::shared_ptr<std::atomic<bool>> cancel)
        : sync_(sync), cancel_(std::move(cancel)) {}
    void progress(std::string_view stage, std::size_t done, std::size_t total) override {
        DatabaseSync* sync = sync_;
        QMetaObject::invokeMethod(
            sync,
            [sync, text = qs(std::string(stage)), done, total] {
                if (SyncDialog* d = sync->dialog()) d->showProgress(text, int(done), int(total));
            },
            Qt::QueuedConnection);
    }
    bool cancelled() override { return cancel_->load(); }

private:
    DatabaseSync* sync_; // outlives the worker (the tab's queue waits for it first)
    std::shared_ptr<std::atomic<bool>> cancel_;
};

} // namespace

DatabaseSync::DatabaseSync(DatabaseCommands& tab, DatabaseWindow& window)
    : QObject(&tab), tab_(tab), window_(window), cancel_(std::make_shared<std::atomic<bool>>(false)) {
    window.commands().bind(Command::SyncWithServer, [this] { openDialog(); });
}

SyncDialog* DatabaseSync::dialog() const {
    return dialog_;
}

void DatabaseSync::openDialog() {
    if (!dialog_) {
        dialog_ = new SyncDialog(window_.widget());
        const QSettings own(QDir(window_.state().settingsDir).filePath(kOwnSettingsFile),
                            QSettings::IniFormat);
        dialog_->setFields({own.value("archive/host").toString(), own.value("archive/database").toString(),
                            own.value("archive/user").toString(), own.value("archive/service").toString(),
                            own.value("archive/port", 5432).toInt(),
                            own.value("archive/conninfo").toString()});
        connect(dialog_, &SyncDialog::startRequested, this, &DatabaseSync::start);
        connect(dialog_, &SyncDialog::cancelRequested, this, [this] { cancel_->store(true); });
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void DatabaseSync::cancel() {
    cancel_->store(true);
}

void DatabaseSync::start() {
    if (!dialog_ || dialog_->running()) return;
    const SyncFields f = dialog_->fields();
    // A whole connection string, when given, stands for the fields.
    const std::string conninfo =
        !f.conninfo.isEmpty()
            ? f.conninfo.toStdString()
            : company::conninfoOf({f.host.toStdString(), std::to_string(f.port), f.database.toStdString(),
                                   f.user.toStdString(), f.service.toStdString()});
    // Only an address without a password is kept in the settings.
    if (const company::ServerStatus st = company::checkSavedConninfo(conninfo); !st) {
        dialog_->showResult(qs(st.message()), false);
        return;
    }
    QSettings own(QDir(window_.state().settingsDir).filePath(kOwnSettingsFile), QSettings::IniFormat);
    own.setValue("archive/host", f.host);
    own.setValue("archive/port", f.port);
    own.setValue("archive/database", f.database);
    own.setValue("archive/user", f.user);
    own.setValue("archive/service", f.service);
    own.setValue("archive/conninfo", f.conninfo);
    const QString typed = dialog_->takePassword();
    const std::optional<std::string> password =
        typed.isEmpty() ? std::nullopt : std::optional<std::string>(typed.toStdString());
    cancel_->store(false);
    dialog_->setRunning(true);
    auto report = std::make_shared<company::SyncReport>();
    auto progress = std::make_shared<DialogProgress>(this, cancel_);
    tab_.run({[conninfo, password, report, progress](vorsan::wells::WellDatabase& db) {
                  company::PgSession session;
                  report->status = session.connect(conninfo, password);
                  if (report->status) *report = company::syncWithArchive(db, session, {}, progress.get());
                  return vorsan::wells::Outcome{}; // the dialog tells the outcome
              },
              false, false},
             [this, report, asked = password.has_value()](const DatabaseResult&) {
                 const company::ServerStatus& st = report->status;
                 const bool needsPassword = st.fault == company::ServerFault::NeedsPassword ||
                                            (st.fault == company::ServerFault::WrongPassword && !asked);
                 QString text = QStringLiteral("Отправлено: %1.\nПолучено: %2.")
                                    .arg(countsText(report->pushed), countsText(report->pulled));
                 if (!st)
                     text = qs(st.message()) + (st.detail.empty() ? QString() : " (" + qs(st.detail) + ")") +
                            (st.fault == company::ServerFault::Cancelled ? "\n" + text : QString());
                 for (const std::string& note : report->notes)
                     text += "\n" + qs(note);
                 finished(bool(st), text, needsPassword, report->pulled.rows + report->pulled.snapshots > 0);
             });
}

void DatabaseSync::finished(bool ok, const QString& text, bool needsPassword, bool pulled) {
    if (pulled) tab_.showTab(); // the tree shows the wells that came
    if (!dialog_) return;
    dialog_->setRunning(false);
    if (needsPassword)
        dialog_->askPassword(text);
    else
        dialog_->showResult(text, ok);
}
