#include "db/dbf_format.h"

#include "db/little_endian.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace vorsan::db {

namespace {

// Width in bytes of a field of a type whose size is fixed by the type (VFP binary types).
bool knownType(char t) {
    return std::strchr("CDLNFMGIBTYPQVW0", t) != nullptr && t != 0;
}

} // namespace

bool isCalendarDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

long julianDay(const Date& d) {
    const long a = (14 - d.month) / 12;
    const long y = d.year + 4800 - a;
    const long m = d.month + 12 * a - 3;
    return d.day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

DbStatus parseDbfHeader(std::span<const std::uint8_t> b, std::uint64_t fileSize, DbfHeader& h) {
    if (b.size() < 32) return DbStatus::fail(DbError::BadHeader, "file shorter than a table header");
    h = DbfHeader{};
    h.version = b[0];
    h.recordCount = le32(&b[4]);
    h.headerLength = le16(&b[8]);
    h.recordLength = le16(&b[10]);
    h.tableFlags = b[28];
    h.codePage = b[29];
    if (h.headerLength < 33 || h.recordLength < 1)
        return DbStatus::fail(DbError::BadHeader, "header or record length impossible");
    if (b.size() < h.headerLength) return DbStatus::fail(DbError::BadHeader, "header cut short");
    // Descriptors run from byte 32 until the 0x0D terminator; VFP puts its 263-byte database
    // back-link after the terminator, other writers a spare byte, both inside headerLength.
    std::uint32_t offset = 1;
    std::size_t p = 32;
    bool terminated = false;
    for (; p + 1 <= h.headerLength; p += 32) {
        if (b[p] == 0x0D) {
            terminated = true;
            break;
        }
        if (p + 32 > h.headerLength) break;
        if (h.fields.size() >= kMaxFields) break;
        FieldDef f;
        const char* name = reinterpret_cast<const char*>(&b[p]);
        f.name.assign(name, strnlen(name, 11));
        f.type = static_cast<char>(b[p + 11]);
        f.length = b[p + 16];
        f.decimals = b[p + 17];
        if (f.type == 'C') f.length |= b[p + 17] << 8, f.decimals = 0; // long character fields
        if (f.name.empty() || !knownType(f.type) || f.length == 0)
            return DbStatus::fail(DbError::BadFields,
                                  "field descriptor " + std::to_string(h.fields.size() + 1) + " damaged");
        h.offsets.push_back(offset);
        offset += static_cast<std::uint32_t>(f.length);
        h.fields.push_back(std::move(f));
    }
    if (!terminated)
        return DbStatus::fail(DbError::BadFields, "field descriptors without the 0x0D terminator");
    if (h.fields.empty()) return DbStatus::fail(DbError::BadFields, "table without fields");
    if (offset != h.recordLength)
        return DbStatus::fail(DbError::BadFields, "record length " + std::to_string(h.recordLength) +
                                                      " differs from the fields' total " +
                                                      std::to_string(offset));
    const std::uint64_t need = std::uint64_t(h.headerLength) + std::uint64_t(h.recordCount) * h.recordLength;
    if (need > fileSize)
        return DbStatus::fail(
            DbError::Truncated,
            "header says " + std::to_string(h.recordCount) + " rows but the file holds only " +
                std::to_string((fileSize - std::min<std::uint64_t>(fileSize, h.headerLength)) /
                               h.recordLength));
    h.raw.assign(b.begin(), b.begin() + h.headerLength);
    return {};
}

DbStatus buildDbfHeader(const std::vector<FieldDef>& fields, std::uint8_t version, std::uint8_t flags,
                        std::uint8_t codePage, DbfHeader& h) {
    if (fields.empty() || fields.size() > kMaxFields)
        return DbStatus::fail(DbError::BadFields, "field count");
    h = DbfHeader{};
    h.version = version;
    h.tableFlags = flags;
    h.codePage = codePage;
    h.headerLength = static_cast<std::uint16_t>(32 + 32 * fields.size() + 1);
    h.raw.assign(h.headerLength, 0);
    std::uint32_t offset = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        if (f.name.empty() || f.name.size() > 10 || f.length < 1 || f.length > 254 ||
            std::strchr("CDLN", f.type) == nullptr || f.type == 0)
            return DbStatus::fail(DbError::BadFields, "field " + f.name + " cannot be written");
        std::uint8_t* d = &h.raw[32 + 32 * i];
        std::memcpy(d, f.name.data(), f.name.size());
        d[11] = static_cast<std::uint8_t>(f.type);
        put32(d + 12, offset); // displacement in the row, as FoxPro keeps it
        d[16] = static_cast<std::uint8_t>(f.length);
        d[17] = static_cast<std::uint8_t>(f.decimals);
        h.offsets.push_back(offset);
        offset += static_cast<std::uint32_t>(f.length);
    }
    if (offset > 0xFFFF) return DbStatus::fail(DbError::BadFields, "row too long");
    h.raw[h.headerLength - 1] = 0x0D;
    h.recordLength = static_cast<std::uint16_t>(offset);
    h.fields = fields;
    h.raw[0] = version;
    put16(&h.raw[8], h.headerLength);
    put16(&h.raw[10], h.recordLength);
    h.raw[28] = flags;
    h.raw[29] = codePage;
    return {};
}

