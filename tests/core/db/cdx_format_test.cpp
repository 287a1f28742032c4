#include "db/cdx_format.h"
#include "db/key_expression.h"
#include "db/table.h"
#include "db_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <strings.h>

using namespace vorsan::db;
using namespace vorsan::db::test;

namespace {

std::string hex(const std::uint8_t* p, std::size_t n) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += d[p[i] >> 4], s += d[p[i] & 15];
    return s;
}

// Entries written for `keys` (sorted) and read back.
std::vector<CdxTag> roundTrip(const std::vector<std::string>& keys, int keyLength, std::uint8_t pad,
                              bool unique = false) {
    CdxTagSource s;
    s.name = "T1";
    s.expression = "F";
    s.keyLength = keyLength;
    s.pad = pad;
    s.unique = unique;
    s.count = keys.size();
    s.key = [&](std::size_t i) { return reinterpret_cast<const std::uint8_t*>(keys[i].data()); };
    s.recno = [](std::size_t i) { return static_cast<std::uint32_t>(i + 1); };
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(buildCdx({s}, bytes));
    EXPECT_EQ(bytes.size() % 512, 0u);
    std::vector<CdxTag> tags;
    const DbStatus st = readCdx(
        bytes, [&](const CdxTag&) { return pad; }, tags);
    EXPECT_TRUE(st) << st.detail;
    return tags;
}

} // namespace

TEST(CdxFormat, EmptyTagIsOneRootLeaf) {
    const auto tags = roundTrip({}, 16, 0x20);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].name, "T1");
    EXPECT_EQ(tags[0].size(), 0u);
}

TEST(CdxFormat, ManyKeysMakeAMultiLevelTreeThatReadsBack) {
    // 60000 keys of 37 bytes: leaves, two interior levels; blanks inside and at the end.
    std::vector<std::string> keys;
    std::mt19937 rng(7);
    for (int i = 0; i < 60000; ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "2024%04d%02d/%02d/%02d%6d%6d", i / 100, i % 24, i % 60, (i * 7) % 60,
                      static_cast<int>(rng() % 256), i % 3 == 0 ? 0 : static_cast<int>(rng() % 100));
        std::string k = buf;
        k.resize(37, ' ');
        keys.push_back(k);
    }
    std::sort(keys.begin(), keys.end());
    const auto tags = roundTrip(keys, 37, 0x20);
    ASSERT_EQ(tags.size(), 1u);
    ASSERT_EQ(tags[0].size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(&tags[0].keys[i * 37]), 37), keys[i]) << i;
        ASSERT_EQ(tags[0].recnos[i], i + 1);
    }
}

TEST(CdxFormat, AllPadKeysAndBinaryKeys) {
    std::vector<std::string> keys = {std::string(8, '\0'), std::string("\x80\0\0\0\0\0\0\0", 8),
                                     std::string("\xC0\x35\0\0\0\0\0\0", 8),
                                     std::string("\xC0\x35\0\0\0\0\0\x01", 8)};
    const auto tags = roundTrip(keys, 8, 0x00);
    ASSERT_EQ(tags[0].size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tags[0].keys[i * 8]), 8), keys[i]);
}

TEST(CdxFormat, GarbageIsRefusedNotCrashed) {
    std::vector<std::uint8_t> junk(4096);
    std::mt19937 rng(1);
    for (int round = 0; round < 200; ++round) {
        for (auto& b : junk)
            b = static_cast<std::uint8_t>(rng());
        std::vector<CdxTag> tags;
        (void)readCdx(
            junk, [](const CdxTag&) { return std::uint8_t(0x20); }, tags);
    }
    std::vector<CdxTag> tags;
    EXPECT_EQ(readCdx(
                  std::vector<std::uint8_t>(100), [](const CdxTag&) { return std::uint8_t(0x20); }, tags)
                  .error,
              DbError::BadIndex);
    // A tree pointing at itself.
    std::vector<std::uint8_t> loop(1536, 0);
    loop[0] = 0x00, loop[1] = 0x04; // root at 0x400: an interior node whose child is itself
    loop[12] = 10;
    loop[0x400 + 2] = 1;
    loop[0x400 + 12 + 10 + 4 + 2] = 0x04;
    EXPECT_EQ(readCdx(
                  loop, [](const CdxTag&) { return std::uint8_t(0x20); }, tags)
                  .error,
              DbError::BadIndex);
}

