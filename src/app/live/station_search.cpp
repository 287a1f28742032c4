#include "live/station_search.h"

#include "dialogs/progress_window.h"
#include "live/live_session.h"
#include "live/live_window.h"
#include "shared/commands.h"
#include "shared/connection_indicator.h"
#include "shared/window_state.h"

#include "shell/command_table.h"

using vorsan::Command;
using vorsan::LinkError;
using vorsan::SearchDirection;

namespace {

constexpr int kHighestAddress = 247;
const QString kSearchCaption = QStringLiteral("Поиск устройства в сети...");

} // namespace

StationSearch::StationSearch(LiveSession& session) : QObject(&session), session_(session) {
    CommandSet& commands = session_.window().commands();
    commands.bind(Command::SearchDevice, [this] { searchDevice(); });
    commands.bind(Command::SearchNext, [this] { searchNext(); });
    commands.bind(Command::SearchPrevious, [this] { searchPrevious(); });
}

void StationSearch::searchDevice() {
    search(Kind::All);
}

void StationSearch::searchNext() {
    search(Kind::Next);
}

void StationSearch::searchPrevious() {
    search(Kind::Previous);
}

void StationSearch::search(Kind kind) {
    if (session_.commandRunning()) return;
    const int current = session_.state().stationAddress;
    const int first = kind == Kind::All ? 1 : kind == Kind::Next ? current + 1 : current - 1;
    const SearchDirection direction = kind == Kind::Previous ? SearchDirection::Down : SearchDirection::Up;

    ProgressLook look;
    look.caption = kSearchCaption;
    look.cancellable = true;
    // The core reports each address before it tries it; the bar stands at the addresses done.
    look.position = [first, direction](int address, int) {
        return direction == SearchDirection::Up ? address - first : first - address;
    };
    // A report of an address after the first says that the one before it did not answer.
    look.observe = [this, kind, first](int address, int) {
        if (address != first) absent(kind);
    };
    session_.command<Outcome>(
        look,
        [first, direction](LinkJob& job) {
            Outcome out;
            out.opened = job.openAndRun([&] {
                out.search = vorsan::searchStations(job.link(), first, direction, job.progress());
                if (out.search.found) out.padWell = vorsan::readPadWell(job.link(), *out.search.found);
            });
            return out;
        },
        [this, kind, first](Outcome& out) { finished(kind, first, out); });
}

void StationSearch::finished(Kind kind, int first, Outcome& out) {
    if (!out.opened.ok()) {
        session_.showOpenFailure(out.opened);
        session_.finish();
        return;
    }
    const auto startPoll = [this] {
        if (session_.onCurrentStatePage()) session_.scheduler().startPoll(vorsan::ControllerGeneration::Gen4);
    };
    if (out.search.cancelled) {
        session_.table().set(Command::SearchDevice, true);
        startPoll();
        session_.finish();
        return;
    }
    if (out.search.error == LinkError::Write_Error) {
        session_.showError(QStringLiteral("Error"), QStringLiteral("Ошибка записи в порт"));
        session_.finish();
        return;
    }
    if (out.search.found) {
        present(kind, *out.search.found, out.padWell);
        startPoll();
        session_.finish();
        return;
    }
    // The range is exhausted: the last address tried did not answer either.
    const bool triedAny = first >= 1 && first <= kHighestAddress;
    if (triedAny) absent(kind);
    if (triedAny && kind == Kind::Next)
        session_.showError(QStringLiteral("Error"), QStringLiteral("Больше устройств в сети не обнаружено"));
    if (triedAny && kind == Kind::Previous)
        session_.showError(QStringLiteral("Error"),
                           QStringLiteral("Устройство с меньшим адресом в сети не обнаружено"));
    session_.finish();
}

void StationSearch::absent(Kind kind) {
    vorsan::CommandTable& table = session_.table();
    table.set(vorsan::kStationCommands, false);
    table.set({Command::SearchNext, Command::SearchDevice, Command::SearchPrevious}, false);
    if (kind == Kind::All) {
        // Only the search from address 1 says that no station answers at all.
        ConnectionIndicator* indicator = session_.window().indicator();
        indicator->setNoConnectionShown(true);
        indicator->setNoConnectionHint(QStringLiteral("Нет соединения со станцией"));
    }
}

void StationSearch::present(Kind kind, std::uint8_t n, const vorsan::PadWellReply& padWell) {
    WindowState& state = session_.state();
    vorsan::CommandTable& table = session_.table();
    state.stationAddress = n;
    ConnectionIndicator* indicator = session_.window().indicator();
    indicator->setNoConnectionShown(false);
    indicator->setConnectedHint(QStringLiteral("Есть соединение со станцией: %1").arg(n));
    table.set(vorsan::kStationCommands, true);
    switch (kind) {
    case Kind::All:
        table.set(Command::SearchNext, n != kHighestAddress);
        if (n == 1) table.set(Command::SearchPrevious, false);
        break;
    case Kind::Next:
        table.set(Command::SearchNext, n != kHighestAddress);
        table.set(Command::SearchPrevious, true);
        break;
    case Kind::Previous:
        break;
    }
    if (padWell.error == LinkError::Write_Error) return;
    state.pad = padWell.pad;
    state.well = padWell.well;
    if (padWell.valid) session_.enterStation(padWell.pad, padWell.well, n);
}
