#include "db/well_database.h"

#include "db/file_io.h"
#include "text/cp1251.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorsan::db {

namespace {

FieldDef num(const char* name, int length, int decimals) {
    return {name, 'N', length, decimals};
}

// Numbers of the journal are unsigned 16-bit: every numeric field holds 0-65535 (and the -1 of
// older tables); currents keep their tenths.
TableLayout makeWellLayout() {
    TableLayout l;
    l.fields = {num("KUST", 5, 0),   num("SKV", 5, 0),     {"DATA", 'D', 8, 0}, {"TIME", 'C', 8, 0},
                num("UAB", 7, 1),    num("UBC", 7, 1),     num("UCA", 7, 1),    num("IA", 7, 1),
                num("IB", 7, 1),     num("IC", 7, 1),      num("ZAGR", 6, 0),   num("SOP", 6, 0),
                num("P", 7, 1),      num("T", 7, 1),       num("COS_", 7, 1),   num("SOBYTIE", 6, 0),
                {"ADD", 'L', 1, 0},  num("NUM_UST", 7, 1), num("OLD_ZN", 7, 1), num("NEW_ZN", 7, 1),
                num("EXT_ZAP", 6, 0)};
    // "DATt" must match a row of the same journal record added again and keep apart different
    // records of one second: a station may write two measurements in one second with the same
    // cause, so every value of the record is part of the key (ADD and the well's numbers are not).
    l.tags = {{"DATA", "DTOS(DATA)+TIME", false},
              {"DATt",
               "DTOS(DATA)+TIME+STR(SOBYTIE,3)+STR(EXT_ZAP,3)+STR(NUM_UST,5)+STR(OLD_ZN,5)+STR(NEW_ZN,5)"
               "+STR(UAB,5)+STR(UBC,5)+STR(UCA,5)+STR(IA,7,1)+STR(IB,7,1)+STR(IC,7,1)+STR(ZAGR,5)"
               "+STR(SOP,6)+STR(P,5)+STR(T,6)+STR(COS_,5)",
               false}};
    return l;
}

TableLayout makeSnapshotLayout() {
    TableLayout l;
    l.fields = {{"MESTO", 'C', kMestoLength, 0},
                num("KUST", 5, 0),
                num("SKV", 5, 0),
                {"DATA", 'D', 8, 0},
                {"TIME", 'C', 8, 0}};
    for (int i = 1; i <= kSnapshotValues; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "U%d", i);
        l.fields.push_back({name, 'C', 6, 0});
    }
    l.fields.push_back({"NEW_FORMAT", 'L', 1, 0});
    l.tags = {{"KUST_SKV", "MESTO+STR(KUST,5)+STR(SKV,5)", false}, {"Mest", "MESTO", true}};
    return l;
}

// Both alphabets in the order the name table follows (Ь, Ы, Ъ in that order).
constexpr std::string_view kUpper = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЬЫЪЭЮЯ";
constexpr std::string_view kLower = "абвгдеёжзийклмнопрстуфхцчшщьыъэюя";
constexpr const char* kLatin[33] = {"a", "b", "v",  "g",  "d",   "e",  "e_", "zh", "z",  "i",  "y",
                                    "k", "l", "m",  "n",  "o",   "p",  "r",  "s",  "t",  "u",  "f",
                                    "h", "c", "ch", "sh", "sh_", "b_", "y_", "d_", "a_", "iu", "ia"};

int letterIndex(std::string_view alphabet, std::string_view ch) {
    // Every letter of both alphabets is two bytes in UTF-8.
    for (std::size_t i = 0, n = 0; i + 1 < alphabet.size(); i += 2, ++n)
        if (alphabet.substr(i, 2) == ch) return static_cast<int>(n);
    return -1;
}

bool sameFieldName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::size_t utf8CharLength(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

} // namespace

const TableLayout& wellTableLayout() {
    static const TableLayout l = makeWellLayout();
    return l;
}

const TableLayout& settingsSnapshotLayout() {
    static const TableLayout l = makeSnapshotLayout();
    return l;
}

std::string transliterate(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = std::min(utf8CharLength(static_cast<unsigned char>(s[i])), s.size() - i);
        const std::string_view ch = s.substr(i, n);
        int k = n == 2 ? letterIndex(kUpper, ch) : -1;
        if (k < 0 && n == 2) k = letterIndex(kLower, ch);
        if (k >= 0)
            out += kLatin[k];
        else
            out += ch;
        i += n;
    }
    return out;
}

std::string wellBaseName(std::string_view oilfield, std::uint16_t pad, std::uint16_t well) {
    // The oilfield name may come from a well file or an archive of unknown origin: whatever it
    // holds, the table must stay a plain file inside the database directory.
    std::string name = transliterate(oilfield);
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) c = '_';
    }
    if (!name.empty() && name.find_first_not_of('.') == std::string::npos) name.assign(name.size(), '_');
    return name + "K" + std::to_string(pad) + "C" + std::to_string(well);
}

