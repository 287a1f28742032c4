#include "link/frame_exchange.h"

#include "link/checksums.h"

#include <algorithm>

namespace vorsan {

ExchangeResult framedExchange(SerialLink& link, std::span<std::uint8_t> buffer, std::size_t requestLength,
                              std::size_t replyLength, int timeoutMs) {
    ExchangeResult result;
    if (replyLength < 3 || buffer.size() < requestLength || buffer.size() < replyLength) return result;

    link.purge();
    link.clearRts();
    const WriteResult w = link.write(buffer.first(requestLength));
    if (!w.ok || w.written < requestLength) {
        result.error = LinkError::Write_Error;
        return result;
    }
    // write() returns while the driver still shifts the last bytes out. An RS-485 converter
    // switched by RTS must not turn round under them, so RTS goes up, and the reply time-out
    // starts, only when the request has left the wire.
    link.drain();
    const std::int64_t start = link.nowMicros();
    const std::int64_t limit = static_cast<std::int64_t>(timeoutMs) * 1000;
    link.setRts();

    std::size_t got = 0;
    while (got < replyLength) {
        const ReadResult r = link.readByte();
        if (link.nowMicros() - start > limit) return result; // late bytes are not kept
        if (r.byte) buffer[got++] = *r.byte;
    }
    result.receivedCrc = static_cast<std::uint16_t>(buffer[replyLength - 2] | buffer[replyLength - 1] << 8);
    result.received = true;
    return result;
}

ExchangeResult framedExchangeFixed(SerialLink& link, std::span<std::uint8_t> buffer,
                                   std::size_t requestLength, std::size_t replyLength) {
    if (!link.isRs232()) {
        ExchangeResult skipped;
        skipped.skipped = true;
        return skipped;
    }
    return framedExchange(link, buffer, requestLength, replyLength, kFixedTimeoutMs);
}

bool replyChecksumOk(std::span<const std::uint8_t> buffer, std::size_t replyLength, const ExchangeResult& r) {
    if (!r.received || replyLength < 3 || buffer.size() < replyLength) return false;
    return crc16(buffer.first(replyLength - 2)) == r.receivedCrc;
}

FramedReply framedRequest(SerialLink& link, const FramedRequest& request) {
    FramedReply reply;
    reply.length = request.replyLength;
    if (reply.length > kMaxReplyLength) return reply;
    const int tries = request.tries > 0 ? request.tries : 1;
    for (int t = 0; t < tries; ++t) {
        std::copy(request.bytes.begin(), request.bytes.end(), reply.bytes.begin());
        const ExchangeResult r =
            request.fixedExchange
                ? framedExchangeFixed(link, reply.bytes, kRequestLength, reply.length)
                : framedExchange(link, reply.bytes, kRequestLength, reply.length, request.timeoutMs);
        if (r.skipped) {
            reply.skipped = true;
            return reply;
        }
        ++reply.tries;
        if (r.error != LinkError::None) {
            reply.error = r.error;
            return reply;
        }
        if (replyChecksumOk(reply.bytes, reply.length, r)) {
            reply.valid = true;
            return reply;
        }
    }
    return reply;
}

} // namespace vorsan
