#include "recorder/recorder_commands.h"

#include "database/add_to_database_dialog.h"
#include "database/database_commands.h"
#include "dialogs/progress_window.h"
#include "live/live_station.h"
#include "live/live_window.h"
#include "recorder/recorder_page.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include "journal/journal_decode.h"
#include "link/link_error.h"
#include "settings/catalogue.h"
#include "wells/well_database_state.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <memory>

using vorsan::ControllerGeneration;
using vorsan::LinkError;
using vorsan::OpenResult;
using vorsan::RecorderDirectory;
using vorsan::RecorderDownload;

namespace {

const QString kWait = QStringLiteral("Ждите...");
const QString kErrorCaption = QStringLiteral("Error");

// One chronology on the line: 256 journal blocks (8-byte request, 133-byte reply) and 16 settings
// blocks (8 + 37), the core's 272 progress steps.
constexpr int kEntrySteps = 272;
long entryBytesLeft(int done) {
    const long journal = std::max(0, 256 - done), settings = std::min(16, kEntrySteps - done);
    return journal * (8 + 133) + settings * (8 + 37);
}

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The message of a download that failed on the line (its port opened).
QString downloadMessage(LinkError error) {
    const std::string_view m = vorsan::errorMessage(error);
    return m.empty() ? text(vorsan::errorMessage(LinkError::St)) : text(m);
}

int recorderCount(const WindowState& state) {
    return state.recorderCount == 255 ? 0 : std::min<int>(state.recorderCount, vorsan::kMaxRecorderEntries);
}

} // namespace

RecorderCommands::RecorderCommands(LiveWindow& window, LiveStation& live, DatabaseCommands& database,
                                   RecorderPage& page)
    : QObject(window.widget()), window_(window), live_(live), database_(database), page_(page) {
    connect(page_.refreshButton(), &QPushButton::clicked, this, [this] { refresh(page_.refreshButton()); });
    connect(page_.clearButton(), &QPushButton::clicked, this, &RecorderCommands::clear);
    connect(page_.loadMarkedButton(), &QPushButton::clicked, this, &RecorderCommands::loadMarked);
    connect(&page_, &RecorderPage::entryClicked, this, &RecorderCommands::downloadEntry);
    // The first report of a batch opens the progress window after it has named the chronology.
    connect(&live_.session(), &LiveSession::progressShown, this, [this](ProgressWindow* p) {
        if (!batchText_.isEmpty()) p->setText(batchText_);
    });
    // The probe found the recorder where it had not been: its directory is read at once (after
    // the probe's own transaction has handed the line back).
    connect(&live_.watch(), &LineWatch::recorderAppeared, this, [this] { refresh(); },
            Qt::QueuedConnection);
}

bool RecorderCommands::busy() const {
    return live_.session().commandRunning();
}

// ---- the directory ----

void RecorderCommands::refresh(QPushButton* starter) {
    if (busy()) return;
    if (!starter) starter = page_.refreshButton();
    QPointer<QPushButton> button(starter);
    const QString caption = starter->text();
    starter->setText(kWait);
    const int count = recorderCount(window_.state());
    struct Outcome {
        OpenResult opened;
        RecorderDirectory directory;
    };
    LiveSession& session = live_.session();
    session.command<Outcome>(
        {},
        [count](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] { out.directory = vorsan::readRecorderDirectory(job.link(), count); });
            return out;
        },
        [this, button, caption](Outcome& out) {
            LiveSession& s = live_.session();
            if (!out.opened.ok()) s.showOpenFailure(out.opened);
            else showDirectory(out.directory);
            if (button) button->setText(caption);
            s.finish();
            emit directoryShown();
        });
}

void RecorderCommands::showDirectory(const RecorderDirectory& directory) {
    directory_ = directory;
    const int n = int(directory.entries.size());
    page_.layoutEntries(n);
    for (int i = 1; i <= n; ++i) {
        const auto& e = directory.entries[std::size_t(i - 1)];
        page_.showEntry(i, QString::fromStdString(vorsan::recorderEntryCaption(i, e)), e.loadable());
    }
}

// ---- one chronology into the window ----

