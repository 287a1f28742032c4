#include "journal/settings_file.h"

#include "journal/journal_file.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include <unistd.h>

using namespace vorsan;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;
const UnknownMagicQuestion kYes = [] { return true; };
const UnknownMagicQuestion kNo = [] { return false; };

SettingsCatalogue allSet(ControllerGeneration g) {
    auto c = buildCatalogue(g);
    std::uint16_t v = 0;
    for (auto& e : c.entries)
        e.value = static_cast<std::uint16_t>(v++ % 2);
    c.byNumber(g == G4 ? kGen4PadNumber : kGen3PadNumber)->value = 12;
    c.byNumber(g == G4 ? kGen4WellNumber : kGen3WellNumber)->value = 345;
    return c;
}

CurrentState someState() {
    CurrentState s;
    s.status = 1;
    s.UAB = 380;
    s.UBC = 390;
    s.UCA = 400;
    s.T = 80;
    s.minute = 7;
    s.year = 24;
    return s;
}

TEST(SettingsFile, Gen4FileWithAllValuesIs538BytesWithTheHeaderAndFFElsewhere) {
    const auto cat = allSet(G4);
    const auto bytes = settingsFileBytes(cat, someState());
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ(bytes->size(), kSettingsFileSize);
    const std::uint8_t header[26] = {0xED, 0xE1, 0x06, 0x00, 0x1A, 0x02, 0x00, 0x00, 0x1A,
                                     0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x02, 0x00};
    EXPECT_TRUE(std::equal(header, header + 26, bytes->begin()));
    // Every block byte that is neither a setting nor current state is FF.
    std::set<std::size_t> used;
    for (const auto& e : cat.entries) {
        const auto pos = settingBytePosition(G4, e.offset);
        used.insert(pos);
        used.insert(pos + 1);
    }
    for (std::size_t b = 32; b < 40; ++b)
        used.insert(b);
    for (std::size_t b = 48; b < 60; ++b)
        used.insert(b);
    for (std::size_t b = 126; b < 158; ++b)
        used.insert(b);
    for (std::size_t b = 0; b < 512; ++b) {
        if (!used.count(b)) {
            EXPECT_EQ((*bytes)[26 + b], 0xFF) << "block byte " << b;
        }
    }
    EXPECT_EQ((*bytes)[26 + 494], 0xFF);
    // Setting 21 (offset 0) low byte first at 352.
    EXPECT_EQ((*bytes)[26 + 352], 0);
}

