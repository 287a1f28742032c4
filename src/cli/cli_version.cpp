#include "command.h"

#include <iostream>

VORSAN_CLI_COMMAND({"version", "", "prints the program's version", {}, [](const vorsan::cli::Args&) {
    std::cout << "vorsan-cli 4.074\n";
    return 0;
}});
