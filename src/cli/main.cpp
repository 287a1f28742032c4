// vorsan-cli: the core's functions for scripts and batch work.
#include "command.h"

#include <algorithm>
#include <iostream>
#include <sstream>

using namespace vorsan::cli;

namespace {

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

void printHelp(std::ostream& out) {
    out << "Usage: vorsan-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n"
           "Commands:\n";
    auto commands = registry();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    for (const auto& c : commands) {
        out << "  " << c.name;
        if (!c.usage.empty()) out << ' ' << c.usage;
        out << "\n      " << c.summary << '\n';
    }
    out << "\nOptions every command takes:\n"
           "  --decimal-separator C   decimal separator of printed numbers (default: the locale's)\n"
           "  --help                  this text\n";
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty() || all[0] == "--help" || all[0] == "-h" || all[0] == "help") {
        printHelp(all.empty() ? std::cerr : std::cout);
        return all.empty() ? 2 : 0;
    }
    // The longest command name whose words begin the argument list.
    const Command* best = nullptr;
    std::size_t bestWords = 0;
    for (const auto& c : registry()) {
        const auto w = words(c.name);
        if (w.size() <= all.size() && std::equal(w.begin(), w.end(), all.begin()) && w.size() > bestWords) {
            best = &c;
            bestWords = w.size();
        }
    }
    if (best == nullptr) {
        std::cerr << "vorsan-cli: unknown command '" << all[0] << "' (see vorsan-cli --help)\n";
        return 2;
    }
    std::vector<std::string> rest(all.begin() + static_cast<long>(bestWords), all.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        std::cout << "Usage: vorsan-cli " << best->name << ' ' << best->usage << "\n  " << best->summary << '\n';
        return 0;
    }
    Args args(rest, best->valueOptions);
    if (!args.ok()) return fail(args.error(), 2);
    return best->run(args);
}