std::string timeText(int hour, int minute, int second) {
    char buf[8];
    const int v[3] = {hour, minute, second};
    for (int i = 0; i < 3; ++i) {
        const int x = std::abs(v[i]) % 100;
        buf[3 * i] = static_cast<char>('0' + x / 10);
        buf[3 * i + 1] = static_cast<char>('0' + x % 10);
        if (i < 2) buf[3 * i + 2] = '/';
    }
    return std::string(buf, 8);
}

bool parseTimeText(std::string_view t, int& hour, int& minute, int& second) {
    if (t.size() < 8) return false;
    int v[3];
    for (int i = 0; i < 3; ++i) {
        const char a = t[static_cast<std::size_t>(3 * i)], b = t[static_cast<std::size_t>(3 * i + 1)];
        if (a < '0' || a > '9' || b < '0' || b > '9') return false;
        v[i] = (a - '0') * 10 + (b - '0');
    }
    hour = v[0], minute = v[1], second = v[2];
    return true;
}

std::string databaseFile(const std::string& dir, const std::string& name) {
    const std::string found = findIgnoringCase(dir, name);
    return found.empty() ? joinPath(dir, name) : found;
}

DbStatus openDatabaseTable(Table& table, const std::string& dir, const std::string& name,
                           const TableLayout& layout) {
    if (auto st = table.open(databaseFile(dir, name), OpenMode::Exclusive, layout.tags); !st) return st;
    // A table of another layout under a known name would be misread field by field.
    const auto& f = table.fields();
    bool same = f.size() == layout.fields.size();
    for (std::size_t i = 0; same && i < f.size(); ++i)
        same = f[i].type == layout.fields[i].type;
    if (!same) {
        table.close();
        return DbStatus::fail(DbError::LayoutMismatch, name + " does not have the expected fields");
    }
    // A table made by an older version keys its rows as that version did: the key expressions
    // of this layout replace theirs (an older "DATt" took two records of one second for one).
    const auto plain = [](std::string s) {
        std::string out;
        for (char c : s)
            if (c != ' ') out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        return out;
    };
    for (const TagDef& want : layout.tags)
        for (const TagDef& have : table.tags())
            if (plain(have.name) == plain(want.name) &&
                (plain(have.expression) != plain(want.expression) || have.unique != want.unique))
                if (auto st = table.redefineTag(want); !st) {
                    table.close();
                    return st;
                }
    return {};
}

DbStatus checkFieldLayout(const Table& table, const TableLayout& layout) {
    const auto& have = table.fields();
    const auto& want = layout.fields;
    const auto text = [](const FieldDef& f) {
        return f.name + " " + std::string(1, f.type) + "(" + std::to_string(f.length) + ")";
    };
    for (std::size_t i = 0; i < std::max(have.size(), want.size()); ++i) {
        if (i >= have.size())
            return DbStatus::fail(DbError::LayoutMismatch, fileNameOf(table.path()) + " lacks the field " + text(want[i]));
        if (i >= want.size())
            return DbStatus::fail(DbError::LayoutMismatch,
                                  fileNameOf(table.path()) + " has the extra field " + text(have[i]));
        if (!sameFieldName(have[i].name, want[i].name) || have[i].type != want[i].type ||
            have[i].length != want[i].length)
            return DbStatus::fail(DbError::LayoutMismatch, fileNameOf(table.path()) + " has the field " +
                                                              text(have[i]) + " where " + text(want[i]) +
                                                              " belongs");
    }
    return {};
}

const TableLayout* layoutByFieldNames(const std::vector<FieldDef>& fields) {
    for (const TableLayout* l : {&wellTableLayout(), &settingsSnapshotLayout()}) {
        bool same = fields.size() == l->fields.size();
        for (std::size_t i = 0; same && i < fields.size(); ++i)
            same = sameFieldName(fields[i].name, l->fields[i].name);
        if (same) return l;
    }
    return nullptr;
}

void removeInterruptedCopies(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        // replacementPath() of a table or index: "<name>.DBF.tmp", "<name>.CDX.tmp".
        if (name.size() > 8 && ::strcasecmp(name.c_str() + name.size() - 4, ".tmp") == 0 &&
            (::strncasecmp(name.c_str() + name.size() - 8, ".dbf", 4) == 0 ||
             ::strncasecmp(name.c_str() + name.size() - 8, ".cdx", 4) == 0))
            names.push_back(name);
    }
    ::closedir(d);
    for (const std::string& name : names)
        ::unlink(joinPath(dir, name).c_str());
    if (!names.empty()) syncDirectory(dir);
}

