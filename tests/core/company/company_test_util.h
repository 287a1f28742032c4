#pragma once
// One private PostgreSQL server for the whole test program, a fresh archive (a database with the
// schema vorsan) per test, local well databases and the rows they hold.
#include "../../pg/private_server.h"
#include "../wells/wells_test_util.h"
#include "company/company_sync.h"
#include "company/row_text.h"
#include "company/server_schema.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>

namespace vorsan::company::test {

using wells::test::Db;
using wells::test::minutes;

inline vorsan::test::PrivateServer*& server() {
    static vorsan::test::PrivateServer* s = nullptr;
    return s;
}

// Started before the first test, stopped and removed after the last (also after failures).
class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        server() = new vorsan::test::PrivateServer;
        ASSERT_EQ(server()->error(), "") << "the tests need a PostgreSQL server of their own";
    }
    void TearDown() override {
        delete server();
        server() = nullptr;
    }
};

// A statement as the superuser of the test's archive `db` (or of "postgres").
inline ServerStatus superuser(const std::string& sql, const std::string& db = "postgres",
                              PgResult* out = nullptr) {
    PgSession s;
    if (auto st = s.connect(server()->conninfo("postgres", db)); !st) return st;
    return s.exec(sql, out);
}

// A database of its own with the archive made in it; its name is returned.
inline std::string freshArchive() {
    static int n = 0;
    const std::string name = "archive" + std::to_string(::getpid()) + "_" + std::to_string(++n);
    EXPECT_TRUE(superuser("CREATE DATABASE " + name)) << "cannot create " << name;
    PgSession s;
    EXPECT_TRUE(s.connect(server()->conninfo("postgres", name)));
    const ServerStatus st = initServerSchema(s);
    EXPECT_TRUE(st) << st.detail;
    return name;
}

inline SyncReport syncDb(Db& d, const std::string& archive, SyncOptions options = {},
                         const std::string& user = "postgres", SyncObserver* observer = nullptr) {
    PgSession s;
    SyncReport r;
    r.status = s.connect(server()->conninfo(user, archive));
    if (!r.status) return r;
    return syncWithArchive(*d.db, s, options, observer);
}

inline std::string counts(const SyncReport& r) {
    return r.status ? r.summaryLine() : "failed: " + r.status.message() + " " + r.status.detail;
}

// Every row of every well of a local database, comparable across databases.
using RowSet = std::vector<std::tuple<std::string, int, int, std::string>>;
inline std::string recordText(const JournalRecord& r) {
    std::string line;
    appendRowLine(line, {"", 0, 0}, r);
    return line;
}
inline RowSet localRows(Db& d) {
    RowSet out;
    for (const wells::WellId& w : d.db->wells()) {
        std::vector<JournalRecord> rows;
        EXPECT_TRUE(d.db->storedRows(w, rows).ok);
        for (const JournalRecord& r : rows)
            out.emplace_back(w.oilfield, w.pad, w.well, recordText(r));
    }
    std::sort(out.begin(), out.end());
    return out;
}
inline long long serverCount(const std::string& archive, const std::string& sql) {
    PgResult r;
    EXPECT_TRUE(superuser(sql, archive, &r));
    return r.rows() ? r.number(0, 0) : -1;
}
inline long long serverRows(const std::string& archive) {
    return serverCount(archive, "SELECT count(*) FROM vorsan.journal_rows");
}

} // namespace vorsan::company::test
