// The well database's operations killed with SIGKILL at random moments: afterwards the database
// opens, every table's index agrees with its rows, and no row or well that was there before the
// interrupted operation is missing (unless the operation was deleting it).
#include "db/file_io.h"
#include "db/well_database.h"
#include "wells_test_util.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan;
using namespace vorsan::wells;
using namespace vorsan::wells::test;

namespace {

constexpr int kRuns = 80;
const WellId kMain{"Новое", 1, 2};
const WellId kSpare{"Тест", 9, 9};

enum class Op { Add, DeleteRows, DeleteWell, AddWellFile, UpdateFromArchive, AddThenShow, Count };

std::string identity(const JournalRecord& r) {
    return std::to_string(r.year * 10000 + r.month * 100 + r.day) + "/" + std::to_string(r.hour) + ":" +
           std::to_string(r.minute) + ":" + std::to_string(r.second) + "/" + std::to_string(r.UAB);
}

struct State {
    std::set<std::string> wells; // "oilfield/pad/well"
    std::map<std::string, std::set<std::string>> rows;
};

std::string wellKey(const WellId& w) {
    return w.oilfield + "/" + std::to_string(w.pad) + "/" + std::to_string(w.well);
}

// Opens the database as the next program would, and reads every well with its rows.
State stateOf(const std::string& dir, int run) {
    State s;
    Outcome o;
    auto db = WellDatabase::open(dir, ',', o);
    EXPECT_TRUE(db) << "run " << run << ": " << o.detail;
    if (!db) return s;
    for (const WellId& w : db->wells()) {
        s.wells.insert(wellKey(w));
        EXPECT_TRUE(db->showWell(w).ok) << "run " << run;
        for (const JournalRecord& r : db->journal().journal.records)
            s.rows[wellKey(w)].insert(identity(r));
    }
    db.reset();
    // Every table's index agrees with its rows (an interrupted change was rolled back whole).
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (!name.ends_with(".DBF")) continue;
        db::Table t;
        EXPECT_TRUE(t.open(e.path().string(), db::OpenMode::ReadOnly)) << name;
        for (const auto& p : t.indexProblems())
            ADD_FAILURE() << "run " << run << ": " << name << ": " << p;
    }
    return s;
}

[[noreturn]] void child(const std::string& dir, Op op, int serial, const std::string& wellFile,
                        const std::string& archive, int doneFd) {
    Outcome o;
    auto db = WellDatabase::open(dir, ',', o);
    if (!db) _exit(2);
    switch (op) {
    case Op::Add: {
        const Journal j = minutes(serial, 30, 2 + serial % 20);
        const WellId& w = serial % 2 ? kMain : kSpare;
        db->addJournal(w.oilfield, {&j, ControllerGeneration::Gen4, settingsFor(ControllerGeneration::Gen4, w.pad, w.well)});
        break;
    }
    case Op::AddThenShow: { // showing clears the flags the addition set, in place
        const Journal j = minutes(serial, 40, 3 + serial % 20);
        db->addJournal(kMain.oilfield, {&j, ControllerGeneration::Gen4, settingsFor(ControllerGeneration::Gen4, kMain.pad, kMain.well)});
        db->showWell(kMain);
        break;
    }
    case Op::DeleteRows:
        db->showWell(kMain);
        if (db->journal().journal.count() > 400)
            db->deleteRows(kMain, shownRecords(*db, {400, 401, 402, db->journal().journal.count() - 1}));
        break;
    case Op::DeleteWell:
        db->deleteWell(kSpare);
        break;
    case Op::AddWellFile:
        db->addWellFile(wellFile);
        break;
    case Op::UpdateFromArchive:
        db->updateFromArchive(archive);
        break;
    case Op::Count:
        break;
    }
    db.reset();
    const char done = 1;
    (void)!write(doneFd, &done, 1);
    for (;;)
        pause();
}

} // namespace

TEST(WellsKillSafety, OperationsSurviveSigkillAtAnyMoment) {
    Db src("source"), target("target");
    // A well file and an archive from another database: the main well with rows of its own and a
    // well the target lacks.
    ASSERT_TRUE(src.add(kMain.oilfield, minutes(0, 300), kMain.pad, kMain.well).ok);
    ASSERT_TRUE(src.add(kMain.oilfield, minutes(5000, 100, 25), kMain.pad, kMain.well).ok);
    ASSERT_TRUE(src.add("Южное", minutes(0, 200), 3, 4).ok);
    const std::string wellFile = src.tmp.file("main.VBD"), archive = src.tmp.file("base.zip");
    ASSERT_TRUE(src.db->showWell(kMain).ok);
    ASSERT_TRUE(src.db->saveWellFile(kMain, wellFile).ok);
    ASSERT_TRUE(src.db->createArchive(archive).ok);
    src.db.reset();
    ASSERT_TRUE(target.add(kMain.oilfield, minutes(0, 450), kMain.pad, kMain.well).ok);
    const std::string dir = target.dir();
    target.db.reset();

    std::mt19937 rng(1405);
    int interrupted = 0, serial = 1000;
    // How long each operation takes here when left alone: kills are spread over 0 .. that.
    useconds_t span = 1000;
    for (int o = 0; o < static_cast<int>(Op::Count); ++o) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) child(dir, static_cast<Op>(o), serial, wellFile, archive, done[1]);
        serial += 31;
        close(done[1]);
        char byte;
        (void)!read(done[0], &byte, 1);
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        span = std::min<useconds_t>(400000, std::max(span, static_cast<useconds_t>(us.count())));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(done[0]);
    }
    for (int run = 0; run < kRuns; ++run) {
        const State before = stateOf(dir, run);
        const Op op = static_cast<Op>(rng() % static_cast<unsigned>(Op::Count));
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) child(dir, op, serial, wellFile, archive, done[1]);
        serial += 31;
        close(done[1]);
        usleep(static_cast<useconds_t>(rng() % span));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        char byte;
        if (read(done[0], &byte, 1) != 1) ++interrupted;
        close(done[0]);
        ASSERT_FALSE(WIFEXITED(status)) << "child could not open the database";

        const State after = stateOf(dir, run);
        for (const std::string& w : before.wells) {
            if (op == Op::DeleteWell && w == wellKey(kSpare)) continue;
            EXPECT_TRUE(after.wells.count(w)) << "run " << run << " lost the well " << w;
            std::size_t lost = 0;
            const auto had = before.rows.find(w);
            if (had == before.rows.end()) continue;
            for (const std::string& r : had->second)
                lost += !after.rows.count(w) || !after.rows.at(w).count(r);
            if (op != Op::DeleteRows || w != wellKey(kMain)) {
                EXPECT_EQ(lost, 0u) << "run " << run << " (" << int(op) << ") lost rows of " << w;
            } else {
                EXPECT_LE(lost, 4u) << "run " << run << " deleted more than it was asked";
            }
        }
    }
    EXPECT_GT(interrupted, kRuns / 5);
    std::printf("%d of %d runs killed inside the operation (kills spread over %u us)\n", interrupted, kRuns, span);
}
