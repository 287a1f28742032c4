// The current state: sources of both generations, the parameter block and the page's texts.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "journal/current_state.h"

namespace vorsan {
namespace {

TEST(CurrentStateRecord, WordOrderAndStartValues) {
    std::array<std::uint16_t, kCurrentStateWords> w{};
    for (std::size_t i = 0; i < w.size(); ++i)
        w[i] = static_cast<std::uint16_t>(100 + i);
    const CurrentState s = fromWords(w);
    EXPECT_EQ(s.status, 100);
    EXPECT_EQ(s.IA, 105);
    EXPECT_EQ(s.powerFactor, 110);
    EXPECT_EQ(s.second, 114);
    EXPECT_EQ(s.year, 119);
    EXPECT_EQ(s.param51, 120);
    EXPECT_EQ(s.phaseOrder, 123);
    EXPECT_EQ(s.restartsOther, 126);
    EXPECT_EQ(s.param54, 129);
    EXPECT_EQ(s.wellNumber, 131);
    EXPECT_EQ(toWords(s), w);
    EXPECT_EQ(toWords(zeroState()), (std::array<std::uint16_t, kCurrentStateWords>{}));
    EXPECT_EQ(unreadState().padNumber, 0xFFFF);
    EXPECT_EQ(unreadState().wellNumber, 0xFFFF);
    EXPECT_EQ(unreadState().UAB, 0);
}

TEST(CurrentStateRegisters, LivePollRanges) {
    CurrentState s = unreadState();
    // Registers 63-78: status, voltages, imbalance, currents, ... phase order.
    const std::uint16_t measurements[16] = {0x0001, 380, 381, 382, 2,  123, 124, 125,
                                            3,      500, 87,  75,  12, 40,  50,  1};
    applyStateRegisters(s, 63, measurements);
    // Registers 16-31 as reply bytes, high byte first: clock, unused 20-23, counters.
    const std::uint8_t clockAndCounters[32] = {
        0x07, 0x09, 0x00, 0x14, 0x03, 0x05, 0x00, 0x03, // 16-19: 14:07:09, 05.03.03
        0,    0,    0,    0,    0,    0,    0,    0,    // 20-23 not used
        0x00, 0x2A, 0x04, 0xD2, 0x00, 0x05, 0x00, 0x06, // 24 starts 42, 25 hours 1234, 26 min 5, 27 other 6
        0x00, 0x07, 0x00, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, // 28 underload 7, 29 overload 8, 30-31 nothing
    };
    applyStateRegisterBytes(s, 16, clockAndCounters);
    const std::uint16_t padWell[2] = {12, 345};
    applyStateRegisters(s, 238, padWell);

    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.UAB, 380);
    EXPECT_EQ(s.UCA, 382);
    EXPECT_EQ(s.voltageImbalance, 2);
    EXPECT_EQ(s.IA, 123);
    EXPECT_EQ(s.IC, 125);
    EXPECT_EQ(s.currentImbalance, 3);
    EXPECT_EQ(s.SOP, 500);
    EXPECT_EQ(s.powerFactor, 87);
    EXPECT_EQ(s.ZAGR, 75);
    EXPECT_EQ(s.P, 12);
    EXPECT_EQ(s.T, 40);
    EXPECT_EQ(s.turbineFrequency, 50);
    EXPECT_EQ(s.phaseOrder, 1);
    EXPECT_EQ(s.minute, 7);
    EXPECT_EQ(s.second, 9);
    EXPECT_EQ(s.hour, 14);
    EXPECT_EQ(s.month, 3);
    EXPECT_EQ(s.day, 5);
    EXPECT_EQ(s.year, 3);
    EXPECT_EQ(s.starts, 42);
    EXPECT_EQ(s.runHours, 1234);
    EXPECT_EQ(s.runMinutes, 5);
    EXPECT_EQ(s.restartsOther, 6);
    EXPECT_EQ(s.restartsUnderload, 7);
    EXPECT_EQ(s.restartsOverload, 8);
    EXPECT_EQ(s.padNumber, 12);
    EXPECT_EQ(s.wellNumber, 345);
    EXPECT_EQ(s.param51, 0);
    EXPECT_EQ(s.param54, 0);
}

CurrentState sampleState() {
    CurrentState s = unreadState();
    s.status = 0x07C2;
    s.UAB = 380;
    s.UBC = 0x1234;
    s.UCA = 382;
    s.voltageImbalance = 1;
    s.IA = 123;
    s.IB = 4567;
    s.IC = 8;
    s.currentImbalance = 9;
    s.SOP = 9999;
    s.powerFactor = 100;
    s.ZAGR = 11;
    s.P = 12;
    s.T = 13;
    s.second = 59;
    s.minute = 7;
    s.hour = 23;
    s.day = 31;
    s.month = 12;
    s.year = 26;
    s.starts = 21;
    s.turbineFrequency = 22;
    s.phaseOrder = 0;
    s.restartsUnderload = 24;
    s.restartsOverload = 25;
    s.restartsOther = 26;
    s.runHours = 65535;
    s.runMinutes = 59;
    return s;
}

TEST(CurrentStateBlock, EncodedBytesAndPlaces) {
    ParameterBlock block;
    block.fill(0xFF);
    encodeParameterBlockState(sampleState(), block);
    // Clock: minute, second, second again, hour, month, day, day again, year.
    const std::uint8_t clock[8] = {0x07, 0x59, 0x59, 0x23, 0x12, 0x31, 0x31, 0x26};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(block[32 + i], clock[i]) << i;
    EXPECT_EQ(block[48], 0x00); // starts 21, high byte first
    EXPECT_EQ(block[49], 21);
    EXPECT_EQ(block[50], 0xFF); // run hours 65535
    EXPECT_EQ(block[58], 0x00);
    EXPECT_EQ(block[59], 25); // restartsOverload
    EXPECT_EQ(block[126], 0x07);
    EXPECT_EQ(block[127], 0xC2);
    EXPECT_EQ(block[130], 0x12); // UBC
    EXPECT_EQ(block[131], 0x34);
    EXPECT_EQ(block[156], 0x00); // phase order
    EXPECT_EQ(block[157], 0x00);
    // Nothing else is touched: 40-47, 60-125, 158 on stay FF (no pad and well at 476-479).
    for (std::size_t i = 0; i < block.size(); ++i) {
        const bool written = (i >= 32 && i < 40) || (i >= 48 && i < 60) || (i >= 126 && i < 158);
        if (!written) {
            EXPECT_EQ(block[i], 0xFF) << i;
        }
    }
}

TEST(CurrentStateBlock, RoundTripExceptPadWellAndGeneration3Parameters) {
    CurrentState s = sampleState();
    s.padNumber = 5;
    s.wellNumber = 6;
    s.param51 = 7;
    s.param54 = 8;
    ParameterBlock block;
    block.fill(0xFF);
    encodeParameterBlockState(s, block);
    const CurrentState back = decodeParameterBlockState(block);
    CurrentState expected = s;
    expected.padNumber = 0xFFFF;
    expected.wellNumber = 0xFFFF;
    expected.param51 = 0;
    expected.param54 = 0;
    EXPECT_EQ(back, expected);
}

TEST(CurrentStateBlock, EmptyBlockHoldsNoState) {
    ParameterBlock block;
    block.fill(0xFF);
    const CurrentState s = decodeParameterBlockState(block);
    EXPECT_TRUE(stateIsEmpty(s));
    EXPECT_EQ(s.UAB, 0xFFFF);
    EXPECT_FALSE(stateIsEmpty(sampleState()));
}

TEST(CurrentStateBcd, PackAndUnpack) {
    EXPECT_EQ(fromBcd(0x59), 59);
    EXPECT_EQ(fromBcd(0x00), 0);
    EXPECT_EQ(fromBcd(0xFF), 165);
    EXPECT_EQ(toBcd(59), 0x59);
    EXPECT_EQ(toBcd(7), 0x07);
    EXPECT_EQ(toBcd(165), 0x65); // beyond two digits: the last two
}

TEST(CurrentStateGen3, ValueListAndClock) {
    CurrentState s = unreadState();
    // Values in reading order, each distinct.
    for (std::size_t i = 0; i < kGen3StateParameters.size(); ++i)
        applyGen3StateValue(s, kGen3StateParameters[i], static_cast<std::uint16_t>(1000 + i));
    applyGen3StateValue(s, 48, 0x0203); // restarts: high byte underload, low byte other
    applyGen3StateValue(s, 99, 1);      // not a state parameter
    const std::uint8_t clock[7] = {0x09, 0x07, 0x14, 0x04, 0x05, 0x03, 0x03};
    applyGen3Clock(s, clock);
    EXPECT_EQ(s.status, 1000);
    EXPECT_EQ(s.T, 1013);
    EXPECT_EQ(s.param51, 1014);
    EXPECT_EQ(s.starts, 1015);
    EXPECT_EQ(s.turbineFrequency, 1016);
    EXPECT_EQ(s.phaseOrder, 1017);
    EXPECT_EQ(s.restartsUnderload, 2);
    EXPECT_EQ(s.restartsOther, 3);
    EXPECT_EQ(s.runHours, 1019);
    EXPECT_EQ(s.runMinutes, 1020);
    EXPECT_EQ(s.param54, 1021);
    EXPECT_EQ(s.padNumber, 1022);
    EXPECT_EQ(s.wellNumber, 1023);
    EXPECT_EQ(s.restartsOverload, 1024);
    EXPECT_EQ(dateTimeText(s), "05.03.2003    14:07:09");
}

TEST(CurrentStateText, StatusWords) {
    const struct {
        std::uint16_t status;
        const char* stop;
        const char* mode;
        const char* button;
    } cases[] = {
        {0x0001, "", "Работа", "Стоп"},
        {0x0000, "Стоп, высокое напряжение", "АПВ", "Пуск"},
        {12 << 6, "", "АПВ", "Пуск"},
        {9 << 6, "Стоп, короткое замыкание", "АПВ", "Пуск"},
        {15 << 6, "Стоп, оператор", "АПВ", "Пуск"},
        {31 << 6, "Стоп, программа", "АПВ", "Пуск"},
        {(10 << 6) | 0x0002, "Стоп, перегрузка", "БЛОК, переключатель Откл.", "Пуск"},
        {0x0002 | (1 << 3), "Стоп, высокое напряжение", "БЛОК, переключатель Ручн.", "Пуск"},
        {0x0002 | (2 << 3), "Стоп, высокое напряжение", "БЛОК", "Пуск"},
        {0x0002 | (3 << 3) | 0x0020 | (3 << 12), "Стоп, высокое напряжение", "БЛОК", "Пуск"},
        {0x0020 | (3 << 12), "Стоп, высокое напряжение", "АПВ, Дисбаланс напряжения", "Пуск"},
        {3 << 12, "Стоп, высокое напряжение", "АПВ", "Пуск"},
        {0x0020 | (1 << 12), "Стоп, высокое напряжение", "АПВ, Высокое напряжение", "Пуск"},
        {0x0020 | (5 << 12), "Стоп, высокое напряжение", "АПВ, Чередование фаз", "Пуск"},
        {0x0020 | (6 << 12), "Стоп, высокое напряжение", "АПВ", "Пуск"},
        {0x0001 | 0x0002 | (4 << 6), "", "Работа", "Стоп"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stopText(c.status), c.stop) << std::hex << c.status;
        EXPECT_EQ(modeText(c.status), c.mode) << std::hex << c.status;
        EXPECT_EQ(startStopCaption(c.status), c.button) << std::hex << c.status;
    }
    const char* named[] = {"Стоп, низкое напряжение",    "Стоп, контактный манометр",
                           "Стоп, недогрузка",           "Стоп, давление",
                           "Стоп, температура",          "Стоп, дисбаланс токов",
                           "Стоп, дисбаланс напряжений", "Стоп, низкое сопротивление изоляции"};
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(stopCauseText(i + 1), named[i]);
    EXPECT_EQ(stopCauseText(11), "Стоп, открыта дверь");
    EXPECT_EQ(stopCauseText(16), "");
}

TEST(CurrentStateText, PowerFactorPhaseOrderRunTimeCurrents) {
    const struct {
        std::uint16_t v;
        const char* text;
    } pf[] = {{9, "0,09"},  {5, "0,05"},   {0, "0,00"},       {10, "0,10"},
              {87, "0,87"}, {100, "1,00"}, {101, "- - , - -"}};
    for (const auto& c : pf)
        EXPECT_EQ(powerFactorText(c.v), c.text) << c.v;
    EXPECT_EQ(phaseOrderText(0), "CBA");
    EXPECT_EQ(phaseOrderText(1), "ABC");
    EXPECT_EQ(phaseOrderText(0xFFFF), "ABC");
    EXPECT_EQ(runTimeText(1234, 5), "1234 ч.5 мин.");
    const struct {
        std::uint16_t tenths;
        const char* text;
    } amps[] = {{123, "12,3"},
                {0, "0,0"},
                {5, "0,5"},
                {9999, "999,9"},
                {10000, "1\u00A0000,0"},
                {12345, "1\u00A0235,0"},
                {65535, "6\u00A0554,0"}};
    for (const auto& c : amps)
        EXPECT_EQ(currentText(c.tenths, ','), c.text) << c.tenths;
    EXPECT_EQ(currentText(123, '.'), "12.3");
}

TEST(CurrentStateText, ColumnOfThePage) {
    CurrentState s = unreadState();
    s.status = 0;
    s.UAB = 380;
    s.UBC = 381;
    s.UCA = 382;
    s.voltageImbalance = 1;
    s.IA = 123;
    s.IB = 124;
    s.IC = 125;
    s.currentImbalance = 2;
    s.SOP = 500;
    s.powerFactor = 87;
    s.ZAGR = 75;
    s.P = 12;
    s.T = 40;
    s.day = 5;
    s.month = 3;
    s.year = 3;
    s.hour = 14;
    s.minute = 7;
    s.second = 9;
    s.runHours = 1234;
    s.runMinutes = 5;
    s.starts = 42;
    s.turbineFrequency = 50;
    s.phaseOrder = 0;
    s.restartsUnderload = 7;
    s.restartsOverload = 8;
    s.restartsOther = 6;
    const auto c = currentStateColumn(s, ',');
    const std::array<std::string, kCurrentStateRows> expected = {
        "",
        "Стоп, высокое напряжение",
        "АПВ",
        "380 B",
        "381 B",
        "382 B",
        "1 %",
        "12,3 A",
        "12,4 A",
        "12,5 A",
        "2 %",
        "500 кОм",
        "0,87",
        "75 %",
        "12 Атм.",
        "40 °С",
        "05.03.2003    14:07:09",
        "1234 ч.5 мин.",
        "42",
        "",
        "50 Гц",
        "CBA",
        "",
        "7",
        "8",
        "6",
    };
    for (std::size_t r = 0; r < kCurrentStateRows; ++r)
        EXPECT_EQ(c[r], expected[r]) << "row " << r;
}

TEST(CurrentStateText, RowLabelsAndNumbers) {
    EXPECT_EQ(currentStateLabel(1), "Причина последнего стопа");
    EXPECT_EQ(currentStateLabel(3), "Напряжение Uab");
    EXPECT_EQ(currentStateLabel(19), "Пароль");
    EXPECT_EQ(currentStateLabel(22), "");
    EXPECT_EQ(currentStateLabel(25), "Рестарты по другим причинам");
    EXPECT_EQ(currentStateLabel(26), "");
    EXPECT_EQ(currentStateRowNumber(1), "");
    EXPECT_EQ(currentStateRowNumber(2), "00");
    EXPECT_EQ(currentStateRowNumber(11), "09");
    EXPECT_EQ(currentStateRowNumber(12), "10");
    EXPECT_EQ(currentStateRowNumber(21), "19");
    EXPECT_EQ(currentStateRowNumber(22), "");
}

} // namespace
} // namespace vorsan
