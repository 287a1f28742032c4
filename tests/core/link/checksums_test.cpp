#include "link/checksums.h"
#include "link/framed_request.h"
#include "link/link_error.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vorsan;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frameOf(const FramedRequest& r) {
    return Bytes(r.bytes.begin(), r.bytes.end());
}

} // namespace

TEST(Crc16, KnownFrames) {
    const Bytes search{0x01, 0x03, 0xFF, 0xFF, 0x00, 0x01};
    EXPECT_EQ(crc16(search), 0x2E84);
    EXPECT_EQ(frameOf(searchProbeRequest(1)), (Bytes{0x01, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x84, 0x2E}));
    EXPECT_EQ(frameOf(currentStateFirstRequest(1)), (Bytes{0x01, 0x03, 0x00, 0x3F, 0x00, 0x10, 0x74, 0x0A}));
}

TEST(Crc16, EmptyAndAppendedCrcGivesZero) {
    EXPECT_EQ(crc16({}), 0xFFFF);
    // A frame followed by its own CRC (low byte first) checks to zero: the receiver's shortcut.
    for (int a = 1; a <= 247; a += 41) {
        const auto r = journalBlockRequest(static_cast<std::uint8_t>(a), a);
        EXPECT_EQ(crc16(r.bytes), 0);
    }
}

TEST(AdditiveChecksum, WrapsAtSixteenBits) {
    EXPECT_EQ(additiveChecksum({}), 0);
    const Bytes ones(300, 0xFF);
    EXPECT_EQ(additiveChecksum(ones), (300 * 255) % 65536);
    const Bytes many(32768, 0xFF);
    EXPECT_EQ(additiveChecksum(many), (32768 * 255) % 65536);
}

// One row per request the program sends: bytes before the CRC, reply length, time-out, tries, fixed.
struct RequestRow {
    const char* what;
    FramedRequest request;
    Bytes head;
    std::size_t replyLength;
    int timeoutMs;
    int tries;
    bool fixed;
};

TEST(FramedRequests, EveryRowOfTheTable) {
    const std::uint8_t A = 7;
    const RequestRow rows[] = {
        {"state 1", currentStateFirstRequest(A), {A, 3, 0x00, 0x3F, 0x00, 0x10}, 37, 300, 1, false},
        {"state 2", currentStateSecondRequest(A), {A, 3, 0x00, 0x10, 0x00, 0x10}, 37, 300, 1, false},
        {"pad/well", padWellRequest(A), {A, 3, 0x00, 0xEE, 0x00, 0x02}, 9, 300, 1, false},
        {"pad/well in state read",
         padWellRequest(A, kPadWellInStateReadTimeoutMs),
         {A, 3, 0x00, 0xEE, 0x00, 0x02},
         9,
         1300,
         1,
         false},
        {"settings 0", settingsBlockRequest(A, 0), {A, 3, 0x00, 0x00, 0x00, 0x10}, 37, 300, 6, false},
        {"settings 15", settingsBlockRequest(A, 15), {A, 3, 0x00, 0xF0, 0x00, 0x10}, 37, 300, 6, false},
        {"write setting",
         writeSettingRequest(A, 176 + 12 / 2, 0x1234),
         {A, 6, 0x00, 0xB6, 0x12, 0x34},
         8,
         300,
         6,
         false},
        {"journal 0", journalBlockRequest(A, 0), {A, 4, 0x00, 0x00, 0x00, 0x40}, 133, 300, 6, false},
        {"journal 5", journalBlockRequest(A, 5), {A, 4, 0x01, 0x40, 0x00, 0x40}, 133, 300, 6, false},
        {"journal 255", journalBlockRequest(A, 255), {A, 4, 0x3F, 0xC0, 0x00, 0x40}, 133, 300, 6, false},
        {"clear chronology", clearChronologyRequest(A), {A, 5, 0x00, 0x00, 0x27, 0x10}, 5, 500, 1, true},
        {"start", startStopRequest(A, true), {A, 5, 0x00, 0x3F, 0x00, 0x01}, 5, 500, 1, true},
        {"stop", startStopRequest(A, false), {A, 5, 0x00, 0x3F, 0x00, 0x00}, 5, 500, 1, true},
        {"search", searchProbeRequest(200), {200, 3, 0xFF, 0xFF, 0x00, 0x01}, 5, 500, 1, true},
        {"recorder present", recorderPresentRequest(), {0xFF, 3, 0x00, 0x20, 0x00, 0x01}, 7, 100, 1, false},
        {"recorder clear", recorderClearRequest(), {0xFF, 6, 0x00, 0x20, 0x00, 0x00}, 8, 2300, 1, false},
        {"recorder speed", recorderSpeedRequest(7), {0xFF, 6, 0x00, 0x09, 0x00, 0x07}, 8, 300, 1, false},
        {"entry clock", recorderEntryClockRequest(3), {3, 3, 0x00, 0x10, 0x00, 0x04}, 13, 150, 1, false},
        {"entry identity",
         recorderEntryIdentityRequest(3),
         {3, 3, 0x00, 0xEE, 0x00, 0x04},
         13,
         150,
         1,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes frame = frameOf(row.request);
        EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 6), row.head);
        const std::uint16_t crc = crc16(row.head);
        EXPECT_EQ(frame[6], crc & 0xFF);
        EXPECT_EQ(frame[7], crc >> 8);
        EXPECT_EQ(row.request.replyLength, row.replyLength);
        EXPECT_EQ(row.request.timeoutMs, row.timeoutMs);
        EXPECT_EQ(row.request.tries, row.tries);
        EXPECT_EQ(row.request.fixedExchange, row.fixed);
    }
}

