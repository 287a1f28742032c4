#include "journal/current_state.h"

#include <cstdio>

namespace vorsan {
namespace {

using Field = std::uint16_t CurrentState::*;

// Record order of the 32 words.
constexpr std::array<Field, kCurrentStateWords> kWordOrder = {
    &CurrentState::status,
    &CurrentState::UAB,
    &CurrentState::UBC,
    &CurrentState::UCA,
    &CurrentState::voltageImbalance,
    &CurrentState::IA,
    &CurrentState::IB,
    &CurrentState::IC,
    &CurrentState::currentImbalance,
    &CurrentState::SOP,
    &CurrentState::powerFactor,
    &CurrentState::ZAGR,
    &CurrentState::P,
    &CurrentState::T,
    &CurrentState::second,
    &CurrentState::minute,
    &CurrentState::hour,
    &CurrentState::day,
    &CurrentState::month,
    &CurrentState::year,
    &CurrentState::param51,
    &CurrentState::starts,
    &CurrentState::turbineFrequency,
    &CurrentState::phaseOrder,
    &CurrentState::restartsUnderload,
    &CurrentState::restartsOverload,
    &CurrentState::restartsOther,
    &CurrentState::runHours,
    &CurrentState::runMinutes,
    &CurrentState::param54,
    &CurrentState::padNumber,
    &CurrentState::wellNumber,
};

// Generation 4 registers that carry a plain word.
struct RegisterWord {
    std::uint16_t reg;
    Field field;
};
constexpr RegisterWord kPlainRegisters[] = {
    {24, &CurrentState::starts},
    {25, &CurrentState::runHours},
    {26, &CurrentState::runMinutes},
    {27, &CurrentState::restartsOther},
    {28, &CurrentState::restartsUnderload},
    {29, &CurrentState::restartsOverload},
    {63, &CurrentState::status},
    {64, &CurrentState::UAB},
    {65, &CurrentState::UBC},
    {66, &CurrentState::UCA},
    {67, &CurrentState::voltageImbalance},
    {68, &CurrentState::IA},
    {69, &CurrentState::IB},
    {70, &CurrentState::IC},
    {71, &CurrentState::currentImbalance},
    {72, &CurrentState::SOP},
    {73, &CurrentState::powerFactor},
    {74, &CurrentState::ZAGR},
    {75, &CurrentState::P},
    {76, &CurrentState::T},
    {77, &CurrentState::turbineFrequency},
    {78, &CurrentState::phaseOrder},
    {238, &CurrentState::padNumber},
    {239, &CurrentState::wellNumber},
};

// Clock registers: high byte and low byte as BCD (nullptr: byte ignored).
struct ClockRegister {
    std::uint16_t reg;
    Field high;
    Field low;
};
constexpr ClockRegister kClockRegisters[] = {
    {16, &CurrentState::minute, &CurrentState::second},
    {17, nullptr, &CurrentState::hour},
    {18, &CurrentState::month, &CurrentState::day},
    {19, nullptr, &CurrentState::year},
};

// Generation 3 parameters that carry a plain word (48 is split, see applyGen3StateValue).
struct ParameterWord {
    std::uint8_t parameter;
    Field field;
};
constexpr ParameterWord kGen3Parameters[] = {
    {16, &CurrentState::status},
    {17, &CurrentState::UAB},
    {18, &CurrentState::UBC},
    {19, &CurrentState::UCA},
    {20, &CurrentState::voltageImbalance},
    {21, &CurrentState::IA},
    {22, &CurrentState::IB},
    {23, &CurrentState::IC},
    {24, &CurrentState::currentImbalance},
    {25, &CurrentState::SOP},
    {26, &CurrentState::powerFactor},
    {27, &CurrentState::ZAGR},
    {28, &CurrentState::P},
    {29, &CurrentState::T},
    {51, &CurrentState::param51},
    {52, &CurrentState::starts},
    {53, &CurrentState::turbineFrequency},
    {35, &CurrentState::phaseOrder},
    {49, &CurrentState::runHours},
    {50, &CurrentState::runMinutes},
    {54, &CurrentState::param54},
    {55, &CurrentState::padNumber},
    {56, &CurrentState::wellNumber},
    {65, &CurrentState::restartsOverload},
};

// Registers a file's parameter block carries: the clock and counters, the measurements.
constexpr std::uint16_t kBlockRanges[][2] = {{16, 29}, {63, 78}};

void applyRegister(CurrentState& s, std::uint16_t reg, std::uint16_t value) {
    for (const RegisterWord& r : kPlainRegisters)
        if (r.reg == reg) s.*r.field = value;
    for (const ClockRegister& c : kClockRegisters) {
        if (c.reg != reg) continue;
        if (c.high != nullptr) s.*c.high = fromBcd(static_cast<std::uint8_t>(value >> 8));
        s.*c.low = fromBcd(static_cast<std::uint8_t>(value & 0xFF));
    }
}

void putHighFirst(ParameterBlock& block, std::uint16_t reg, std::uint8_t high, std::uint8_t low) {
    block[2u * reg] = high;
    block[2u * reg + 1] = low;
}

std::string twoDigits(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u", v);
    return buf;
}

constexpr const char* kStopTexts[32] = {
    "Стоп, высокое напряжение",
    "Стоп, низкое напряжение",
    "Стоп, контактный манометр",
    "Стоп, недогрузка",
    "Стоп, давление",
    "Стоп, температура",
    "Стоп, дисбаланс токов",
    "Стоп, дисбаланс напряжений",
    "Стоп, низкое сопротивление изоляции",
    "Стоп, короткое замыкание",
    "Стоп, перегрузка",
    "Стоп, открыта дверь",
    "",
    "",
    "",
    "Стоп, оператор",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "Стоп, программа",
};

// Restart reasons 1-5 (bits 12-14).
constexpr const char* kRestartReasons[8] = {
    "",
    ", Высокое напряжение",
    ", Низкое напряжение",
    ", Дисбаланс напряжения",
    ", Турбинное вращение",
    ", Чередование фаз",
    "",
    "",
};

constexpr const char* kRowLabels[kCurrentStateRows] = {
    "",
    "Причина последнего стопа",
    "Текущее состояние",
    "Напряжение Uab",
    "Напряжение Ubc",
    "Напряжение Uca",
    "Дисбаланс напряжений",
    "Ток Ia",
    "Ток Ib",
    "Ток Ic",
    "Дисбаланс токов",
    "Сопротивление изоляции",
    "Коэффициент мощности",
    "Загрузка",
    "Давление",
    "Температура",
    "Дата, время",
    "Общее время наработки",
    "Общее количество стартов",
    "Пароль",
    "Частота турбинного вращения",
    "Чередование фаз",
    "",
    "Рестарты по недогрузу",
    "Рестарты по перегрузу",
    "Рестарты по другим причинам",
};

bool running(std::uint16_t status) {
    return (status & 0x0001) != 0;
}

} // namespace

std::array<std::uint16_t, kCurrentStateWords> toWords(const CurrentState& state) {
    std::array<std::uint16_t, kCurrentStateWords> w{};
    for (std::size_t i = 0; i < kCurrentStateWords; ++i)
        w[i] = state.*kWordOrder[i];
    return w;
}

CurrentState fromWords(const std::array<std::uint16_t, kCurrentStateWords>& words) {
    CurrentState s;
    for (std::size_t i = 0; i < kCurrentStateWords; ++i)
        s.*kWordOrder[i] = words[i];
    return s;
}

CurrentState zeroState() {
    return fromWords({});
}

CurrentState unreadState() {
    return CurrentState{};
}

void applyStateRegisters(CurrentState& state, std::uint16_t firstRegister,
                         std::span<const std::uint16_t> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t reg = firstRegister + i;
        if (reg > 0xFFFF) break;
        applyRegister(state, static_cast<std::uint16_t>(reg), values[i]);
    }
}

