#include "shell/command_table.h"

namespace vorsan {

CommandTable::CommandTable() {
    enabled_.fill(true);
    for (auto c : kStationCommands)
        enabled_[index(c)] = false;
    for (auto c : kJournalCommands)
        enabled_[index(c)] = false;
    for (auto c : kNeighbourSearchCommands)
        enabled_[index(c)] = false;
    for (auto c : kWellCommands)
        enabled_[index(c)] = false;
    for (auto c : kDatabaseJournalCommands)
        enabled_[index(c)] = false;
}

void CommandTable::set(Command c, bool on) {
    auto& slot = enabled_[index(c)];
    if (slot == on) return;
    slot = on;
    if (listener_) listener_(c, on);
}

void CommandTable::lineState(LineState state) {
    switch (state) {
    case LineState::Gen3Station:
        set(kStationCommands, true);
        set(Command::SearchDevice, false);
        break;
    case LineState::Gen4Station:
        set(kStationCommands, true);
        break;
    case LineState::Recorder:
        set(kNeighbourSearchCommands, false);
        set(Command::SearchDevice, false);
        break;
    case LineState::Nothing:
        set(kStationCommands, false);
        set(Command::SearchDevice, true);
        break;
    }
}

} // namespace vorsan
