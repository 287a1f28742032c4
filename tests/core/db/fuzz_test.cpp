// Mutated tables and indexes (bytes flipped, counts and lengths made extreme, files cut short)
// must give an error or a rebuilt index, never a crash or a read outside the data, also when
// changed afterwards; run under AddressSanitizer in CI.
#include "db/cdx_format.h"
#include "db/well_database.h"
#include "db_test_util.h"
#include "text/cp1251.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::db::test;

namespace {

struct Seed {
    std::vector<std::uint8_t> dbf, cdx;
    std::vector<TagDef> tags;
};

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

void mutate(std::vector<std::uint8_t>& b, std::mt19937& rng) {
    const int n = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < n && !b.empty(); ++i) {
        const std::size_t at = rng() % b.size();
        switch (rng() % 7) {
        case 0: // random byte
            b[at] = static_cast<std::uint8_t>(rng());
            break;
        case 1: // bit flip
            b[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            break;
        case 2: // cut short
            b.resize(at);
            break;
        case 3: { // extreme 16/32-bit value in a header or node field
            const std::size_t p = (rng() % 2 ? at % 64 : at) & ~std::size_t(1);
            const std::uint32_t v =
                std::array<std::uint32_t, 5>{0, 0xFFFFFFFF, 0x7FFFFFFF, 0x200, 1}[rng() % 5];
            for (std::size_t k = 0; k < 4 && p + k < b.size(); ++k)
                b[p + k] = static_cast<std::uint8_t>(v >> (8 * k));
            break;
        }
        case 4: // a block copied over another (nodes pointing at nodes of other kinds)
            if (b.size() >= 1024) {
                const std::size_t from = (rng() % (b.size() / 512)) * 512,
                                  to = (rng() % (b.size() / 512)) * 512;
                std::copy(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + 512),
                          b.begin() + static_cast<long>(to));
            }
            break;
        case 5: // the terminator of the field descriptors removed
            for (std::size_t k = 32; k < std::min<std::size_t>(b.size(), 4096); ++k)
                if (b[k] == 0x0D) {
                    b[k] = 'X';
                    break;
                }
            break;
        default: // junk appended
            for (int k = 0; k < 100; ++k)
                b.push_back(static_cast<std::uint8_t>(rng()));
        }
    }
}

// Everything a reader can do with an open table.
void exercise(Table& t) {
    std::vector<std::string> names = {""};
    for (const TagDef& tag : t.tags())
        names.push_back(tag.name);
    for (const std::string& name : names) {
        if (!t.setTag(name)) continue;
        std::size_t n = 0;
        for (t.first(); !t.eof() && n < 100000; t.next(), ++n)
            for (std::size_t f = 0; f < t.fields().size(); ++f) {
                (void)t.displayText(static_cast<int>(f));
                (void)t.getNumber(static_cast<int>(f));
                (void)t.getDate(static_cast<int>(f));
            }
        EXPECT_EQ(n, t.count());
    }
}