DbStatus createDatabaseTable(const std::string& dir, const std::string& name, const TableLayout& layout) {
    if (!findIgnoringCase(dir, name).empty())
        return DbStatus::fail(DbError::Exists, name + " already exists");
    return Table::create(joinPath(dir, name), layout);
}

DbStatus initDatabase(const std::string& dir) {
    // Parents first, as "mkdir -p" does.
    for (std::size_t p = dir.find('/', 1); p != std::string::npos; p = dir.find('/', p + 1))
        ::mkdir(dir.substr(0, p).c_str(), 0755);
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        return DbStatus::fail(DbError::Io,
                              "cannot create the directory " + dir + ": " + std::strerror(errno));
    for (const auto& [name, layout] : {std::pair{kSettingsTableFile, &settingsSnapshotLayout()},
                                       std::pair{kScratchTableFile, &wellTableLayout()}}) {
        const DbStatus st = createDatabaseTable(dir, name, *layout);
        if (!st && st.error != DbError::Exists) return st;
    }
    return {};
}

std::string StartupResult::message() const {
    switch (failure) {
    case StartupFailure::Settings:
        return "Нет доступа к данным(ustavki).";
    case StartupFailure::Scratch:
        return "Нет доступа к данным(temp).";
    case StartupFailure::None:
        break;
    }
    return {};
}

StartupResult openStartupTables(const std::string& dir, Table& settings, Table& scratch) {
    StartupResult r;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 && errno == ENOENT) {
        r.created = true;
        if (auto s = initDatabase(dir); !s) {
            r.failure = StartupFailure::Settings;
            r.status = s;
            return r;
        }
    }
    removeInterruptedCopies(dir);
    if (auto s = openDatabaseTable(settings, dir, kSettingsTableFile, settingsSnapshotLayout()); !s) {
        r.failure = StartupFailure::Settings;
        r.status = s;
        return r;
    }
    if (auto s = openDatabaseTable(scratch, dir, kScratchTableFile, wellTableLayout()); !s) {
        settings.close();
        r.failure = StartupFailure::Scratch;
        r.status = s;
    }
    return r;
}

DbStatus openWellTable(Table& well, const std::string& dir, const std::string& baseName) {
    const std::string name = baseName + kTableExtension;
    if (findIgnoringCase(dir, name).empty())
        if (auto st = createDatabaseTable(dir, name, wellTableLayout()); !st && st.error != DbError::Exists)
            return st;
    return openDatabaseTable(well, dir, name, wellTableLayout());
}

DbStatus wellRowValues(const JournalRecord& r, std::uint16_t pad, std::uint16_t well,
                       std::vector<FieldValue>& out) {
    if (!isCalendarDate(r.year, r.month, r.day))
        return DbStatus::fail(DbError::BadValue, "record date is no calendar date");
    const auto d = [](double v) { return FieldValue{v}; };
    out = {d(pad),
           d(well),
           Date{r.year, r.month, r.day},
           std::string(timeText(r.hour, r.minute, r.second)),
           d(r.UAB),
           d(r.UBC),
           d(r.UCA),
           d(r.IA),
           d(r.IB),
           d(r.IC),
           d(r.ZAGR),
           d(r.SOP),
           d(r.P),
           d(r.T),
           d(r.COS_),
           d(r.SOBYTIE),
           true,
           d(r.NUM_UST),
           d(r.OLD_ZN),
           d(r.NEW_ZN),
           d(r.EXT_ZAP)};
    return {};
}

std::uint16_t toUnsigned16(double v) {
    if (!std::isfinite(v)) return 0;
    // Rounded half away from zero, as llround, without the library call.
    const double r = v < 0 ? v - 0.5 : v + 0.5;
    if (r <= -9.2e18 || r >= 9.2e18) return 0;
    return static_cast<std::uint16_t>(static_cast<long long>(r) & 0xFFFF);
}

