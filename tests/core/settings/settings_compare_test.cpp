#include "settings/settings_compare.h"

#include "settings/catalogue.h"
#include "journal/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace vorsan;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

SettingsCatalogue typical(ControllerGeneration g) {
    auto c = buildCatalogue(g);
    for (auto& e : c.entries)
        e.value = static_cast<std::uint16_t>(e.minRaw);
    return c;
}

SettingsCatalogue fromFile(const std::filesystem::path& path) {
    const auto load = loadSettingsFile(path, G4, [] { return false; });
    EXPECT_EQ(load.status, FileStatus::ok);
    return load.file.catalogue;
}

class TwoFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("compare" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

// Two saved files that differ in a number, a choice, a scaled value and a value that one of them
// does not have: exactly those four rows, with the page's texts.
TEST_F(TwoFiles, ListsTheSettingsThatDifferWithThePagesTexts) {
    SettingsCatalogue a = typical(G4);
    a.byNumber(21)->value = 380;
    a.byNumber(22)->value = 1;
    a.byNumber(34)->value = 125;
    SettingsCatalogue b = a;
    b.byNumber(21)->value = 400;
    b.byNumber(22)->value = 2;
    b.byNumber(34)->value = 1000;
    b.byNumber(39)->value = kUnknown16;
    ASSERT_EQ(saveSettingsFile(dir / "a.us4", a, {}).status, SettingsSaveStatus::ok);
    ASSERT_EQ(saveSettingsFile(dir / "b.us4", b, {}).status, SettingsSaveStatus::ok);

    const auto result = compareSettings(fromFile(dir / "a.us4"), fromFile(dir / "b.us4"), ',', "в файле");
    ASSERT_TRUE(result.compared());
    ASSERT_EQ(result.differences.size(), 4u);
    const auto& d = result.differences;
    EXPECT_EQ(d[0].index, 0u);
    EXPECT_EQ(d[0].number, "21");
    EXPECT_EQ(d[0].name, "Номинальное напряжение");
    EXPECT_EQ(d[0].here, "380 В");
    EXPECT_EQ(d[0].there, "400 В");
    EXPECT_EQ(d[1].here, "Блок");
    EXPECT_EQ(d[1].there, "АПВ");
    EXPECT_EQ(d[2].number, "34");
    EXPECT_EQ(d[2].here, "12,50 А");
    EXPECT_EQ(d[2].there, "100,00 А");
    EXPECT_EQ(d[3].number, "39");
    EXPECT_EQ(d[3].here, "1 мин");
    EXPECT_EQ(d[3].there, "");
}

TEST_F(TwoFiles, TheSameFileHasNoDifferences) {
    const SettingsCatalogue a = typical(G4);
    ASSERT_EQ(saveSettingsFile(dir / "a.us4", a, {}).status, SettingsSaveStatus::ok);
    const auto result = compareSettings(a, fromFile(dir / "a.us4"), ',', "в файле");
    EXPECT_TRUE(result.compared());
    EXPECT_TRUE(result.differences.empty());
}

TEST(SettingsCompare, RefusesAnotherGeneration) {
    const auto result = compareSettings(typical(G4), typical(G3), ',', "в файле");
    EXPECT_FALSE(result.compared());
    EXPECT_TRUE(result.differences.empty());
    EXPECT_NE(result.refusal.find("поколения 4 (77)"), std::string::npos) << result.refusal;
    EXPECT_NE(result.refusal.find("в файле — поколения 3 (82)"), std::string::npos) << result.refusal;
}

// A snapshot from the database comes as its generation and values.
TEST(SettingsCompare, TakesAGenerationAndValues) {
    const SettingsCatalogue here = typical(G3);
    SettingsSet values;
    for (const auto& e : here.entries)
        values.push_back(e.value);
    values[79] = 1;
    const auto result = compareSettings(here, G3, values, ',', "в базе данных");
    ASSERT_EQ(result.differences.size(), 1u);
    EXPECT_EQ(result.differences[0].number, "A0");
    EXPECT_FALSE(compareSettings(here, G3, SettingsSet(77, 0), ',', "в базе данных").compared());
}

} // namespace