std::vector<Seed> seeds(const TempDir& dir) {
    std::vector<Seed> out;
    // A well table large enough for a two-level index, and a snapshot table with Cyrillic names.
    {
        Table::create(dir.file("W.DBF"), wellTableLayout());
        Table w;
        w.open(dir.file("W.DBF"));
        std::vector<std::vector<FieldValue>> rows;
        for (int i = 0; i < 400; ++i) {
            std::vector<FieldValue> v;
            wellRowValues(makeRecord(1 + i % 28, i % 24, i % 60, i % 59, i % 2 ? 255 : 3, i), 1, 2, v);
            rows.push_back(v);
        }
        w.appendRows(rows);
        w.close();
        Seed s;
        readWholeFile(dir.file("W.DBF"), s.dbf);
        readWholeFile(dir.file("W.CDX"), s.cdx);
        s.tags = wellTableLayout().tags;
        out.push_back(s);
    }
    {
        Table::create(dir.file("U.DBF"), settingsSnapshotLayout());
        Table u;
        u.open(dir.file("U.DBF"));
        for (int i = 0; i < 5; ++i) {
            std::vector<FieldValue> v;
            v.emplace_back(utf8ToCp1251(i % 2 ? "Новое" : "Щука").bytes);
            v.emplace_back(double(i));
            v.emplace_back(double(i * 3));
            v.emplace_back(Date{2024, 1, 1});
            v.emplace_back(std::string("01/02/03"));
            for (int k = 0; k < kSnapshotValues; ++k)
                v.push_back(std::to_string(k));
            v.push_back(true);
            u.appendRow(v);
        }
        u.close();
        Seed s;
        readWholeFile(dir.file("U.DBF"), s.dbf);
        readWholeFile(dir.file("U.CDX"), s.cdx);
        s.tags = settingsSnapshotLayout().tags;
        out.push_back(s);
    }
    for (const auto& [d, c] : std::vector<std::pair<std::string, std::string>>{
             {"codebase-info/INFO.DBF", "codebase-info/INFO.CDX"},
             {"harbour-cotacao/cotacao.dbf", "harbour-cotacao/cotacao.cdx"},
             {"vfp-calls/calls.dbf", "vfp-calls/calls.CDX"}}) {
        Seed s;
        readWholeFile(fixture(d), s.dbf);
        readWholeFile(fixture(c), s.cdx);
        out.push_back(s);
    }
    return out;
}

} // namespace

TEST(Fuzz, MutatedTablesAndIndexesNeverCrash) {
    TempDir dir;
    const auto all = seeds(dir);
    std::mt19937 rng(99);
    const std::string dbf = dir.file("F.DBF"), cdx = dir.file("F.CDX");
    int opened = 0, refused = 0, rebuilt = 0;
    for (int iter = 0; iter < 1500; ++iter) {
        const Seed& s = all[rng() % all.size()];
        std::vector<std::uint8_t> d = s.dbf, c = s.cdx;
        const int which = static_cast<int>(rng() % 3);
        if (which != 1) mutate(d, rng);
        if (which != 0) mutate(c, rng);
        writeBytes(dbf, d);
        writeBytes(cdx, c);

        std::vector<CdxTag> tags;
        (void)readCdx(
            c, [](const CdxTag& t) { return t.keyLength == 8 ? std::uint8_t(0) : std::uint8_t(0x20); }, tags);

        Table t;
        const bool writable = iter % 8 == 0;
        const DbStatus st = t.open(dbf, writable ? OpenMode::Exclusive : OpenMode::ReadOnly, s.tags);
        if (!st) {
            ++refused;
            EXPECT_FALSE(st.detail.empty());
            continue;
        }
        ++opened;
        if (t.indexRebuilt()) ++rebuilt;
        exercise(t);
        if (writable) {
            // Changes go into whatever index the table has, in place: a row appended, and the
            // first field of the first row (a key of most tags) changed.
            (void)t.appendRow({});
            t.setTag("");
            t.first();
            if (!t.eof() && !t.fields().empty()) {
                const FieldDef& f = t.fields()[0];
                if (f.type == 'C') (void)t.setField(0, std::string("zz"));
                if (f.type == 'N') (void)t.setField(0, 7.0);
                if (f.type == 'D') (void)t.setField(0, Date{2001, 2, 3});
            }
            t.close();
            Table again; // whatever was rebuilt now agrees with the rows
            if (again.open(dbf, OpenMode::ReadOnly)) {
                for (const auto& p : again.indexProblems())
                    ADD_FAILURE() << "iteration " << iter << ": " << p;
            }
        }
    }
    std::printf("opened %d (index rebuilt %d), refused %d\n", opened, rebuilt, refused);
    EXPECT_GT(opened, 100);
    EXPECT_GT(refused, 100);
}