TEST(FramedRequests, RecorderSpeedCodes) {
    const std::pair<int, int> codes[] = {{9600, 47},  {14400, 31}, {19200, 23},
                                         {38400, 11}, {57600, 7},  {115200, 3}};
    for (auto [speed, code] : codes)
        EXPECT_EQ(recorderSpeedCode(speed), code) << speed;
    EXPECT_EQ(recorderSpeedCode(0), 0);
}

TEST(LinkErrors, WordsAndMessages) {
    const std::pair<LinkError, const char*> words[] = {
        {LinkError::None, ""},
        {LinkError::OpenPort_Error, "OpenPort_Error"},
        {LinkError::DCB_Error, "DCB_Error"},
        {LinkError::TimeOut_Error, "TimeOut_Error"},
        {LinkError::Write_Error, "Write_Error"},
        {LinkError::Read_Error, "Read_Error"},
        {LinkError::Time_Error, "Time_Error"},
        {LinkError::Write_Error0, "Write_Error0"},
        {LinkError::Read_Error1, "Read_Error1"},
        {LinkError::Read_Error2, "Read_Error2"},
        {LinkError::Read_Error3, "Read_Error3"},
        {LinkError::Crc, "crc"},
        {LinkError::St, "St"},
        {LinkError::ContrSumError, "ContrSumError"},
    };
    for (auto [error, word] : words)
        EXPECT_EQ(errorWord(error), word);
    EXPECT_EQ(errorMessage(LinkError::OpenPort_Error), "Не удалось открыть порт");
    EXPECT_EQ(errorMessage(LinkError::DCB_Error), "Ошибка при инициализации порта");
    EXPECT_EQ(errorMessage(LinkError::TimeOut_Error), "Ошибка при инициализации порта");
    EXPECT_EQ(errorMessage(LinkError::Write_Error), "Ошибка записи в порт");
    EXPECT_EQ(errorMessage(LinkError::Read_Error), "Ошибка чтения из порта");
    EXPECT_EQ(errorMessage(LinkError::St), "Ошибка не совпала контрольная сумма");
}

