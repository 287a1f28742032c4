#include "live/line_watch.h"

#include "live/live_session.h"
#include "live/live_window.h"
#include "shared/commands.h"
#include "shared/connection_indicator.h"
#include "shared/page_tabs.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include "link/station_control.h"
#include "settings/catalogue.h"
#include "shell/command_table.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

using vorsan::ControllerGeneration;
using vorsan::LineDevice;
using vorsan::LinkError;

namespace {

const QString kStationHint = QStringLiteral("Есть соединение со станцией");
const QString kRecorderHint = QStringLiteral("Есть соединение с регистратором");
const QString kNoStationHint = QStringLiteral("Нет соединения со станцией");
const QString kReadingState = QStringLiteral("Чтение текущих параметров");
const QString kStateReadFailed = QStringLiteral("Ошибка чтения текущих параметров");
const QString kStopCaption = QStringLiteral("Стоп");

} // namespace

LineWatch::LineWatch(LiveSession& session) : QObject(&session), session_(session) {
    LiveWindow& window = session_.window();
    LineScheduler& scheduler = session_.scheduler();
    scheduler.probe = [this] { probeTick(); };
    scheduler.poll = [this](ControllerGeneration g) { pollTick(g); };
    window.setProbe([&scheduler] { scheduler.tick(); });
    connect(window.pages(), &QTabWidget::currentChanged, this, &LineWatch::currentPageChanged);

    // The button lives on the current-state page, which captions it from the status word.
    startStop_ = window.startStopButton();
    connect(startStop_, &QPushButton::clicked, this, &LineWatch::startStop);
}

// ---- probe ----------------------------------------------------------------------------------

void LineWatch::probeTick() {
    // The scheduler runs this only on a free line.
    const std::uint8_t address = session_.state().stationAddress;
    session_.worker().run<ProbeOutcome>(
        this, session_.device(),
        [address](LinkJob& job) {
            ProbeOutcome out;
            out.opened = job.open().ok();
            if (out.opened) out.probe = vorsan::probeLine(job.link(), address);
            job.close();
            return out;
        },
        [this, address](ProbeOutcome& out) { applyProbe(out, address); });
}

void LineWatch::applyProbe(const ProbeOutcome& out, std::uint8_t address) {
    if (!out.opened) return; // the previous state stays
    WindowState& state = session_.state();
    LiveWindow& window = session_.window();
    ConnectionIndicator* indicator = window.indicator();
    PageTabs* pages = window.pages();
    vorsan::CommandTable& table = session_.table();
    const auto switchPoll = [this](ControllerGeneration to) {
        if (session_.onCurrentStatePage()) session_.scheduler().startPoll(to);
    };

    state.recorderCount = out.probe.recorderCount;
    switch (out.probe.device) {
    case LineDevice::Gen3Controller:
        pages->setRecorderTabVisible(false);
        indicator->setNoConnectionShown(false);
        indicator->setConnectedHint(kStationHint);
        table.lineState(vorsan::LineState::Gen3Station);
        state.gen3Variant = vorsan::variantForTypeCode(out.probe.typeCode);
        window.setStationListVisible(false);
        if (bindReadJournal) bindReadJournal(ControllerGeneration::Gen3);
        state.connectedGeneration = ControllerGeneration::Gen3;
        switchPoll(ControllerGeneration::Gen3);
        return;
    case LineDevice::Recorder: {
        window.setStationListVisible(false);
        indicator->setNoConnectionShown(false);
        indicator->setConnectedHint(kRecorderHint);
        const bool wasHidden = !pages->recorderTabVisible();
        pages->setRecorderTabVisible(true);
        table.lineState(vorsan::LineState::Recorder);
        if (wasHidden) emit recorderAppeared();
        return;
    }
    case LineDevice::Gen4Station:
    case LineDevice::Nothing:
        break;
    }
    state.pad = out.probe.pad;
    state.well = out.probe.well;
    pages->setRecorderTabVisible(false);
    if (out.probe.device == LineDevice::Nothing) {
        // A station that answers with its pad or well unset is listed with the numbers as they
        // are, although the line counts as no station.
        if (out.probe.padWellAnswered) session_.enterStation(out.probe.pad, out.probe.well, address);
        indicator->setNoConnectionShown(true);
        indicator->setNoConnectionHint(kNoStationHint);
        table.lineState(vorsan::LineState::Nothing);
        return;
    }
    session_.enterStation(out.probe.pad, out.probe.well, address);
    indicator->setNoConnectionShown(false);
    indicator->setConnectedHint(kStationHint);
    table.lineState(vorsan::LineState::Gen4Station);
    if (bindReadJournal) bindReadJournal(ControllerGeneration::Gen4);
    state.connectedGeneration = ControllerGeneration::Gen4;
    switchPoll(ControllerGeneration::Gen4);
}

