#include "window/command_lists.h"

#include "shared/commands.h"

#include <QMenu>
#include <QToolBar>

using vorsan::Command;

namespace {

// One entry of a menu or tool bar: a command, a shared slot, or a separator.
struct Entry {
    enum Kind { Cmd, Slot, Separator } kind;
    Command command = Command::Exit;
    CommandSlot slot = CommandSlot::Print;
};
constexpr Entry cmd(Command c) {
    return {Entry::Cmd, c, CommandSlot::Print};
}
constexpr Entry slot(CommandSlot s) {
    return {Entry::Slot, Command::Exit, s};
}
constexpr Entry sep() {
    return {Entry::Separator};
}

const Entry kFileMenu[] = {cmd(Command::OpenJournal),
                           cmd(Command::SaveJournal),
                           slot(CommandSlot::SaveText),
                           sep(),
                           cmd(Command::ReadJournal),
                           sep(),
                           slot(CommandSlot::Print),
                           slot(CommandSlot::Export),
                           sep(),
                           cmd(Command::Exit)};
const Entry kSettingsMenu[] = {cmd(Command::ClearChronology), cmd(Command::Parameters)};
const Entry kSetpointsMenu[] = {cmd(Command::LoadSettingsFile), cmd(Command::ReadSettings),
                                cmd(Command::SaveSettingsFile), cmd(Command::WriteSettings)};
const Entry kDatabaseMenu[] = {cmd(Command::AddWellFromFile),
                               cmd(Command::SaveWellToFile),
                               sep(),
                               cmd(Command::DeleteWell),
                               sep(),
                               cmd(Command::FindWell),
                               sep(),
                               cmd(Command::RestoreDatabase),
                               cmd(Command::ArchiveDatabase),
                               sep(),
                               cmd(Command::SyncWithServer)};
const Entry kHelpMenu[] = {cmd(Command::Help), sep(), cmd(Command::About)};
const Entry kToolBar[] = {cmd(Command::OpenJournal),
                          cmd(Command::SaveJournal),
                          slot(CommandSlot::SaveText),
                          sep(),
                          cmd(Command::ReadJournal),
                          sep(),
                          slot(CommandSlot::Print),
                          slot(CommandSlot::Export),
                          sep(),
                          cmd(Command::ClearChronology),
                          cmd(Command::LoadSettingsFile),
                          cmd(Command::ReadSettings),
                          cmd(Command::SaveSettingsFile),
                          cmd(Command::WriteSettings),
                          sep(),
                          cmd(Command::OpenDatabase),
                          sep(),
                          cmd(Command::SearchPrevious),
                          cmd(Command::SearchDevice),
                          cmd(Command::SearchNext),
                          sep()};

template <class Container, std::size_t N>
void addEntries(Container* to, CommandSet& commands, const Entry (&entries)[N]) {
    for (const auto& e : entries) {
        switch (e.kind) {
        case Entry::Cmd:
            to->addAction(commands.action(e.command));
            break;
        case Entry::Slot:
            to->addAction(commands.slotAction(e.slot));
            break;
        case Entry::Separator:
            to->addSeparator();
            break;
        }
    }
}

template <class Container> void addList(Container* to, CommandSet& commands, CommandList list) {
    switch (list) {
    case CommandList::FileMenu:
        return addEntries(to, commands, kFileMenu);
    case CommandList::SettingsMenu:
        return addEntries(to, commands, kSettingsMenu);
    case CommandList::SetpointsMenu:
        return addEntries(to, commands, kSetpointsMenu);
    case CommandList::DatabaseMenu:
        return addEntries(to, commands, kDatabaseMenu);
    case CommandList::HelpMenu:
        return addEntries(to, commands, kHelpMenu);
    case CommandList::ToolBar:
        return addEntries(to, commands, kToolBar);
    }
}

} // namespace

void addCommands(QMenu* to, CommandSet& commands, CommandList list) {
    addList(to, commands, list);
}

void addCommands(QToolBar* to, CommandSet& commands, CommandList list) {
    addList(to, commands, list);
}
