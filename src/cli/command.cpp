#include "command.h"

#include "text/number_format.h"

#include <algorithm>
#include <charconv>
#include <iostream>

namespace vorsan::cli {

std::vector<Command>& registry() {
    static std::vector<Command> commands;
    return commands;
}

Args::Args(const std::vector<std::string>& argv, const std::vector<std::string>& valueOptions) {
    // Options that every command accepts.
    std::vector<std::string> takesValue = valueOptions;
    takesValue.push_back("--decimal-separator");
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.size() > 1 && a[0] == '-' && a != "-") {
            std::string name = a;
            std::optional<std::string> inlineValue;
            if (const auto eq = a.find('='); a.starts_with("--") && eq != std::string::npos) {
                name = a.substr(0, eq);
                inlineValue = a.substr(eq + 1);
            }
            if (std::find(takesValue.begin(), takesValue.end(), name) != takesValue.end()) {
                if (inlineValue) {
                    values_[name] = *inlineValue;
                } else if (i + 1 < argv.size()) {
                    values_[name] = argv[++i];
                } else {
                    error_ = "option " + name + " needs a value";
                    return;
                }
            } else {
                flags_.push_back(name);
            }
        } else {
            positional_.push_back(a);
        }
    }
}

bool Args::flag(const std::string& name) const {
    return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

std::optional<std::string> Args::value(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::optional<long> Args::number(const std::string& name, long lo, long hi, std::string& err) const {
    const auto v = value(name);
    if (!v) return std::nullopt;
    long n = 0;
    const auto [p, ec] = std::from_chars(v->data(), v->data() + v->size(), n);
    if (ec != std::errc() || p != v->data() + v->size() || n < lo || n > hi) {
        err = name + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        return std::nullopt;
    }
    return n;
}

std::vector<std::string> Args::unknown(const std::vector<std::string>& knownFlags) const {
    std::vector<std::string> out;
    for (const auto& f : flags_)
        if (std::find(knownFlags.begin(), knownFlags.end(), f) == knownFlags.end()) out.push_back(f);
    return out;
}

char decimalSeparator(const Args& args) {
    if (const auto v = args.value("--decimal-separator"); v && v->size() == 1) return (*v)[0];
    return localeDecimalSeparator();
}

int fail(const std::string& text, int status) {
    std::cerr << "vorsan-cli: " << text << '\n';
    return status;
}

} // namespace vorsan::cli
