// Catalogue behaviour: names, lookups, setting number texts and the transformer variants.
#include <gtest/gtest.h>

#include "settings/catalogue.h"
#include "settings/settings_block.h"

namespace vorsan {
namespace {

TEST(Catalogue, NamesKeepTheirDoubleBlanks) {
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    EXPECT_EQ(g4.byNumber(32)->longName, "Задержка  включения и АПВ после защ. напряжения");
    EXPECT_EQ(g4.byNumber(35)->longName, "Номинальный коэффициент  мощности");
    EXPECT_EQ(g4.byNumber(46)->longName, "Уставка дисбаланса  токов");
    EXPECT_EQ(g4.byNumber(68)->longName, "Уставка турбинного  вращения");
    const SettingsCatalogue g3 = buildCatalogue(ControllerGeneration::Gen3);
    EXPECT_EQ(g3.byNumber(34)->longName, "Задержка  включения и АПВ после защ. напряжения");
    EXPECT_EQ(g3.byNumber(75)->longName, "Уставка турбинного  вращения");
}

TEST(Catalogue, FirstLastAndShortNames) {
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    EXPECT_EQ(g4.at(0)->longName, "Номинальное напряжение");
    EXPECT_EQ(g4.at(0)->shortName, "Номин.напряж.Уст.");
    EXPECT_EQ(g4.byNumber(33)->shortName, "Напр. ТМПН Уст./Номин.ток");
    EXPECT_EQ(g4.byNumber(75)->shortName, "Период записи в остан.");
    EXPECT_EQ(g4.byNumber(97)->longName, "Коэффициент коррекции тока С");
    EXPECT_EQ(g4.byNumber(97)->shortName, "Ток фазы С Коэф.кор.");
    EXPECT_EQ(g4.byNumber(98), nullptr);
    EXPECT_EQ(g4.byNumber(20), nullptr);
    EXPECT_EQ(g4.at(77), nullptr);

    const SettingsCatalogue g3 = buildCatalogue(ControllerGeneration::Gen3);
    for (const SettingDef& d : g3.entries)
        EXPECT_TRUE(d.shortName.empty()) << d.longName;
    EXPECT_EQ(g3.byNumber(81)->longName, "Экстренная запись");
    EXPECT_EQ(g3.byNumber(100)->longName, "Чередование фаз");
    EXPECT_EQ(g3.byNumber(102)->longName, "Установка пароля");
    EXPECT_EQ(g3.byNumber(103), nullptr);
}

TEST(Catalogue, TwoContactManometerEntriesAreDistinct) {
    const SettingsCatalogue g3 = buildCatalogue(ControllerGeneration::Gen3);
    const SettingDef* a = g3.byNumber(69);
    const SettingDef* b = g3.byNumber(70);
    EXPECT_EQ(a->longName, "Контактный манометр");
    EXPECT_EQ(b->longName, "Контактный манометр");
    EXPECT_NE(a->offset, b->offset);
    EXPECT_NE(a->choices, b->choices);
}

TEST(Catalogue, SettingNumberTexts) {
    const struct {
        std::size_t index;
        const char* text;
    } cases[] = {{0, "21"}, {78, "99"}, {79, "A0"}, {80, "A1"}, {81, "A2"}, {76, "97"}};
    for (const auto& c : cases)
        EXPECT_EQ(settingNumberText(c.index), c.text) << c.index;
    EXPECT_EQ(settingNumberTextOf(100), "A0");
    EXPECT_EQ(settingNumberTextOf(102), "A2");
    EXPECT_EQ(settingNumberTextOf(21), "21");
}

TEST(Catalogue, VariantFromValueAndTypeCode) {
    EXPECT_EQ(variantForValue(379), 1);
    EXPECT_EQ(variantForValue(0), 1);
    EXPECT_EQ(variantForValue(380), 2);
    EXPECT_EQ(variantForValue(0xFFFF), 2);
    EXPECT_EQ(variantForTypeCode(11), 1);
    EXPECT_EQ(variantForTypeCode(99), 2);
    EXPECT_EQ(variantForTypeCode(7), 0);
}

TEST(Catalogue, Generation4Variants) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    c.byNumber(33)->value = 400;
    applyTransformerVariant(c, 1);
    const SettingDef& t = *c.byNumber(33);
    EXPECT_EQ(t.longName, "Номинальный ток ТТ");
    EXPECT_EQ(t.unit, "А");
    EXPECT_EQ(t.mask(), "cccc");
    EXPECT_EQ(t.minRaw, 1);
    EXPECT_EQ(t.maxRaw, 5000);
    EXPECT_EQ(t.offset, 24);
    EXPECT_EQ(t.value, 400);
    EXPECT_EQ(t.shortName, "Напр. ТМПН Уст./Номин.ток");
    applyTransformerVariant(c, 2);
    EXPECT_EQ(t.longName, "Напряжение ТМПН");
    EXPECT_EQ(t.unit, "В");
    EXPECT_EQ(c.byNumber(34)->scale, 10);
    applyTransformerVariant(c, 3); // changes nothing
    EXPECT_EQ(t.longName, "Напряжение ТМПН");
}

TEST(Catalogue, Generation3VariantSwitchesMotorCurrentScale) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
    c.byNumber(36)->value = 125;
    applyTransformerVariant(c, 2);
    const SettingDef& t = *c.byNumber(35);
    EXPECT_EQ(t.longName, "Напряжение ТМПН");
    EXPECT_EQ(t.unit, "В");
    EXPECT_EQ(t.mask(), "cccc");
    EXPECT_EQ(t.minRaw, 380);
    EXPECT_EQ(t.maxRaw, 3500);
    EXPECT_EQ(c.byNumber(36)->scale, 1);
    EXPECT_EQ(c.byNumber(36)->value, 125);
    applyTransformerVariant(c, 1);
    EXPECT_EQ(t.longName, "Номинальный ток ТТ");
    EXPECT_EQ(t.unit, "А");
    EXPECT_EQ(t.mask(), "ccc");
    EXPECT_EQ(t.minRaw, 1);
    EXPECT_EQ(t.maxRaw, 300);
    EXPECT_EQ(c.byNumber(36)->scale, 10);
    EXPECT_EQ(c.byNumber(36)->value, 125);
    EXPECT_EQ(t.scale, 1);
    EXPECT_EQ(t.offset, 362);
}

