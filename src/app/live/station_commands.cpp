#include "live/station_commands.h"

#include "live/live_session.h"
#include "live/live_window.h"
#include "settings/settings_page.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "shared/page_tabs.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include "journal/journal_decode.h"
#include "link/journal_transfer.h"
#include "link/settings_transfer.h"
#include "link/station_control.h"
#include "settings/catalogue.h"
#include "shell/command_table.h"

#include <QMessageBox>
#include <QTableView>

#include <algorithm>

using vorsan::Command;
using vorsan::ControllerGeneration;
using vorsan::LinkError;
using vorsan::OpenResult;

namespace {

const QString kErrorCaption = QStringLiteral("Error");
const QString kSettingsFailedTitle = QStringLiteral("Ошибка");

// Positions (from 0) in the generation 4 catalogue of the settings that hold the station's pad,
// well and address: registers 238, 239 and 242.
constexpr std::size_t kPadSetting = 62;
constexpr std::size_t kWellSetting = 63;
constexpr std::size_t kAddressSetting = 66;

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// A transaction that opens the port once more for its second step (the settings after a journal).
template <class Read> struct Step {
    OpenResult opened;
    Read read;
};

// What crosses the line for one progress step (request and reply bytes) of each transfer.
constexpr long kJournalBlocks4 = 256, kJournalStep4 = 8 + 133;
constexpr long kSettingsBlocks4 = 16, kSettingsStep4 = 8 + 37;
constexpr long kJournalBlocks3 = 128, kJournalStep3 = 256;
constexpr long kSettingsBlocks3 = 8, kSettingsStep3 = 64;

// The look of a read: "Отмена" works in generation 4 (the transfer stops between requests) and is
// shown disabled in generation 3 (a block stream runs to its end); the time remaining follows the
// blocks left of the journal (when there is one) and of the settings that come after it.
ProgressLook readLook(ControllerGeneration generation, bool withJournal) {
    ProgressLook look;
    const bool g4 = generation == ControllerGeneration::Gen4;
    look.cancellable = g4;
    look.cancelDisabled = !g4;
    const long journalBlocks = g4 ? kJournalBlocks4 : kJournalBlocks3;
    const long journalStep = g4 ? kJournalStep4 : kJournalStep3;
    const long settingsBlocks = g4 ? kSettingsBlocks4 : kSettingsBlocks3;
    const long settingsStep = g4 ? kSettingsStep4 : kSettingsStep3;
    look.bytesLeft = [=](int done, int total) {
        if (withJournal && total == journalBlocks)
            return (journalBlocks - done) * journalStep + settingsBlocks * settingsStep;
        return (total - done) * settingsStep;
    };
    return look;
}

} // namespace

StationCommands::StationCommands(LiveSession& session) : QObject(&session), session_(session) {
    CommandSet& commands = session_.window().commands();
    bindReadJournal(ControllerGeneration::Gen4);
    commands.bind(Command::ReadSettings, [this] { readSettings(); });
    commands.bind(Command::WriteSettings, [this] { writeSettings(); });
    commands.bind(Command::ClearChronology, [this] { clearChronology(); });
}

void StationCommands::bindReadJournal(ControllerGeneration generation) {
    if (generation == ControllerGeneration::Gen4)
        session_.window().commands().bind(Command::ReadJournal, [this] { readJournalGen4(); });
    else
        session_.window().commands().bind(Command::ReadJournal, [this] { readJournalGen3(); });
}

// ---- "Считать журнал событий" -------------------------------------------------------------------

