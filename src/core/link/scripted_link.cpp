#include "link/scripted_link.h"

#include "link/checksums.h"

#include <algorithm>
#include <cmath>

namespace vorsan {

namespace {

std::int64_t toMicros(double ms) {
    return static_cast<std::int64_t>(std::llround(ms * 1000.0));
}

} // namespace

Bytes withCrc(Bytes frame) {
    const std::uint16_t crc = crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes withBadCrc(Bytes frame) {
    Bytes out = withCrc(std::move(frame));
    out.back() ^= 0x5A;
    return out;
}

ScriptedLink::ScriptedLink() {
    setClock(clock_);
}

ScriptedLink& ScriptedLink::expect(Bytes request) {
    turns_.push_back(Turn{std::move(request), {}, std::nullopt});
    return *this;
}

ScriptedLink& ScriptedLink::anyWrite() {
    turns_.push_back(Turn{});
    return *this;
}

ScriptedLink::Turn& ScriptedLink::lastTurn() {
    if (turns_.empty()) turns_.push_back(Turn{});
    return turns_.back();
}

ScriptedLink& ScriptedLink::reply(const Bytes& bytes, double delayMs) {
    return replyPaced(bytes, delayMs, 0);
}

ScriptedLink& ScriptedLink::replyPaced(const Bytes& bytes, double delayMs, double gapMs) {
    lastTurn().pieces.push_back(Piece{bytes, toMicros(delayMs), toMicros(gapMs)});
    return *this;
}

ScriptedLink& ScriptedLink::failWrite(std::size_t accepted) {
    lastTurn().failAfter = accepted;
    return *this;
}

void ScriptedLink::inject(const Bytes& bytes, std::int64_t atMicros) {
    for (std::uint8_t b : bytes)
        schedule(atMicros, b);
}

void ScriptedLink::setResponder(Responder responder, double delayMs, double gapMs) {
    responder_ = std::move(responder);
    responderDelay_ = toMicros(delayMs);
    responderGap_ = toMicros(gapMs);
}

void ScriptedLink::failOpen(LinkError error, std::string reason) {
    openFailure_ = OpenResult{error, std::move(reason)};
}

void ScriptedLink::schedule(std::int64_t atMicros, std::uint8_t byte) {
    // Stable: bytes of equal time keep the order they were scheduled in.
    const auto pos = std::upper_bound(arriving_.begin(), arriving_.end(), atMicros,
                                      [](std::int64_t t, const Arrival& a) { return t < a.atMicros; });
    arriving_.insert(pos, Arrival{atMicros, byte});
}

OpenResult ScriptedLink::doOpen(const std::string& device, int speed) {
    ++opens_;
    if (openFailure_) {
        OpenResult r = *openFailure_;
        openFailure_.reset();
        return r;
    }
    device_ = device;
    speed_ = speed;
    open_ = true;
    return {};
}

void ScriptedLink::doClose() {
    open_ = false;
}

bool ScriptedLink::doPurge() {
    ++purges_;
    const std::int64_t now = clock_.nowMicros();
    while (!arriving_.empty() && arriving_.front().atMicros <= now)
        arriving_.pop_front();
    return open_;
}

WriteResult ScriptedLink::doWrite(std::span<const std::uint8_t> bytes) {
    WriteResult result;
    if (!open_) return result;
    Turn turn;
    if (!turns_.empty()) {
        turn = std::move(turns_.front());
        turns_.pop_front();
    } else if (responder_) {
        turn.pieces.push_back(
            Piece{responder_(Bytes(bytes.begin(), bytes.end())), responderDelay_, responderGap_});
    }
    if (turn.failAfter) {
        result.written = std::min(*turn.failAfter, bytes.size());
        writes_.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(result.written));
        return result;
    }
    writes_.emplace_back(bytes.begin(), bytes.end());
    if (turn.request && *turn.request != writes_.back()) ++mismatches_;
    std::int64_t end = clock_.nowMicros();
    if (wireSpeed_ > 0) end = std::max(end, wireFreeAt_) + static_cast<std::int64_t>(bytes.size()) * 10'000'000 / wireSpeed_;
    wireFreeAt_ = end;
    for (const Piece& p : turn.pieces)
        for (std::size_t i = 0; i < p.bytes.size(); ++i)
            schedule(end + p.delayMicros + p.gapMicros * static_cast<std::int64_t>(i), p.bytes[i]);
    result.written = bytes.size();
    result.ok = true;
    return result;
}

bool ScriptedLink::doDrain() {
    clock_.advanceTo(wireFreeAt_);
    return open_;
}

ReadResult ScriptedLink::doReadByte() {
    ++readAttempts_;
    ReadResult result;
    const std::int64_t now = clock_.nowMicros();
    const std::int64_t window = static_cast<std::int64_t>(kReadByteTimeoutMs) * 1000;
    if (open_ && !arriving_.empty() && arriving_.front().atMicros <= now + window) {
        clock_.advanceTo(arriving_.front().atMicros);
        result.byte = arriving_.front().byte;
        arriving_.pop_front();
        return result;
    }
    clock_.advanceMicros(window);
    result.ok = open_;
    return result;
}

void ScriptedLink::doSetRts(bool raised) {
    rts_ = raised;
}

} // namespace vorsan
