#pragma once
// What the commands on the well database share (defined in cli_wells.cpp).
#include "wells/well_database_state.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorsan::cli {

// The window's database directory: "bd" beside the program when the program's directory takes
// files and is not an installed one, else in the user's data directory.
std::string defaultDatabaseDir();
// Opens the database of --db (the window's when empty); nullptr and the exit status on failure.
std::unique_ptr<wells::WellDatabase> openWellDatabase(const std::string& dir, int& status);
// Prints what an operation could not do and returns the exit status 1.
int refused(const wells::Outcome& o);
// The well of the arguments FIELD PAD WELL when the database has it, else nullopt and the exit
// status (2 for numbers that are not numbers, 3 for a well that is not there).
std::optional<wells::WellId> wellArgument(const std::vector<std::string>& id, wells::WellDatabase& d,
                                          int& status);

} // namespace vorsan::cli
