// The wire texts of rows and snapshots and the state file, without a server.
#include "company/pg_session.h"
#include "company/row_text.h"
#include "company/sync_state.h"

#include <gtest/gtest.h>

namespace vorsan::company {
namespace {

JournalRecord at(int y, int mo, int d, int h, int mi, int s) {
    JournalRecord r;
    r.year = std::uint16_t(y);
    r.month = std::uint8_t(mo);
    r.day = std::uint8_t(d);
    r.hour = std::uint8_t(h);
    r.minute = std::uint8_t(mi);
    r.second = std::uint8_t(s);
    return r;
}

struct MomentCase {
    JournalRecord r;
    const char* text; // nullptr: no moment
};

TEST(MomentText, CalendarMomentsOnly) {
    const MomentCase cases[] = {
        {at(2024, 3, 5, 7, 5, 9), "2024-03-05 07:05:09"},
        {at(2024, 2, 29, 23, 59, 59), "2024-02-29 23:59:59"},
        {at(2023, 2, 29, 0, 0, 0), nullptr},
        {at(2024, 2, 31, 0, 0, 0), nullptr},
        {at(2024, 1, 1, 24, 0, 0), nullptr},
        {at(2024, 1, 1, 0, 60, 0), nullptr},
        {at(2024, 1, 1, 0, 0, 60), nullptr},
        {at(2024, 0, 1, 0, 0, 0), nullptr},
    };
    for (const MomentCase& c : cases) {
        const auto t = momentText(c.r);
        if (c.text)
            EXPECT_EQ(t.value_or("none"), c.text);
        else
            EXPECT_FALSE(t) << *t;
    }
}

TEST(RowLine, FieldsInOrderWithTheOilfieldEscaped) {
    JournalRecord r = at(2024, 3, 5, 7, 5, 9);
    r.SOBYTIE = 255;
    r.EXT_ZAP = 3;
    r.NUM_UST = 21;
    r.OLD_ZN = 1;
    r.NEW_ZN = 65535;
    r.UAB = 380;
    r.UBC = 381;
    r.UCA = 379;
    r.IA = 12.5;
    r.IB = 0.04;
    r.IC = 1000;
    r.ZAGR = 85;
    r.SOP = 65535;
    r.P = 40;
    r.T = 75;
    r.COS_ = 255;
    std::string line;
    ASSERT_TRUE(appendRowLine(line, {"Поле\t1\\", 12, 345}, r));
    EXPECT_EQ(line,
              "Поле\\t1\\\\\t12\t345\t2024-03-05 07:05:09\t255\t3\t21\t1\t65535\t380\t381\t379\t12.5\t0.0\t"
              "1000.0\t85\t65535\t40\t75\t255\n");
    std::string none;
    EXPECT_FALSE(appendRowLine(none, {"x", 1, 1}, at(2024, 2, 30, 0, 0, 0)));
    EXPECT_EQ(none, "");
}

TEST(PulledRow, ReadsWhatTheServerSends) {
    PulledRow p;
    ASSERT_TRUE(
        parsePulledRow("17\t3\t20240305070509\t255\t3\t21\t1\t65535\t380\t381\t379\t12.5\t0.0\t1000.0\t85\t"
                       "65535\t40\t75\t255",
                       p));
    EXPECT_EQ(p.seq, 17);
    EXPECT_EQ(p.wellId, 3);
    EXPECT_EQ(p.record.day, 5);
    EXPECT_EQ(p.record.second, 9);
    EXPECT_EQ(p.record.NEW_ZN, 65535);
    EXPECT_DOUBLE_EQ(p.record.IA, 12.5);
    EXPECT_DOUBLE_EQ(p.record.IC, 1000.0);
    EXPECT_EQ(p.record.COS_, 255);
    const char* bad[] = {"", "17\t3",
                         "17\t3\t2024030507050\t255\t3\t21\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1",
                         "17\t3\t20240305070509\t256\t3\t21\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1",
                         "17\t3\t20240305070509\t255\t3\t21\t1\t65536\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1"};
    for (const char* line : bad)
        EXPECT_FALSE(parsePulledRow(line, p)) << line;
}

TEST(RowHash, EveryValueOfTheRecordCounts) {
    const JournalRecord base = at(2024, 3, 5, 7, 5, 9);
    const std::uint64_t h = rowHash(base);
    JournalRecord r = base;
    r.IA = 0.1;
    EXPECT_NE(rowHash(r), h);
    r = base;
    r.second = 10;
    EXPECT_NE(rowHash(r), h);
    r = base;
    r.COS_ = 1;
    EXPECT_NE(rowHash(r), h);
    r = base;
    r.IA = 0.04; // stored as 0.0: the same row
    EXPECT_EQ(rowHash(r), h);
}

TEST(SettingsArray, EightyTwoNumbersOnly) {
    std::vector<std::uint16_t> v(82, 7);
    v[0] = 65535;
    const std::string text = settingsArray(v);
    EXPECT_EQ(text.substr(0, 10), "{65535,7,7");
    EXPECT_EQ(parseSettingsArray(text).value_or(std::vector<std::uint16_t>{}), v);
    EXPECT_FALSE(parseSettingsArray("{1,2,3}"));
    EXPECT_FALSE(parseSettingsArray(""));
    EXPECT_FALSE(parseSettingsArray("{" + std::string(81 * 2, ',') + "}"));
}

TEST(CopyText, FieldsSplitAndUnescaped) {
    const auto f = copyFields("a\\tb\t\tc\\\\");
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(copyFieldText(f[0]), "a\tb");
    EXPECT_EQ(f[1], "");
    EXPECT_EQ(copyFieldText(f[2]), "c\\");
}

TEST(Conninfo, FieldsQuotedAndEmptyOnesLeftOut) {
    EXPECT_EQ(conninfoOf({"office", "5432", "archive", "ivanov", ""}),
              "host='office' port='5432' dbname='archive' user='ivanov'");
    EXPECT_EQ(conninfoOf({"", "", "", "", "office"}), "service='office'");
    // A value cannot smuggle in a keyword of its own.
    const std::string tricky = conninfoOf({"h' password='x", "", "it's", "a\\b", ""});
    EXPECT_EQ(tricky, "host='h\\' password=\\'x' dbname='it\\'s' user='a\\\\b'");
    EXPECT_FALSE(conninfoHasPassword(tricky));
    EXPECT_TRUE(checkSavedConninfo(tricky));
}

TEST(SyncStateFile, RoundTripsWithNamesOfBlanksAndTabs) {
    SyncState s;
    s.archive = "0f3a";
    s.rowsPulled = 1234567890123;
    s.snapshotsPulled = 5;
    s.fieldRows["Северное 2"] = 77;
    s.fieldSnapshots["Северное 2"] = 9;
    s.wells[{"Южное\tполе", 12, 345}] = {10000, 0xdeadbeefcafef00dull, 1360296, 1700000000123456789, 42};
    s.wells[{"A", 0, 65535}] = {};
    const SyncState back = parseSyncState(syncStateText(s));
    EXPECT_EQ(syncStateText(back), syncStateText(s));
    EXPECT_EQ(back.wells.at({"Южное\tполе", 12, 345}).fileTime, 1700000000123456789);
    EXPECT_EQ(back.fieldRows.at("Северное 2"), 77);
}

TEST(SyncStateFile, ADamagedFileIsForgotten) {
    for (const char* text :
         {"", "something else\n", "vorsan-sync-state 1\nrows x\n", "vorsan-sync-state 1\nwell 1 2\n"})
        EXPECT_TRUE(parseSyncState(text).archive.empty() && parseSyncState(text).wells.empty()) << text;
}

} // namespace
} // namespace vorsan::company