// The sample files written by other engines: every tag, every entry, as the published dumps list.
TEST(CdxFixtures, EveryTagReadsAsTheReferenceDump) {
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"codebase-info/INFO.DBF", "codebase-info/INFO.keys.tsv"},
        {"codebase-data1/DATA1.DBF", "codebase-data1/DATA1.keys.tsv"},
        {"harbour-cotacao/cotacao.dbf", "harbour-cotacao/cotacao.keys.tsv"},
        {"vfp-calls/calls.dbf", "vfp-calls/calls.keys.tsv"}};
    for (const auto& [dbf, tsv] : pairs) {
        Table t;
        ASSERT_TRUE(t.open(fixture(dbf), OpenMode::ReadOnly)) << dbf;
        EXPECT_TRUE(t.indexProblems().empty())
            << dbf << ": " << (t.indexProblems().empty() ? "" : t.indexProblems()[0]);
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(readWholeFile(t.indexPath(), bytes));
        std::vector<CdxTag> tags;
        std::vector<std::uint8_t> dbfBytes;
        ASSERT_TRUE(readWholeFile(fixture(dbf), dbfBytes));
        DbfHeader header;
        ASSERT_TRUE(parseDbfHeader(dbfBytes, dbfBytes.size(), header));
        const auto padFor = [&](const CdxTag& tag) {
            KeyExpression e;
            return e.compile(tag.expression, header) ? e.padByte() : std::uint8_t(0x20);
        };
        ASSERT_TRUE(readCdx(bytes, padFor, tags)) << dbf;
        std::map<std::string, const CdxTag*> byName;
        for (const CdxTag& tag : tags)
            byName[tag.name] = &tag;
        std::ifstream in(fixture(tsv));
        std::string line;
        std::getline(in, line); // column names
        std::size_t lines = 0;
        while (std::getline(in, line)) {
            std::istringstream ls(line);
            std::string name, pos, recno, keyHex;
            std::getline(ls, name, '\t');
            std::getline(ls, pos, '\t');
            std::getline(ls, recno, '\t');
            std::getline(ls, keyHex, '\t');
            ASSERT_TRUE(byName.count(name)) << dbf << " tag " << name;
            const CdxTag& tag = *byName[name];
            const std::size_t i = std::stoul(pos) - 1;
            ASSERT_LT(i, tag.size());
            EXPECT_EQ(tag.recnos[i], std::stoul(recno)) << dbf << " " << name << " " << pos;
            EXPECT_EQ(hex(&tag.keys[i * static_cast<std::size_t>(tag.keyLength)],
                          static_cast<std::size_t>(tag.keyLength)),
                      keyHex)
                << dbf << " " << name << " " << pos;
            ++lines;
        }
        std::size_t total = 0;
        for (const CdxTag& tag : tags)
            total += tag.size();
        EXPECT_EQ(lines, total) << dbf;
    }
}

// Rows as Python's dbfread listed them (character, numeric, date, logical and integer columns).
TEST(CdxFixtures, RowsReadAsTheReferenceDump) {
    for (const std::string base :
         {"codebase-info/INFO", "codebase-data1/DATA1", "harbour-cotacao/cotacao", "vfp-calls/calls"}) {
        Table t;
        const std::string dbf = findIgnoringCase(directoryOf(fixture(base)), fileNameOf(base) + ".dbf");
        ASSERT_TRUE(t.open(dbf, OpenMode::ReadOnly)) << base;
        std::ifstream in(fixture(base + ".rows.tsv"));
        std::string line;
        std::getline(in, line);
        std::size_t n = 0;
        for (t.first(); !t.eof(); t.next(), ++n) {
            ASSERT_TRUE(std::getline(in, line)) << base;
            std::vector<std::string> cols;
            std::istringstream ls(line);
            for (std::string c; std::getline(ls, c, '\t');)
                cols.push_back(c);
            cols.resize(2 + t.fields().size());
            EXPECT_EQ(std::stoul(cols[0]), t.recno());
            for (std::size_t f = 0; f < t.fields().size(); ++f) {
                const char type = t.fields()[f].type;
                const std::string& want = cols[2 + f];
                const int fi = static_cast<int>(f);
                if (type == 'C' || type == 'D' || type == 'L') {
                    EXPECT_EQ(t.displayText(fi), want)
                        << base << " row " << t.recno() << " " << t.fields()[f].name;
                } else if (type == 'N' || type == 'I') {
                    EXPECT_DOUBLE_EQ(t.getNumber(fi), std::stod(want)) << base << " row " << t.recno();
                }
            }
        }
        EXPECT_FALSE(std::getline(in, line)) << base << ": fewer rows than the reference";
    }
}

