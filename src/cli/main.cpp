// vorsan-cli: the core's functions for scripts and batch work.
#include "command.h"

#include <iostream>

using namespace vorsan::cli;

int main(int argc, char** argv) {
    CLI::App app{"vorsan-cli: the core's functions for scripts and batch work", "vorsan-cli"};
    app.require_subcommand(1);
    // Options of the root (--decimal-separator) may follow the command's own.
    app.fallthrough();
    addCommonOptions(app);
    for (auto add : {addFileCommands, addLinkCommands, addRecorderCommands, addDatabaseCommands, addWellCommands,
                     addReportCommands, addChartCommands, addStatsCommands, addSyncCommands,
                     addVersionCommand})
        add(app);

    if (argc < 2) {
        std::cerr << app.help();
        return kUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) { // --help
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return fail(std::string(e.what()) + " (see vorsan-cli --help)", kUsage);
    }
    const auto& run = chosenRun();
    if (!run) return fail("no command given (see vorsan-cli --help)", kUsage);
    return run();
}
