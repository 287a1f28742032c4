#include "link/trace_writer.h"

#include "link/checksums.h"
#include "text/number_format.h"

#include <algorithm>
#include <cstdio>

namespace vorsan {

namespace {

// "01 03 04", or the first kShownBytes and " ... (N bytes)" for a longer run of `length` bytes.
std::string hexText(std::span<const std::uint8_t> shown, std::size_t length) {
    std::string text;
    text.reserve(shown.size() * 3);
    char b[4];
    for (std::size_t k = 0; k < shown.size(); ++k) {
        std::snprintf(b, sizeof b, k ? " %02X" : "%02X", shown[k]);
        text += b;
    }
    if (length > shown.size()) text += " ... (" + std::to_string(length) + " bytes)";
    return text;
}

// Whether the bytes end with the CRC-16 of the others, low byte first.
bool endsWithCrc(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 3) return false;
    const std::uint16_t crc = crc16(bytes.first(bytes.size() - 2));
    return bytes[bytes.size() - 2] == (crc & 0xFF) && bytes.back() == (crc >> 8);
}

const char* controlText(LinkControl what) {
    switch (what) {
    case LinkControl::Opened:
        return "open";
    case LinkControl::OpenFailed:
        return "open failed";
    case LinkControl::Closed:
        return "close";
    case LinkControl::Purged:
    case LinkControl::Drained:
    case LinkControl::RtsRaised:
    case LinkControl::RtsDropped:
    case LinkControl::LowLatencyOn:
    case LinkControl::LowLatencyRefused:
        break;
    }
    return nullptr;
}

} // namespace

void TraceWriter::onTraffic(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                            std::int64_t micros) {
    if (direction == TrafficDirection::Written) {
        request(bytes, micros);
        return;
    }
    for (std::uint8_t b : bytes)
        if (reply_.size() < kShownBytes) reply_.push_back(b);
    replyLength_ += bytes.size();
    replyMicros_ = micros;
}

void TraceWriter::request(std::span<const std::uint8_t> bytes, std::int64_t micros) {
    flush();
    requestFramed_ = endsWithCrc(bytes);
    const bool retry =
        requestFramed_ && std::equal(bytes.begin(), bytes.end(), lastFrame_.begin(), lastFrame_.end());
    out_ << "-> " << hexText(bytes.first(std::min(bytes.size(), kShownBytes)), bytes.size())
         << (retry ? "   [retry]" : "") << '\n';
    if (requestFramed_) lastFrame_.assign(bytes.begin(), bytes.end());
    haveRequest_ = true;
    requestMicros_ = micros;
}

void TraceWriter::onControl(LinkControl what, std::int64_t) {
    flush();
    if (what == LinkControl::Opened || what == LinkControl::Closed) {
        // A new session: nothing sent in it yet.
        lastFrame_.clear();
        haveRequest_ = false;
        requestFramed_ = false;
    }
    if (const char* text = controlText(what)) out_ << "-- " << text << '\n';
}

void TraceWriter::flush() {
    if (replyLength_ == 0) return;
    out_ << "<- " << hexText(reply_, replyLength_);
    if (haveRequest_) {
        // The trace is a file: a point whatever the locale.
        out_ << "   (+" << formatFixed(static_cast<double>(replyMicros_ - requestMicros_) / 1000.0, 1, '.')
             << " ms)";
    }
    // A framed reply longer than kShownBytes is longer than any frame and cannot be intact.
    if (requestFramed_ && (replyLength_ > reply_.size() || !endsWithCrc(reply_))) out_ << "   [CRC failure]";
    out_ << '\n';
    reply_.clear();
    replyLength_ = 0;
}

} // namespace vorsan