void StationCommands::readJournalGen4() {
    if (session_.commandRunning()) return;
    WindowState& state = session_.state();
    const ControllerGeneration before = state.loadedGeneration;
    state.loadedGeneration = ControllerGeneration::Gen4;
    const std::uint8_t address = state.stationAddress;
    struct Outcome {
        OpenResult opened;
        vorsan::JournalRead journal;
        Step<vorsan::SettingsRead> settings;
    };
    session_.command<Outcome>(
        readLook(ControllerGeneration::Gen4, true),
        [address](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun(
                [&] { out.journal = vorsan::readJournal4(job.link(), address, job.progress()); });
            if (!out.opened.ok() || !out.journal.ok()) return out;
            out.settings.opened = job.openAndRun(
                [&] { out.settings.read = vorsan::readSettings4(job.link(), address, job.progress()); });
            return out;
        },
        [this, before](Outcome& out) {
            WindowState& state = session_.state();
            StatusPanels* status = session_.window().status();
            if (out.journal.cancelled || out.settings.read.cancelled) {
                // "Отмена": the window stays as it was.
                state.loadedGeneration = before;
            } else if (!out.opened.ok()) {
                session_.showOpenFailure(out.opened);
            } else if (!out.journal.ok()) {
                if (!out.journal.cancelled)
                    session_.showError(kErrorCaption, text(vorsan::journalReadMessage(
                                                          ControllerGeneration::Gen4, out.journal.error)));
            } else if (!out.settings.opened.ok() || !out.settings.read.ok()) {
                if (!out.settings.opened.ok())
                    session_.showOpenFailure(out.settings.opened);
                else if (!out.settings.read.cancelled)
                    session_.showError(kErrorCaption,
                                       text(vorsan::settingsReadMessage(ControllerGeneration::Gen4,
                                                                        out.settings.read.error)));
                settingsTitle(kSettingsFailedTitle);
            } else {
                session_.window().showJournal(ControllerGeneration::Gen4, out.journal.image,
                                              out.settings.read.catalogue, out.settings.read.state);
                // A generation 4 image carries no pad or well: those of the last pad-and-well read stay.
                status->setWell({});
                if (state.pad != vorsan::kUnknown16 && state.well != vorsan::kUnknown16)
                    status->setWell(QStringLiteral("куст № %1 скважина № %2").arg(state.pad).arg(state.well));
            }
            session_.finish();
        });
}

void StationCommands::readJournalGen3() {
    if (session_.commandRunning()) return;
    WindowState& state = session_.state();
    state.loadedGeneration = ControllerGeneration::Gen3;
    struct Outcome {
        OpenResult opened;
        vorsan::JournalRead journal;
        Step<vorsan::SettingsRead> settings;
    };
    session_.command<Outcome>(
        readLook(ControllerGeneration::Gen3, true),
        [](LinkJob& job) {
            Outcome out;
            out.opened =
                job.openAndRun([&] { out.journal = vorsan::readJournal3(job.link(), job.progress()); });
            if (!out.opened.ok() || !out.journal.ok()) return out;
            out.settings.opened = job.openAndRun(
                [&] { out.settings.read = vorsan::readSettings3(job.link(), job.progress()); });
            return out;
        },
        [this](Outcome& out) {
            WindowState& state = session_.state();
            StatusPanels* status = session_.window().status();
            if (!out.opened.ok()) {
                session_.showOpenFailure(out.opened);
                session_.finish();
                return;
            }
            if (!out.journal.ok()) {
                if (!out.journal.cancelled)
                    session_.showError(kErrorCaption, text(vorsan::journalReadMessage(
                                                          ControllerGeneration::Gen3, out.journal.error)));
                session_.finish();
                return;
            }
            // The journal came whole; the settings are its second step and may have failed alone.
            if (!out.settings.opened.ok()) {
                session_.showOpenFailure(out.settings.opened);
            } else if (!out.settings.read.ok() && !out.settings.read.cancelled) {
                session_.showError(kErrorCaption, text(vorsan::settingsReadMessage(ControllerGeneration::Gen3,
                                                                                   out.settings.read.error)));
            }
            const bool settingsRead = out.settings.opened.ok() && out.settings.read.ok();
            vorsan::SettingsCatalogue settings = settingsRead
                                                     ? std::move(out.settings.read.catalogue)
                                                     : vorsan::buildCatalogue(ControllerGeneration::Gen3);
            applyGen3Variant(settings, settingsRead ? out.settings.read.typeCode : -1);
            session_.window().showJournal(
                ControllerGeneration::Gen3, out.journal.image, settings, std::nullopt, kJournalReadCaption,
                settingsRead ? kControllerSettingsTitle : QStringLiteral("Ошибка - уставки не считаны"));
            // A generation 3 image carries the station's pad and well.
            const auto decoded = vorsan::decodeJournal(out.journal.image, ControllerGeneration::Gen3);
            state.pad = decoded.padNumber;
            state.well = decoded.wellNumber;
            if (state.pad != vorsan::kUnknown16 && state.well != vorsan::kUnknown16)
                status->setWell(QStringLiteral("куст № %1 скважина № %2").arg(state.pad).arg(state.well));
            else
                status->setWell({});
            session_.finish();
        });
}

