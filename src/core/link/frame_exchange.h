#pragma once
// Exchanges of the framed protocol.
//
// Low level, as the transactions describe them:
//   framedExchange      purge, drop RTS, write the request, raise RTS, then collect exactly N
//                       reply bytes within T ms counted from the end of the request (not per
//                       byte). A byte read after the limit is not kept.
//   framedExchangeFixed the same with T = 500 ms, and nothing at all on a port that is not RS-232.
// The caller checks the CRC (replyChecksumOk) and retries as it needs.
//
// High level, what transactions normally call:
//   framedRequest(link, someRequest(...)) sends a request of framed_request.h with its own reply
//   length, time-out and number of tries, retrying at once while the reply is missing or fails
//   its CRC, and stopping at once on Write_Error.
#include "link/framed_request.h"
#include "link/serial_link.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorsan {

struct ExchangeResult {
    bool received = false;             // all N reply bytes arrived within the time-out
    LinkError error = LinkError::None; // Write_Error only; a time-out leaves None
    std::uint16_t receivedCrc = 0;     // last two reply bytes, low byte first (valid when received)
    bool skipped = false;              // framedExchangeFixed on a port that is not RS-232: no I/O
};

// buffer holds the request in its first requestLength bytes; the reply overwrites it from index 0.
// The buffer must hold max(requestLength, replyLength) bytes and replyLength must be at least 3;
// otherwise nothing is sent and the result is not received.
ExchangeResult framedExchange(SerialLink& link, std::span<std::uint8_t> buffer, std::size_t requestLength,
                              std::size_t replyLength, int timeoutMs);
ExchangeResult framedExchangeFixed(SerialLink& link, std::span<std::uint8_t> buffer,
                                   std::size_t requestLength, std::size_t replyLength);

// Whether a received reply of replyLength bytes carries the CRC of its first replyLength - 2 bytes.
bool replyChecksumOk(std::span<const std::uint8_t> buffer, std::size_t replyLength, const ExchangeResult& r);

struct FramedReply {
    LinkError error = LinkError::None; // Write_Error aborts; everything else is !valid
    bool valid = false;                // a reply of the full length with a good CRC
    bool skipped = false;              // fixed exchange on a port that is not RS-232
    int tries = 0;                     // requests sent
    std::size_t length = 0;            // reply length asked for
    std::array<std::uint8_t, kMaxReplyLength> bytes{};

    std::span<const std::uint8_t> frame() const { return std::span(bytes).first(length); }
    // The register data of a 0x03/0x04 reply: bytes 3 to length - 3.
    std::span<const std::uint8_t> data() const {
        return length >= 5 ? std::span(bytes).subspan(3, length - 5) : std::span<const std::uint8_t>{};
    }
    // Register i of a 0x03/0x04 reply, high byte first; 0xFFFF beyond the reply.
    std::uint16_t registerValue(std::size_t i) const {
        if (5 + 2 * i + 2 > length || length > bytes.size()) return 0xFFFF;
        return static_cast<std::uint16_t>(bytes[3 + 2 * i] << 8 | bytes[4 + 2 * i]);
    }
};

// Sends the request up to request.tries times in a row (no pause) until a valid reply arrives.
FramedReply framedRequest(SerialLink& link, const FramedRequest& request);

} // namespace vorsan
