// Tables written here, read by other xBase implementations: Perl's XBase and XBase::Index
// (libdbd-xbase-perl) for rows, tag directory and every tag's keys and record numbers, and
// python's dbfread for rows, field layout and the code page.
#include "db/well_database.h"
#include "db_test_util.h"
#include "text/cp1251.h"
#include "text/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::db::test;

namespace {

std::string scriptDir() {
    return std::string(VORSAN_TESTDATA) + "/../core/db/";
}

std::vector<std::vector<std::string>> runLines(const std::string& command) {
    std::vector<std::vector<std::string>> out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    std::string all;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        all.append(buf, n);
    const int status = ::pclose(p);
    EXPECT_EQ(status, 0) << command << "\n" << all.substr(0, 2000);
    std::istringstream in(all);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cols;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cols.push_back(line.substr(start, tab - start));
        cols.push_back(line.substr(start));
        out.push_back(cols);
    }
    return out;
}

std::string hex(std::string_view s) {
    static const char* d = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s)
        h += d[c >> 4], h += d[c & 15];
    return h;
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

std::string fmt(const char* f, double v) {
    char b[64];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

// Expected (recno, key) walk of a tag: keys built here from the values written, sorted by key
// then record number; for a unique tag only the first record of each key.
std::vector<std::pair<int, std::string>> expectedWalk(std::vector<std::string> keys, bool unique) {
    std::vector<std::pair<std::string, int>> v;
    for (std::size_t i = 0; i < keys.size(); ++i)
        v.emplace_back(keys[i], static_cast<int>(i + 1));
    std::sort(v.begin(), v.end());
    std::vector<std::pair<int, std::string>> out;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (!unique || i == 0 || v[i].first != v[i - 1].first)
            out.emplace_back(v[i].second, hex(rtrim(v[i].first)));
    return out;
}

std::map<std::string, std::vector<std::pair<int, std::string>>>
walksOf(const std::vector<std::vector<std::string>>& lines) {
    std::map<std::string, std::vector<std::pair<int, std::string>>> out;
    for (const auto& l : lines)
        if (l[0] == "KEY" && l.size() == 4) out[l[1]].emplace_back(std::stoi(l[2]), l[3]);
    return out;
}

struct WrittenWell {
    std::vector<JournalRecord> recs;
    std::vector<std::string> dataKeys, datTKeys;
    int deletedRecno = 0;
};

// The "DATA" and "DATt" keys of a record as the layout defines them, spelled out here.
std::pair<std::string, std::string> keysOf(const JournalRecord& r) {
    char date[16], tail[64];
    std::snprintf(date, sizeof date, "%04d%02d%02d", r.year, r.month, r.day);
    const std::string moment = std::string(date) + timeText(r.hour, r.minute, r.second);
    std::snprintf(tail, sizeof tail, "%3d%3d%5d%5d%5d%5d%5d%5d", r.SOBYTIE, r.EXT_ZAP, r.NUM_UST, r.OLD_ZN,
                  r.NEW_ZN, r.UAB, r.UBC, r.UCA);
    std::string values = tail;
    for (double a : {r.IA, r.IB, r.IC}) {
        const std::string x = formatFixed(a, 1, '.');
        values += std::string(7 - x.size(), ' ') + x;
    }
    std::snprintf(tail, sizeof tail, "%5d%6d%5d%6d%5d", r.ZAGR, r.SOP, r.P, r.T, r.COS_);
    values += tail;
    return {moment, moment + values};
}

JournalRecord recordNo(int i) {
    JournalRecord r = makeRecord(1 + (i * 7919) % 28, (i * 13) % 24, (i * 31) % 60,
                                 i % 3 == 0 ? 0 : (i * 17) % 60, i % 5 == 0 ? 250 : (i % 2 ? 255 : 3), i);
    if (r.SOBYTIE == 250) r.NUM_UST = static_cast<std::uint16_t>(21 + i % 77), r.NEW_ZN = static_cast<std::uint16_t>(i);
    if (i == 7) r.SOP = 65535, r.OLD_ZN = 65535;
    return r;
}

std::vector<FieldValue> rowOf(const JournalRecord& r) {
    std::vector<FieldValue> v;
    wellRowValues(r, 12, 345, v);
    return v;
}

// The keys each written record should have in the two tags.
void noteKeys(WrittenWell& w) {
    for (const JournalRecord& r : w.recs) {
        const auto [data, datT] = keysOf(r);
        w.dataKeys.push_back(data);
        w.datTKeys.push_back(datT);
    }
}

// 1500 journal rows (a three-level index for "DATt"), one of them deleted afterwards.
WrittenWell writeWell(const std::string& path) {
    WrittenWell w;
    Table::create(path, wellTableLayout());
    Table t;
    t.open(path);
    std::vector<std::vector<FieldValue>> rows;
    for (int i = 0; i < 1500; ++i) {
        const JournalRecord r = recordNo(i);
        rows.push_back(rowOf(r));
        w.recs.push_back(r);
    }
    t.appendRows(rows);
    t.goToRecno(10);
    t.deleteCurrent();
    w.deletedRecno = 10;
    t.close();
    noteKeys(w);
    return w;
}

// The same rows stored in steps the index takes in place: batches whose moments fall between
// those already there, a merge that replaces rows, moments changed, a row deleted.
WrittenWell writeWellInSteps(const std::string& path) {
    WrittenWell w;
    Table::create(path, wellTableLayout());
    Table t;
    t.open(path);
    for (int batch = 0; batch < 3; ++batch) {
        std::vector<std::vector<FieldValue>> rows;
        for (int i = batch; i < 1500; i += 3) {
            const JournalRecord r = recordNo(i);
            rows.push_back(rowOf(r));
            w.recs.push_back(r);
        }
        t.appendRows(rows);
    }
    // The same records merged again (replaced in place) with a few new ones.
    std::vector<std::vector<FieldValue>> again;
    for (int i = 1495; i < 1520; ++i) {
        const JournalRecord r = recordNo(i);
        again.push_back(rowOf(r));
        if (i >= 1500) w.recs.push_back(r);
    }
    t.setTag("DATt");
    t.mergeRows(again);
    t.setTag("");
    for (std::uint32_t recno : {3u, 600u, 1201u}) {
        t.goToRecno(recno);
        JournalRecord& r = w.recs[recno - 1];
        r.hour = static_cast<std::uint8_t>((r.hour + 5) % 24);
        t.setField(kWellTime, timeText(r.hour, r.minute, r.second));
    }
    t.goToRecno(10);
    t.deleteCurrent();
    w.deletedRecno = 10;
    t.close();
    noteKeys(w);
    return w;
}

struct Snapshot {
    std::string mesto; // UTF-8
    int kust, skv;
};

const std::vector<Snapshot> kSnapshots = {{"Щука 1", 5, 17}, {"Новое", 12, 345}, {"Новое", 12, 7},
                                          {"Abc", 1, 2},     {"Новое", 3, 99},   {"Ёлка", 1, 1}};

void writeSnapshots(const std::string& path) {
    Table::create(path, settingsSnapshotLayout());
    Table t;
    t.open(path);
    for (const Snapshot& s : kSnapshots) {
        std::vector<FieldValue> v;
        v.emplace_back(utf8ToCp1251(s.mesto).bytes);
        v.emplace_back(double(s.kust));
        v.emplace_back(double(s.skv));
        v.emplace_back(Date{2024, 2, 29});
        v.emplace_back(std::string("23/59/01"));
        for (int i = 1; i <= kSnapshotValues; ++i)
            v.emplace_back(std::to_string(i * 799 % 65536));
        v.emplace_back(s.kust % 2 == 1);
        t.appendRow(v);
    }
    t.close();
}

void checkWithPerlXBase(const std::string& dbf, const std::string& cdx, const WrittenWell& w) {
    const auto lines = runLines("/usr/bin/perl " + scriptDir() + "check_xbase.pl " + dbf + " " + cdx);
    std::vector<std::string> fields, tags;
    std::size_t rows = 0;
    for (const auto& l : lines) {
        if (l[0] == "FIELD") fields.push_back(l[1] + ":" + l[2]);
        if (l[0] == "TAG") tags.push_back(l[1]);
        if (l[0] == "ROW") {
            ASSERT_EQ(l.size(), 3u + kWellFieldCount);
            const int recno = std::stoi(l[1]);
            const JournalRecord& r = w.recs[static_cast<std::size_t>(recno - 1)];
            EXPECT_EQ(l[2], recno == w.deletedRecno ? "1" : "0");
            EXPECT_EQ(l[3 + kWellKust], "12");
            EXPECT_EQ(l[3 + kWellData], fmt("%.0f", r.year * 10000.0 + r.month * 100 + r.day));
            EXPECT_EQ(l[3 + kWellTime], timeText(r.hour, r.minute, r.second));
            EXPECT_DOUBLE_EQ(std::stod(l[3 + kWellIa]), r.IA);
            EXPECT_EQ(std::stoi(l[3 + kWellSop]), r.SOP);
            EXPECT_EQ(std::stoi(l[3 + kWellSobytie]), r.SOBYTIE);
            EXPECT_EQ(l[3 + kWellAdd], "1");
            EXPECT_EQ(std::stoi(l[3 + kWellNewZn]), r.NEW_ZN);
            ++rows;
        }
    }
    EXPECT_EQ(rows, w.recs.size());
    ASSERT_EQ(fields.size(), static_cast<std::size_t>(kWellFieldCount));
    EXPECT_EQ(fields[kWellData], "DATA:D");
    EXPECT_EQ(fields[kWellAdd], "ADD:L");
    EXPECT_EQ(tags, (std::vector<std::string>{"DATA", "DATT"}));
    auto walks = walksOf(lines);
    EXPECT_EQ(walks["DATA"], expectedWalk(w.dataKeys, false));
    EXPECT_EQ(walks["DATT"], expectedWalk(w.datTKeys, false));
    EXPECT_EQ(walks["DATT"].size(), w.recs.size());
}

} // namespace

