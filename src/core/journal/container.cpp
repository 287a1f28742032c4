#include "journal/container.h"

namespace vorsan {
namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Container abandoned(ContainerStatus status) {
    Container c;
    c.status = status;
    return c;
}

} // namespace

Container readContainer(std::span<const std::uint8_t> file, const UnknownMagicQuestion& ask) {
    if (file.size() < kContainerHeaderSize) return abandoned(ContainerStatus::damaged);
    const std::uint16_t magic = le16(file, 0);
    // Sums in 64 bits: 32-bit header fields cannot wrap around there.
    const std::uint64_t total = le32(file, 4);
    const std::uint64_t dataOffset = le32(file, 8);
    const std::uint64_t dataLength = le32(file, 12);
    const std::uint64_t journalLength = le32(file, 16);
    const std::uint64_t parameterLength = le32(file, 20);

    Container c;
    if (magic == kMagicGen4) {
        c.generation = ControllerGeneration::Gen4;
    } else if (magic == kMagicGen3) {
        c.generation = ControllerGeneration::Gen3;
    } else if (!ask || !ask()) {
        return abandoned(ContainerStatus::refused);
    }
    if (dataOffset + dataLength != total) return abandoned(ContainerStatus::damaged);
    // The header's own lengths are checked against the bytes that are really there, so that a
    // truncated or forged file is refused instead of read beyond its end.
    if (dataOffset + journalLength + parameterLength > file.size())
        return abandoned(ContainerStatus::damaged);
    const auto journal =
        file.subspan(static_cast<std::size_t>(dataOffset), static_cast<std::size_t>(journalLength));
    const auto parameters = file.subspan(static_cast<std::size_t>(dataOffset + journalLength),
                                         static_cast<std::size_t>(parameterLength));
    c.journalBlock.assign(journal.begin(), journal.end());
    c.parameterBlock.assign(parameters.begin(), parameters.end());
    return c;
}

std::vector<std::uint8_t> writeContainer(ControllerGeneration generation,
                                         std::span<const std::uint8_t> journalBlock,
                                         std::span<const std::uint8_t> parameterBlock) {
    const bool g4 = generation == ControllerGeneration::Gen4;
    const auto total =
        static_cast<std::uint32_t>(kContainerHeaderSize + journalBlock.size() + parameterBlock.size());
    std::vector<std::uint8_t> out;
    out.reserve(total);
    put16(out, g4 ? kMagicGen4 : kMagicGen3);
    put16(out, g4 ? kFormatGen4 : kFormatGen3);
    put32(out, total);
    put32(out, kContainerHeaderSize);
    put32(out, total - static_cast<std::uint32_t>(kContainerHeaderSize));
    put32(out, static_cast<std::uint32_t>(journalBlock.size()));
    put32(out, static_cast<std::uint32_t>(parameterBlock.size()));
    put16(out, static_cast<std::uint16_t>(kContainerHeaderSize - 24));
    out.insert(out.end(), journalBlock.begin(), journalBlock.end());
    out.insert(out.end(), parameterBlock.begin(), parameterBlock.end());
    return out;
}

} // namespace vorsan
