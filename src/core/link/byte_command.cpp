#include "link/byte_command.h"

namespace vorsan {

namespace {

constexpr int kSingleCommandWriteTries = 10;
constexpr int kChecksumTimeoutSeconds = 2;

} // namespace

bool writeByte(SerialLink& link, std::uint8_t b) {
    const WriteResult w = link.write(std::span(&b, 1));
    return w.ok && w.written == 1;
}

std::optional<std::uint8_t> readWithAttempts(SerialLink& link, int attempts) {
    for (int i = 0; i < attempts; ++i)
        if (const ReadResult r = link.readByte(); r.byte) return r.byte;
    return std::nullopt;
}

ValueResult valueRequest(SerialLink& link, std::uint8_t command) {
    ValueResult result;
    link.purge();
    if (!writeByte(link, command)) {
        result.error = LinkError::Write_Error0;
        return result;
    }
    if (readWithAttempts(link, kValueReadAttempts) != command) {
        result.error = LinkError::Read_Error1;
        return result;
    }
    if (!writeByte(link, kChecksumCommand)) {
        result.error = LinkError::Write_Error;
        return result;
    }
    if (readWithAttempts(link, kValueReadAttempts) != kChecksumCommand) {
        result.error = LinkError::Read_Error2;
        return result;
    }
    const auto low = readWithAttempts(link, kValueReadAttempts);
    const auto high = low ? readWithAttempts(link, kValueReadAttempts) : std::nullopt;
    if (!high) {
        result.error = LinkError::Read_Error3;
        return result;
    }
    result.value = static_cast<std::uint16_t>(*low | *high << 8);
    return result;
}

CommandEcho singleCommand(SerialLink& link, std::uint8_t b) {
    link.purge();
    bool written = false;
    for (int i = 0; i < kSingleCommandWriteTries && !written; ++i)
        written = writeByte(link, b);
    if (!written) return CommandEcho::NotWritten;
    return readWithAttempts(link, kShortReadAttempts) == b ? CommandEcho::Echoed : CommandEcho::NoEcho;
}

BlockReadResult blockRead(SerialLink& link, std::uint8_t command, int blocks, int blockLength,
                          int timeoutSeconds, const BlockProgress& progress) {
    BlockReadResult result;
    if (blocks < 0) blocks = 0;
    if (blockLength < 0) blockLength = 0;
    if (progress) progress(0, blocks);

    link.purge();
    if (!writeByte(link, command)) {
        result.error = LinkError::Write_Error;
        return result;
    }
    if (readWithAttempts(link, kShortReadAttempts) != command) {
        result.error = LinkError::Read_Error;
        return result;
    }

    const std::int64_t start = link.nowMicros();
    const std::int64_t limit = static_cast<std::int64_t>(timeoutSeconds) * 1'000'000;
    const std::size_t total = static_cast<std::size_t>(blocks) * static_cast<std::size_t>(blockLength);
    result.data.reserve(total);
    while (result.data.size() < total) {
        const ReadResult r = link.readByte();
        if (link.nowMicros() - start > limit) {
            result.error = LinkError::Time_Error;
            return result;
        }
        if (!r.byte) continue;
        result.data.push_back(*r.byte);
        if (progress && result.data.size() % static_cast<std::size_t>(blockLength) == 0)
            progress(static_cast<int>(result.data.size() / static_cast<std::size_t>(blockLength)), blocks);
    }
    return result;
}

ChecksumResult readControllerChecksum(SerialLink& link) {
    const BlockReadResult r = blockRead(link, kChecksumCommand, 1, 2, kChecksumTimeoutSeconds);
    ChecksumResult result;
    result.error = r.error;
    if (r.error == LinkError::None) result.checksum = static_cast<std::uint16_t>(r.data[0] | r.data[1] << 8);
    return result;
}

ProbeResult probe(SerialLink& link) {
    ProbeResult result;
    if (!link.isRs232()) return result;
    link.purge();
    if (!writeByte(link, kProbeCommand)) return result;
    const auto answer = readWithAttempts(link, kShortReadAttempts);
    if (answer == kProbeCommand) {
        result.answered = true;
        const ValueResult type = valueRequest(link, kTypeCodeCommand);
        result.typeCode = type.error == LinkError::None ? type.value : -1;
    } else if (answer == kRecorderProbeAnswer) {
        result.answered = true;
        result.typeCode = kRecorderTypeCode;
    }
    return result;
}

} // namespace vorsan
