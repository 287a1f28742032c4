#include "link/station_control.h"

#include "link/byte_command.h"
#include "link/frame_exchange.h"

#include <array>

namespace vorsan {

const std::string kClearRefusedMessage = "Внимание: поставьте переключатель\r"
                                         "рода работ в положение \"Выкл.\"\r"
                                         "и нажмите еще раз на кнопку для обнуления хронологии";

namespace {

// One fixed exchange; tells apart a valid reply, another answer and silence.
struct FixedOutcome {
    LinkError error = LinkError::None;
    bool valid = false;
    bool answered = false;
};

FixedOutcome fixedExchange(SerialLink& link, const FramedRequest& request) {
    std::array<std::uint8_t, kMaxReplyLength> buffer{};
    std::copy(request.bytes.begin(), request.bytes.end(), buffer.begin());
    const ExchangeResult r = framedExchangeFixed(link, buffer, kRequestLength, request.replyLength);
    FixedOutcome out;
    out.error = r.error;
    out.valid = replyChecksumOk(buffer, request.replyLength, r);
    out.answered = r.received;
    return out;
}

// Writes one command byte once and waits for one answer byte.
struct ByteAnswer {
    LinkError error = LinkError::None;
    std::optional<std::uint8_t> answer;
};

ByteAnswer commandWithAnswer(SerialLink& link, std::uint8_t command) {
    ByteAnswer out;
    link.purge();
    const WriteResult w = link.write(std::span(&command, 1));
    if (!w.ok || w.written != 1) {
        out.error = LinkError::Write_Error;
        return out;
    }
    out.answer = readWithAttempts(link, kShortReadAttempts);
    return out;
}

} // namespace

ClearResult clearChronology4(SerialLink& link, std::uint8_t address) {
    const FixedOutcome r = fixedExchange(link, clearChronologyRequest(address));
    ClearResult result;
    result.error = r.error;
    result.outcome = r.valid      ? ClearOutcome::Refused
                     : r.answered ? ClearOutcome::Accepted
                                  : ClearOutcome::Silent;
    return result;
}

ClearResult clearChronology3(SerialLink& link) {
    const ByteAnswer r = commandWithAnswer(link, kClearChronologyCommand);
    ClearResult result;
    result.error = r.error;
    result.outcome = !r.answer        ? ClearOutcome::Silent
                     : *r.answer != 0 ? ClearOutcome::Refused
                                      : ClearOutcome::Accepted;
    return result;
}

LinkError startStop4(SerialLink& link, std::uint8_t address, bool start) {
    return fixedExchange(link, startStopRequest(address, start)).error;
}

LinkError startStop3(SerialLink& link, bool start) {
    return commandWithAnswer(link, start ? kStartCommand : kStopCommand).error;
}

} // namespace vorsan
