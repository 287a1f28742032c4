// vorsan-cli version.
#include "command.h"

#include <iostream>

namespace vorsan::cli {

void addVersionCommand(CLI::App& app) {
    onRun(command(app, "version", "prints the program's version"), [] {
        std::cout << "vorsan-cli 4.074\n";
        return 0;
    });
}

} // namespace vorsan::cli