// Tables of other engines keep their version byte, code page and extra header bytes when changed,
// and their index is maintained.
TEST(CdxFixtures, ChangingAForeignTableKeepsItsFlavour) {
    for (const std::string name :
         {"codebase-info/INFO", "codebase-data1/DATA1", "vfp-calls/calls", "harbour-cotacao/cotacao"}) {
        TempDir dir;
        std::string dbfName;
        for (const auto& e : std::filesystem::directory_iterator(directoryOf(fixture(name)))) {
            const std::string fn = e.path().filename().string();
            if (fn.find(".tsv") != std::string::npos) continue;
            copyFile(e.path().string(), dir.file(fn));
            if (fn.size() > 4 && strcasecmp(fn.c_str() + fn.size() - 4, ".dbf") == 0) dbfName = fn;
        }
        std::vector<std::uint8_t> before, after;
        ASSERT_TRUE(readWholeFile(dir.file(dbfName), before));
        {
            Table t;
            ASSERT_TRUE(t.open(dir.file(dbfName))) << name;
            EXPECT_FALSE(t.indexRebuilt()) << name;
            ASSERT_TRUE(t.appendRow({}));
            t.first();
            ASSERT_TRUE(t.deleteCurrent());
            ASSERT_TRUE(t.close());
        }
        ASSERT_TRUE(readWholeFile(dir.file(dbfName), after));
        const std::size_t headerLength = before[8] | (before[9] << 8);
        EXPECT_EQ(after[0], before[0]) << name;   // version
        EXPECT_EQ(after[29], before[29]) << name; // code page
        EXPECT_EQ(after[4] | (after[5] << 8), (before[4] | (before[5] << 8)) + 1) << name;
        EXPECT_TRUE(std::equal(before.begin() + 32, before.begin() + static_cast<long>(headerLength),
                               after.begin() + 32))
            << name;
        EXPECT_EQ(after[headerLength], '*');
        EXPECT_EQ(after.back(), 0x1A);
        Table check;
        ASSERT_TRUE(check.open(dir.file(dbfName), OpenMode::ReadOnly));
        EXPECT_TRUE(check.indexProblems().empty()) << name << ": " << check.indexProblems().front();
    }
}

// Checks beyond decoding: the leaf chain other engines walk, and interior keys bounding their subtrees.
TEST(CdxFormat, BrokenLeafChainOrInteriorKeyIsReported) {
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%010d", i);
        keys.push_back(buf);
    }
    CdxTagSource s;
    s.name = "T";
    s.expression = "F";
    s.keyLength = 10;
    s.count = keys.size();
    s.key = [&](std::size_t i) { return reinterpret_cast<const std::uint8_t*>(keys[i].data()); };
    s.recno = [](std::size_t i) { return static_cast<std::uint32_t>(i + 1); };
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(buildCdx({s}, good));
    const auto pad = [](const CdxTag&) { return std::uint8_t(0x20); };
    std::vector<CdxTag> tags;
    ASSERT_TRUE(readCdx(good, pad, tags));
    // Tag header at 0x400 names the root; the tag's first leaf follows the directory's region
    // (four leaf slots and a slot for one interior node).
    const std::uint32_t root = good[0x400] | (good[0x401] << 8) | (good[0x402] << 16);
    const std::size_t firstLeaf = 0x800 + 5 * 512;
    ASSERT_EQ(good[firstLeaf] & 0x02, 0x02);
    ASSERT_EQ(good[root] & 0x02, 0x00); // an interior root over the leaves

    auto broken = good;
    std::fill(broken.begin() + static_cast<long>(firstLeaf) + 8,
              broken.begin() + static_cast<long>(firstLeaf) + 12, 0xFF);
    DbStatus st = readCdx(broken, pad, tags);
    EXPECT_EQ(st.error, DbError::BadIndex);
    EXPECT_NE(st.detail.find("sibling"), std::string::npos) << st.detail;

    broken = good;
    std::fill(broken.begin() + root + 12, broken.begin() + root + 22, '0');
    st = readCdx(broken, pad, tags);
    EXPECT_EQ(st.error, DbError::BadIndex);
    EXPECT_NE(st.detail.find("lower than the last key"), std::string::npos) << st.detail;
}
