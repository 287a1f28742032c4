#include "company/row_text.h"

#include "company/pg_session.h"
#include "db/dbf_format.h"

#include <charconv>
#include <cmath>

namespace vorsan::company {

namespace {

void appendNumber(std::string& out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendDigits(std::string& out, int v, int width) {
    char buf[8];
    for (int i = width - 1; i >= 0; --i, v /= 10)
        buf[i] = char('0' + v % 10);
    out.append(buf, std::size_t(width));
}

// Currents keep their tenths, as the table stores them.
long long tenths(double v) {
    return std::llround(v * 10.0);
}

void appendTenths(std::string& out, double v) {
    const long long t = tenths(v);
    if (t < 0) out += '-';
    appendNumber(out, std::llabs(t) / 10);
    out += '.';
    appendNumber(out, std::llabs(t) % 10);
}

template <class T> bool parseNumber(std::string_view s, T& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool parseU16(std::string_view s, std::uint16_t& v) {
    long long n = 0;
    if (!parseNumber(s, n) || n < 0 || n > 0xFFFF) return false;
    v = std::uint16_t(n);
    return true;
}

bool parseU8(std::string_view s, std::uint8_t& v) {
    std::uint16_t n = 0;
    if (!parseU16(s, n) || n > 0xFF) return false;
    v = std::uint8_t(n);
    return true;
}

bool parseMoment(std::string_view s, JournalRecord& r) {
    if (s.size() != 14) return false;
    int part[6];
    const int width[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0, at = 0; i < 6; at += width[i], ++i)
        if (!parseNumber(s.substr(std::size_t(at), std::size_t(width[i])), part[i])) return false;
    r.year = std::uint16_t(part[0]);
    r.month = std::uint8_t(part[1]);
    r.day = std::uint8_t(part[2]);
    r.hour = std::uint8_t(part[3]);
    r.minute = std::uint8_t(part[4]);
    r.second = std::uint8_t(part[5]);
    return true;
}

std::uint64_t mix(std::uint64_t h, std::uint64_t v) {
    // FNV-1a over the eight bytes of v.
    for (int i = 0; i < 8; ++i, v >>= 8) {
        h ^= v & 0xFF;
        h *= 0x100000001b3ull;
    }
    return h;
}

} // namespace

std::optional<std::string> momentText(const JournalRecord& r) {
    if (!db::isCalendarDate(r.year, r.month, r.day) || r.year > 9999 || r.hour > 23 || r.minute > 59 ||
        r.second > 59)
        return std::nullopt;
    std::string s;
    appendDigits(s, r.year, 4);
    s += '-';
    appendDigits(s, r.month, 2);
    s += '-';
    appendDigits(s, r.day, 2);
    s += ' ';
    appendDigits(s, r.hour, 2);
    s += ':';
    appendDigits(s, r.minute, 2);
    s += ':';
    appendDigits(s, r.second, 2);
    return s;
}

bool appendRowLine(std::string& out, const wells::WellId& well, const JournalRecord& r) {
    const auto moment = momentText(r);
    if (!moment) return false;
    appendCopyText(out, well.oilfield);
    for (long long v : {(long long)well.pad, (long long)well.well}) {
        out += '\t';
        appendNumber(out, v);
    }
    out += '\t';
    out += *moment;
    for (long long v : {(long long)r.SOBYTIE, (long long)r.EXT_ZAP, (long long)r.NUM_UST, (long long)r.OLD_ZN,
                        (long long)r.NEW_ZN, (long long)r.UAB, (long long)r.UBC, (long long)r.UCA}) {
        out += '\t';
        appendNumber(out, v);
    }
    for (double v : {r.IA, r.IB, r.IC}) {
        out += '\t';
        appendTenths(out, v);
    }
    for (long long v :
         {(long long)r.ZAGR, (long long)r.SOP, (long long)r.P, (long long)r.T, (long long)r.COS_}) {
        out += '\t';
        appendNumber(out, v);
    }
    out += '\n';
    return true;
}

bool parsePulledRow(std::string_view line, PulledRow& out) {
    const auto f = copyFields(line);
    if (f.size() != 19) return false;
    JournalRecord& r = out.record;
    r = {};
    bool ok = parseNumber(f[0], out.seq) && parseNumber(f[1], out.wellId) && parseMoment(f[2], r) &&
              parseU8(f[3], r.SOBYTIE) && parseU8(f[4], r.EXT_ZAP) && parseU16(f[5], r.NUM_UST) &&
              parseU16(f[6], r.OLD_ZN) && parseU16(f[7], r.NEW_ZN) && parseU16(f[8], r.UAB) &&
              parseU16(f[9], r.UBC) && parseU16(f[10], r.UCA);
    double* currents[3] = {&r.IA, &r.IB, &r.IC};
    for (int i = 0; ok && i < 3; ++i)
        ok = parseNumber(f[std::size_t(11 + i)], *currents[i]);
    return ok && parseU16(f[14], r.ZAGR) && parseU16(f[15], r.SOP) && parseU16(f[16], r.P) &&
           parseU16(f[17], r.T) && parseU16(f[18], r.COS_);
}

std::uint64_t rowHash(const JournalRecord& r) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    h = mix(h, (std::uint64_t(r.year) << 40) | (std::uint64_t(r.month) << 32) | (std::uint64_t(r.day) << 24) |
                   (std::uint64_t(r.hour) << 16) | (std::uint64_t(r.minute) << 8) | r.second);
    h = mix(h, (std::uint64_t(r.SOBYTIE) << 56) | (std::uint64_t(r.EXT_ZAP) << 48) |
                   (std::uint64_t(r.NUM_UST) << 32) | (std::uint64_t(r.OLD_ZN) << 16) | r.NEW_ZN);
    h = mix(h, (std::uint64_t(r.UAB) << 32) | (std::uint64_t(r.UBC) << 16) | r.UCA);
    h = mix(h, std::uint64_t(tenths(r.IA)));
    h = mix(h, std::uint64_t(tenths(r.IB)));
    h = mix(h, std::uint64_t(tenths(r.IC)));
    h = mix(h,
            (std::uint64_t(r.ZAGR) << 48) | (std::uint64_t(r.SOP) << 32) | (std::uint64_t(r.P) << 16) | r.T);
    return mix(h, r.COS_);
}

std::string settingsArray(const std::vector<std::uint16_t>& values) {
    std::string s = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) s += ',';
        appendNumber(s, values[i]);
    }
    return s + "}";
}

std::optional<std::vector<std::uint16_t>> parseSettingsArray(std::string_view text) {
    if (text.size() < 2 || text.front() != '{' || text.back() != '}') return std::nullopt;
    text = text.substr(1, text.size() - 2);
    std::vector<std::uint16_t> out;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == ',') {
            std::uint16_t v = 0;
            if (!parseU16(text.substr(from, i - from), v)) return std::nullopt;
            out.push_back(v);
            from = i + 1;
        }
    if (out.size() != 82) return std::nullopt;
    return out;
}

} // namespace vorsan::company
