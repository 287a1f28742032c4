#include "link/framed_request.h"

#include "link/checksums.h"

namespace vorsan {

namespace {

std::uint8_t hi(std::uint16_t v) {
    return static_cast<std::uint8_t>(v >> 8);
}
std::uint8_t lo(std::uint16_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

FramedRequest withTiming(FramedRequest r, int timeoutMs, int tries) {
    r.timeoutMs = timeoutMs;
    r.tries = tries;
    return r;
}

FramedRequest fixed(FramedRequest r) {
    r.timeoutMs = kFixedTimeoutMs;
    r.tries = 1;
    r.fixedExchange = true;
    r.replyLength = kRefusalLength;
    return r;
}

// Registers of the station's memory that the program reads by name.
constexpr std::uint16_t kRegStateFirst = 63;
constexpr std::uint16_t kRegStateSecond = 16;
constexpr std::uint16_t kStateBlockRegisters = 16;
constexpr std::uint16_t kRegPad = 238;
constexpr std::uint16_t kRegMotorStart = 0x3F;
constexpr std::uint16_t kRegClearChronology = 0x0000;
constexpr std::uint16_t kClearChronologyValue = 0x2710;
constexpr std::uint16_t kRegMissing = 0xFFFF;
constexpr std::uint16_t kJournalBlockRegisters = 64;
constexpr std::uint16_t kRecorderRegCount = 0x20;
constexpr std::uint16_t kRecorderRegSpeed = 0x09;
constexpr std::uint16_t kRecorderRegClock = 16;
constexpr int kRecorderPresentTimeoutMs = 100;
constexpr int kRecorderClearTimeoutMs = 2300;
constexpr int kRecorderEntryTimeoutMs = 150;

} // namespace

FramedRequest makeRequest(std::uint8_t address, std::uint8_t function, std::uint16_t reg,
                          std::uint16_t countOrValue) {
    FramedRequest r;
    r.bytes = {address, function, hi(reg), lo(reg), hi(countOrValue), lo(countOrValue), 0, 0};
    const std::uint16_t crc = crc16(std::span(r.bytes).first(6));
    r.bytes[6] = lo(crc);
    r.bytes[7] = hi(crc);
    switch (function) {
    case kFnReadRegisters:
    case kFnReadInputRegisters:
        r.replyLength = 5 + 2 * static_cast<std::size_t>(countOrValue);
        break;
    case kFnWriteRegister:
        r.replyLength = kRequestLength;
        break;
    default:
        r.replyLength = kRefusalLength;
        break;
    }
    return r;
}

FramedRequest readRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count) {
    return makeRequest(address, kFnReadRegisters, firstRegister, count);
}

FramedRequest readInputRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count) {
    return makeRequest(address, kFnReadInputRegisters, firstRegister, count);
}

FramedRequest writeRegister(std::uint8_t address, std::uint16_t reg, std::uint16_t value) {
    return makeRequest(address, kFnWriteRegister, reg, value);
}

FramedRequest currentStateFirstRequest(std::uint8_t address) {
    return readRegisters(address, kRegStateFirst, kStateBlockRegisters);
}

FramedRequest currentStateSecondRequest(std::uint8_t address) {
    return readRegisters(address, kRegStateSecond, kStateBlockRegisters);
}

FramedRequest padWellRequest(std::uint8_t address, int timeoutMs) {
    return withTiming(readRegisters(address, kRegPad, 2), timeoutMs, 1);
}

FramedRequest settingsBlockRequest(std::uint8_t address, int block) {
    const auto first = static_cast<std::uint16_t>(kStateBlockRegisters * block);
    return withTiming(readRegisters(address, first, kStateBlockRegisters), kDefaultTimeoutMs, kBlockTries);
}

FramedRequest writeSettingRequest(std::uint8_t address, std::uint16_t reg, std::uint16_t value) {
    return withTiming(writeRegister(address, reg, value), kDefaultTimeoutMs, kBlockTries);
}

FramedRequest journalBlockRequest(std::uint8_t address, int block) {
    const auto first = static_cast<std::uint16_t>(kJournalBlockRegisters * block);
    return withTiming(readInputRegisters(address, first, kJournalBlockRegisters), kDefaultTimeoutMs,
                      kBlockTries);
}

FramedRequest clearChronologyRequest(std::uint8_t address) {
    return fixed(makeRequest(address, kFnCommand, kRegClearChronology, kClearChronologyValue));
}

FramedRequest startStopRequest(std::uint8_t address, bool start) {
    return fixed(makeRequest(address, kFnCommand, kRegMotorStart, start ? 1 : 0));
}

FramedRequest searchProbeRequest(std::uint8_t address) {
    return fixed(readRegisters(address, kRegMissing, 1));
}

FramedRequest recorderPresentRequest() {
    return withTiming(readRegisters(kRecorderAddress, kRecorderRegCount, 1), kRecorderPresentTimeoutMs, 1);
}

FramedRequest recorderClearRequest() {
    return withTiming(writeRegister(kRecorderAddress, kRecorderRegCount, 0), kRecorderClearTimeoutMs, 1);
}

FramedRequest recorderSpeedRequest(std::uint8_t code) {
    return writeRegister(kRecorderAddress, kRecorderRegSpeed, code);
}

FramedRequest recorderEntryClockRequest(std::uint8_t entry) {
    return withTiming(readRegisters(entry, kRecorderRegClock, 4), kRecorderEntryTimeoutMs, 1);
}

FramedRequest recorderEntryIdentityRequest(std::uint8_t entry) {
    return withTiming(readRegisters(entry, kRegPad, 4), kRecorderEntryTimeoutMs, 1);
}

std::uint8_t recorderSpeedCode(int speed) {
    if (speed <= 0 || speed > 460800) return 0;
    return static_cast<std::uint8_t>(460800 / speed - 1);
}

} // namespace vorsan