void stampDbfHeader(DbfHeader& h, const Date& today) {
    h.raw[1] = static_cast<std::uint8_t>(std::clamp(today.year - 1900, 0, 255));
    h.raw[2] = static_cast<std::uint8_t>(today.month);
    h.raw[3] = static_cast<std::uint8_t>(today.day);
    put32(&h.raw[4], h.recordCount);
}

Date todayDate() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

std::optional<double> parseNumericText(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\0'))
        t.remove_prefix(1);
    t = trimRight(t);
    if (t.empty()) return 0.0;
    if (t.front() == '+') t.remove_prefix(1);
    // The common case, a plain decimal of at most 15 digits, read as an integer and one division
    // by a power of ten: exact, since both are exactly representable and divided once.
    {
        static constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                            1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        std::size_t i = 0;
        const bool negative = t.front() == '-';
        if (negative) ++i;
        std::uint64_t m = 0;
        int digits = 0, decimals = -1;
        bool plain = i < t.size();
        for (; plain && i < t.size(); ++i) {
            const char c = t[i];
            if (c >= '0' && c <= '9') {
                m = m * 10 + std::uint64_t(c - '0');
                ++digits;
                if (decimals >= 0) ++decimals;
            } else if (c == '.' && decimals < 0) {
                decimals = 0;
            } else {
                plain = false;
            }
        }
        if (plain && digits > 0 && digits <= 15) {
            const double v = double(m) / kPow10[decimals < 0 ? 0 : decimals];
            return negative ? -v : v;
        }
    }
    double v = 0;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size()) return std::nullopt;
    return v;
}

int fixedPointText(double value, int decimals, char* out, std::size_t capacity) {
    // The common case in integer arithmetic. value * 10^decimals is within 2^-13 of the exact
    // product when below 2^40; when it is also clear of a tie (.5) by more than that, its nearest
    // integer is the correctly rounded result, the one std::to_chars gives.
    static constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    if (decimals >= 0 && decimals <= 9 && std::isfinite(value)) {
        const double scaled = value * kPow10[decimals];
        const double r = std::nearbyint(scaled);
        if (std::fabs(scaled) < 1099511627776.0 && std::fabs(scaled - r) < 0.49 && !(r == 0 && std::signbit(value))) {
            std::uint64_t u = static_cast<std::uint64_t>(std::fabs(r));
            char digits[24];
            int n = 0;
            do {
                digits[n++] = static_cast<char>('0' + u % 10);
                u /= 10;
            } while (u != 0 || n <= decimals);
            const std::size_t length = static_cast<std::size_t>(n + (decimals > 0) + (r < 0));
            if (length > capacity) return -1;
            char* p = out;
            if (r < 0) *p++ = '-';
            for (int i = n - 1; i >= 0; --i) {
                *p++ = digits[i];
                if (i == decimals && decimals > 0) *p++ = '.';
            }
            return static_cast<int>(length);
        }
    }
    // std::to_chars ignores the global locale: a point whatever LC_NUMERIC says.
    const auto [end, ec] =
        std::to_chars(out, out + capacity, value, std::chars_format::fixed, std::max(decimals, 0));
    if (ec != std::errc()) return -1;
    return static_cast<int>(end - out);
}

