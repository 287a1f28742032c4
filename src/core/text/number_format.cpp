#include "text/number_format.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace vorsan {
namespace {

std::string withSeparator(std::string s, char separator) {
    for (char& c : s)
        if (c == '.') c = separator;
    return s;
}

} // namespace

std::string formatFixed(double value, int decimals, char separator) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    // std::to_chars writes a point whatever the global locale; the caller's separator replaces it.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                 decimals < 0 ? 0 : decimals);
    std::string s(buf, r.ec == std::errc() ? r.ptr : buf);
    if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return withSeparator(std::move(s), separator);
}

std::string formatGeneral(double value, char separator) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    if (value == 0) return "0";
    // 15 significant digits, as the extended-to-text conversion of the original platform shows them.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string s(buf, r.ec == std::errc() ? r.ptr : buf);
    for (char& c : s)
        if (c == 'e') c = 'E';
    const auto e = s.find('E');
    std::string mant = e == std::string::npos ? s : s.substr(0, e);
    const std::string exp = e == std::string::npos ? std::string() : s.substr(e);
    if (mant.find('.') != std::string::npos) {
        while (!mant.empty() && mant.back() == '0') mant.pop_back();
        if (!mant.empty() && mant.back() == '.') mant.pop_back();
    }
    return withSeparator(mant + exp, separator);
}

std::optional<double> parseDecimal(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    std::string s(text);
    for (char& c : s)
        if (c == ',') c = '.';
    const char* first = s.data();
    if (*first == '+') ++first;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(first, s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

char localeDecimalSeparator() {
    const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
    for (const char* n : names) {
        const char* v = std::getenv(n);
        if (v == nullptr || *v == '\0') continue;
        locale_t loc = newlocale(LC_NUMERIC_MASK, v, static_cast<locale_t>(nullptr));
        if (loc == static_cast<locale_t>(nullptr)) {
            // The locale is not generated on this machine; Russian and most European ones use ','.
            const std::string_view name(v);
            if (name.starts_with("ru") || name.starts_with("uk") || name.starts_with("de") ||
                name.starts_with("fr") || name.starts_with("be") || name.starts_with("kk"))
                return ',';
            return '.';
        }
        const char* point = nl_langinfo_l(RADIXCHAR, loc);
        const char sep = (point != nullptr && *point != '\0') ? *point : '.';
        freelocale(loc);
        return sep;
    }
    return '.';
}

} // namespace vorsan
