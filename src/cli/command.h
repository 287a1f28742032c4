#pragma once
// vorsan-cli: the command line is parsed by CLI11; the commands live in one file per group.
//
// Adding a group of commands:
//   1. Write src/cli/cli_<group>.cpp with one function `void add<Group>Commands(CLI::App& app)`.
//      For each command it calls `command(app, "name", "what it does")` (or on a parent made
//      with `group(app, "db", ...)` for two-word commands such as "db init"), declares the
//      arguments and typed options on the returned CLI::App (ranges with ->check(CLI::Range(..)),
//      choices with ->check(CLI::IsMember(..)), ->required()), keeping their values in a struct
//      held by a std::shared_ptr, and gives `onRun(cmd, [opts] { ... return status; })`.
//   2. Declare the function below and add it to the list in main.cpp.
// The run function is called only when the whole command line parsed; it returns the exit status.
// Usage errors found by CLI11 exit with 2 before anything runs; --help works on every command.
#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace vorsan::cli {

// Exit statuses of every command.
enum Status : int {
    kDone = 0,
    kFailure = 1,
    kUsage = 2,
    kNothingFound = 3,
    kRefused = 4,
};

// A command (a subcommand of `parent`): its options and arguments are declared on the result.
CLI::App* command(CLI::App& parent, const std::string& name, const std::string& summary);
// A word that groups commands ("db", "recorder"): exactly one of its commands must follow.
CLI::App* group(CLI::App& parent, const std::string& name, const std::string& summary);
// What runs when the user chose `cmd` and the command line parsed.
void onRun(CLI::App* cmd, std::function<int()> run);
// The run function of the command chosen on the parsed command line (empty if none).
const std::function<int()>& chosenRun();

// Decimal separator for printed numbers: --decimal-separator C (an option every command takes),
// else the user's locale.
char decimalSeparator();
// Adds the options every command takes to the root.
void addCommonOptions(CLI::App& app);

// Prints "vorsan-cli: <text>" on stderr and returns the exit status 1 (or the one given).
int fail(const std::string& text, int status = kFailure);

// The groups, one file each.
void addFileCommands(CLI::App& app);     // show, text                             cli_file.cpp
void addLinkCommands(CLI::App& app);     // probe, state, read-*, write-settings...  cli_link.cpp
void addRecorderCommands(CLI::App& app); // recorder list|download|clear          cli_recorder.cpp
void addDatabaseCommands(CLI::App& app); // db init, dbf dump|check                cli_db.cpp
// db add|wells|fields|find|show|text|delete-well|save-well|add-well|archive|update-from
// (on the "db" group made by addDatabaseCommands, so it is added after it)  cli_wells.cpp
void addWellCommands(CLI::App& app);
void addReportCommands(CLI::App& app);   // print, export                           cli_report.cpp
void addChartCommands(CLI::App& app);    // series, diagram                         cli_charts.cpp
void addVersionCommand(CLI::App& app);   // version                                cli_version.cpp
// stats, db stats (on the "db" group, so it is added after addDatabaseCommands)  cli_stats.cpp
void addStatsCommands(CLI::App& app);
// db server-init, db sync (on the "db" group)                                     cli_sync.cpp
void addSyncCommands(CLI::App& app);

} // namespace vorsan::cli
