// Well files and archives between database directories, hostile archives, and what an
// independent xBase reader sees after our changes.
#include "db/file_io.h"
#include "text/cp1251.h"
#include "wells/archive.h"
#include "wells/well_file.h"
#include "wells_test_util.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace vorsan;
using namespace vorsan::wells;
using namespace vorsan::wells::test;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& path) {
    std::vector<std::uint8_t> b;
    db::readWholeFile(path, b);
    return b;
}
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

std::size_t filesIn(const std::string& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

// ---- well files ---------------------------------------------------------------------------------

TEST(WellFile, ByteLayout) {
    WellFile f;
    f.generation = ControllerGeneration::Gen3;
    f.table = {1, 2, 3};
    f.index = {4, 5};
    f.values.fill(7);
    f.oilfield = "Ааааааааааааааааааааааааааааа1"; // 30 characters
    const auto b = wellFileBytes(f);
    ASSERT_EQ(b.size(), 3u + 2u + 211u);
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + 21),
              (std::vector<std::uint8_t>{3, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEC, 0xE1, 1, 2,
                                         3, 4, 5}));
    EXPECT_EQ(b[21], 7);
    EXPECT_EQ(b[21 + 164], 0xC0); // "А" in Windows-1251
    EXPECT_EQ(b[21 + 164 + 29], '1');
    EXPECT_EQ(b.back(), 30);
    const auto back = parseWellFile(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->oilfield, f.oilfield);
    EXPECT_EQ(back->table, f.table);
    EXPECT_EQ(back->pad(), 7);
}

TEST(WellFile, RoundTripBetweenTwoDatabases) {
    Db a("a"), b("b");
    ASSERT_TRUE(a.add("Щука 1", minutes(0, 5), 12, 345).ok);
    const std::string file = a.tmp.file("well.VBD");
    ASSERT_TRUE(a.db->saveWellFile(*a.db->shownWell(), file).ok);
    ASSERT_TRUE(b.db->addWellFile(file).ok);
    EXPECT_EQ(b.db->wells(), (std::vector<WellId>{{"Щука 1", 12, 345}}));
    EXPECT_EQ(b.db->journal().journal.records, a.db->journal().journal.records);
    EXPECT_EQ(b.db->settingsPage().size(), a.db->settingsPage().size());
    EXPECT_EQ(b.db->settings().catalogue.entries[0].value, a.db->settings().catalogue.entries[0].value);

    // Into a database that has the well: rows of both, none doubled, snapshot moment the newest row.
    ASSERT_TRUE(b.add("Щука 1", minutes(3, 5, 2), 12, 345).ok);
    ASSERT_TRUE(a.add("Щука 1", minutes(4, 2, 3), 12, 345).ok);
    ASSERT_TRUE(a.db->saveWellFile(*a.db->shownWell(), file).ok);
    ASSERT_TRUE(b.db->addWellFile(file).ok);
    EXPECT_EQ(b.db->journal().journal.count(), 12u);
    EXPECT_EQ(b.db->settings().momentText, "03.03.2024 00/05/00");
}

TEST(WellFile, DamagedFilesChangeNothing) {
    Db a;
    ASSERT_TRUE(a.add("Новое", minutes(0, 3), 1, 2).ok);
    const std::string file = a.tmp.file("w.VBD");
    ASSERT_TRUE(a.db->saveWellFile(*a.db->shownWell(), file).ok);
    const auto good = bytesOf(file);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    auto zeroMarker = good;
    zeroMarker[14] = zeroMarker[15] = 0;
    auto shorter = good;
    shorter.resize(good.size() - 1);
    auto notATable = good;
    for (std::size_t i = 16; i < 48; ++i)
        notATable[i] = 0x55;
    const Case cases[] = {{"marker 0x0000", zeroMarker}, {"shorter than its sizes", shorter},
                          {"tables do not open", notATable}, {"empty", {}}};
    Db b;
    for (const Case& c : cases) {
        writeBytes(file, c.bytes);
        const std::size_t before = filesIn(b.dir());
        const Outcome o = b.db->addWellFile(file);
        EXPECT_FALSE(o.ok) << c.what;
        if (!c.bytes.empty()) {
            EXPECT_EQ(o.message, "Файл поврежден, открытие невозможно.") << c.what;
        }
        EXPECT_EQ(filesIn(b.dir()), before) << c.what;
        EXPECT_TRUE(b.db->wells().empty()) << c.what;
    }
}

// ---- archives --------------------------------------------------------------------------------------

TEST(Archive, RoundTripMergesIntoAnotherDatabase) {
    Db a("a"), b("b");
    ASSERT_TRUE(a.add("Новое", minutes(0, 4), 1, 2).ok);
    ASSERT_TRUE(a.add("Южное", minutes(0, 3), 5, 6).ok);
    ASSERT_TRUE(b.add("Новое", minutes(10, 2, 9), 1, 2).ok);
    const std::string zip = a.tmp.file("base.zip");
    ASSERT_TRUE(a.db->createArchive(zip).ok);
    std::size_t calls = 0;
    const Outcome o = b.db->updateFromArchive(zip, [&](std::size_t, std::size_t) { ++calls; });
    ASSERT_TRUE(o.ok) << o.message << o.detail;
    EXPECT_GE(calls, 2u);
    EXPECT_FALSE(b.db->shownWell());
    EXPECT_EQ(b.db->wells(), (std::vector<WellId>{{"Новое", 1, 2}, {"Южное", 5, 6}}));
    ASSERT_TRUE(b.db->showWell({"Новое", 1, 2}).ok);
    EXPECT_EQ(b.db->journal().journal.count(), 6u); // local rows missing from the archive stay
    EXPECT_EQ(b.db->settings().momentText, "01.03.2024 00/03/00"); // the archive's snapshot
    ASSERT_TRUE(b.db->showWell({"Южное", 5, 6}).ok);
    EXPECT_EQ(b.db->journal().journal.count(), 3u);
}