void applyStateRegisterBytes(CurrentState& state, std::uint16_t firstRegister,
                             std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const std::size_t reg = firstRegister + i / 2;
        if (reg > 0xFFFF) break;
        applyRegister(state, static_cast<std::uint16_t>(reg),
                      static_cast<std::uint16_t>(bytes[i] << 8 | bytes[i + 1]));
    }
}

CurrentState decodeParameterBlockState(const ParameterBlock& block) {
    CurrentState s = unreadState();
    for (const auto& range : kBlockRanges) {
        const std::size_t first = 2u * range[0];
        const std::size_t length = 2u * (range[1] - range[0] + 1u);
        applyStateRegisterBytes(s, range[0], std::span<const std::uint8_t>(block).subspan(first, length));
    }
    return s;
}

void encodeParameterBlockState(const CurrentState& state, ParameterBlock& block) {
    // Clock: the ignored high bytes of registers 17 and 19 repeat the byte before them.
    const std::uint8_t second = toBcd(state.second);
    const std::uint8_t day = toBcd(state.day);
    putHighFirst(block, 16, toBcd(state.minute), second);
    putHighFirst(block, 17, second, toBcd(state.hour));
    putHighFirst(block, 18, toBcd(state.month), day);
    putHighFirst(block, 19, day, toBcd(state.year));
    for (const RegisterWord& r : kPlainRegisters) {
        if (r.reg > 78) continue; // pad and well are not written
        const std::uint16_t v = state.*r.field;
        putHighFirst(block, r.reg, static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF));
    }
}

bool stateIsEmpty(const CurrentState& state) {
    return state.UAB == kUnknown16 && state.UBC == kUnknown16 && state.UCA == kUnknown16;
}

