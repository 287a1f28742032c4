// The process is killed with SIGKILL at random moments of appends (after the other rows and
// between them), merges, packs and moments changed in place; afterwards the table must open, its
// index must agree with its rows, no row that was there before the interrupted operation may be
// missing, and a change of moments is there whole or not at all.
#include "db/well_database.h"
#include "db_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::db::test;

namespace {

constexpr int kRuns = 300;
constexpr int kBaseRows = 400;

// Row identity: the moment and the event (the fields of the matching key).
std::string identity(Table& t) {
    return t.displayText(kWellData) + t.getString(kWellTime) + t.displayText(kWellSobytie);
}

// The row of a serial number; `added` is outside the matching key, so a merge of the same serial
// with the other flag replaces the row.
std::vector<FieldValue> rowFor(int serial, bool added) {
    JournalRecord r =
        makeRecord(1 + serial / 86400 % 28, serial / 3600 % 24, serial / 60 % 60, serial % 60, 255);
    r.month = static_cast<std::uint8_t>(1 + serial / (86400 * 28) % 12);
    std::vector<FieldValue> v;
    wellRowValues(r, 7, 8, v);
    v[kWellAdd] = added;
    return v;
}

int rebuiltIndexes = 0; // opens after a kill that found the index stale and rebuilt it

std::multiset<std::string> liveRows(const std::string& path) {
    Table t;
    std::multiset<std::string> out;
    const DbStatus st = t.open(path, OpenMode::Exclusive, wellTableLayout().tags);
    EXPECT_TRUE(st) << st.detail;
    if (t.indexRebuilt()) ++rebuiltIndexes;
    for (t.first(); !t.eof(); t.next())
        out.insert(identity(t));
    return out;
}

enum class Op { Append, Merge, DeleteAndPack, AppendBetween, MoveMoments, Count };

std::string identityOfSerial(int serial);

// A row's moment moved by twelve hours (the rows here all lie in the first hours of a day).
std::string movedTime(const std::string& time) {
    const int hour = std::stoi(time.substr(0, 2));
    return timeText((hour + 12) % 24, std::stoi(time.substr(3, 2)), std::stoi(time.substr(6, 2)));
}

// What the child does: one operation, then it waits to be killed.
[[noreturn]] void child(const std::string& well, const std::string& scratch, Op op,
                        const std::vector<int>& serials, const std::vector<int>& existing, int doneFd) {
    Table w, s;
    if (!w.open(well, OpenMode::Exclusive, wellTableLayout().tags)) _exit(2);
    std::vector<std::vector<FieldValue>> rows;
    switch (op) {
    case Op::Append:
    case Op::AppendBetween:
        for (int n : serials)
            rows.push_back(rowFor(n, true));
        w.appendRows(rows);
        break;
    case Op::MoveMoments: { // one stored change of several rows' keys
        std::set<std::string> ids;
        for (int n : existing)
            ids.insert(identityOfSerial(n));
        for (w.first(); !w.eof(); w.next())
            if (ids.count(identity(w))) w.setField(kWellTime, movedTime(w.getString(kWellTime)));
        w.flush();
        break;
    }
    case Op::Count:
        break;
    case Op::Merge: // rows already there (new values) and new rows
    case Op::DeleteAndPack:
        if (!s.open(scratch, OpenMode::Exclusive, wellTableLayout().tags)) _exit(3);
        s.empty();
        for (int n : existing)
            rows.push_back(rowFor(n, false));
        if (op == Op::Merge)
            for (int n : serials)
                rows.push_back(rowFor(n, true));
        s.appendRows(rows);
        s.setTag("DATt");
        w.setTag("DATt");
        if (op == Op::Merge) {
            w.mergeFrom(s);
        } else {
            w.deleteByKey(s);
            w.pack();
        }
        break;
    }
    w.close();
    s.close();
    const char done = 1;
    (void)!write(doneFd, &done, 1);
    for (;;)
        pause();
}

std::string identityOf(int serial, bool moved = false) {
    const auto v = rowFor(serial, true);
    char date[8];
    formatDateText(std::get<Date>(v[kWellData]), date);
    const std::string time = std::get<std::string>(v[kWellTime]);
    return std::string(date, 8) + (moved ? movedTime(time) : time) + "255";
}

std::set<int> movedSerials; // rows whose moment a run moved (known to the child by inheritance)

std::string identityOfSerial(int serial) {
    return identityOf(serial, movedSerials.count(serial) > 0);
}

} // namespace

