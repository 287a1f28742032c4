// Edit masks of settings: slots, accepted characters and the text an editor reads back.
#include <gtest/gtest.h>

#include "settings/catalogue.h"
#include "settings/edit_mask.h"
#include "settings/setting_def.h"
#include "settings/value_text.h"

namespace vorsan {
namespace {

using K = MaskSlot::Kind;

TEST(EditMask, SlotsOfTheTimeMask) {
    const std::vector<MaskSlot> expected = {{K::digit, 0},      {K::digit, 0},     {K::literal, U'ч'},
                                            {K::digit, 0},      {K::digit, 0},     {K::literal, U'м'},
                                            {K::literal, U'и'}, {K::literal, U'н'}};
    EXPECT_EQ(parseEditMask(kTimeMask), expected);
    EXPECT_EQ(parseEditMask("ccc").size(), 3u);
    EXPECT_EQ(parseEditMask("ccc")[0].kind, K::anyChar);
    EXPECT_EQ(parseEditMask("9\\").size(), 1u); // lone trailing backslash ignored
    EXPECT_EQ(parseEditMask("\\9")[0], (MaskSlot{K::literal, U'9'}));
}

TEST(EditMask, AcceptedCharacters) {
    const MaskSlot digit{K::digit, 0}, any{K::anyChar, 0}, lit{K::literal, U'ч'};
    EXPECT_TRUE(slotAccepts(digit, U'7'));
    EXPECT_FALSE(slotAccepts(digit, U'.'));
    EXPECT_TRUE(slotAccepts(any, U'.'));
    EXPECT_TRUE(slotAccepts(any, U','));
    EXPECT_TRUE(slotAccepts(any, U'ж'));
    EXPECT_FALSE(slotAccepts(any, U'\n'));
    EXPECT_FALSE(slotAccepts(lit, U'ч'));
}

TEST(EditMask, ReadBackText) {
    const struct {
        const char* mask;
        const char* typed;
        const char* text;
    } cases[] = {
        {"999", "38", "38 "},        {"999", "3a8", "38 "},
        {"999", "12345", "123"},     {"ccccc", "12.5", "12.5 "},
        {"cccc", "", "    "},        {kTimeMask, "130", "13ч0 мин"},
        {kTimeMask, "", "  ч  мин"}, {kTimeMask, "0130", "01ч30мин"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fillEditMask(c.mask, c.typed), c.text) << c.mask << " " << c.typed;
    EXPECT_EQ(emptyMaskText(kTimeMask), "  ч  мин");
}

TEST(EditMask, ReadBackTextIsWhatInputReadingExpects) {
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    const SettingDef& period = *g4.byNumber(73);
    EXPECT_EQ(parseSettingInput(period, fillEditMask(period.mask(), "0130"), ',').raw, 90);
    const SettingDef& motor = *g4.byNumber(34);
    EXPECT_EQ(parseSettingInput(motor, fillEditMask(motor.mask(), "12.5"), ',').raw, 125);
}

} // namespace
} // namespace vorsan
