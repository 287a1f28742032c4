// vorsan-cli database commands, run as the user runs them.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class CliDb : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vorsan-cli-db-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    // Both streams in one text, as a user reads them on the terminal.
    CliRun cli(const std::string& args) {
        CliRun r = runCli(args, dir);
        r.out += r.err;
        return r;
    }
    std::string dir;
};

} // namespace

TEST_F(CliDb, InitCreatesAnEmptyDatabaseThatChecksClean) {
    const CliRun init = cli("db init " + dir + "/bd");
    ASSERT_EQ(init.status, 0) << init.out;
    for (const char* f : {"ustavki.DBF", "ustavki.CDX", "temp.DBF", "temp.CDX"})
        EXPECT_TRUE(std::filesystem::exists(dir + "/bd/" + f)) << f;
    const CliRun check = cli("dbf check " + dir + "/bd/ustavki.DBF");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("tag KUST_SKV"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("index agrees with the rows"), std::string::npos);
    EXPECT_EQ(cli("db init " + dir + "/bd").status, 0); // again: keeps what is there
}

TEST_F(CliDb, DumpListsRowsInTagOrderAndCheckFindsAStaleIndex) {
    const std::string fixtures = std::string(VORSAN_TESTDATA) + "/db/fixtures/codebase-info/";
    const CliRun dump = cli("dbf dump " + fixtures + "INFO.DBF --tag INF_NAME");
    ASSERT_EQ(dump.status, 0) << dump.out;
    EXPECT_EQ(dump.out.substr(0, dump.out.find('\n')), "recno\tNAME\tAGE\tBIRTH_DATE");
    EXPECT_NE(dump.out.find("\n4\tAbbott\t25\t19950612\n2\tBorgerson\t21\t19950612\n"), std::string::npos)
        << dump.out;
    EXPECT_EQ(cli("dbf dump " + fixtures + "INFO.DBF --tag NOPE").status, 1);
    EXPECT_EQ(cli("dbf dump " + dir + "/missing.DBF").status, 1);

    // An index from another table of the same layout: the check names the disagreeing tags.
    std::filesystem::copy_file(fixtures + "INFO.DBF", dir + "/INFO.DBF");
    std::filesystem::copy_file(std::string(VORSAN_TESTDATA) + "/db/fixtures/codebase-info/INFO.CDX",
                               dir + "/INFO.CDX");
    ASSERT_EQ(cli("dbf check " + dir + "/INFO.DBF").status, 0);
    FILE* f = std::fopen((dir + "/INFO.DBF").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 130 + 1, SEEK_SET); // first row's NAME
    std::fwrite("Zed  ", 1, 5, f);
    std::fclose(f);
    const CliRun check = cli("dbf check " + dir + "/INFO.DBF");
    EXPECT_EQ(check.status, 2) << check.out;
    EXPECT_NE(check.out.find("tag INF_NAME does not agree with the rows"), std::string::npos) << check.out;
}