void applyGen3StateValue(CurrentState& state, std::uint8_t parameter, std::uint16_t value) {
    if (parameter == 48) {
        state.restartsUnderload = static_cast<std::uint16_t>(value >> 8);
        state.restartsOther = static_cast<std::uint16_t>(value & 0xFF);
        return;
    }
    for (const ParameterWord& p : kGen3Parameters)
        if (p.parameter == parameter) state.*p.field = value;
}

void applyGen3Clock(CurrentState& state, std::span<const std::uint8_t, 7> clock) {
    state.second = fromBcd(clock[0]);
    state.minute = fromBcd(clock[1]);
    state.hour = fromBcd(clock[2]);
    // clock[3] is the day of the week
    state.day = fromBcd(clock[4]);
    state.month = fromBcd(clock[5]);
    state.year = fromBcd(clock[6]);
}

std::string currentStateLabel(std::size_t row) {
    return row < kCurrentStateRows ? kRowLabels[row] : "";
}

std::string currentStateRowNumber(std::size_t row) {
    return row >= 2 && row <= 21 ? twoDigits(static_cast<unsigned>(row - 2)) : "";
}

std::uint16_t fromBcd(std::uint8_t b) {
    return static_cast<std::uint16_t>((b >> 4) * 10 + (b & 0x0F));
}

std::uint8_t toBcd(std::uint16_t value) {
    const unsigned v = value % 100u;
    return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10));
}

std::string stopCauseText(unsigned cause) {
    return cause < 32 ? kStopTexts[cause] : "";
}

std::string stopText(std::uint16_t status) {
    return running(status) ? "" : stopCauseText((status >> 6) & 31u);
}

std::string modeText(std::uint16_t status) {
    if (running(status)) return "Работа";
    if ((status & 0x0002) != 0) {
        const unsigned position = (status >> 3) & 3u;
        if (position == 0) return "БЛОК, переключатель Откл.";
        if (position == 1) return "БЛОК, переключатель Ручн.";
        return "БЛОК";
    }
    std::string text = "АПВ";
    if ((status & 0x0020) != 0) text += kRestartReasons[(status >> 12) & 7u];
    return text;
}

std::string startStopCaption(std::uint16_t status) {
    return running(status) ? "Стоп" : "Пуск";
}

std::string powerFactorText(std::uint16_t hundredths) {
    if (hundredths > 100) return "- - , - -";
    if (hundredths == 100) return "1,00";
    return "0," + twoDigits(hundredths);
}

std::string dateTimeText(const CurrentState& s) {
    return twoDigits(s.day) + "." + twoDigits(s.month) + "." + std::to_string(2000 + s.year) + "    " +
           twoDigits(s.hour) + ":" + twoDigits(s.minute) + ":" + twoDigits(s.second);
}

std::string runTimeText(std::uint16_t hours, std::uint16_t minutes) {
    return std::to_string(hours) + " ч." + std::to_string(minutes) + " мин.";
}

std::string phaseOrderText(std::uint16_t phaseOrder) {
    return phaseOrder == 0 ? "CBA" : "ABC";
}

std::string currentText(std::uint16_t tenths, char separator, std::string_view group) {
    // Four significant digits: from 1000,0 A on, the tenths are rounded away (half up).
    unsigned v = tenths;
    if (v >= 10000) v = (v + 5) / 10 * 10;
    const std::string whole = std::to_string(v / 10);
    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += group;
        grouped += whole[i];
    }
    return grouped + separator + static_cast<char>('0' + v % 10);
}

std::array<std::string, kCurrentStateRows> currentStateColumn(const CurrentState& s, char separator) {
    std::array<std::string, kCurrentStateRows> c;
    const auto n = [](std::uint16_t v) { return std::to_string(v); };
    c[1] = stopText(s.status);
    c[2] = modeText(s.status);
    c[3] = n(s.UAB) + " B";
    c[4] = n(s.UBC) + " B";
    c[5] = n(s.UCA) + " B";
    c[6] = n(s.voltageImbalance) + " %";
    c[7] = currentText(s.IA, separator) + " A";
    c[8] = currentText(s.IB, separator) + " A";
    c[9] = currentText(s.IC, separator) + " A";
    c[10] = n(s.currentImbalance) + " %";
    c[11] = n(s.SOP) + " кОм";
    c[12] = powerFactorText(s.powerFactor);
    c[13] = n(s.ZAGR) + " %";
    c[14] = n(s.P) + " Атм.";
    c[15] = n(s.T) + " °С";
    c[16] = dateTimeText(s);
    c[17] = runTimeText(s.runHours, s.runMinutes);
    c[18] = n(s.starts);
    c[20] = n(s.turbineFrequency) + " Гц";
    c[21] = phaseOrderText(s.phaseOrder);
    c[23] = n(s.restartsUnderload);
    c[24] = n(s.restartsOverload);
    c[25] = n(s.restartsOther);
    return c;
}

} // namespace vorsan
