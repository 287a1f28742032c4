// vorsan-cli db server-init and db sync against a private server: the last line, the exit
// statuses, the refusals, and the program killed with SIGKILL in the middle.
#include "../core/company/company_test_util.h"
#include "cli_run.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace vorsan::company::test {
namespace {

const ::testing::Environment* const kServer = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

std::string lastLine(const std::string& out) {
    std::string s = out;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s.substr(s.rfind('\n') == std::string::npos ? 0 : s.rfind('\n') + 1);
}

// A database directory with one well of `rows` rows, not held by this program.
std::string databaseWith(wells::test::TempDir& tmp, const std::string& name, int rows) {
    Db d;
    if (rows) {
        EXPECT_TRUE(d.add("Южное", minutes(0, rows), 5, 7).ok);
    }
    const std::string dir = tmp.file(name), from = d.dir();
    d.db.reset();
    std::filesystem::rename(from, dir);
    return dir;
}

TEST(CliSync, ServerInitThenSyncPrintTheSummaryLast) {
    wells::test::TempDir tmp;
    ASSERT_TRUE(superuser("CREATE DATABASE cli" + std::to_string(::getpid())));
    const std::string server =
        quoted(vorsan::company::test::server()->conninfo("postgres", "cli" + std::to_string(::getpid())));
    CliRun r = runCli("db server-init --server " + server, tmp.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(runCli("db server-init --server " + server, tmp.path()).status, 0);
    const std::string a = databaseWith(tmp, "a", 10), b = databaseWith(tmp, "b", 0);
    r = runCli("db sync --server " + server + " --db " + a, tmp.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lastLine(r.out),
              "pushed 10 rows and 1 snapshots of 1 wells; pulled 0 rows and 0 snapshots of 0 wells");
    r = runCli("db sync --server " + server + " --db " + b + " --pull-only --field Другое", tmp.path());
    EXPECT_EQ(lastLine(r.out),
              "pushed 0 rows and 0 snapshots of 0 wells; pulled 0 rows and 0 snapshots of 0 wells");
    r = runCli("db sync --server " + server + " --db " + b + " --field Другое --field Южное", tmp.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lastLine(r.out),
              "pushed 0 rows and 0 snapshots of 0 wells; pulled 10 rows and 1 snapshots of 1 wells");
    EXPECT_EQ(
        runCli("db sync --server " + server + " --db " + b + " --push-only --pull-only", tmp.path()).status,
        2);
}

TEST(CliSync, AFailurePrintsItsReasonAndExitsOne) {
    wells::test::TempDir tmp;
    const std::string a = databaseWith(tmp, "a", 3);
    CliRun r = runCli("db sync --server 'host=/nonexistent user=x dbname=x connect_timeout=2' --db " + a,
                      tmp.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Сервер недоступен."), std::string::npos) << r.err;
    r = runCli("db sync --server " + quoted(server()->conninfo()) + " --db " + a, tmp.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("db server-init"), std::string::npos) << r.err; // no archive in "postgres"
}

TEST(CliSync, ASecondProgramOnTheDatabaseIsRefused) {
    const std::string archive = freshArchive();
    Db held;
    wells::test::TempDir tmp;
    const CliRun r =
        runCli("db sync --server " + quoted(server()->conninfo("postgres", archive)) + " --db " + held.dir(),
               tmp.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("База данных уже открыта другой программой."), std::string::npos) << r.err;
}

// Starts the sync in a child with batches of 5 rows and kills it with SIGKILL after `lines`
// progress lines, in the middle of the next batch.
void killCliSync(const std::string& server, const std::string& dir, int lines) {
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(p[1], 2);
        ::close(p[0]);
        ::setenv("VORSAN_SYNC_BATCH_ROWS", "5", 1);
        const std::string cli = std::string(VORSAN_BINDIR) + "/vorsan-cli";
        ::execl(cli.c_str(), cli.c_str(), "db", "sync", "--server", server.c_str(), "--db", dir.c_str(),
                nullptr);
        ::_exit(127);
    }
    ::close(p[1]);
    char c;
    for (int seen = 0; seen < lines && ::read(p[0], &c, 1) == 1;)
        seen += c == '\n';
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(p[0]);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the sync ended before it was killed";
}

TEST(CliSync, KilledDuringPushAndPullTheNextSyncCompletesIt) {
    const std::string archive = freshArchive();
    const std::string server = vorsan::company::test::server()->conninfo("postgres", archive);
    wells::test::TempDir tmp;
    const std::string a = databaseWith(tmp, "a", 200), b = databaseWith(tmp, "b", 0);
    killCliSync(server, a, 3);
    EXPECT_LT(serverRows(archive), 200);
    CliRun r = runCli("db sync --server " + quoted(server) + " --db " + a, tmp.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(serverRows(archive), 200);
    killCliSync(server, b, 3);
    r = runCli("db sync --server " + quoted(server) + " --db " + b, tmp.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(lastLine(r.out).find("pulled "), std::string::npos);
    r = runCli("db wells --db " + b, tmp.path());
    EXPECT_EQ(r.out, "Южное\t5\t7\n");
    wells::Outcome o;
    auto back = wells::WellDatabase::open(b, ',', o);
    ASSERT_TRUE(back);
    std::vector<JournalRecord> rows;
    ASSERT_TRUE(back->storedRows({"Южное", 5, 7}, rows).ok);
    EXPECT_EQ(rows.size(), 200u);
}

} // namespace
} // namespace vorsan::company::test
