#include "shell/program_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

using namespace vorsan;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct ReadCase {
    const char* name;
    Bytes bytes;
    SettingsReadStatus status;
    std::string portName;
    int portNumber;
    std::uint32_t speed;
};

const ReadCase kReadCases[] = {
    {"com3 at 57600",
     {0xED, 0xE1, 0x03, 0x00, 0xE1, 0x00, 0x00},
     SettingsReadStatus::Applied,
     "com3",
     3,
     57600},
    {"port 7 keeps com1, speed still read",
     {0xED, 0xE1, 0x07, 0x00, 0xC2, 0x01, 0x00},
     SettingsReadStatus::Applied,
     "com1",
     7,
     115200},
    {"port 0 keeps com1",
     {0xED, 0xE1, 0x00, 0x80, 0x25, 0x00, 0x00},
     SettingsReadStatus::Applied,
     "com1",
     0,
     9600},
    {"com4, speed of any value",
     {0xED, 0xE1, 0x04, 0x01, 0x02, 0x03, 0x04},
     SettingsReadStatus::Applied,
     "com4",
     4,
     0x04030201},
    {"six bytes ignored",
     {0xED, 0xE1, 0x02, 0x00, 0xE1, 0x00},
     SettingsReadStatus::TooShort,
     "com1",
     0,
     9600},
    {"empty ignored", {}, SettingsReadStatus::TooShort, "com1", 0, 9600},
    {"byte-swapped signature ignored",
     {0xE1, 0xED, 0x02, 0x00, 0xE1, 0x00, 0x00},
     SettingsReadStatus::ForeignSignature,
     "com1",
     0,
     9600},
    {"longer file read as seven bytes",
     {0xED, 0xE1, 0x02, 0x00, 0x4B, 0x00, 0x00, 0x99, 0x99},
     SettingsReadStatus::Applied,
     "com2",
     2,
     19200},
};

} // namespace

TEST(ProgramSettings, BytesInStateOut) {
    for (const auto& c : kReadCases) {
        SCOPED_TRACE(c.name);
        ProgramSettings s;
        EXPECT_EQ(applySettingsBytes(c.bytes, s), c.status);
        EXPECT_EQ(s.portName, c.portName);
        EXPECT_EQ(s.portNumber, c.portNumber);
        EXPECT_EQ(s.recorderSpeed, c.speed);
    }
}

TEST(ProgramSettings, StateInBytesOut) {
    ProgramSettings s;
    s.portName = "com2";
    s.recorderSpeed = 38400;
    EXPECT_EQ(settingsBytes(s), (std::array<std::uint8_t, 7>{0xED, 0xE1, 0x02, 0x00, 0x96, 0x00, 0x00}));

    s.portName = "com4";
    s.recorderSpeed = 0x12345678;
    EXPECT_EQ(settingsBytes(s), (std::array<std::uint8_t, 7>{0xED, 0xE1, 0x04, 0x78, 0x56, 0x34, 0x12}));

    // The port number comes from the name, not from what the file held.
    s.portName = "com1";
    s.portNumber = 7;
    EXPECT_EQ(settingsBytes(s)[2], 1);
    s.portName = "/dev/ttyUSB0";
    EXPECT_EQ(settingsBytes(s)[2], 0);
}

TEST(ProgramSettings, PortNames) {
    EXPECT_EQ(portNumberOf("com1"), 1);
    EXPECT_EQ(portNumberOf("com4"), 4);
    EXPECT_EQ(portNumberOf("COM1"), 0);
    EXPECT_EQ(portNumberOf("com5"), 0);
    EXPECT_EQ(portNameOf(3), "com3");
    EXPECT_EQ(portNameOf(0), "");
    EXPECT_EQ(portNameOf(5), "");
}

TEST(ProgramSettings, RecorderSpeedChoices) {
    EXPECT_EQ(recorderSpeedIndex(115200), 0);
    EXPECT_EQ(recorderSpeedIndex(9600), 5);
    EXPECT_EQ(recorderSpeedIndex(19200), 3);
    EXPECT_EQ(recorderSpeedIndex(4800), -1);
}

class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vorsan-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        file_ = dir_ / std::string(kSettingsFileName);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void writeRaw(const Bytes& bytes) {
        std::ofstream out(file_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    Bytes readRaw() {
        std::ifstream in(file_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir_;
    std::filesystem::path file_;
};

TEST_F(SettingsFileTest, MissingFileKeepsDefaults) {
    ProgramSettings s;
    EXPECT_EQ(readSettingsFile(file_, s), SettingsReadStatus::Missing);
    EXPECT_EQ(s.portName, "com1");
    EXPECT_EQ(s.recorderSpeed, 9600u);
}

TEST_F(SettingsFileTest, SixByteFileIsIgnored) {
    writeRaw({0xED, 0xE1, 0x03, 0x00, 0xE1, 0x00});
    ProgramSettings s;
    EXPECT_EQ(readSettingsFile(file_, s), SettingsReadStatus::TooShort);
    EXPECT_EQ(s.portName, "com1");
}

TEST_F(SettingsFileTest, ReadsTheExampleFile) {
    writeRaw({0xED, 0xE1, 0x03, 0x00, 0xE1, 0x00, 0x00});
    ProgramSettings s;
    EXPECT_EQ(readSettingsFile(file_, s), SettingsReadStatus::Applied);
    EXPECT_EQ(s.portName, "com3");
    EXPECT_EQ(s.recorderSpeed, 57600u);
}

TEST_F(SettingsFileTest, ChoosingCom2WritesItsImage) {
    writeRaw({0xED, 0xE1, 0x03, 0x00, 0xE1, 0x00, 0x00, 0x55, 0x55, 0x55});
    ProgramSettings s;
    ASSERT_EQ(readSettingsFile(file_, s), SettingsReadStatus::Applied);
    s.portName = portNameOf(2);
    EXPECT_EQ(writeSettingsFile(file_, s), SettingsWriteStatus::Written);
    EXPECT_EQ(readRaw(), (Bytes{0xED, 0xE1, 0x02, 0x00, 0xE1, 0x00, 0x00})); // replaced, not patched
    EXPECT_FALSE(std::filesystem::exists(dir_ / "vors.set.tmp"));
}

TEST_F(SettingsFileTest, WriteIntoMissingDirectoryFails) {
    ProgramSettings s;
    EXPECT_EQ(writeSettingsFile(dir_ / "no" / "such" / "vors.set", s), SettingsWriteStatus::Failed);
}

TEST_F(SettingsFileTest, DirectoryOfThatNameIsNotReadAsSettings) {
    std::filesystem::create_directory(file_);
    ProgramSettings s;
    EXPECT_NE(readSettingsFile(file_, s), SettingsReadStatus::Applied);
    EXPECT_EQ(s.portName, "com1");
    EXPECT_EQ(s.recorderSpeed, 9600u);
}