void StationCommands::applyGen3Variant(vorsan::SettingsCatalogue& settings, int typeCode) {
    // The controller's type code chooses the transformer variant; without one the variant the
    // probe saw stays.
    const int variant = vorsan::variantForTypeCode(typeCode);
    if (variant != 0)
        session_.state().gen3Variant = variant;
    else
        vorsan::applyTransformerVariant(settings, session_.state().gen3Variant);
}

void StationCommands::settingsTitle(const QString& title) {
    session_.window().views().settingsPage()->setTitle(title);
}

// ---- "Считать уставки с контроллера" -----------------------------------------------------------

void StationCommands::readSettings() {
    if (session_.commandRunning()) return;
    WindowState& state = session_.state();
    const ControllerGeneration generation = state.loadedGeneration;
    const std::uint8_t address = state.stationAddress;
    struct Outcome {
        OpenResult opened;
        vorsan::SettingsRead read;
    };
    session_.command<Outcome>(
        readLook(generation, false),
        [generation, address](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] {
                out.read = generation == ControllerGeneration::Gen4
                               ? vorsan::readSettings4(job.link(), address, job.progress())
                               : vorsan::readSettings3(job.link(), job.progress());
            });
            return out;
        },
        [this, generation](Outcome& out) {
            if (out.read.cancelled) { // "Отмена": the window stays as it was
                session_.finish();
                return;
            }
            if (!out.opened.ok() || !out.read.ok()) {
                if (!out.opened.ok())
                    session_.showOpenFailure(out.opened);
                else
                    session_.showError(kErrorCaption,
                                       text(vorsan::settingsReadMessage(generation, out.read.error)));
                settingsTitle(kSettingsFailedTitle);
                session_.finish();
                return;
            }
            if (generation == ControllerGeneration::Gen3)
                applyGen3Variant(out.read.catalogue, out.read.typeCode);
            session_.window().showSettings(out.read.catalogue, kControllerSettingsTitle);
            if (generation == ControllerGeneration::Gen4) session_.window().showCurrentState(out.read.state);
            PageTabs* pages = session_.window().pages();
            pages->setCurrentIndex(kSettingsPage);
            session_.window().views().settingsPage()->grid()->setFocus();
            session_.finish();
            const auto answer = QMessageBox::question(session_.window().widget(), QString(),
                                                      QStringLiteral("Сохранить уставки в файл?"),
                                                      QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
            if (answer == QMessageBox::Ok)
                session_.window().commands().action(Command::SaveSettingsFile)->trigger();
        });
}

// ---- "Запись уставок в контроллер" --------------------------------------------------------------

