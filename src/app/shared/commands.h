#pragma once
// The window's commands as actions: captions, shortcuts, hints and icons written once, their
// enabled state taken from the one CommandTable, and the code each runs bound by whoever owns it.
#include "shell/command_table.h"
#include "shared/data_source.h"

#include <QAction>
#include <QObject>

#include <array>
#include <functional>

// Menu items and tool buttons that several commands share: the page shown decides which command
// they run (the journal page points them at the journal commands, the settings page at
// "Печать уставок", ...). A slot action mirrors its target's caption, hint, icon and state.
enum class CommandSlot { Print, Export, SaveText };

class CommandSet : public QObject {
    Q_OBJECT
public:
    explicit CommandSet(QObject* parent = nullptr);

    QAction* action(vorsan::Command c) const { return actions_[index(c)]; }
    QAction* slotAction(CommandSlot s) const { return slots_[slotIndex(s)].action; }
    vorsan::Command slotTarget(CommandSlot s) const { return slots_[slotIndex(s)].target; }

    // The one table that decides which commands are enabled. Changing it updates the actions.
    vorsan::CommandTable& table() { return table_; }
    const vorsan::CommandTable& table() const { return table_; }

    // What a command runs (replacing what it ran before: e.g. the read-journal command runs the
    // generation 3 or generation 4 transfer, as the probe decides). Unbound commands do nothing.
    void bind(vorsan::Command c, std::function<void()> handler);

    // Points a shared menu item and tool button at another command.
    void retarget(CommandSlot s, vorsan::Command target);

    // Window data or the database well: what the shared print, export, text-export, graph and
    // diagram functions work on (the database tab switches it).
    DataSource& dataSource() { return dataSource_; }

    // The Russian caption of a command (also its hint).
    static QString caption(vorsan::Command c);

private:
    struct Slot {
        QAction* action = nullptr;
        vorsan::Command target{};
    };
    static std::size_t index(vorsan::Command c) { return static_cast<std::size_t>(c); }
    static std::size_t slotIndex(CommandSlot s) { return static_cast<std::size_t>(s); }
    void mirror(CommandSlot s);

    vorsan::CommandTable table_;
    DataSource dataSource_;
    std::array<QAction*, vorsan::kCommandCount> actions_{};
    std::array<std::function<void()>, vorsan::kCommandCount> handlers_{};
    std::array<Slot, 3> slots_{};
};