namespace {

constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A numeric field as parseNumericText reads it, without its detours for the texts tables hold:
// blanks, an optional minus, digits with at most one point. Anything else takes the general path.
double fieldNumber(const char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    while (n > i && p[n - 1] == ' ')
        --n;
    const bool negative = i < n && p[i] == '-';
    if (negative) ++i;
    std::uint64_t m = 0;
    int digits = 0, decimals = -1;
    for (; i < n; ++i) {
        const char c = p[i];
        if (c >= '0' && c <= '9') {
            m = m * 10 + std::uint64_t(c - '0');
            ++digits;
            decimals += decimals >= 0;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (i == n && digits > 0 && digits <= 15) {
        const double v = double(m) / kPow10[decimals < 0 ? 0 : decimals];
        return negative ? -v : v;
    }
    return parseNumericText(std::string_view(p, n)).value_or(0);
}

// toUnsigned16(fieldNumber(...)) for the common text of a whole or decimal number without sign:
// the digits before the point, rounded half up by the first one after it.
std::uint16_t fieldUnsigned16(const char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    const std::size_t from = i;
    std::uint32_t v = 0;
    while (i < n && i - from < 9 && p[i] >= '0' && p[i] <= '9')
        v = v * 10 + std::uint32_t(p[i++] - '0');
    if (i > from && i - from < 9) {
        if (i == n) return static_cast<std::uint16_t>(v & 0xFFFF);
        if (p[i] == '.') {
            const std::size_t point = i++;
            while (i < n && p[i] >= '0' && p[i] <= '9')
                ++i;
            std::size_t end = i;
            while (end < n && p[end] == ' ')
                ++end;
            if (end == n && i - from <= 16) {
                const bool up = i > point + 1 && p[point + 1] >= '5';
                return static_cast<std::uint16_t>((v + up) & 0xFFFF);
            }
        }
    }
    return toUnsigned16(fieldNumber(p, n));
}

} // namespace

DbStatus readWellRows(Table& t, WellRows& out, std::string_view tag) {
    out.records.clear(); // capacity kept for the caller's next read
    out.added.clear();
    if (auto st = t.setTag(tag); !st) return st;
    out.records.reserve(t.count());
    out.added.reserve(t.count());
    // A well may hold hundreds of thousands of rows: the fields are decoded straight from the
    // row bytes rather than through the field accessors.
    const auto& f = t.fields();
    std::size_t at[kWellFieldCount], len[kWellFieldCount];
    for (int i = 0; i < kWellFieldCount; ++i) {
        at[i] = t.fieldOffset(i);
        len[i] = static_cast<std::size_t>(f[static_cast<std::size_t>(i)].length);
    }
    for (t.first(); !t.eof(); t.next()) {
        const std::uint8_t* row = t.currentRowBytes();
        const auto chars = [&](int i) { return reinterpret_cast<const char*>(row + at[i]); };
        const auto number = [&](int i) { return fieldNumber(chars(i), len[i]); };
        const auto u16 = [&](int i) { return fieldUnsigned16(chars(i), len[i]); };
        JournalRecord& r = out.records.emplace_back();
        const char* d = chars(kWellData);
        int ymd = 0;
        bool digits = len[kWellData] == 8;
        for (int k = 0; digits && k < 8; ++k) {
            digits = d[k] >= '0' && d[k] <= '9';
            ymd = ymd * 10 + (d[k] - '0');
        }
        if (digits) {
            r.year = static_cast<std::uint16_t>(ymd / 10000);
            r.month = static_cast<std::uint8_t>(ymd / 100 % 100);
            r.day = static_cast<std::uint8_t>(ymd % 100);
        } else {
            const Date date = parseDateText(std::string_view(d, len[kWellData])).value_or(Date{});
            r.year = static_cast<std::uint16_t>(date.year);
            r.month = static_cast<std::uint8_t>(date.month);
            r.day = static_cast<std::uint8_t>(date.day);
        }
        int h = 0, m = 0, s = 0;
        parseTimeText(std::string_view(chars(kWellTime), len[kWellTime]), h, m, s);
        r.hour = static_cast<std::uint8_t>(h);
        r.minute = static_cast<std::uint8_t>(m);
        r.second = static_cast<std::uint8_t>(s);
        r.UAB = u16(kWellUab);
        r.UBC = u16(kWellUbc);
        r.UCA = u16(kWellUca);
        r.IA = number(kWellIa);
        r.IB = number(kWellIb);
        r.IC = number(kWellIc);
        r.ZAGR = u16(kWellZagr);
        r.SOP = u16(kWellSop);
        r.P = u16(kWellP);
        r.T = u16(kWellT);
        r.COS_ = u16(kWellCos);
        r.SOBYTIE = static_cast<std::uint8_t>(u16(kWellSobytie));
        r.NUM_UST = u16(kWellNumUst);
        r.OLD_ZN = u16(kWellOldZn);
        r.NEW_ZN = u16(kWellNewZn);
        r.EXT_ZAP = static_cast<std::uint8_t>(u16(kWellExtZap));
        const char a = static_cast<char>(row[at[kWellAdd]]);
        out.added.push_back(a == 'T' || a == 't' || a == 'Y' || a == 'y');
    }
    return {};
}

std::uint16_t snapshotValue(std::string_view text) {
    unsigned v = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && p == text.data() + text.size() && v <= 0xFFFF ? static_cast<std::uint16_t>(v)
                                                                              : std::uint16_t(0xFFFF);
}

} // namespace vorsan::db