void RecorderCommands::downloadEntry(int entry) {
    if (busy()) return;
    const QString title = page_.entryButton(entry)->text().left(79);
    if (QMessageBox::question(window_.widget(), title, QStringLiteral("Загрузить хронологию?"),
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
        return;
    LiveSession& session = live_.session();
    const int speed = int(window_.state().settings.recorderSpeed);
    const std::string device = session.device().toStdString();
    ProgressLook look;
    look.cancellable = true;
    look.lineSpeed = speed;
    look.bytesLeft = [](int done, int) { return entryBytesLeft(done); };
    session.command<RecorderDownload>(
        std::move(look),
        [device, speed, entry](LinkJob& job) {
            return vorsan::downloadRecorderEntry(job.link(), device, speed, std::uint8_t(entry), job.progress());
        },
        [this, entry](RecorderDownload& d) {
            LiveSession& s = live_.session();
            if (d.cancelled) {
                // "Отмена": the window stays as it was.
            } else if (!d.open.ok()) {
                s.showOpenFailure(d.open);
            } else if (d.error != LinkError::None) {
                s.showError(kErrorCaption, downloadMessage(d.error));
            } else {
                WindowState& state = window_.state();
                state.loadedGeneration = d.generation;
                state.stationAddress = std::uint8_t(entry);
                state.pad = d.pad;
                state.well = d.well;
                if (d.generation == ControllerGeneration::Gen3) {
                    // A generation 3 image carries the station's own pad and well.
                    const auto decoded = vorsan::decodeJournal(d.image, ControllerGeneration::Gen3);
                    state.pad = decoded.padNumber;
                    state.well = decoded.wellNumber;
                }
                page_.markDownloaded(entry);
                window_.showJournal(d.generation, d.image, d.catalogue, d.state);
                StatusPanels* status = window_.status();
                if (state.pad != vorsan::kUnknown16 && state.well != vorsan::kUnknown16)
                    status->setWell(QStringLiteral("куст № %1 скважина № %2").arg(state.pad).arg(state.well));
                else
                    status->setWell({});
                emit entryDownloaded(entry);
            }
            s.finish();
        });
}

// ---- clearing ----

void RecorderCommands::clear() {
    if (busy()) return;
    if (QMessageBox::warning(window_.widget(), QStringLiteral("Внимание"), QStringLiteral("Очистить содержимое регистратора?"),
                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
        return;
    struct Outcome {
        OpenResult opened;
        LinkError error = LinkError::None;
    };
    live_.session().command<Outcome>(
        {},
        [](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] { out.error = vorsan::clearRecorder(job.link()); });
            return out;
        },
        [this](Outcome& out) {
            LiveSession& s = live_.session();
            if (!out.opened.ok()) s.showOpenFailure(out.opened);
            else if (out.error == LinkError::Write_Error)
                s.showError(kErrorCaption, text(vorsan::errorMessage(LinkError::Write_Error)));
            s.finish();
        });
}

// ---- every marked chronology into the database ----

void RecorderCommands::loadMarked() {
    if (busy()) return;
    std::vector<int> entries;
    for (int i = 1; i <= page_.entryCount(); ++i)
        if (page_.marked(i)) entries.push_back(i);
    if (entries.empty()) {
        QMessageBox::information(window_.widget(), QString(), QStringLiteral("Выберите хотя бы одну хронологию!"));
        return;
    }
    WindowState& state = window_.state();
    // The oilfield list is read from the database, which must not be at other work meanwhile.
    if (!state.database || !database_.idle()) return;
    const auto oilfield = AddToDatabaseDialog::askOilfield(window_.widget(), *state.database);
    if (!oilfield) return;
    startBatch(*oilfield, std::move(entries));
}

ProgressLook RecorderCommands::batchLook(const std::vector<int>& entries, int speed) {
    const int total = int(entries.size()) * kEntrySteps;
    ProgressLook look;
    look.cancellable = true;
    look.lineSpeed = speed;
    look.bytesLeft = [total](int done, int) {
        const int whole = (total - done) / kEntrySteps;
        return long(whole) * entryBytesLeft(0) + entryBytesLeft(done % kEntrySteps);
    };
    // The line above the bar says which chronology is on the line.
    look.observe = [this, entries](int done, int) {
        const std::size_t k = std::min(std::size_t(done / kEntrySteps), entries.size() - 1);
        batchText_ = QStringLiteral("Хронология %1 (%2 из %3)").arg(entries[k]).arg(k + 1).arg(entries.size());
        if (ProgressWindow* p = live_.session().progressWindow()) p->setText(batchText_);
    };
    return look;
}

void RecorderCommands::startBatch(const QString& oilfield, std::vector<int> entries) {
    LiveSession& session = live_.session();
    const int speed = int(window_.state().settings.recorderSpeed);
    const std::string device = session.device().toStdString();
    const int count = recorderCount(window_.state());
    const int total = int(entries.size()) * kEntrySteps;
    batchAdded_ = 0;
    batchFailure_.clear();
    batchText_.clear();
    ProgressLook look = batchLook(entries, speed);
    QPointer<RecorderCommands> self(this);
    struct Outcome {
        OpenResult opened;
        RecorderDirectory directory;
        std::vector<std::pair<int, QString>> failures; // entry, message
        bool cancelled = false;
    };
    session.command<Outcome>(
        std::move(look),
        [=](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] { out.directory = vorsan::readRecorderDirectory(job.link(), count); });
            if (!out.opened.ok() || out.directory.error != LinkError::None) return out;
            const vorsan::TransferProgress report = job.progress();
            for (std::size_t k = 0; k < entries.size(); ++k) {
                // "Отмена" takes effect between chronologies: the one on the line is finished.
                if (job.stopRequested()) {
                    out.cancelled = true;
                    break;
                }
                const int entry = entries[k];
                const auto at = std::size_t(entry - 1);
                // An entry that has become unloadable since it was marked is left out.
                if (at >= out.directory.entries.size() || !out.directory.entries[at].loadable()) continue;
                const int base = int(k) * kEntrySteps;
                report(base, total);
                auto d = std::make_shared<RecorderDownload>(vorsan::downloadRecorderEntry(
                    job.link(), device, speed, std::uint8_t(entry),
                    [&](int done, int) { report(base + done, total); return true; }));
                if (!d->open.ok()) {
                    out.opened = d->open;
                    break;
                }
                if (!d->ok()) {
                    out.failures.emplace_back(entry, downloadMessage(d->error));
                    continue;
                }
                QMetaObject::invokeMethod(
                    self.data(), [self, oilfield, d] {
                        if (self) self->addToDatabase(oilfield, *d);
                    },
                    Qt::QueuedConnection);
            }
            return out;
        },
        [this](Outcome& out) {
            LiveSession& s = live_.session();
            batchText_.clear();
            if (!out.opened.ok()) s.showOpenFailure(out.opened);
            else if (out.directory.error != LinkError::None)
                s.showError(kErrorCaption, text(vorsan::errorMessage(out.directory.error)));
            else showDirectory(out.directory);
            for (const auto& [entry, message] : out.failures)
                s.showError(kErrorCaption, message);
            s.finish();
            // The database adds run in order after the line work: this one ends after the last.
            database_.runOperation([](vorsan::wells::WellDatabase&) { return vorsan::wells::Outcome{}; },
                                   [this](const vorsan::wells::Outcome&) {
                                       if (!batchFailure_.isEmpty())
                                           live_.session().showError(QStringLiteral("Ошибка"), batchFailure_);
                                       emit batchDone(batchAdded_);
                                   });
        });
}