TEST(IndependentReaders, PerlXBaseReadsWellTableRowsAndWalksBothTags) {
    TempDir dir;
    const WrittenWell w = writeWell(dir.file("novoeK12C345.DBF"));
    checkWithPerlXBase(dir.file("novoeK12C345.DBF"), dir.file("novoeK12C345.CDX"), w);
}

TEST(IndependentReaders, PerlXBaseWalksTagsChangedInPlace) {
    TempDir dir;
    const WrittenWell w = writeWellInSteps(dir.file("novoeK12C345.DBF"));
    checkWithPerlXBase(dir.file("novoeK12C345.DBF"), dir.file("novoeK12C345.CDX"), w);
}

TEST(IndependentReaders, PerlXBaseWalksSnapshotTagsWithCyrillicNames) {
    TempDir dir;
    writeSnapshots(dir.file("ustavki.DBF"));
    const auto lines = runLines("/usr/bin/perl " + scriptDir() + "check_xbase.pl " + dir.file("ustavki.DBF") +
                                " " + dir.file("ustavki.CDX"));
    std::vector<std::string> kustSkv, mest;
    for (const Snapshot& s : kSnapshots) {
        std::string m = utf8ToCp1251(s.mesto).bytes;
        m.resize(kMestoLength, ' ');
        char tail[16];
        std::snprintf(tail, sizeof tail, "%5d%5d", s.kust, s.skv);
        kustSkv.push_back(m + tail);
        mest.push_back(m);
    }
    std::size_t rows = 0;
    for (const auto& l : lines)
        if (l[0] == "ROW") {
            const Snapshot& s = kSnapshots[static_cast<std::size_t>(std::stoi(l[1]) - 1)];
            EXPECT_EQ(cp1251ToUtf8(rtrim(l[3])), s.mesto);
            EXPECT_EQ(l[3 + kSnapU1 + 82 - 1], std::to_string(82 * 799 % 65536));
            ++rows;
        }
    EXPECT_EQ(rows, kSnapshots.size());
    auto walks = walksOf(lines);
    EXPECT_EQ(walks["KUST_SKV"], expectedWalk(kustSkv, false));
    EXPECT_EQ(walks["MEST"], expectedWalk(mest, true));
    EXPECT_EQ(walks["MEST"].size(), 4u); // each oilfield once
}

