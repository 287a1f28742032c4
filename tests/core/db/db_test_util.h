#pragma once
// Helpers shared by the table engine tests: a scratch directory and small table builders.
#include "db/file_io.h"
#include "db/table.h"
#include "db/well_database.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vorsan::db::test {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vorsan-db-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return joinPath(path_, name); }

private:
    std::string path_;
};

inline std::string fixture(const std::string& rel) {
    return std::string(VORSAN_TESTDATA) + "/db/fixtures/" + rel;
}

inline void copyFile(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(to, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

// A journal record with a given moment and event; the values derive from `seed` so rows differ.
inline JournalRecord makeRecord(int day, int hour, int minute, int second, int code, int seed = 0) {
    JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = static_cast<std::uint8_t>(day);
    r.hour = static_cast<std::uint8_t>(hour);
    r.minute = static_cast<std::uint8_t>(minute);
    r.second = static_cast<std::uint8_t>(second);
    r.SOBYTIE = static_cast<std::uint8_t>(code);
    r.UAB = static_cast<std::uint16_t>(380 + seed % 50);
    r.UBC = 381;
    r.UCA = 379;
    r.IA = 12.5 + seed % 10;
    r.IB = 12.4;
    r.IC = 12.6;
    r.ZAGR = 55;
    r.SOP = 65535;
    r.COS_ = 255;
    r.P = 12;
    r.T = 80;
    r.EXT_ZAP = code == 255 ? 1 : 0;
    return r;
}

} // namespace vorsan::db::test