TEST(KillSafety, RowsSurviveSigkillAtAnyMoment) {
    TempDir dir;
    ASSERT_TRUE(initDatabase(dir.path()));
    const std::string well = dir.file("killK1C1.DBF"), scratch = dir.file("temp.DBF");
    ASSERT_TRUE(Table::create(well, wellTableLayout()));
    {
        Table w;
        ASSERT_TRUE(w.open(well));
        std::vector<std::vector<FieldValue>> rows;
        for (int i = 0; i < kBaseRows; ++i)
            rows.push_back(rowFor(i * 7, true));
        ASSERT_TRUE(w.appendRows(rows));
    }
    std::map<std::string, int> serialOf; // identity -> serial, for rows the test added
    for (int i = 0; i < kBaseRows; ++i)
        serialOf[identityOf(i * 7)] = i * 7;
    std::set<std::string> base;
    for (const auto& [id, n] : serialOf)
        base.insert(id);

    std::mt19937 rng(20240517);
    // How long one operation takes here (fork to done): kills are spread over 0 .. 1.3 times that.
    useconds_t span = 1000;
    for (int i = 0; i < 3; ++i) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) child(well, scratch, Op::Merge, {}, {0, 7}, done[1]);
        close(done[1]);
        char byte;
        (void)!read(done[0], &byte, 1);
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        // Capped so that a loaded machine does not stretch the test: later kills land earlier.
        span = std::min<useconds_t>(40000, std::max(span, static_cast<useconds_t>(us.count() * 11 / 10)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(done[0]);
    }
    int nextSerial = kBaseRows * 7 + 1;
    int movesStored = 0;
    int interrupted = 0;
    for (int run = 0; run < kRuns; ++run) {
        const std::multiset<std::string> before = liveRows(well);
        const Op op = static_cast<Op>(rng() % static_cast<unsigned>(Op::Count));
        std::vector<int> fresh, existing;
        if (op == Op::AppendBetween) {
            // Moments between the first rows' (which lie seven seconds apart).
            while (fresh.size() < 20) {
                const int n = 7 * static_cast<int>(rng() % kBaseRows) + 1 + static_cast<int>(rng() % 6);
                if (!serialOf.count(identityOf(n)) && std::find(fresh.begin(), fresh.end(), n) == fresh.end())
                    fresh.push_back(n);
            }
        } else {
            for (int i = 0; i < 20; ++i)
                fresh.push_back(nextSerial++);
        }
        // Rows to update, delete or move: taken from the table; deletions and moves only among
        // rows the runs added, and rows once moved no longer match their serial's values.
        for (const std::string& id : before) {
            if (existing.size() >= 25) break;
            const int n = serialOf.at(id);
            if (movedSerials.count(n)) continue;
            if (rng() % 4 == 0 && !((op == Op::DeleteAndPack || op == Op::MoveMoments) && base.count(id)))
                existing.push_back(n);
        }
        if (op != Op::MoveMoments)
            for (int n : fresh)
                serialOf[identityOf(n)] = n;

        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) child(well, scratch, op, fresh, existing, done[1]);
        close(done[1]);
        usleep(static_cast<useconds_t>(rng() % span));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        char byte;
        if (read(done[0], &byte, 1) != 1) ++interrupted; // killed before the operation ended
        close(done[0]);
        ASSERT_FALSE(WIFEXITED(status)) << "child failed to open the tables: " << WEXITSTATUS(status);

        // The table opens; its index agrees with its rows once opened.
        const std::multiset<std::string> after = liveRows(well);
        {
            Table check;
            ASSERT_TRUE(check.open(well, OpenMode::ReadOnly));
            for (const auto& p : check.indexProblems())
                FAIL() << "run " << run << ": " << p;
            Table s;
            ASSERT_TRUE(s.open(scratch, OpenMode::ReadOnly)) << "run " << run;
        }
        // A change of moments is there whole or not at all.
        std::set<std::string> movedFrom, movedTo;
        if (op == Op::MoveMoments) {
            std::size_t moved = 0;
            for (int n : existing) {
                movedFrom.insert(identityOf(n));
                movedTo.insert(identityOf(n, true));
                moved += after.count(identityOf(n, true));
            }
            ASSERT_TRUE(moved == 0 || moved == existing.size()) << "run " << run << " moved " << moved << " of "
                                                                << existing.size();
            if (moved > 0) ++movesStored;
            if (moved > 0)
                for (int n : existing) {
                    serialOf.erase(identityOf(n));
                    movedSerials.insert(n);
                    serialOf[identityOf(n, true)] = n;
                }
        }
        // Every row from before is still there, unless the operation was deleting or moving it; no
        // row doubled; nothing appeared that the operation did not bring.
        std::set<std::string> deletable;
        if (op == Op::DeleteAndPack)
            for (int n : existing)
                deletable.insert(identityOf(n));
        for (const std::string& id : before)
            if (!deletable.count(id) && !movedFrom.count(id)) {
                ASSERT_EQ(after.count(id), 1u) << "run " << run << " lost " << id;
            }
        std::set<std::string> allowed(before.begin(), before.end());
        allowed.insert(movedTo.begin(), movedTo.end());
        if (op != Op::DeleteAndPack && op != Op::MoveMoments)
            for (int n : fresh)
                allowed.insert(identityOf(n));
        for (const std::string& id : after) {
            ASSERT_EQ(after.count(id), 1u) << "run " << run << " doubled " << id;
            ASSERT_TRUE(allowed.count(id)) << "run " << run << " invented " << id;
        }
        for (const std::string& id : base)
            ASSERT_EQ(after.count(id), 1u) << "run " << run;
    }
    // Most kills must land inside an operation, or the test proves little.
    EXPECT_GT(interrupted, kRuns / 5);
    // The rollback journal covers the index too: no kill leaves it to be rebuilt.
    EXPECT_EQ(rebuiltIndexes, 0);
    std::printf(
        "%d of %d runs killed inside the operation (kills spread over %u us); %d stale indexes rebuilt; "
        "%d moves of moments stored\n",
        interrupted, kRuns, span, rebuiltIndexes, movesStored);
}
