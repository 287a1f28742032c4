// Where settings lie in the parameter block, in which byte order, and typed numbers to raw values.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "settings/catalogue.h"
#include "settings/settings_block.h"

namespace vorsan {
namespace {

ParameterBlock filled(std::uint8_t b) {
    ParameterBlock block;
    block.fill(b);
    return block;
}

TEST(SettingsBlock, Generation4NominalVoltageInBothLayouts) {
    ParameterBlock controller = filled(0);
    controller[352] = 0x01;
    controller[353] = 0x7C;
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    readSettingsBlock(c, controller, BlockLayout::controller);
    EXPECT_EQ(c.byNumber(21)->value, 380);

    const ParameterBlock file = writeSettingsBlock(c);
    EXPECT_EQ(file[352], 0x7C);
    EXPECT_EQ(file[353], 0x01);
    SettingsCatalogue back = buildCatalogue(ControllerGeneration::Gen4);
    readSettingsBlock(back, file, BlockLayout::file);
    EXPECT_EQ(back.byNumber(21)->value, 380);
}

TEST(SettingsBlock, Generation3NominalVoltageLowByteFirstEverywhere) {
    ParameterBlock controller = filled(0);
    controller[256] = 0x7C;
    controller[257] = 0x01;
    for (const BlockLayout layout : {BlockLayout::controller, BlockLayout::file}) {
        SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
        readSettingsBlock(c, controller, layout);
        EXPECT_EQ(c.byNumber(21)->value, 380);
        const ParameterBlock file = writeSettingsBlock(c);
        EXPECT_EQ(file[256], 0x7C);
        EXPECT_EQ(file[257], 0x01);
    }
}

TEST(SettingsBlock, Generation4FileBlockIsFFOutsideSettings) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    for (SettingDef& d : c.entries)
        d.value = 0x1234;
    const ParameterBlock file = writeSettingsBlock(c);
    for (std::size_t i = 0; i < 352; ++i)
        EXPECT_EQ(file[i], 0xFF) << i;
    for (std::size_t i = 494; i < 500; ++i)
        EXPECT_EQ(file[i], 0xFF) << i; // registers 247-249
    EXPECT_EQ(file[352 + 140], 0x34);
    EXPECT_EQ(file[352 + 158 + 1], 0x12);
}

TEST(SettingsBlock, Generation3FileBlockIsFFOutsideSettings) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
    for (SettingDef& d : c.entries)
        d.value = 0;
    const ParameterBlock file = writeSettingsBlock(c);
    std::size_t zeros = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == 0) ++zeros;
        if (i < 256 || i > 465) {
            EXPECT_EQ(file[i], 0xFF) << i;
        }
    }
    EXPECT_EQ(zeros, 82u * 2);
    EXPECT_EQ(file[304], 0xFF); // a word of no setting
}

TEST(SettingsBlock, RoundTripKeepsEveryValueOfBothGenerations) {
    for (const ControllerGeneration g : {ControllerGeneration::Gen4, ControllerGeneration::Gen3}) {
        SettingsCatalogue c = buildCatalogue(g);
        for (std::size_t i = 0; i < c.size(); ++i)
            c.entries[i].value = static_cast<std::uint16_t>(i * 257 + 3);
        c.entries[4].value = 0xFFFF;
        SettingsCatalogue back = buildCatalogue(g);
        readSettingsBlock(back, writeSettingsBlock(c), BlockLayout::file);
        EXPECT_EQ(settingsSetOf(back), settingsSetOf(c));
        EXPECT_EQ(back.entries[4].value, 0xFFFF); // no value, not 65535 units
    }
}

TEST(SettingsBlock, ReadChangesOnlyValues) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
    applyTransformerVariant(c, 1);
    readSettingsBlock(c, filled(0), BlockLayout::controller);
    EXPECT_EQ(c.byNumber(35)->longName, "Номинальный ток ТТ");
    EXPECT_EQ(c.byNumber(36)->scale, 10);
    EXPECT_EQ(c.byNumber(35)->value, 0);
}

TEST(SettingsBlock, ShortBlockLeavesTheRestWithoutValue) {
    std::vector<std::uint8_t> part(300, 0);
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
    readSettingsBlock(c, part, BlockLayout::file);
    EXPECT_EQ(c.byNumber(21)->value, 0);      // offset 256
    EXPECT_EQ(c.byNumber(39)->value, 0xFFFF); // offset 300: beyond the block
    SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    readSettingsBlock(g4, part, BlockLayout::file);
    for (const SettingDef& d : g4.entries)
        EXPECT_EQ(d.value, 0xFFFF);
}

TEST(SettingsBlock, Generation3OverlayKeepsUnreadValuesOfTheController) {
    ParameterBlock controller = filled(0xAB);
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
    c.byNumber(21)->value = 380;
    overlayGen3Settings(controller, c);
    EXPECT_EQ(controller[256], 0x7C);
    EXPECT_EQ(controller[257], 0x01);
    EXPECT_EQ(controller[448], 0xAB); // number 22 has no value: the controller's stays
    EXPECT_EQ(controller[0], 0xAB);
}

TEST(SettingsBlock, PositionsAndRegisters) {
    EXPECT_EQ(settingBytePosition(ControllerGeneration::Gen4, 0), 352u);
    EXPECT_EQ(settingBytePosition(ControllerGeneration::Gen4, 158), 510u);
    EXPECT_EQ(settingBytePosition(ControllerGeneration::Gen3, 256), 256u);
    EXPECT_EQ(settingRegister(0), 176);
    EXPECT_EQ(settingRegister(158), 255);
}

TEST(SettingsBlock, Generation3Checksum) {
    ParameterBlock b = filled(0);
    EXPECT_EQ(gen3BlockChecksum(b), 0);
    b.fill(0xFF);
    EXPECT_EQ(gen3BlockChecksum(b), (512 * 255) & 0xFFFF);
    b.fill(0);
    b[0] = 1;
    b[511] = 2;
    EXPECT_EQ(gen3BlockChecksum(b), 3);
}

TEST(RawValue, TypedNumbersTruncateInExtendedPrecision) {
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    const SettingDef& motor = *g4.byNumber(34);       // scale 10
    const SettingDef& powerFactor = *g4.byNumber(35); // scale 100
    const SettingDef& voltage = *g4.byNumber(21);     // scale 1
    EXPECT_EQ(rawFromShown(12.5L, motor), 125);
    EXPECT_EQ(rawFromShown(0.857L, powerFactor), 85);
    EXPECT_EQ(rawFromShown(0.85L, powerFactor), 85);
    EXPECT_EQ(rawFromShown(380.9L, voltage), 380);
    EXPECT_EQ(rawFromShown(-0.5L, voltage), 0); // toward zero
    EXPECT_EQ(rawFromShown(-1.5L, voltage), -1);
    EXPECT_EQ(rawFromShown(1e30L, voltage), std::numeric_limits<std::int64_t>::max());
}

TEST(RawValue, HoursAndMinutes) {
    EXPECT_EQ(rawFromHoursMinutes(1, 30), 90);
    EXPECT_EQ(rawFromHoursMinutes(0, 0), 0);
    EXPECT_EQ(hoursMinutesFromRaw(5999), (HoursMinutes{99, 59}));
    EXPECT_EQ(hoursMinutesFromRaw(90), (HoursMinutes{1, 30}));
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    EXPECT_DOUBLE_EQ(shownFromRaw(125, *g4.byNumber(34)), 12.5);
    EXPECT_DOUBLE_EQ(shownFromRaw(10000, *g4.byNumber(92)), 100.0);
}

} // namespace
} // namespace vorsan
