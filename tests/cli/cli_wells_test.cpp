// vorsan-cli db commands over the well database, run as the user runs them.
#include "db/cdx_format.h"
#include "db/file_io.h"
#include "db/well_database.h"
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "common/whole_file.h"
#include "settings/catalogue.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

class CliWells : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vorsan-cli-wells-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string text(const fs::path& p) { return readTextFile(p); }
    CliRun run(const std::string& command) { return runCommand(command, dir_); }
    CliRun cli(const std::string& args, const std::string& db = "") {
        return runCli(args + " --db '" + (db.empty() ? (dir_ / "bd").string() : db) + "'", dir_);
    }
    // A generation 4 journal file of `count` measurements a minute apart, day `day`.
    // `perMoment` records share each moment (told apart by their cause).
    std::string journal(const std::string& name, std::uint16_t pad, std::uint16_t well, int count, int day,
                        int perMoment = 1) {
        Journal j;
        for (int i = 0; i < count; ++i) {
            JournalRecord r;
            const int m = i / perMoment;
            r.year = 2024, r.month = 3, r.day = static_cast<std::uint8_t>(day);
            r.hour = static_cast<std::uint8_t>(m / 60), r.minute = static_cast<std::uint8_t>(m % 60);
            r.SOBYTIE = kCodeMeasurement;
            r.EXT_ZAP = static_cast<std::uint8_t>(1 + i % perMoment);
            r.UAB = 380, r.UBC = 381, r.UCA = 382, r.IA = 12.5, r.IB = 12.5, r.IC = 12.5;
            r.SOP = 2000, r.ZAGR = 55, r.COS_ = 87, r.P = 12, r.T = 80;
            j.records.push_back(r);
        }
        JournalImage blank;
        blank.fill(0xFF);
        const auto encoded = encodeJournal(j, ControllerGeneration::Gen4, blank, {}, well, pad);
        auto c = buildCatalogue(ControllerGeneration::Gen4);
        c.byNumber(kGen4PadNumber)->value = pad;
        c.byNumber(kGen4WellNumber)->value = well;
        const fs::path p = dir_ / name;
        EXPECT_EQ(saveJournalFile(p, ControllerGeneration::Gen4, encoded.image, c, CurrentState{}), "");
        return p.string();
    }
    fs::path dir_;
};

} // namespace

