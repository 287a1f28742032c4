#include "settings/value_text.h"

#include <cstdio>
#include <limits>

#include "settings/settings_block.h"
#include "text/number_format.h"

namespace vorsan {
namespace {

constexpr std::string_view kHourLetter = "ч";
constexpr std::string_view kMinuteLetters = "мин";
constexpr std::size_t kMaxIntegerDigits = 9; // keeps hours × 60 + minutes far from overflow

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A whole number as typed in a time part: optional sign and digits; "" counts as 0.
std::optional<std::int64_t> parseTimePart(std::string_view s) {
    if (s.empty()) return 0;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > kMaxIntegerDigits) return std::nullopt;
    std::int64_t v = 0;
    for (const char c : s) {
        if (!isDigit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return negative ? -v : v;
}

// A decimal number as typed: digits × 10^-fractionDigits, with its sign.
struct TypedDecimal {
    bool negative = false;
    std::uint64_t digits = 0;
    int fractionDigits = 0;
    bool huge = false; // more integer digits than any setting can hold
};

// Optional sign, digits, optional comma and digits, at least one digit. Kept as exact decimal
// digits: a typed 0,53 must give 53 hundredths, which a binary fraction cannot promise.
std::optional<TypedDecimal> parseCommaDecimal(std::string_view s) {
    TypedDecimal d;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        d.negative = s.front() == '-';
        s.remove_prefix(1);
    }
    constexpr std::uint64_t kDigitsLimit = 100000000000000000ULL; // 10^17: room for × scale
    int count = 0;
    bool comma = false;
    for (const char c : s) {
        if (c == ',' && !comma) {
            comma = true;
            continue;
        }
        if (!isDigit(c)) return std::nullopt;
        ++count;
        if (d.digits < kDigitsLimit) {
            d.digits = d.digits * 10 + static_cast<std::uint64_t>(c - '0');
            if (comma) ++d.fractionDigits;
        } else if (!comma) {
            d.huge = true; // further fraction digits cannot change the truncated value
        }
    }
    if (count == 0) return std::nullopt;
    return d;
}

// Integer part, truncated toward zero, of the typed number × scale, computed exactly.
std::int64_t rawFromTyped(const TypedDecimal& d, std::int32_t scale) {
    if (d.huge)
        return d.negative ? std::numeric_limits<std::int64_t>::min()
                          : std::numeric_limits<std::int64_t>::max();
    unsigned __int128 v =
        static_cast<unsigned __int128>(d.digits) * static_cast<std::uint32_t>(scale < 0 ? -scale : scale);
    for (int i = 0; i < d.fractionDigits; ++i)
        v /= 10;
    constexpr auto kMax = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max());
    const auto magnitude = static_cast<std::int64_t>(v > kMax ? kMax : v);
    return (d.negative != (scale < 0)) ? -magnitude : magnitude;
}

// Text without blanks and with its first "." made ",".
std::string normalisedInput(std::string_view text) {
    std::string s;
    for (const char c : text)
        if (c != ' ') s += c;
    if (const std::size_t dot = s.find('.'); dot != std::string::npos) s[dot] = ',';
    return s;
}

// Minutes of a time mask's text "<hours>ч<minutes>мин".
std::optional<std::int64_t> parseTimeInput(std::string_view s) {
    const std::size_t h = s.find(kHourLetter);
    if (h == std::string_view::npos) return std::nullopt;
    std::string_view rest = s.substr(h + kHourLetter.size());
    if (!rest.ends_with(kMinuteLetters)) return std::nullopt;
    rest.remove_suffix(kMinuteLetters.size());
    const auto hours = parseTimePart(s.substr(0, h));
    const auto minutes = parseTimePart(rest);
    if (!hours || !minutes) return std::nullopt;
    return rawFromHoursMinutes(*hours, *minutes);
}

} // namespace

std::optional<std::string> valueText(const SettingDef& def, std::uint16_t raw, char separator) {
    if (raw == kUnknown16) return std::string();
    if (def.editorKind == EditorKind::choice) {
        if (raw >= def.choices.size()) return std::nullopt;
        return def.choices[raw];
    }
    if (def.isTime()) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.1dч %.2dмин", raw / 60, raw % 60);
        return std::string(buf);
    }
    if (def.scale == 1) return std::to_string(raw) + " " + def.unit;
    return formatFixed(shownFromRaw(raw, def), 2, separator) + " " + def.unit;
}

std::optional<std::string> valueText(const SettingDef& def, char separator) {
    return valueText(def, def.value, separator);
}

std::string inputRefusalMessage(const SettingDef& def, char separator) {
    const double scale = def.scale == 0 ? 1.0 : static_cast<double>(def.scale);
    return std::string("Введено неправильное значение") + "\r" + "Должно быть не менее " +
           formatGeneral(def.minRaw / scale, separator) + def.unit + " и не более " +
           formatGeneral(def.maxRaw / scale, separator) + def.unit;
}

SettingInput parseSettingInput(const SettingDef& def, std::string_view text, char separator) {
    const std::string s = normalisedInput(text);
    std::optional<std::int64_t> raw;
    if (def.isTime()) {
        raw = parseTimeInput(s);
    } else if (const auto number = parseCommaDecimal(s)) {
        raw = rawFromTyped(*number, def.scale);
    }
    if (!raw || static_cast<double>(*raw) < def.minRaw || static_cast<double>(*raw) > def.maxRaw ||
        *raw < 0 || *raw > 0xFFFF)
        return {false, 0, inputRefusalMessage(def, separator)};
    return {true, static_cast<std::uint16_t>(*raw), {}};
}

std::optional<std::uint16_t> choiceCommit(const SettingDef& def, int selectedIndex) {
    if (selectedIndex < 0) return std::nullopt;
    if (selectedIndex < def.minRaw || selectedIndex > def.maxRaw) return std::nullopt;
    return static_cast<std::uint16_t>(selectedIndex);
}

} // namespace vorsan
