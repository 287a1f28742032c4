#pragma once
// Journals, settings and archives for the well database tests.
#include "../db/db_test_util.h"
#include "settings/catalogue.h"
#include "wells/well_database_state.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vorsan::wells::test {

using db::test::makeRecord;
using db::test::TempDir;

// Settings of a generation with the pad and well in their places; other values derive from `seed`.
inline SettingsSet settingsFor(ControllerGeneration g, std::uint16_t pad, std::uint16_t well, int seed = 0) {
    SettingsSet s(settingCount(g));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint16_t>((i * 7 + static_cast<std::size_t>(seed)) % 2);
    const bool g4 = g == ControllerGeneration::Gen4;
    s[std::size_t((g4 ? kGen4PadNumber : kGen3PadNumber) - kFirstSettingNumber)] = pad;
    s[std::size_t((g4 ? kGen4WellNumber : kGen3WellNumber) - kFirstSettingNumber)] = well;
    return s;
}

// Measurements a minute apart from day `day`, minute `first` on.
inline Journal minutes(int first, int count, int day = 1) {
    Journal j;
    for (int m = first; m < first + count; ++m)
        j.records.push_back(makeRecord(day, m / 60, m % 60, 0, 255, m));
    return j;
}

struct Db {
    TempDir tmp;
    std::unique_ptr<WellDatabase> db;
    explicit Db(const std::string& sub = "bd") {
        Outcome o;
        db = WellDatabase::open(tmp.file(sub), ',', o);
        EXPECT_TRUE(db) << o.message << " " << o.detail;
    }
    std::string dir() const { return db->directory(); }
    Outcome add(const std::string& field, const Journal& j, std::uint16_t pad, std::uint16_t well,
                ControllerGeneration g = ControllerGeneration::Gen4) {
        return db->addJournal(field, {&j, g, settingsFor(g, pad, well)});
    }
};

// The records shown at these positions: what a user selects to delete.
inline std::vector<ShownRow> shownRecords(const WellDatabase& d, std::initializer_list<std::size_t> at) {
    std::vector<ShownRow> out;
    for (const std::size_t i : at)
        out.push_back({i, d.journal().journal.records.at(i)});
    return out;
}

struct Entry {
    std::string name;
    std::string data;
    bool symlink = false;
    std::int64_t claimedSize = -1; // -1: the data's size
};

inline void writeArchive(const std::string& path, const std::vector<Entry>& entries, bool zip = false) {
    archive* a = archive_write_new();
    if (zip)
        archive_write_set_format_zip(a);
    else
        archive_write_set_format_pax_restricted(a);
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    for (const Entry& e : entries) {
        archive_entry* en = archive_entry_new();
        archive_entry_set_pathname(en, e.name.c_str());
        if (e.symlink) {
            archive_entry_set_filetype(en, AE_IFLNK);
            archive_entry_set_symlink(en, e.data.c_str());
        } else {
            archive_entry_set_filetype(en, AE_IFREG);
            archive_entry_set_size(en, e.claimedSize >= 0 ? e.claimedSize : std::int64_t(e.data.size()));
        }
        archive_entry_set_perm(en, 0644);
        archive_write_header(a, en);
        if (!e.symlink) archive_write_data(a, e.data.data(), e.data.size());
        archive_entry_free(en);
    }
    archive_write_close(a);
    archive_write_free(a);
}

} // namespace vorsan::wells::test