TEST(Archive, HostileArchivesAreRefusedAndLeaveNothing) {
    TempDir tmp;
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    Db d;
    const std::string big(4096, 'x');
    struct Case {
        const char* what;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {"dot-dot", {{"BD/../../evil.DBF", "x"}}},
        {"absolute", {{"/tmp/evil.DBF", "x"}}},
        {"symlink", {{"BD/ustavki.DBF", "/etc/passwd", true}}},
        {"oversized", {{"BD/ustavki.DBF", big}}},
        {"oversized together", {{"BD/a.DBF", big.substr(0, 1000)}, {"BD/b.CDX", big.substr(0, 1000)}}},
        {"not an archive", {}},
    };
    for (const Case& c : cases) {
        const std::string path = tmp.file("hostile.tar");
        if (c.entries.empty())
            writeBytes(path, {1, 2, 3, 4, 5, 6, 7, 8});
        else
            writeArchive(path, c.entries);
        TempDir target;
        UnpackLimits small;
        small.maxEntryBytes = 1024;
        small.maxTotalBytes = 1500;
        const ArchiveStatus st = unpackDatabaseArchive(path, target.path(), small);
        EXPECT_FALSE(st.ok) << c.what;
        EXPECT_EQ(filesIn(target.path()), 0u) << c.what << ": " << st.detail;
        if (!std::string(c.what).starts_with("oversized")) {
            const Outcome o = d.db->updateFromArchive(path);
            EXPECT_FALSE(o.ok) << c.what;
            EXPECT_EQ(o.message, "Ошибка, архив не распакован.") << c.what;
        }
    }
    EXPECT_FALSE(db::fileExists(tmp.file("evil.DBF")));
    std::size_t privateDirs = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
        privateDirs += e.path().filename().string().starts_with("vorsan-bd-");
    EXPECT_EQ(privateDirs, 0u);
    ::unsetenv("TMPDIR");
}

// ---- an independent reader ------------------------------------------------------------------------

TEST(IndependentReader, PerlXBaseReadsWellAndSnapshotTablesAfterAddsAndDeletes) {
    Db d;
    ASSERT_TRUE(d.add("Щука", minutes(0, 6), 3, 4).ok);
    ASSERT_TRUE(d.db->deleteRows({"Щука", 3, 4}, shownRecords(*d.db, {0, 2})).ok);
    ASSERT_TRUE(d.add("Щука", minutes(30, 2), 3, 4).ok);
    const std::string script = std::string(VORSAN_TESTDATA) + "/../core/db/check_xbase.pl";
    const auto run = [&](const std::string& base) {
        const std::string cmd = "perl " + script + " " + db::joinPath(d.dir(), base + ".DBF") + " " +
                                db::joinPath(d.dir(), base + ".CDX") + " 2>&1";
        std::string out;
        FILE* p = ::popen(cmd.c_str(), "r");
        char buf[4096];
        for (std::size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        EXPECT_EQ(p ? ::pclose(p) : -1, 0) << out.substr(0, 500);
        return out;
    };
    const std::string well = run("sh_ukaK3C4");
    std::istringstream in(well);
    std::vector<std::string> times, dataKeys;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("ROW\t")) {
            std::vector<std::string> c;
            std::istringstream l(line);
            for (std::string x; std::getline(l, x, '\t');)
                c.push_back(x);
            ASSERT_GE(c.size(), 10u);
            times.push_back(c[6]);
            EXPECT_EQ(c[3], "3");
        } else if (line.starts_with("KEY\tDATA\t")) {
            dataKeys.push_back(line.substr(line.rfind('\t') + 1));
        }
    }
    EXPECT_EQ(times, (std::vector<std::string>{"00/01/00", "00/03/00", "00/04/00", "00/05/00", "00/30/00", "00/31/00"}));
    EXPECT_EQ(dataKeys.size(), 6u);
    EXPECT_TRUE(std::is_sorted(dataKeys.begin(), dataKeys.end()));
    const std::string snapshots = run("ustavki");
    EXPECT_NE(snapshots.find(utf8ToCp1251("Щука").bytes), std::string::npos);
}

// ---- short fuzz of the readers -----------------------------------------------------------------------

TEST(Fuzz, WellFileAndArchiveReadersSurviveDamage) {
    Db a;
    ASSERT_TRUE(a.add("Новое", minutes(0, 20), 1, 2).ok);
    const std::string vbd = a.tmp.file("w.VBD"), zip = a.tmp.file("a.zip");
    ASSERT_TRUE(a.db->saveWellFile(*a.db->shownWell(), vbd).ok);
    ASSERT_TRUE(a.db->createArchive(zip).ok);
    const auto wellBytes = bytesOf(vbd), zipBytes = bytesOf(zip);
    std::mt19937 rng(14);
    Db b;
    const std::string probe = b.tmp.file("probe");
    for (int i = 0; i < 60; ++i) {
        for (const auto* base : {&wellBytes, &zipBytes}) {
            auto m = *base;
            const int edits = 1 + int(rng() % 8);
            for (int e = 0; e < edits && !m.empty(); ++e)
                m[rng() % m.size()] = static_cast<std::uint8_t>(rng());
            if (rng() % 4 == 0) m.resize(rng() % (m.size() + 1));
            writeBytes(probe, m);
            if (base == &wellBytes)
                b.db->addWellFile(probe);
            else
                b.db->updateFromArchive(probe);
        }
    }
    SUCCEED();
}