void StationCommands::writeSettings() {
    if (session_.commandRunning()) return;
    WindowState& state = session_.state();
    const ControllerGeneration generation = state.loadedGeneration;
    // Decided on each setting's read-or-loaded flag, not on its value: 0xFFFF is a legitimate
    // value of some settings (motor and pump "none").
    if (state.catalogue.generation != generation || !vorsan::settingsWritable(state.catalogue)) {
        session_.showError(QStringLiteral("Внимание"), text(vorsan::kSettingsNotLoadedMessage));
        return;
    }
    const std::uint8_t address = state.stationAddress;
    const vorsan::SettingsCatalogue catalogue = state.catalogue;
    struct Outcome {
        OpenResult opened;
        vorsan::SettingsWrite4 write4;
        vorsan::SettingsWrite3 write3;
    };
    ProgressLook look;
    look.caption = generation == ControllerGeneration::Gen4 ? QStringLiteral("Запись уставок в контроллер...")
                                                            : QStringLiteral("Передача данных");
    session_.command<Outcome>(
        look,
        [generation, address, catalogue](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] {
                if (generation == ControllerGeneration::Gen4)
                    out.write4 = vorsan::writeSettings4(job.link(), address, catalogue, job.progress());
                else
                    out.write3 = vorsan::writeSettings3(job.link(), catalogue, job.progress());
            });
            return out;
        },
        [this, generation](Outcome& out) {
            if (generation == ControllerGeneration::Gen3) {
                if (!out.opened.ok())
                    session_.showError(QStringLiteral("Ошибка!"),
                                       text(vorsan::openFailureMessage(out.opened)));
                else if (!out.write3.ok())
                    session_.showError(QStringLiteral("Ошибка!"), text(out.write3.message));
                else
                    session_.window().showSettings(out.write3.catalogue,
                                                   session_.window().views().settingsPage()->title());
                session_.finish();
                return;
            }
            if (!out.opened.ok() || !out.write4.ok()) {
                if (!out.opened.ok())
                    session_.showOpenFailure(out.opened);
                else if (!out.write4.cancelled)
                    session_.showError(kErrorCaption,
                                       text(std::string(vorsan::errorMessage(out.write4.error))));
                settingsTitle(kSettingsFailedTitle);
                session_.finish();
                return;
            }
            WindowState& state = session_.state();
            state.pad = state.catalogue.at(kPadSetting)->value;
            state.well = state.catalogue.at(kWellSetting)->value;
            // Only a station address can become the address the program talks to (not 0, not the
            // recorder's 255).
            const auto address = static_cast<std::uint8_t>(state.catalogue.at(kAddressSetting)->value & 0xFF);
            if (address >= 1 && address <= 247) state.stationAddress = address;
            session_.window().status()->setWell(
                QStringLiteral(" Куст: %1 ,Скважина: %2").arg(state.pad).arg(state.well));
            session_.enterStation(state.pad, state.well, state.stationAddress);
            session_.finish();
        });
}

// ---- "Обнуление хронологии событий" ----------------------------------------------------------

void StationCommands::clearChronology() {
    if (session_.commandRunning()) return;
    if (QMessageBox::question(session_.window().widget(), QStringLiteral("Clear"),
                              QStringLiteral("Обнулить хронологию событий?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const ControllerGeneration generation = session_.state().connectedGeneration;
    const std::uint8_t address = session_.state().stationAddress;
    struct Outcome {
        OpenResult opened;
        vorsan::ClearResult clear;
    };
    session_.command<Outcome>(
        {},
        [generation, address](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] {
                out.clear = generation == ControllerGeneration::Gen4
                                ? vorsan::clearChronology4(job.link(), address)
                                : vorsan::clearChronology3(job.link());
            });
            return out;
        },
        [this](Outcome& out) {
            if (!out.opened.ok()) {
                session_.showOpenFailure(out.opened);
            } else if (out.clear.error == LinkError::Write_Error) {
                session_.showError(kErrorCaption, QStringLiteral("Ошибка записи в порт"));
            } else if (out.clear.outcome == vorsan::ClearOutcome::Refused) {
                // Three lines, joined by carriage returns in the controller's wording.
                QString message = text(vorsan::kClearRefusedMessage);
                message.replace(QLatin1Char('\r'), QLatin1Char('\n'));
                session_.showError(QStringLiteral("Ошибка"), message);
            }
            session_.finish();
        });
}
