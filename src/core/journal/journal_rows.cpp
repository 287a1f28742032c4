#include "journal/journal_rows.h"

#include "journal/current_state.h"
#include "text/cp1251.h"
#include "text/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace vorsan {
namespace {

struct CodeText {
    std::uint8_t code;
    const char* gen4;
    const char* gen3;
};

// Event texts of both generations; codes not listed have none.
constexpr CodeText kCodeTexts[] = {
    {0, "Стоп : высокое напряжение", "Стоп : высокое напряжение"},
    {1, "Стоп : низкое напряжение", "Стоп : низкое напряжение"},
    {2, "Стоп : контактный манометр", "Стоп : контактный манометр"},
    {3, "Стоп : недогрузка", "Стоп : недогрузка"},
    {4, "Стоп : давление", "Стоп : давление"},
    {5, "Стоп : температура", "Стоп : температура"},
    {6, "Стоп : дисбаланс токов", "Стоп : дисбаланс токов"},
    {7, "Стоп : дисбаланс напряжений", "Стоп : дисбаланс напряжений"},
    {8, "Стоп : низкое сопротивление изоляции", "Стоп : низкое сопротивление изоляции"},
    {9, "Стоп : короткое замыкание", "Стоп : короткое замыкание"},
    {10, "Стоп : перегрузка", "Стоп : перегрузка"},
    {11, "Стоп : открыта дверь", "Стоп : открыта дверь"},
    {12, "Стоп : ", "Стоп : "},
    {13, "Стоп : ", "Стоп : "},
    {14, "Стоп : дистанционный", "Стоп : "},
    {15, "Стоп : оператор", "Стоп : оператор"},
    {16, "Стоп : ", "Стоп : "},
    {31, "Стоп : программа", "Стоп : программа"},
    {46, "Пуск : дистанционный", ""},
    {48, "Пуск : ручной", "Пуск : ручной"},
    {49, "Пуск : автоматический", "Пуск : автоматический"},
    {76, "Включение напряжения", "Включение напряжения"},
    {140, "Отключение напряжения", "Отключение напряжения"},
};

constexpr const char* kCauseTexts[] = {"Выс.напр.", "Низ.напр.", "Дисб.напр.", "Турб.вращ.",
                                       "Чер.фаз",   "Дверь",     "Rиз."};

const CodeText* findCode(std::uint8_t code) {
    for (const auto& c : kCodeTexts)
        if (c.code == code) return &c;
    return nullptr;
}

std::string cut(std::string s, std::size_t maxChars) {
    // No text has more characters than bytes: the common short text needs no counting.
    return s.size() <= maxChars || utf8Length(s) <= maxChars ? s : utf8Left(s, maxChars);
}

// Two digits with a leading zero; larger numbers in full.
std::string twoDigits(unsigned v) {
    if (v >= 100) return std::to_string(v);
    return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

// Currents: one decimal, four significant digits and digit grouping, as the current-state page.
std::string amperesText(double amperes, char separator) {
    const double tenths = std::clamp(std::round(amperes * 10), 0.0, 65535.0);
    return currentText(static_cast<std::uint16_t>(tenths), separator);
}

void fillMeasurementTexts(JournalRecord& r, JournalRow& row, ControllerGeneration g, char separator) {
    const bool g4 = g == ControllerGeneration::Gen4;
    const auto v = [](unsigned n) { return cut(std::to_string(n), kValueTextMax); };
    if (g4 && r.COS_ == kNoPowerFactor) {
        row.cosText = "---";
        r.COS_ = 0;
    } else {
        row.cosText = v(r.COS_);
    }
    row.iaText = cut(amperesText(r.IA, separator), kValueTextMax);
    row.ibText = cut(amperesText(r.IB, separator), kValueTextMax);
    row.icText = cut(amperesText(r.IC, separator), kValueTextMax);
    row.uabText = v(r.UAB);
    row.ubcText = v(r.UBC);
    row.ucaText = v(r.UCA);
    row.sopText = r.SOP == kUnknown16 ? "---" : v(r.SOP);
    if (!g4 && r.ZAGR == 255) {
        row.zagrText = "---";
        r.ZAGR = 0;
    } else {
        row.zagrText = v(r.ZAGR);
    }
    if (g4) {
        row.pText = v(r.P);
        row.tText = v(r.T);
        row.causeText = causeText(r.EXT_ZAP);
    }
}

} // namespace

std::string eventCodeText(std::uint8_t code, ControllerGeneration generation) {
    const CodeText* c = findCode(code);
    if (c == nullptr) return {};
    return generation == ControllerGeneration::Gen4 ? c->gen4 : c->gen3;
}

std::string causeText(std::uint8_t cause) {
    if (cause >= 1 && cause <= std::size(kCauseTexts)) return kCauseTexts[cause - 1];
    return {};
}

std::string settingChangeValueText(const SettingDef& def, std::uint16_t raw, char separator) {
    if (def.isTime()) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.1dч %.2dмин", raw / 60, raw % 60);
        return buf;
    }
    if (def.choices.size() >= 2) {
        if (raw < def.choices.size()) return def.choices[raw];
        return std::to_string(raw) + " (нет в списке)";
    }
    if (def.scale == 1) return std::to_string(raw) + " " + def.unit;
    const double scale = def.scale == 0 ? 1.0 : static_cast<double>(def.scale);
    return formatFixed(raw / scale, 2, separator) + " " + def.unit;
}

