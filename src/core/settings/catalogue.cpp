#include "settings/catalogue.h"

#include "settings/catalogue_rows.h"

#include <algorithm>

namespace vorsan {
namespace {

// "Откл,Блок,АПВ" -> {"Откл", "Блок", "АПВ"}; a mask is kept whole.
std::vector<std::string> editorItems(EditorKind kind, std::string_view editor) {
    if (kind == EditorKind::mask) return {std::string(editor)};
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = editor.find(',', start);
        items.emplace_back(editor.substr(start, comma - start));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

SettingDef entryOf(const CatalogueRow& r) {
    SettingDef d;
    d.unit = r.unit;
    d.scale = r.scale;
    d.offset = r.offset;
    d.longName = r.longName;
    d.value = kUnknown16;
    d.editorKind = r.kind;
    d.minRaw = r.minRaw;
    d.maxRaw = r.maxRaw;
    d.choices = editorItems(r.kind, r.editor);
    d.shortName = r.shortName;
    return d;
}

SettingDef entryOf(const CatalogueRow3& r) {
    return entryOf(
        CatalogueRow{r.longName, "", r.unit, r.kind, r.editor, r.scale, r.minRaw, r.maxRaw, r.offset});
}

// One variant of the transformer entry.
struct TransformerVariant {
    const char* longName;
    const char* unit;
    const char* mask;
    double minRaw;
    double maxRaw;
    std::int32_t motorCurrentScale; // generation 3 only
};

// Generation 4: variants 1 and 2; the motor current keeps its scale of 10.
constexpr TransformerVariant kGen4Variants[2] = {
    {"Номинальный ток ТТ", "А", "cccc", 1, 5000, 10},
    {"Напряжение ТМПН", "В", "cccc", 1, 5000, 10},
};
// Generation 3: the current transformer station counts the motor current in tenths, the supply
// transformer station in whole amperes.
constexpr TransformerVariant kGen3Variants[2] = {
    {"Номинальный ток ТТ", "А", "ccc", 1, 300, 10},
    {"Напряжение ТМПН", "В", "cccc", 380, 3500, 1},
};

} // namespace

const std::string& SettingDef::mask() const {
    static const std::string none;
    return editorKind == EditorKind::mask && !choices.empty() ? choices.front() : none;
}

bool SettingDef::isTime() const {
    return editorKind == EditorKind::mask && mask() == kTimeMask;
}

const SettingDef* SettingsCatalogue::at(std::size_t index) const {
    return index < entries.size() ? &entries[index] : nullptr;
}

SettingDef* SettingsCatalogue::at(std::size_t index) {
    return index < entries.size() ? &entries[index] : nullptr;
}

const SettingDef* SettingsCatalogue::byNumber(int number) const {
    return number < kFirstSettingNumber ? nullptr
                                        : at(static_cast<std::size_t>(number - kFirstSettingNumber));
}

SettingDef* SettingsCatalogue::byNumber(int number) {
    return number < kFirstSettingNumber ? nullptr
                                        : at(static_cast<std::size_t>(number - kFirstSettingNumber));
}

std::size_t settingCount(ControllerGeneration generation) {
    return generation == ControllerGeneration::Gen4 ? kGen4SettingCount : kGen3SettingCount;
}

SettingsCatalogue buildCatalogue(ControllerGeneration generation) {
    SettingsCatalogue c;
    c.generation = generation;
    if (generation == ControllerGeneration::Gen4) {
        for (const CatalogueRow& r : kGen4Rows)
            c.entries.push_back(entryOf(r));
    } else {
        for (const CatalogueRow3& r : kGen3Rows)
            c.entries.push_back(entryOf(r));
    }
    return c;
}

void applyTransformerVariant(SettingsCatalogue& catalogue, int variant) {
    if (variant != 1 && variant != 2) return;
    const bool gen4 = catalogue.generation == ControllerGeneration::Gen4;
    const TransformerVariant& v = (gen4 ? kGen4Variants : kGen3Variants)[variant - 1];
    SettingDef* t = catalogue.byNumber(gen4 ? kGen4TransformerNumber : kGen3TransformerNumber);
    if (t == nullptr) return;
    t->longName = v.longName;
    t->unit = v.unit;
    if (t->editorKind == EditorKind::mask) t->choices = {v.mask};
    t->minRaw = v.minRaw;
    t->maxRaw = v.maxRaw;
    if (!gen4) {
        if (SettingDef* motor = catalogue.byNumber(kGen3MotorCurrentNumber))
            motor->scale = v.motorCurrentScale;
    }
}

int variantForValue(std::uint16_t raw) {
    return raw >= 380 ? 2 : 1;
}

int variantForTypeCode(int typeCode) {
    if (typeCode == 11) return 1;
    if (typeCode == 99) return 2;
    return 0;
}

void applyVariantFromValue(SettingsCatalogue& catalogue) {
    const bool gen4 = catalogue.generation == ControllerGeneration::Gen4;
    const SettingDef* t = catalogue.byNumber(gen4 ? kGen4TransformerNumber : kGen3TransformerNumber);
    if (t != nullptr) applyTransformerVariant(catalogue, variantForValue(t->value));
}

std::string settingNumberTextOf(int number) {
    if (number < 100) return std::to_string(number);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s;
    s += kHex[(number / 10) % 16];
    s += static_cast<char>('0' + number % 10);
    return s;
}

std::string settingNumberText(std::size_t index) {
    return settingNumberTextOf(static_cast<int>(index) + kFirstSettingNumber);
}

std::string settingRowName(const SettingsCatalogue& catalogue, std::size_t index) {
    const SettingDef* d = catalogue.at(index);
    return d == nullptr ? std::string() : settingNumberText(index) + "  " + d->longName;
}

SettingsSet settingsSetOf(const SettingsCatalogue& catalogue) {
    SettingsSet set;
    set.reserve(catalogue.size());
    for (const SettingDef& d : catalogue.entries)
        set.push_back(d.value);
    return set;
}

bool assignSettingsSet(SettingsCatalogue& catalogue, const SettingsSet& values) {
    if (values.size() != catalogue.size()) return false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        catalogue.entries[i].value = values[i];
        catalogue.entries[i].loaded = true;
    }
    return true;
}

bool everySettingLoaded(const SettingsCatalogue& catalogue) {
    return !catalogue.entries.empty() &&
           std::all_of(catalogue.entries.begin(), catalogue.entries.end(),
                       [](const SettingDef& d) { return d.loaded; });
}

bool settingsWritable(const SettingsCatalogue& catalogue) {
    if (catalogue.entries.empty()) return false;
    // Generation 3 sends only known values; the others go back as the controller has them.
    return catalogue.generation == ControllerGeneration::Gen3 || everySettingLoaded(catalogue);
}

} // namespace vorsan