void RecorderCommands::addToDatabase(const QString& oilfield, const RecorderDownload& d) {
    // Decoded here, added on the database's thread; the window's own journal is not touched.
    auto decoded = std::make_shared<vorsan::DecodedJournal>(vorsan::decodeJournal(d.image, d.generation));
    vorsan::wells::JournalToAdd add;
    add.generation = d.generation;
    add.settings = vorsan::settingsSetOf(d.catalogue);
    if (d.generation == ControllerGeneration::Gen3) {
        // The well is named by the pad and well that a generation 3 image carries.
        auto put = [&](int number, std::uint16_t value) {
            const auto at = std::size_t(number - vorsan::kFirstSettingNumber);
            if (value != vorsan::kUnknown16 && at < add.settings.size()) add.settings[at] = value;
        };
        put(vorsan::kGen3PadNumber, decoded->padNumber);
        put(vorsan::kGen3WellNumber, decoded->wellNumber);
    }
    const std::string name = oilfield.toStdString();
    database_.runOperation(
        [decoded, add, name](vorsan::wells::WellDatabase& db) mutable {
            add.journal = &decoded->journal;
            return db.addJournalQuietly(name, add);
        },
        [this](const vorsan::wells::Outcome& o) {
            if (o.ok) ++batchAdded_;
            else if (batchFailure_.isEmpty()) batchFailure_ = QString::fromStdString(o.message);
        });
}
