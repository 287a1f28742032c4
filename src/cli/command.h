#pragma once
// vorsan-cli: one subcommand per source file, each registering itself with VORSAN_CLI_COMMAND.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorsan::cli {

// Options after the command word: "--name value", "--flag", "-o value"; everything else is a
// positional argument. Which options take a value is declared by the command.
class Args {
public:
    // valueOptions: options that take a value ("--port", "-o"); flags are all other "--x".
    Args(const std::vector<std::string>& argv, const std::vector<std::string>& valueOptions);

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    const std::vector<std::string>& positional() const { return positional_; }
    bool flag(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    // Integer option; sets an error text when the value is not a number in [lo, hi].
    std::optional<long> number(const std::string& name, long lo, long hi, std::string& err) const;
    // Names the options that were given but that the command does not know.
    std::vector<std::string> unknown(const std::vector<std::string>& knownFlags) const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> flags_;
    std::string error_;
};

struct Command {
    std::string name;     // "show", "db init", "recorder list": words matched from the start
    std::string usage;    // one line: arguments and options
    std::string summary;  // one line: what it does
    std::vector<std::string> valueOptions;
    std::function<int(const Args&)> run;  // returns the exit status
};

std::vector<Command>& registry();

struct Registrar {
    explicit Registrar(Command c) { registry().push_back(std::move(c)); }
};

// Decimal separator for printed numbers: --decimal-separator C, else the user's locale.
char decimalSeparator(const Args& args);

// Prints "vorsan-cli: <text>" on stderr and returns the exit status 1 (or the one given).
int fail(const std::string& text, int status = 1);

} // namespace vorsan::cli

#define VORSAN_CLI_CONCAT2(a, b) a##b
#define VORSAN_CLI_CONCAT(a, b) VORSAN_CLI_CONCAT2(a, b)
#define VORSAN_CLI_COMMAND(...) \
    static const ::vorsan::cli::Registrar VORSAN_CLI_CONCAT(cliRegistrar_, __LINE__){::vorsan::cli::Command __VA_ARGS__}