std::string settingChangeText(const JournalRecord& r, const SettingsCatalogue& gen4Catalogue,
                              char separator) {
    std::string text = "Изменение уставки №: " + std::to_string(r.NUM_UST) + ".";
    const SettingDef* def =
        gen4Catalogue.generation == ControllerGeneration::Gen4 ? gen4Catalogue.byNumber(r.NUM_UST) : nullptr;
    if (def != nullptr) {
        text += trimmed(def->shortName) + ",   " + settingChangeValueText(*def, r.OLD_ZN, separator) +
                "  ->  " + settingChangeValueText(*def, r.NEW_ZN, separator);
    } else {
        // A number the catalogue does not have: the raw values are all there is to show.
        text += ",   " + std::to_string(r.OLD_ZN) + "  ->  " + std::to_string(r.NEW_ZN);
    }
    return cut(std::move(text), kEventTextMax);
}

JournalRow buildJournalRow(JournalRecord& r, ControllerGeneration g, const SettingsCatalogue& gen4Catalogue,
                           char separator) {
    JournalRow row;
    row.dateText =
        cut(twoDigits(r.day) + "." + twoDigits(r.month) + "." + std::to_string(r.year), kDateTextMax);
    row.timeText =
        cut(twoDigits(r.hour) + ":" + twoDigits(r.minute) + ":" + twoDigits(r.second), kTimeTextMax);
    if (r.SOBYTIE == kCodeMeasurement) {
        fillMeasurementTexts(r, row, g, separator);
    } else if (r.SOBYTIE == kCodeSettingChange && g == ControllerGeneration::Gen4) {
        row.eventText = settingChangeText(r, gen4Catalogue, separator);
    } else if (findCode(r.SOBYTIE) != nullptr) {
        // An event; in generation 3 code 46 has no text and its value columns stay empty.
        row.eventText = cut(eventCodeText(r.SOBYTIE, g), kEventTextMax);
    } else {
        // Unknown codes show as measurement rows with the record's (zero) values.
        fillMeasurementTexts(r, row, g, separator);
    }
    return row;
}

std::vector<JournalRow> buildJournalRows(Journal& journal, ControllerGeneration generation,
                                         const SettingsCatalogue& gen4Catalogue, char separator) {
    std::vector<JournalRow> rows;
    rows.reserve(journal.records.size());
    for (auto& r : journal.records)
        rows.push_back(buildJournalRow(r, generation, gen4Catalogue, separator));
    return rows;
}

JournalRowStyle journalRowStyle(const JournalRecord& record, const JournalRow& row) {
    JournalRowStyle s;
    s.eventClass = eventClassOf(record.SOBYTIE);
    s.eventRow = row.isEventRow();
    if (s.eventRow) s.colour = s.eventClass == EventClass::start ? kColourGreen : kColourRed;
    return s;
}

std::string measurementCellText(const JournalRow& row, int column) {
    switch (column) {
    case 3:
        return row.uabText;
    case 4:
        return row.ubcText;
    case 5:
        return row.ucaText;
    case 6:
        return row.iaText;
    case 7:
        return row.ibText;
    case 8:
        return row.icText;
    case 9:
        return row.zagrText;
    case 10:
        return row.sopText;
    case 11:
        return row.pText;
    case 12:
        return row.tText;
    case 13:
        return row.cosText;
    case 14:
        return row.causeText;
    default:
        return {};
    }
}

} // namespace vorsan