TEST(SettingsFile, NothingToSaveWithoutAnyValue) {
    const auto fresh = buildCatalogue(G4);
    EXPECT_FALSE(hasAnySettingValue(fresh));
    EXPECT_FALSE(settingsFileBytes(fresh, someState()).has_value());
    const auto dir =
        std::filesystem::temp_directory_path() / ("settings_file_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "x.us4";
    EXPECT_EQ(saveSettingsFile(path, fresh, someState()).status, SettingsSaveStatus::noValues);
    EXPECT_FALSE(std::filesystem::exists(path));
    auto one = fresh;
    one.entries[5].value = 1;
    EXPECT_EQ(saveSettingsFile(path, one, someState()).status, SettingsSaveStatus::ok);
    EXPECT_EQ(std::filesystem::file_size(path), 538u);
    EXPECT_EQ(saveSettingsFile(dir / "none" / "x.us4", one, someState()).status,
              SettingsSaveStatus::unwritable);
    std::filesystem::remove_all(dir);
}

TEST(SettingsFile, RoundTripBothGenerations) {
    for (const auto g : {G4, G3}) {
        const auto cat = allSet(g);
        const auto bytes = settingsFileBytes(cat, someState());
        ASSERT_TRUE(bytes);
        const auto load = loadSettingsFile(*bytes, g == G4 ? G3 : G4, kNo);
        ASSERT_EQ(load.status, FileStatus::ok);
        EXPECT_EQ(load.file.generation, g);
        ASSERT_EQ(load.file.catalogue.size(), g == G4 ? 77u : 82u);
        for (std::size_t i = 0; i < cat.size(); ++i)
            EXPECT_EQ(load.file.catalogue.entries[i].value, cat.entries[i].value) << i;
        if (g == G4) {
            ASSERT_TRUE(load.file.state.has_value());
            EXPECT_EQ(load.file.state->UAB, 380);
            EXPECT_EQ(load.file.state->T, 80);
        } else {
            // The file carries the state, but generation 3 does not take it.
            EXPECT_FALSE(load.file.state.has_value());
            EXPECT_EQ((*bytes)[26 + 128], 0x01);
        }
    }
}

TEST(SettingsFile, Gen3MagicSwitchesToGen3WhateverTheCurrentGeneration) {
    const auto bytes = *settingsFileBytes(allSet(G3), someState());
    EXPECT_EQ(bytes[0], 0xEC);
    EXPECT_EQ(bytes[1], 0xE1);
    const auto load = loadSettingsFile(bytes, G4, kNo);
    ASSERT_EQ(load.status, FileStatus::ok);
    EXPECT_EQ(load.file.generation, G3);
    EXPECT_EQ(load.file.catalogue.size(), 82u);
}

TEST(SettingsFile, JournalFileYieldsItsSettings) {
    const auto cat = allSet(G4);
    JournalImage img;
    img.fill(0xFF);
    const auto journalBytes = journalFileBytes(G4, img, cat, someState());
    const auto load = loadSettingsFile(journalBytes, G3, kNo);
    ASSERT_EQ(load.status, FileStatus::ok);
    EXPECT_EQ(load.file.generation, G4);
    for (std::size_t i = 0; i < cat.size(); ++i)
        EXPECT_EQ(load.file.catalogue.entries[i].value, cat.entries[i].value);
}

TEST(SettingsFile, TransformerVariantFollowsTheValue) {
    auto cat = allSet(G4);
    cat.byNumber(kGen4TransformerNumber)->value = 379;
    auto load = loadSettingsFile(*settingsFileBytes(cat, someState()), G4, kNo);
    EXPECT_EQ(load.file.catalogue.byNumber(kGen4TransformerNumber)->unit, "А");
    cat.byNumber(kGen4TransformerNumber)->value = 380;
    load = loadSettingsFile(*settingsFileBytes(cat, someState()), G4, kNo);
    EXPECT_EQ(load.file.catalogue.byNumber(kGen4TransformerNumber)->unit, "В");
}

TEST(SettingsFile, ForeignMagicAndDamage) {
    auto bytes = *settingsFileBytes(allSet(G4), someState());
    bytes[1] = 0x00;
    EXPECT_EQ(loadSettingsFile(bytes, G3, kNo).status, FileStatus::refused);
    const auto yes = loadSettingsFile(bytes, G3, kYes);
    ASSERT_EQ(yes.status, FileStatus::ok);
    EXPECT_EQ(yes.file.generation, G3);
    auto cut = *settingsFileBytes(allSet(G4), someState());
    cut.resize(300);
    EXPECT_EQ(loadSettingsFile(cut, G4, kYes).status, FileStatus::damaged);
    EXPECT_EQ(loadSettingsFile(std::vector<std::uint8_t>{}, G4, kYes).status, FileStatus::damaged);
    EXPECT_EQ(loadSettingsFile(std::filesystem::path("/nonexistent/x.us4"), G4, kYes).status,
              FileStatus::unreadable);
}

TEST(SettingsFile, ShortParameterBlockLeavesEntriesWithoutValue) {
    const auto cat = allSet(G4);
    const ParameterBlock block = fileParameterBlock(cat, someState());
    const auto f = writeContainer(G4, {}, std::span<const std::uint8_t>(block.data(), 400));
    const auto load = loadSettingsFile(f, G4, kNo);
    ASSERT_EQ(load.status, FileStatus::ok);
    EXPECT_EQ(load.file.catalogue.byNumber(21)->value, cat.byNumber(21)->value);
    EXPECT_EQ(load.file.catalogue.byNumber(97)->value, kUnknown16); // offset 158: byte 510
}

TEST(SettingsFile, ProposedName) {
    EXPECT_EQ(proposedSettingsFileName(allSet(G4)), "Куст12_Ск345");
    EXPECT_EQ(proposedSettingsFileName(allSet(G3)), "Куст12_Ск345");
    EXPECT_EQ(proposedSettingsFileName(buildCatalogue(G4)), "");
}

TEST(SettingsFile, RandomFilesAreRejectedOrReadCleanly) {
    std::mt19937 rng(99);
    const auto good = *settingsFileBytes(allSet(G4), someState());
    for (int round = 0; round < 5000; ++round) {
        auto f = good;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i)
            f[rng() % 26] = static_cast<std::uint8_t>(rng());
        if (rng() % 4 == 0) f.resize(rng() % f.size());
        const auto load = loadSettingsFile(f, G4, kYes);
        if (load.status == FileStatus::ok) {
            EXPECT_EQ(load.file.catalogue.size(), load.file.generation == G4 ? 77u : 82u);
        }
    }
}

} // namespace
