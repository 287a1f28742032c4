#pragma once
// What the well benchmarks share: rows of a plausible well, and SQLite (loaded at run time, so
// that only the benchmarks need it) with the well table's columns, to measure against.
#include "db/well_database.h"
#include "journal/journal_record.h"
#include "settings/catalogue.h"
#include "wells/well_database_state.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <dlfcn.h>
#include <string>
#include <type_traits>
#include <vector>

namespace vorsan::bench {

inline void check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "benchmark setup failed: %s\n", what.c_str());
        std::abort();
    }
}

// An empty directory of this run's benchmark under the temporary directory.
inline std::string freshDir(const std::string& name) {
    const std::string d = (std::filesystem::temp_directory_path() / ("vorsan-bench-" + name)).string();
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
}

// Moment of row n: every 10 minutes from 2020-01-01 (civil date from a day count).
inline JournalRecord recordAt(long seconds, int code, int seed) {
    const long days = seconds / 86400 + 18262; // 1970-01-01 + 18262 = 2020-01-01
    long z = days + 719468, era = z / 146097, doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365,
         doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153, d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
    JournalRecord r;
    r.year = static_cast<std::uint16_t>(yoe + era * 400 + (m <= 2));
    r.month = static_cast<std::uint8_t>(m);
    r.day = static_cast<std::uint8_t>(d);
    r.hour = static_cast<std::uint8_t>(seconds / 3600 % 24);
    r.minute = static_cast<std::uint8_t>(seconds / 60 % 60);
    r.second = static_cast<std::uint8_t>(seconds % 60);
    r.SOBYTIE = static_cast<std::uint8_t>(code);
    r.UAB = static_cast<std::uint16_t>(370 + seed % 30);
    r.UBC = 380;
    r.UCA = 381;
    r.IA = 10 + seed % 100 / 10.0;
    r.IB = 11.5;
    r.IC = 12.5;
    r.ZAGR = static_cast<std::uint16_t>(seed % 100);
    r.SOP = seed % 7 == 0 ? 65535 : static_cast<std::uint16_t>(seed % 9999);
    r.COS_ = 85;
    r.P = 40;
    r.T = 75;
    r.EXT_ZAP = code == 255 ? 1 : 0;
    return r;
}

// The well database in `dir`, opened as the command line opens it.
inline std::unique_ptr<wells::WellDatabase> openDb(const std::string& dir) {
    wells::Outcome o;
    auto d = wells::WellDatabase::open(dir, ',', o);
    check(d != nullptr, o.detail);
    return d;
}

inline SettingsSet gen4Settings(std::uint16_t pad, std::uint16_t well) {
    SettingsSet s(settingCount(ControllerGeneration::Gen4), 1);
    s[std::size_t(kGen4PadNumber - kFirstSettingNumber)] = pad;
    s[std::size_t(kGen4WellNumber - kFirstSettingNumber)] = well;
    return s;
}

// Records first ... first + count - 1, ten minutes apart.
inline Journal journalOf(long first, long count) {
    Journal j;
    j.records.reserve(std::size_t(count));
    for (long n = first; n < first + count; ++n)
        j.records.push_back(recordAt(600L * n, n % 3 ? 255 : (n % 2 ? 3 : 49), int(n)));
    return j;
}

// --- SQLite through dlopen (only the benchmark uses it) -------------------------------------
struct Sqlite {
    void* lib = nullptr;
    int (*open)(const char*, void**) = nullptr;
    int (*close)(void*) = nullptr;
    int (*exec)(void*, const char*, void*, void*, char**) = nullptr;
    int (*prepare)(void*, const char*, int, void**, const char**) = nullptr;
    int (*bindText)(void*, int, const char*, int, void (*)(void*)) = nullptr;
    int (*bindDouble)(void*, int, double) = nullptr;
    int (*step)(void*) = nullptr;
    int (*reset)(void*) = nullptr;
    int (*finalize)(void*) = nullptr;
    bool load() {
        lib = dlopen("libsqlite3.so.0", RTLD_NOW);
        if (!lib) return false;
        const auto sym = [&](auto& f, const char* name) {
            f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(lib, name));
        };
        sym(open, "sqlite3_open");
        sym(close, "sqlite3_close");
        sym(exec, "sqlite3_exec");
        sym(prepare, "sqlite3_prepare_v2");
        sym(bindText, "sqlite3_bind_text");
        sym(bindDouble, "sqlite3_bind_double");
        sym(step, "sqlite3_step");
        sym(reset, "sqlite3_reset");
        sym(finalize, "sqlite3_finalize");
        return open && close && exec && prepare && bindText && bindDouble && step && reset && finalize;
    }
};

inline Sqlite* sqliteLib() {
    static Sqlite s;
    static const bool ok = s.load();
    return ok ? &s : nullptr;
}
inline Sqlite& sqlite() {
    return *sqliteLib();
}

inline constexpr const char* kColumns[] = {
    "KUST", "SKV", "DATA", "TIME", "UAB",     "UBC",  "UCA",     "IA",     "IB",     "IC",     "ZAGR",
    "SOP",  "P",   "T",    "COS_", "SOBYTIE", "ADD_", "NUM_UST", "OLD_ZN", "NEW_ZN", "EXT_ZAP"};

inline void sqliteInsert(void* db, const std::vector<JournalRecord>& recs, bool replace) {
    Sqlite& s = sqlite();
    std::string sql = std::string(replace ? "INSERT OR REPLACE" : "INSERT") + " INTO well VALUES(?";
    for (int i = 1; i < 21; ++i)
        sql += ",?";
    sql += ")";
    void* st = nullptr;
    s.prepare(db, sql.c_str(), -1, &st, nullptr);
    s.exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const JournalRecord& r : recs) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d%02d%02d", r.year, r.month, r.day);
        const std::string time = db::timeText(r.hour, r.minute, r.second);
        const double nums[] = {12,
                               345,
                               0,
                               0,
                               double(r.UAB),
                               double(r.UBC),
                               double(r.UCA),
                               r.IA,
                               r.IB,
                               r.IC,
                               double(r.ZAGR),
                               double(r.SOP),
                               double(r.P),
                               double(r.T),
                               double(r.COS_),
                               double(r.SOBYTIE),
                               1,
                               double(r.NUM_UST),
                               double(r.OLD_ZN),
                               double(r.NEW_ZN),
                               double(r.EXT_ZAP)};
        for (int i = 0; i < 21; ++i)
            s.bindDouble(st, i + 1, nums[i]);
        s.bindText(st, 3, date, -1, reinterpret_cast<void (*)(void*)>(-1));
        s.bindText(st, 4, time.c_str(), -1, reinterpret_cast<void (*)(void*)>(-1));
        s.step(st);
        s.reset(st);
    }
    s.exec(db, "COMMIT", nullptr, nullptr, nullptr);
    s.finalize(st);
}

} // namespace vorsan::bench