TEST_F(CliWells, AddListFindShowAndText) {
    CliRun r = cli("db add " + journal("a.VR4", 12, 345, 3, 1) + " --field ' Новое '");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "added 3 rows to Новое, pad 12, well 345 (3 rows in all)\n");
    ASSERT_EQ(cli("db add " + journal("b.VR4", 7, 1, 2, 2) + " --field Южное").status, 0);
    EXPECT_EQ(cli("db wells").out, "Новое\t12\t345\nЮжное\t7\t1\n");
    EXPECT_EQ(cli("db fields").out, "Новое\nЮжное\n");
    EXPECT_EQ(cli("db find --pad 1").out, "Новое\t12\t345\n");
    EXPECT_EQ(cli("db find --field но").status, 3);

    r = cli("db show Новое 12 345 --decimal-separator ,");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), " 1\t01.03.2024\t00:00:00\t380\t381\t382\t12,5\t12,5\t12,5\t55\t2000\t12\t80\t87\tВыс.напр.")
        << r.out;
    EXPECT_NE(r.out.find("Уставки по кусту: 12,  скважине 345 на: 01.03.2024 00/02/00\n21  "), std::string::npos);
    EXPECT_EQ(cli("db show Новое 12 346").status, 3);

    r = cli("db text Новое 12 345 -o '" + (dir_ / "w.txt").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string t = text(dir_ / "w.txt");
    EXPECT_NE(t.find("\r\n"), std::string::npos);
    EXPECT_NE(t.find("\xEA\xF3\xF1\xF2 \xB9 12"), std::string::npos); // "куст № 12" in Windows-1251

    // The spreadsheet export of the well: its three rows as a workbook another reader opens.
    const std::string xlsx = (dir_ / "w.xlsx").string();
    r = cli("db export Новое 12 345 -o '" + xlsx + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const CliRun dump = run("/usr/bin/python3 " VORSAN_TESTDATA "/../core/report/read_workbook.py '" + xlsx + "'");
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_NE(dump.out.find("A2 date 2024-03-01T00:00:00 "), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("B2 number 380.0 "), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("A4 date "), std::string::npos) << dump.out;
    EXPECT_EQ(dump.out.find("A5 "), std::string::npos) << dump.out;
    EXPECT_EQ(cli("db export Новое 12 345 -o w.pdf").status, 2);
}

TEST_F(CliWells, WellFilesArchivesAndDeleting) {
    ASSERT_EQ(cli("db add " + journal("a.VR4", 1, 2, 5, 1) + " --field Новое").status, 0);
    const std::string vbd = (dir_ / "w.VBD").string(), zip = (dir_ / "a.zip").string();
    ASSERT_EQ(cli("db save-well Новое 1 2 -o '" + vbd + "'").status, 0);
    ASSERT_EQ(cli("db archive -o '" + zip + "'").status, 0);
    const std::string other = (dir_ / "other").string();
    CliRun r = cli("db add-well '" + vbd + "'", other);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "added Новое, pad 1, well 2 (5 rows)\n");
    const std::string third = (dir_ / "third").string();
    ASSERT_EQ(cli("db update-from '" + zip + "'", third).status, 0);
    EXPECT_EQ(cli("db wells", third).out, "Новое\t1\t2\n");

    ASSERT_EQ(cli("db delete-well Новое 1 2").status, 0);
    EXPECT_EQ(cli("db wells").out, "");
    const fs::path bad = dir_ / "bad.VBD";
    fs::copy_file(vbd, bad);
    fs::resize_file(bad, 100);
    r = cli("db add-well '" + bad.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Файл поврежден, открытие невозможно."), std::string::npos) << r.err;
    EXPECT_EQ(cli("db add " + journal("c.VR4", 1, 2, 1, 1) + " --field '   '").status, 1);
    EXPECT_EQ(cli("db add").status, 2);
}

namespace {

std::map<std::string, std::string> filesOf(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out[e.path().filename().string()] = readTextFile(e.path());
    return out;
}

} // namespace

// Archives made by another writer (Python's zipfile) from a real database, each changed in one
// hostile way, merged by the command line in the "C" locale. A refused one names its reason and
// leaves the local database byte for byte as it was; an accepted one loses no well and no row.
TEST_F(CliWells, HostileArchivesAreRefusedWithTheirReasonOrMergedWhole) {
    const std::string src = (dir_ / "src").string(), local = (dir_ / "bd").string();
    ASSERT_EQ(cli("db add " + journal("a.VR4", 1, 2, 4, 1, 2) + " --field Новое", src).status, 0);
    ASSERT_EQ(cli("db add " + journal("b.VR4", 3, 4, 2, 1) + " --field .abc", src).status, 0);
    ASSERT_EQ(cli("db add " + journal("c.VR4", 7, 1, 2, 2) + " --field Южное", local).status, 0);
    const std::string made = (dir_ / "made.zip").string();
    ASSERT_EQ(cli("db archive -o '" + made + "'", src).status, 0);

    // Every well the database lists is in its archive, the dot-named one too.
    const CliRun names = run("python3 -c 'import sys,zipfile; print(\"\\n\".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' '" + made + "'");
    EXPECT_EQ(cli("db wells", src).out, ".abc\t3\t4\nНовое\t1\t2\n");
    EXPECT_EQ(names.out, "BD/\nBD/.abcK3C4.CDX\nBD/.abcK3C4.DBF\nBD/novoeK1C2.CDX\nBD/novoeK1C2.DBF\n"
                         "BD/temp.CDX\nBD/temp.DBF\nBD/ustavki.CDX\nBD/ustavki.DBF\n");

    // The hostile parts: a rollback journal that claims 1 TiB, a snapshot table with a wider
    // MESTO, and the index of "Новое" with the "unique" flag of its "DATA" tag set.
    const fs::path parts = dir_ / "parts";
    fs::create_directory(parts);
    std::vector<std::uint8_t> j = {'V', 'R', 'S', 'N', 'R', 'B', 'J', '2'};
    for (const std::uint64_t v : {std::uint64_t(64), std::uint64_t(1) << 40, std::uint64_t(1) << 40})
        for (int i = 0; i < 8; ++i)
            j.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    j.resize(64, 1);
    ASSERT_TRUE(db::replaceFile((parts / "journal").string(), {j}));
    db::TableLayout wide = db::settingsSnapshotLayout();
    wide.fields[0].length = 100;
    {
        ASSERT_TRUE(db::Table::create((parts / "ustavki.DBF").string(), wide));
        db::Table t;
        ASSERT_TRUE(t.open((parts / "ustavki.DBF").string()));
        std::vector<db::FieldValue> row = {std::string("Novoe"), 1.0, 2.0, db::Date{2024, 3, 1}, std::string("00/01/00")};
        for (int i = 0; i < db::kSnapshotValues; ++i)
            row.emplace_back(std::string("0"));
        row.emplace_back(true);
        ASSERT_TRUE(t.appendRow(row));
    }
    std::vector<std::uint8_t> cdx;
    ASSERT_TRUE(db::readWholeFile(src + "/novoeK1C2.CDX", cdx));
    std::vector<db::CdxTag> tags;
    ASSERT_TRUE(db::readCdx(cdx, [](const db::CdxTag&) { return std::uint8_t(0x20); }, tags));
    for (const db::CdxTag& t : tags)
        if (t.name == "DATA") cdx[t.headerOffset + 14] |= db::kCdxUnique;
    ASSERT_TRUE(db::replaceFile((parts / "flipped.CDX").string(), {cdx}));

    // Entries as zip_entries.py takes them, each quoted for the shell.
    const auto q = [](const std::string& entry) { return "'" + entry + "' "; };
    const std::string good = q("BD/ustavki.DBF=@" + src + "/ustavki.DBF") + q("BD/ustavki.CDX=@" + src + "/ustavki.CDX") +
                             q("BD/novoeK1C2.DBF=@" + src + "/novoeK1C2.DBF") +
                             q("BD/.abcK3C4.DBF=@" + src + "/.abcK3C4.DBF") + q("BD/.abcK3C4.CDX=@" + src + "/.abcK3C4.CDX");
    const std::string goodCdx = q("BD/novoeK1C2.CDX=@" + src + "/novoeK1C2.CDX");
    struct Case {
        const char* what;
        std::string entries;
        std::string message; // empty: merged
    };
    const Case cases[] = {
        {"journal", good + goodCdx + q("BD/ustavki.DBF-journal=@" + (parts / "journal").string()),
         "Ошибка, архив не распакован. (entry \"BD/ustavki.DBF-journal\" is the rollback journal of an "
         "unfinished change: its table was packed while it was being written)"},
        {"wide MESTO",
         q("BD/ustavki.DBF=@" + (parts / "ustavki.DBF").string()) + q("BD/novoeK1C2.DBF=@" + src + "/novoeK1C2.DBF") +
             goodCdx,
         "Нет доступа к данным(ustavki). (ustavki.DBF has the field MESTO C(100) where MESTO C(30) belongs)"},
        {"UTF-8 name leading out", good + q("BD/../Скважина.DBF=zeros:10"),
         "Ошибка, архив не распакован. (entry \"BD/../Скважина.DBF\" leads out of the archive with \"..\")"},
        {"lying size", good + q("BD/novoeK1C2.CDX=lie:300000000"),
         "Ошибка, архив не распакован. (entry \"BD/novoeK1C2.CDX\" holds more than the 1000 bytes its "
         "header records)"},
        {"size past a table's bound", good + q("BD/novoeK1C2.CDX=zeros:300000000"),
         "Ошибка, архив не распакован. (entry \"BD/novoeK1C2.CDX\" is 286 MiB, larger than 256 MiB that a "
         "table of the database can have)"},
        {"UTF-8 names", good + goodCdx + q("BD/Заметки.txt=zeros:10") + q("Отчёты/Куст 1.txt=zeros:10"), ""},
        {"flipped tag flag", good + q("BD/novoeK1C2.CDX=@" + (parts / "flipped.CDX").string()), ""},
        {"dot-name well", "", ""},
    };
    const auto before = filesOf(local);
    const fs::path tmp = dir_ / "tmp";
    fs::create_directory(tmp);
    for (const Case& c : cases) {
        const std::string target = (dir_ / "target").string();
        fs::remove_all(target);
        fs::copy(local, target);
        std::string zip = made;
        if (!c.entries.empty()) {
            zip = (dir_ / "hostile.zip").string();
            CliRun z = run("python3 " VORSAN_TESTDATA "/../cli/zip_entries.py '" + zip + "' " + c.entries);
            ASSERT_EQ(z.status, 0) << c.what << z.err;
        }
        const CliRun r = run("LC_ALL=C TMPDIR='" + tmp.string() + "' '" VORSAN_BINDIR "/vorsan-cli' db update-from '" +
                             zip + "' --db '" + target + "'");
        EXPECT_TRUE(fs::is_empty(tmp)) << c.what;
        if (!c.message.empty()) {
            EXPECT_EQ(r.status, 1) << c.what;
            EXPECT_EQ(r.err, "vorsan-cli: " + c.message + "\n") << c.what;
            EXPECT_EQ(filesOf(target), before) << c.what;
            continue;
        }
        EXPECT_EQ(r.status, 0) << c.what << ": " << r.err;
        EXPECT_EQ(cli("db wells", target).out, ".abc\t3\t4\nНовое\t1\t2\nЮжное\t7\t1\n") << c.what;
        // Two rows in each of two moments: a unique "DATA" would show one a moment.
        const CliRun show = cli("db show Новое 1 2", target);
        EXPECT_EQ(show.out.find(" 5\t"), std::string::npos) << c.what << show.out;
        EXPECT_NE(show.out.find(" 4\t01.03.2024\t00:01:00"), std::string::npos) << c.what << show.out;
        const CliRun check = runCli("dbf check '" + target + "/novoeK1C2.DBF'", dir_);
        EXPECT_EQ(check.status, 0) << c.what << check.out << check.err;
    }
    // The check of a table compares its tags' flags with the program's definition.
    const std::string flippedTable = (dir_ / "flipped").string();
    fs::create_directory(flippedTable);
    fs::copy_file(src + "/novoeK1C2.DBF", flippedTable + "/novoeK1C2.DBF");
    fs::copy_file(parts / "flipped.CDX", flippedTable + "/novoeK1C2.CDX");
    const CliRun flipped = runCli("dbf check '" + flippedTable + "/novoeK1C2.DBF'", dir_);
    EXPECT_EQ(flipped.status, 2);
    EXPECT_NE(flipped.out.find("problem: tag DATA: flags in the index (unique) differ from its definition (not unique)"),
              std::string::npos)
        << flipped.out << flipped.err;
}
