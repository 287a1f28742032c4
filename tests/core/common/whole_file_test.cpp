#include "common/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {
fs::path freshDir(const char* name) {
    const auto dir = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}
} // namespace

TEST(WholeFile, ReplacesContentsAndLeavesNoTemporaryFile) {
    const auto dir = freshDir("whole-file-replace");
    const auto file = dir / "a.VR4";
    ASSERT_EQ(writeWholeFile(file, std::string_view("old contents, longer")), "");
    ASSERT_EQ(writeWholeFile(file, std::string_view("new")), "");
    const auto back = readWholeFile(file);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(std::string(back.bytes.begin(), back.bytes.end()), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

TEST(WholeFile, FailedWriteKeepsTheOldFile) {
    const auto dir = freshDir("whole-file-fail");
    const auto file = dir / "a.us4";
    ASSERT_EQ(writeWholeFile(file, std::string_view("keep me")), "");
    // A directory in the temporary file's place makes the write fail before the old file is touched.
    fs::create_directory(dir / "a.us4.~tmp");
    EXPECT_NE(writeWholeFile(file, std::string_view("lost?")), "");
    const auto back = readWholeFile(file);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(std::string(back.bytes.begin(), back.bytes.end()), "keep me");
    EXPECT_NE(writeWholeFile(dir / "no-such-dir" / "x.VR4", std::string_view("x")), "");
    fs::remove_all(dir);
}
