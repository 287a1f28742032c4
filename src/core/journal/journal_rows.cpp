#include "journal/journal_rows.h"

#include "journal/current_state.h"
#include "text/cp1251.h"
#include "text/number_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>
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

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
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

namespace {

// The texts of a row are written into the strings it has: a view of many rows rebuilt again
// reuses their memory instead of making 15 strings a row.
void assignCut(std::string& s, std::string_view text, std::size_t maxChars) {
    if (text.size() <= maxChars || utf8Length(text) <= maxChars)
        s.assign(text);
    else
        s = utf8Left(text, maxChars);
}

// Replaces the text of `s`, in the memory it has when that is enough (std::string::assign
// costs more in its general checks than these short texts cost to copy).
void setText(std::string& s, const char* p, std::size_t n) {
    if (n <= s.capacity()) {
        s.clear();
        s.append(p, n);
    } else {
        s.assign(p, n);
    }
}

// Two digits with a leading zero; larger numbers in full (as twoDigits).
char* putTwoDigits(char* p, unsigned v) {
    if (v >= 100) return std::to_chars(p, p + 8, v).ptr;
    *p++ = static_cast<char>('0' + v / 10);
    *p++ = static_cast<char>('0' + v % 10);
    return p;
}

void putNumber(std::string& s, unsigned v) {
    char buf[16];
    setText(s, buf, static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
}

// amperesText cut to a value's width, built in place.
void putAmperes(std::string& s, double amperes, char separator) {
    const double tenths = std::clamp(std::round(amperes * 10), 0.0, 65535.0);
    unsigned v = static_cast<std::uint16_t>(tenths);
    if (v >= 10000) v = (v + 5) / 10 * 10; // four significant digits, as currentText
    char whole[8];
    const auto n = static_cast<std::size_t>(std::to_chars(whole, whole + sizeof whole, v / 10).ptr - whole);
    char buf[24];
    std::size_t at = 0, chars = 0;
    const auto put = [&](std::string_view piece) {
        if (chars < kValueTextMax) {
            std::memcpy(buf + at, piece.data(), piece.size());
            at += piece.size();
            ++chars;
        }
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) put("\u00A0");
        put(std::string_view(whole + i, 1));
    }
    put(std::string_view(&separator, 1));
    const char tenth = static_cast<char>('0' + v % 10);
    put(std::string_view(&tenth, 1));
    setText(s, buf, at);
}

void putMeasurementTexts(JournalRecord& r, JournalRow& row, ControllerGeneration g, char separator) {
    const bool g4 = g == ControllerGeneration::Gen4;
    if (g4 && r.COS_ == kNoPowerFactor) {
        setText(row.cosText, "---", 3);
        r.COS_ = 0;
    } else {
        putNumber(row.cosText, r.COS_);
    }
    putAmperes(row.iaText, r.IA, separator);
    putAmperes(row.ibText, r.IB, separator);
    putAmperes(row.icText, r.IC, separator);
    putNumber(row.uabText, r.UAB);
    putNumber(row.ubcText, r.UBC);
    putNumber(row.ucaText, r.UCA);
    if (r.SOP == kUnknown16)
        setText(row.sopText, "---", 3);
    else
        putNumber(row.sopText, r.SOP);
    if (!g4 && r.ZAGR == 255) {
        setText(row.zagrText, "---", 3);
        r.ZAGR = 0;
    } else {
        putNumber(row.zagrText, r.ZAGR);
    }
    if (g4) {
        putNumber(row.pText, r.P);
        putNumber(row.tText, r.T);
        const std::string_view cause =
            r.EXT_ZAP >= 1 && r.EXT_ZAP <= std::size(kCauseTexts) ? kCauseTexts[r.EXT_ZAP - 1] : "";
        setText(row.causeText, cause.data(), cause.size());
    } else {
        row.pText.clear();
        row.tText.clear();
        row.causeText.clear();
    }
    row.eventText.clear();
}

void clearValueTexts(JournalRow& row) {
    for (std::string* s : {&row.cosText, &row.icText, &row.ibText, &row.iaText, &row.ucaText, &row.ubcText,
                           &row.uabText, &row.sopText, &row.zagrText, &row.pText, &row.tText, &row.causeText})
        s->clear();
}

} // namespace

void fillJournalRow(JournalRecord& r, JournalRow& row, ControllerGeneration g, const SettingsCatalogue& gen4Catalogue,
                    char separator) {
    char buf[32];
    char* p = putTwoDigits(buf, r.day);
    *p++ = '.';
    p = putTwoDigits(p, r.month);
    *p++ = '.';
    p = std::to_chars(p, buf + sizeof buf, r.year).ptr;
    setText(row.dateText, buf, std::min<std::size_t>(static_cast<std::size_t>(p - buf), kDateTextMax));
    p = putTwoDigits(buf, r.hour);
    *p++ = ':';
    p = putTwoDigits(p, r.minute);
    *p++ = ':';
    p = putTwoDigits(p, r.second);
    setText(row.timeText, buf, std::min<std::size_t>(static_cast<std::size_t>(p - buf), kTimeTextMax));
    if (r.SOBYTIE == kCodeMeasurement) {
        putMeasurementTexts(r, row, g, separator);
    } else if (r.SOBYTIE == kCodeSettingChange && g == ControllerGeneration::Gen4) {
        clearValueTexts(row);
        row.eventText = settingChangeText(r, gen4Catalogue, separator);
    } else if (const CodeText* c = findCode(r.SOBYTIE)) {
        // An event; in generation 3 code 46 has no text and its value columns stay empty.
        clearValueTexts(row);
        assignCut(row.eventText, g == ControllerGeneration::Gen4 ? c->gen4 : c->gen3, kEventTextMax);
    } else {
        // Unknown codes show as measurement rows with the record's (zero) values.
        putMeasurementTexts(r, row, g, separator);
    }
}

JournalRow buildJournalRow(JournalRecord& r, ControllerGeneration g, const SettingsCatalogue& gen4Catalogue,
                           char separator) {
    JournalRow row;
    fillJournalRow(r, row, g, gen4Catalogue, separator);
    return row;
}

std::vector<JournalRow> buildJournalRows(Journal& journal, ControllerGeneration generation,
                                         const SettingsCatalogue& gen4Catalogue, char separator) {
    std::vector<JournalRow> rows(journal.records.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        fillJournalRow(journal.records[i], rows[i], generation, gen4Catalogue, separator);
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