TEST(IndependentReaders, PythonDbfreadReadsRowsLayoutAndCodePage) {
    TempDir dir;
    writeSnapshots(dir.file("ustavki.DBF"));
    const WrittenWell w = writeWell(dir.file("temp.DBF"));
    {
        const auto lines =
            runLines("/usr/bin/python3 " + scriptDir() + "check_dbfread.py " + dir.file("ustavki.DBF"));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], (std::vector<std::string>{"ENCODING", "cp1251"}));
        std::size_t row = 0, fields = 0;
        for (const auto& l : lines) {
            if (l[0] == "FIELD") ++fields;
            if (l[0] != "ROW") continue;
            ASSERT_EQ(l.size(), 1u + kSnapFieldCount);
            const Snapshot& s = kSnapshots[row++];
            EXPECT_EQ(l[1 + kSnapMesto], s.mesto);
            EXPECT_EQ(l[1 + kSnapKust], fmt("%.4f", s.kust));
            EXPECT_EQ(l[1 + kSnapSkv], fmt("%.4f", s.skv));
            EXPECT_EQ(l[1 + kSnapData], "20240229");
            EXPECT_EQ(l[1 + kSnapTime], "23/59/01");
            EXPECT_EQ(l[1 + kSnapU1], "799");
            EXPECT_EQ(l[1 + kSnapNewFormat], s.kust % 2 == 1 ? "T" : "F");
        }
        EXPECT_EQ(row, kSnapshots.size());
        EXPECT_EQ(fields, static_cast<std::size_t>(kSnapFieldCount));
    }
    const auto lines =
        runLines("/usr/bin/python3 " + scriptDir() + "check_dbfread.py " + dir.file("temp.DBF"));
    std::size_t recno = 0;
    for (const auto& l : lines) {
        if (l[0] == "DELETED") {
            EXPECT_EQ(l[1], "1");
        }
        if (l[0] != "ROW") continue;
        if (++recno == static_cast<std::size_t>(w.deletedRecno)) ++recno;
        const JournalRecord& r = w.recs[recno - 1];
        ASSERT_EQ(l.size(), 1u + kWellFieldCount);
        EXPECT_EQ(l[1 + kWellTime], timeText(r.hour, r.minute, r.second));
        EXPECT_EQ(l[1 + kWellIa], fmt("%.4f", r.IA));
        EXPECT_EQ(l[1 + kWellUab], fmt("%.4f", r.UAB));
        EXPECT_EQ(l[1 + kWellSop], fmt("%.4f", r.SOP));
        EXPECT_EQ(l[1 + kWellCos], fmt("%.4f", r.COS_));
        EXPECT_EQ(l[1 + kWellAdd], "T");
    }
    EXPECT_EQ(recno, 1500u);
}