bool formatNumericText(double value, int length, int decimals, char* out) {
    if (!std::isfinite(value) || length < 1) return false;
    // Whole numbers, most of what tables hold: their digits, then as many zero decimals as fit.
    if (std::fabs(value) < 1e15 && value == std::trunc(value) && !(value == 0 && std::signbit(value))) {
        const auto i = static_cast<long long>(value);
        unsigned long long u = i < 0 ? 0ull - static_cast<unsigned long long>(i) : static_cast<unsigned long long>(i);
        char digits[24];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        const int whole = n + (i < 0);
        for (int dec = std::min(decimals, length - 1); dec >= 0; --dec) {
            if (dec > 0 && dec >= length - 1) continue;
            const int width = whole + (dec > 0 ? dec + 1 : 0);
            if (width > length) continue;
            char* p = out;
            for (int k = width; k < length; ++k)
                *p++ = ' ';
            if (i < 0) *p++ = '-';
            for (int k = n - 1; k >= 0; --k)
                *p++ = digits[k];
            if (dec > 0) {
                *p++ = '.';
                for (int k = 0; k < dec; ++k)
                    *p++ = '0';
            }
            return true;
        }
        return false;
    }
    char buf[400];
    for (int dec = std::min(decimals, length - 1); dec >= 0; --dec) {
        if (dec > 0 && dec >= length - 1) continue;
        const int n = fixedPointText(value, dec, buf, sizeof buf);
        if (n >= 0 && n <= length) {
            const auto pad = static_cast<std::size_t>(length - n);
            std::memset(out, ' ', pad);
            std::memcpy(out + pad, buf, static_cast<std::size_t>(n));
            return true;
        }
    }
    return false;
}

std::optional<Date> parseDateText(std::string_view t) {
    if (trimRight(t).empty()) return Date{};
    if (t.size() != 8) return std::nullopt;
    int v[3] = {0, 0, 0};
    const int w[3] = {4, 2, 2};
    std::size_t p = 0;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < w[i]; ++k, ++p) {
            if (t[p] < '0' || t[p] > '9') return std::nullopt;
            v[i] = v[i] * 10 + (t[p] - '0');
        }
    }
    return Date{v[0], v[1], v[2]};
}

void formatDateText(const Date& d, char* out) {
    if (d.empty()) {
        std::memset(out, ' ', 8);
        return;
    }
    if (d.year >= 0 && d.month >= 0 && d.day >= 0) {
        const int v[3] = {d.year % 10000, d.month % 100, d.day % 100};
        const int w[3] = {4, 2, 2};
        for (int i = 0, at = 0; i < 3; at += w[i++])
            for (int k = w[i] - 1, x = v[i]; k >= 0; --k, x /= 10)
                out[at + k] = static_cast<char>('0' + x % 10);
        return;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year % 10000, d.month % 100, d.day % 100);
    std::memcpy(out, buf, 8);
}

std::string fieldDisplayText(const FieldDef& f, const std::uint8_t* p) {
    const std::string_view raw(reinterpret_cast<const char*>(p), static_cast<std::size_t>(f.length));
    switch (f.type) {
    case 'I':
        if (f.length == 4) return std::to_string(static_cast<std::int32_t>(le32(p)));
        break;
    case 'T':
        if (f.length == 8) {
            // Julian day number, then milliseconds since midnight.
            const long jd = static_cast<std::int32_t>(le32(p));
            const long ms = static_cast<std::int32_t>(le32(p + 4));
            if (jd == 0 && ms == 0) return {};
            long l = jd + 68569, n = 4 * l / 146097;
            l -= (146097 * n + 3) / 4;
            long i = 4000 * (l + 1) / 1461001;
            l = l - 1461 * i / 4 + 31;
            long j = 80 * l / 2447;
            const long day = l - 2447 * j / 80;
            l = j / 11;
            const long month = j + 2 - 12 * l, year = 100 * (n - 49) + i + l;
            const long s = (ms + 500) / 1000;
            char buf[64];
            std::snprintf(buf, sizeof buf, "%04ld-%02ld-%02ld %02ld:%02ld:%02ld", year, month, day, s / 3600,
                          s / 60 % 60, s % 60);
            return buf;
        }
        break;
    case 'L':
        return std::string(1, (raw[0] == 'T' || raw[0] == 't' || raw[0] == 'Y' || raw[0] == 'y')   ? 'T'
                              : (raw[0] == 'F' || raw[0] == 'f' || raw[0] == 'N' || raw[0] == 'n') ? 'F'
                                                                                                   : '?');
    case 'N':
    case 'F':
    case 'D':
    case 'C': {
        std::string_view t = trimRight(raw);
        if (f.type != 'C')
            while (!t.empty() && t.front() == ' ')
                t.remove_prefix(1);
        return std::string(t);
    }
    default:
        break;
    }
    // Binary fields of other kinds: hex, so nothing is hidden.
    std::string out;
    static const char* kHex = "0123456789abcdef";
    for (unsigned char c : raw)
        out += kHex[c >> 4], out += kHex[c & 15];
    return out;
}

} // namespace vorsan::db
