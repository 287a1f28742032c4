#include "command.h"

#include "text/number_format.h"

#include <iostream>

namespace vorsan::cli {
namespace {

std::function<int()>& chosen() {
    static std::function<int()> run;
    return run;
}

std::string& separatorOption() {
    static std::string value;
    return value;
}

} // namespace

CLI::App* command(CLI::App& parent, const std::string& name, const std::string& summary) {
    return parent.add_subcommand(name, summary);
}

CLI::App* group(CLI::App& parent, const std::string& name, const std::string& summary) {
    CLI::App* g = parent.add_subcommand(name, summary);
    g->require_subcommand(1);
    return g;
}

void onRun(CLI::App* cmd, std::function<int()> run) {
    // CLI11 calls back once the command's arguments are taken; the command itself runs from main
    // after the whole line parsed, so a usage error later on the line stops it from running.
    cmd->callback([run = std::move(run)] { chosen() = run; });
}

const std::function<int()>& chosenRun() {
    return chosen();
}

void addCommonOptions(CLI::App& app) {
    app.add_option("--decimal-separator", separatorOption(),
                   "decimal separator of printed numbers (default: the locale's)")
        ->type_name("C");
}

char decimalSeparator() {
    if (const std::string& v = separatorOption(); v.size() == 1) return v[0];
    return localeDecimalSeparator();
}

int fail(const std::string& text, int status) {
    std::cerr << "vorsan-cli: " << text << '\n';
    return status;
}

} // namespace vorsan::cli