TEST(Catalogue, VariantFromOwnValue) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
    applyVariantFromValue(c); // 0xFFFF: supply transformer
    EXPECT_EQ(c.byNumber(36)->scale, 1);
    c.byNumber(35)->value = 200;
    applyVariantFromValue(c);
    EXPECT_EQ(c.byNumber(36)->scale, 10);
    EXPECT_EQ(c.byNumber(35)->longName, "Номинальный ток ТТ");
}

TEST(Catalogue, SettingsSetRoundTrip) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    SettingsSet s = settingsSetOf(c);
    ASSERT_EQ(s.size(), 77u);
    EXPECT_EQ(s[5], 0xFFFF);
    s[0] = 380;
    EXPECT_TRUE(assignSettingsSet(c, s));
    EXPECT_EQ(c.at(0)->value, 380);
    s.pop_back();
    EXPECT_FALSE(assignSettingsSet(c, s));
    EXPECT_EQ(c.at(0)->value, 380);
}

// Whether a write may start depends on what was read or loaded, never on the values: motor and
// pump numbers of 0xFFFF ("none") read from a station are written back as they are.
TEST(Catalogue, WritableWhenEveryValueWasReadOrLoaded) {
    ParameterBlock allFF;
    allFF.fill(0xFF);
    ParameterBlock shortOfOne{};
    const auto fresh = [](ControllerGeneration g) { return buildCatalogue(g); };
    const auto readFrom = [](ControllerGeneration g, std::span<const std::uint8_t> block) {
        SettingsCatalogue c = buildCatalogue(g);
        readSettingsBlock(c, block, BlockLayout::file);
        return c;
    };
    const auto assigned = [](std::uint16_t value) {
        SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
        assignSettingsSet(c, SettingsSet(77, value));
        return c;
    };
    const auto edited = [] {
        SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
        for (SettingDef& d : c.entries)
            d.value = 1; // values without a reader behind them
        return c;
    };
    struct Case {
        const char* what;
        SettingsCatalogue catalogue;
        bool writable;
    };
    const Case cases[] = {
        {"generation 4, nothing read", fresh(ControllerGeneration::Gen4), false},
        {"generation 4, values set but not read", edited(), false},
        {"generation 4, read, every value 0xFFFF", readFrom(ControllerGeneration::Gen4, allFF), true},
        {"generation 4, block too short for the last entry",
         readFrom(ControllerGeneration::Gen4, std::span(shortOfOne).first(352 + 158)), false},
        {"generation 4, set assigned", assigned(0xFFFF), true},
        {"generation 3, nothing read: only known values are sent", fresh(ControllerGeneration::Gen3), true},
        {"generation 3, read", readFrom(ControllerGeneration::Gen3, allFF), true},
        {"no entries", SettingsCatalogue{}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settingsWritable(c.catalogue), c.writable) << c.what;
    EXPECT_TRUE(everySettingLoaded(readFrom(ControllerGeneration::Gen4, allFF)));
    EXPECT_FALSE(everySettingLoaded(fresh(ControllerGeneration::Gen3)));
}

TEST(Catalogue, PositionalEntries) {
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    EXPECT_EQ(g4.byNumber(kGen4PadNumber)->longName, "Номер куста");
    EXPECT_EQ(g4.byNumber(kGen4WellNumber)->longName, "Номер скважины");
    EXPECT_EQ(g4.byNumber(kGen4StationAddress)->longName, "Адрес станции");
    const SettingsCatalogue g3 = buildCatalogue(ControllerGeneration::Gen3);
    EXPECT_EQ(g3.byNumber(kGen3PadNumber)->longName, "Номер куста");
    EXPECT_EQ(g3.byNumber(kGen3WellNumber)->longName, "Номер скважины");
    EXPECT_TRUE(g4.byNumber(73)->isTime());
    EXPECT_FALSE(g4.byNumber(72)->isTime());
    EXPECT_FALSE(g4.byNumber(22)->isTime());
}

} // namespace
} // namespace vorsan

namespace vorsan {
namespace {

TEST(Catalogue, RowNames) {
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    EXPECT_EQ(settingRowName(g4, 0), "21  Номинальное напряжение");
    EXPECT_EQ(settingRowName(g4, 77), "");
    const SettingsCatalogue g3 = buildCatalogue(ControllerGeneration::Gen3);
    EXPECT_EQ(settingRowName(g3, 79), "A0  Чередование фаз");
    EXPECT_EQ(settingRowName(g3, 81), "A2  Установка пароля");
}

} // namespace
} // namespace vorsan
