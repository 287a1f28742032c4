// vorsan-cli show and text, run as a program on files written by the core's save functions.
#include "journal/journal_decode.h"
#include "journal/journal_file.h"
#include "journal/journal_rows.h"
#include "journal/journal_text_export.h"
#include "common/whole_file.h"
#include "settings/catalogue.h"
#include "journal/settings_file.h"
#include "text/cp1251.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& p) { return readTextFile(p); }

class CliJournal : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("cli_journal_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    CliRun cli(const std::string& args) { return runCli(args, dir_); }

    static std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

    static JournalImage sampleImage() {
        JournalImage img;
        img.fill(0xFF);
        // Short event: 05.03.2024 14:07:09, code 3 (underload stop).
        const std::uint8_t event[8] = {0x09, 0x07, 0x14, 0x05, 0x03, 0x24, 3, 0xFF};
        std::copy(event, event + 8, img.begin());
        // Measurement of the same moment: 400/401/402 V, 12.5 A, load 55, marker 0x55.
        std::uint8_t m[32];
        std::fill(m, m + 32, 0xFF);
        const std::uint8_t date[6] = {0x09, 0x07, 0x14, 0x05, 0x03, 0x24};
        std::copy(date, date + 6, m);
        const std::uint16_t words[10] = {400, 401, 402, 125, 126, 127, 2000, 55, 12, 80};
        for (int i = 0; i < 10; ++i) {
            m[6 + 2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
            m[7 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
        }
        m[29] = 87;
        m[30] = 0;
        m[31] = 0x55;
        std::copy(m, m + 32, img.begin() + 2048);
        return img;
    }

    static SettingsCatalogue settings() {
        auto c = buildCatalogue(ControllerGeneration::Gen4);
        c.byNumber(21)->value = 380;
        c.byNumber(34)->value = 125;
        c.byNumber(kGen4PadNumber)->value = 12;
        c.byNumber(kGen4WellNumber)->value = 345;
        return c;
    }

    static CurrentState state() {
        CurrentState s;
        s.status = 0x0001;
        s.UAB = 380;
        s.UBC = 381;
        s.UCA = 382;
        s.IA = 123;
        return s;
    }

    fs::path writeJournal(const std::string& name) {
        const fs::path p = dir_ / name;
        EXPECT_EQ(saveJournalFile(p, ControllerGeneration::Gen4, sampleImage(), settings(), state()), "");
        return p;
    }

    fs::path dir_;
};

TEST_F(CliJournal, TextWritesTheExportOfTheOpenedFile) {
    const auto file = writeJournal("Куст12_Ск345.VR4");
    const auto txt = dir_ / "out.txt";
    const CliRun r = cli("text " + q(file) + " -o " + q(txt) + " --decimal-separator ,");
    ASSERT_EQ(r.status, 0) << r.err;
    // The same bytes as the core's export of the same file.
    auto load = loadJournalFile(file, ControllerGeneration::Gen4, {});
    Journal j = decodeJournal(load.file.image, ControllerGeneration::Gen4).journal;
    const auto rows = buildJournalRows(j, ControllerGeneration::Gen4, load.file.catalogue, ',');
    const auto expected =
        journalTextFile(j, rows, std::string(kCaptionPrefix) + file.string(), 12, 345).bytes;
    EXPECT_EQ(readText(txt), expected);
    const std::string utf8 = cp1251ToUtf8(readText(txt));
    EXPECT_NE(utf8.find("      ВОРСАН 4.074 : " + file.string() + "\r\n      куст № 12   скважина № 345\r\n"),
              std::string::npos);
    EXPECT_NE(
        utf8.find(
            "   1  05.03.2024  14:07:09   400   401   402  12,5  12,6  12,7    55  2000    12    80\r\n"),
        std::string::npos);
    EXPECT_NE(utf8.find("   2  05.03.2024  14:07:09" + std::string(15, ' ') + "Стоп : недогрузка\r\n"),
              std::string::npos);
}

TEST_F(CliJournal, TextUsesTheSeparatorAskedFor) {
    const auto file = writeJournal("a.VR4");
    const CliRun r = cli("text " + q(file) + " -o - --decimal-separator .");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  12.5  12.6  12.7"), std::string::npos);
}

TEST_F(CliJournal, ShowPrintsSettingsStateAndJournal) {
    const auto file = writeJournal("a.VR4");
    const CliRun r = cli("show " + q(file) + " --decimal-separator ,");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* expected :
         {"Generation: 4", "Pad: 12", "Well: 345", "Kind: journal file",
          "  21  Номинальное напряжение: 380 В", "  34  Номинальный ток двигателя: 12,50 А",
          "  Текущее состояние: Работа", "  Ток Ia: 12,3 A",
          "Journal (2 records):", "      куст № 12   скважина № 345", "Стоп : недогрузка"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST_F(CliJournal, ShowReadsSettingsFiles) {
    const fs::path us4 = dir_ / "a.us4";
    ASSERT_EQ(saveSettingsFile(us4, settings(), state()).status, SettingsSaveStatus::ok);
    const CliRun r = cli("show " + q(us4));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Kind: settings file"), std::string::npos);
    EXPECT_NE(r.out.find("Номинальное напряжение: 380 В"), std::string::npos);
    EXPECT_EQ(r.out.find("Journal ("), std::string::npos);

    auto g3 = buildCatalogue(ControllerGeneration::Gen3);
    g3.byNumber(kGen3PadNumber)->value = 7;
    const fs::path ust = dir_ / "b.ust";
    ASSERT_EQ(saveSettingsFile(ust, g3, state()).status, SettingsSaveStatus::ok);
    const CliRun r3 = cli("show " + q(ust));
    ASSERT_EQ(r3.status, 0) << r3.err;
    EXPECT_NE(r3.out.find("Generation: 3"), std::string::npos);
    EXPECT_NE(r3.out.find("Settings (82)"), std::string::npos);
    EXPECT_NE(r3.out.find("Pad: 7"), std::string::npos);
    EXPECT_NE(r3.out.find("not taken from a generation 3 settings file"), std::string::npos);
}

TEST_F(CliJournal, ErrorsGoToStderrWithNonZeroStatus) {
    const CliRun missing = cli("show " + q(dir_ / "missing.VR4"));
    EXPECT_NE(missing.status, 0);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("missing.VR4"), std::string::npos);

    const fs::path damaged = dir_ / "d.VR4";
    auto bytes = readWholeFile(writeJournal("x.VR4")).bytes;
    bytes.resize(1000);
    ASSERT_EQ(writeWholeFile(damaged, bytes), "");
    const CliRun d = cli("text " + q(damaged) + " -o " + q(dir_ / "d.txt"));
    EXPECT_NE(d.status, 0);
    EXPECT_NE(d.err.find("Файл поврежден, открытие невозможно."), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "d.txt"));

    const fs::path empty = dir_ / "e.VR4";
    ASSERT_EQ(writeWholeFile(empty, std::string()), "");
    EXPECT_NE(cli("show " + q(empty)).status, 0);

    EXPECT_EQ(cli("text " + q(writeJournal("y.VR4"))).status, 2); // no -o
    EXPECT_EQ(cli("show").status, 2);
    EXPECT_EQ(cli("show a b").status, 2);
    EXPECT_EQ(cli("show " + q(writeJournal("z.VR4")) + " --bogus").status, 2);
}

TEST_F(CliJournal, ForeignMagicNeedsTheGenerationOption) {
    auto bytes = readWholeFile(writeJournal("x.VR4")).bytes;
    bytes[0] = 0x00;
    const fs::path foreign = dir_ / "f.bin";
    ASSERT_EQ(writeWholeFile(foreign, bytes), "");
    const CliRun refused = cli("show " + q(foreign));
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("Файл неправильный"), std::string::npos);
    const CliRun g3 = cli("show " + q(foreign) + " --generation 3");
    EXPECT_EQ(g3.status, 0) << g3.err;
    EXPECT_NE(g3.out.find("Generation: 3"), std::string::npos);
    EXPECT_EQ(cli("show " + q(foreign) + " --generation 5").status, 2);
}

TEST_F(CliJournal, HelpNamesTheCommands) {
    const CliRun r = cli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("show"), std::string::npos);
    EXPECT_NE(r.out.find("text"), std::string::npos);
    const CliRun t = cli("text --help");
    EXPECT_EQ(t.status, 0);
    EXPECT_NE(t.out.find("-o OUT.txt"), std::string::npos);
}

} // namespace
