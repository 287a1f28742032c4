// Value texts of settings and the reading of what the user typed into an editor.
#include <gtest/gtest.h>

#include <string>

#include "settings/catalogue.h"
#include "settings/value_text.h"

namespace vorsan {
namespace {

const SettingsCatalogue& gen4() {
    static const SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    return c;
}

const SettingDef& g4(int number) {
    return *gen4().byNumber(number);
}

TEST(ValueText, FiveRules) {
    const struct {
        int number;
        std::uint16_t raw;
        const char* text;
    } cases[] = {
        {21, 0xFFFF, ""},                           // no value
        {22, 0xFFFF, ""},     {73, 90, "1ч 30мин"}, // time mask
        {73, 5, "0ч 05мин"},  {73, 5999, "99ч 59мин"}, {76, 9999, "166ч 39мин"},
        {21, 380, "380 В"},                                             // scale 1
        {83, 12, "12 "},                                                // the blank stays without a unit
        {34, 125, "12,50 А"},                                           // other scale
        {35, 85, "0,85 "},    {92, 10000, "100,00 "},  {22, 0, "Откл"}, // choice
        {22, 2, "АПВ"},       {67, 1, "Вкл"},
    };
    for (const auto& c : cases) {
        const auto text = valueText(g4(c.number), c.raw, ',');
        ASSERT_TRUE(text.has_value()) << c.number;
        EXPECT_EQ(*text, c.text) << c.number << " raw " << c.raw;
    }
}

TEST(ValueText, ChoiceBeyondItsListIsReported) {
    EXPECT_FALSE(valueText(g4(22), 3, ',').has_value());
    EXPECT_FALSE(valueText(g4(67), 2, ',').has_value());
    EXPECT_EQ(std::string(kChoiceOutOfRangeMessage), "Ошибка, уставка выходит за допустимые значения");
}

TEST(ValueText, OwnValueAndSeparator) {
    SettingDef d = g4(34);
    d.value = 125;
    EXPECT_EQ(*valueText(d, '.'), "12.50 А");
    const SettingsCatalogue g3 = buildCatalogue(ControllerGeneration::Gen3);
    EXPECT_EQ(*valueText(*g3.byNumber(22), 1, ','), "АПВ");
}

TEST(InputMessage, LimitsInShortestFormWithUnit) {
    const std::string head = std::string("Введено неправильное значение") + "\r" + "Должно быть не менее ";
    EXPECT_EQ(inputRefusalMessage(g4(34), ','), head + "0,1А и не более 100А");
    EXPECT_EQ(inputRefusalMessage(g4(21), ','), head + "100В и не более 600В");
    EXPECT_EQ(inputRefusalMessage(g4(73), ','), head + "1мин. и не более 5999мин.");
    EXPECT_EQ(inputRefusalMessage(g4(35), ','), head + "0,1 и не более 1");
    EXPECT_EQ(inputRefusalMessage(g4(92), ','), head + "50 и не более 500");
}

struct InputCase {
    int number;
    const char* typed; // as the masked editor reads it back
    bool ok;
    std::uint16_t raw;
};

TEST(SettingInputTest, TypedTextOfMaskEntries) {
    const InputCase cases[] = {
        {34, "12.5 ", true, 125},                              // point read as a comma
        {34, "12,5", true, 125},      {34, "1 2 5", false, 0}, // 125 A = raw 1250, above 1000
        {34, "0.1", true, 1},         {34, "0,05", false, 0},  // raw 0, below 1
        {35, "0.857", true, 85},                               // truncation, not rounding
        {35, "1", true, 100},         {35, "1.01", false, 0},
        {21, "0  ", false, 0},                               // below 100
        {21, "380", true, 380},       {21, "   ", false, 0}, // nothing typed is not a number
        {34, "1.2.", false, 0},                              // only the first point becomes a comma
        {34, "abc", false, 0},        {34, "-5", false, 0},
        {73, " 1ч30мин", true, 90},  // time mask
        {73, "1 ч3 0мин", true, 90}, // blanks anywhere
        {73, "  ч  мин", false, 0},  // both parts empty: 0, below 1
        {73, "  ч05мин", true, 5},    {73, "99ч59мин", true, 5999},
        {73, "99ч99мин", false, 0},                           // 6039 minutes, above 5999
        {76, "99ч99мин", true, 6039}, {73, "1ч30", false, 0}, // not the editor's text
        {73, "130", false, 0},        {92, "100", true, 10000},
        {92, "49.999", false, 0},
    };
    for (const InputCase& c : cases) {
        const SettingInput r = parseSettingInput(g4(c.number), c.typed, ',');
        EXPECT_EQ(r.ok, c.ok) << c.number << " '" << c.typed << "'";
        if (c.ok) {
            EXPECT_EQ(r.raw, c.raw) << c.number << " '" << c.typed << "'";
            EXPECT_TRUE(r.message.empty());
        } else {
            EXPECT_EQ(r.message, inputRefusalMessage(g4(c.number), ','));
        }
    }
}

TEST(SettingInputTest, RefusalNamesTheLimitsInTheCallersSeparator) {
    const SettingInput r = parseSettingInput(g4(34), "1 2 5", '.');
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("0.1А и не более 100А"), std::string::npos);
}

TEST(SettingInputTest, Generation3MotorCurrentFollowsVariant) {
    SettingsCatalogue g3 = buildCatalogue(ControllerGeneration::Gen3);
    applyTransformerVariant(g3, 2);
    EXPECT_EQ(parseSettingInput(*g3.byNumber(36), "125", ',').raw, 125);
    EXPECT_EQ(*valueText(*g3.byNumber(36), 125, ','), "125 А");
    applyTransformerVariant(g3, 1);
    EXPECT_EQ(parseSettingInput(*g3.byNumber(36), "12.5", ',').raw, 125);
    EXPECT_EQ(*valueText(*g3.byNumber(36), 125, ','), "12,50 А");
}

TEST(ChoiceCommit, SelectedIndexWithinLimits) {
    EXPECT_EQ(choiceCommit(g4(22), 2), std::optional<std::uint16_t>(2));
    EXPECT_EQ(choiceCommit(g4(22), 0), std::optional<std::uint16_t>(0));
    EXPECT_FALSE(choiceCommit(g4(22), -1).has_value()); // no selection
    EXPECT_FALSE(choiceCommit(g4(67), 2).has_value());
}

} // namespace
} // namespace vorsan

namespace vorsan {
namespace {

TEST(SettingInputTest, EveryTypedHundredthIsKeptExactly) {
    // A binary fraction of 0,53 or 0,59 times 100 lies just below 53 or 59; the typed digits
    // are what the user meant.
    const SettingsCatalogue g4 = buildCatalogue(ControllerGeneration::Gen4);
    const SettingDef& pf = *g4.byNumber(35);
    for (int i = 10; i <= 100; ++i) {
        const std::string typed =
            std::to_string(i / 100) + "." + (i % 100 < 10 ? "0" : "") + std::to_string(i % 100);
        const SettingInput r = parseSettingInput(pf, typed, ',');
        EXPECT_TRUE(r.ok) << typed;
        EXPECT_EQ(r.raw, i) << typed;
    }
    EXPECT_EQ(parseSettingInput(pf, "0.5399", ',').raw, 53);
    EXPECT_FALSE(parseSettingInput(pf, "99999999999999999999999", ',').ok);
    EXPECT_FALSE(parseSettingInput(pf, "0,", ',').ok); // raw 0, below 10
    EXPECT_EQ(parseSettingInput(pf, ",5", ',').raw, 50);
}

} // namespace
} // namespace vorsan