// ---- current-state polls ----------------------------------------------------------------------

void LineWatch::pollTick(ControllerGeneration generation) {
    LiveWindow& window = session_.window();
    if (generation == ControllerGeneration::Gen4 &&
        (window.indicator()->noConnectionShown() || window.pages()->recorderTabVisible())) {
        session_.scheduler().stopPoll();
        return;
    }
    window.status()->setActivity(kReadingState);
    const std::uint8_t address = session_.state().stationAddress;
    session_.worker().run<PollOutcome>(
        this, session_.device(),
        [address, generation](LinkJob& job) {
            PollOutcome out;
            const vorsan::OpenResult opened = job.open();
            out.opened = opened.ok();
            if (!out.opened) {
                // Generation 3 polls fail silently on a port that does not open.
                if (generation == ControllerGeneration::Gen4)
                    out.openFailure = QString::fromStdString(vorsan::openFailureMessage(opened));
                return out;
            }
            out.read = generation == ControllerGeneration::Gen4
                           ? vorsan::readCurrentState4(job.link(), address)
                           : vorsan::readCurrentState3(job.link());
            job.close();
            return out;
        },
        [this, generation](PollOutcome& out) { applyPoll(out, generation); });
}

void LineWatch::applyPoll(const PollOutcome& out, ControllerGeneration generation) {
    LiveWindow& window = session_.window();
    StatusPanels* status = window.status();
    // An open failure or a request that could not be written has a message box ("Ошибка записи в
    // порт"); other failures show in the status bar alone.
    const QString message = !out.openFailure.isEmpty()
                                ? out.openFailure
                                : QString::fromStdString(vorsan::currentStateReadMessage(generation, out.read.error));
    if (!message.isEmpty()) {
        // The poll rests while its message is up, so that messages do not pile up every 2 s.
        session_.scheduler().setPollResting(true);
        session_.showError(QStringLiteral("Error"), message);
        session_.scheduler().setPollResting(false);
    }
    if (!out.opened || !out.read.ok()) {
        status->setActivity(kStateReadFailed);
        startStop_->setEnabled(false);
        return;
    }
    window.showCurrentState(out.read.state);
    const auto& s = out.read.state;
    if (s.padNumber != vorsan::kUnknown16 && s.wellNumber != vorsan::kUnknown16)
        status->setWell(QStringLiteral("куст №%1  скважина №%2").arg(s.padNumber).arg(s.wellNumber));
    startStop_->setEnabled(true);
}

void LineWatch::currentPageChanged(int index) {
    const bool shown = index == kCurrentStatePage;
    if (shown == pageShown_) return;
    pageShown_ = shown;
    StatusPanels* status = session_.window().status();
    if (shown) {
        status->clear();
        session_.scheduler().startPoll(session_.state().connectedGeneration, true);
    } else {
        status->setActivity({});
        session_.stopPolls();
    }
}

// ---- start/stop ---------------------------------------------------------------------------------

void LineWatch::startStop() {
    if (session_.commandRunning()) return;
    const bool start = startStop_->text() != kStopCaption;
    const ControllerGeneration generation = session_.state().connectedGeneration;
    const std::uint8_t address = session_.state().stationAddress;
    struct Outcome {
        vorsan::OpenResult opened;
        LinkError error = LinkError::None;
    };
    session_.command<Outcome>(
        {},
        [=](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] {
                out.error = generation == ControllerGeneration::Gen4
                                ? vorsan::startStop4(job.link(), address, start)
                                : vorsan::startStop3(job.link(), start);
            });
            return out;
        },
        [this, generation](Outcome& out) {
            if (!out.opened.ok()) {
                session_.showOpenFailure(out.opened);
            } else if (out.error == LinkError::Write_Error) {
                session_.showError(QStringLiteral("Error"), QStringLiteral("Ошибка записи в порт"));
            } else {
                session_.scheduler().startPoll(generation);
            }
            session_.finish();
        });
}
