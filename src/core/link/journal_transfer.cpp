#include "link/journal_transfer.h"

#include "link/byte_command.h"
#include "link/checksums.h"
#include "link/frame_exchange.h"

#include <algorithm>

namespace vorsan {
namespace {

constexpr int kJournalBlocks4 = 256; // 64 registers = 128 bytes each
constexpr std::size_t kJournalBlockBytes4 = 128;
constexpr int kJournalBlocks3 = 128; // of 256 bytes
constexpr int kJournalBlockBytes3 = 256;
constexpr int kJournalTimeoutSeconds3 = 150;

} // namespace

JournalRead readJournal4(SerialLink& link, std::uint8_t address, const TransferProgress& progress) {
    JournalRead result;
    result.image.fill(0xFF);
    if (!reportProgress(progress, 0, kJournalBlocks4)) {
        result.cancelled = true;
        return result;
    }
    for (int k = 0; k < kJournalBlocks4; ++k) {
        const FramedReply reply = framedRequest(link, journalBlockRequest(address, k));
        result.retries += std::max(0, reply.tries - 1);
        if (reply.error != LinkError::None) {
            result.error = reply.error;
            return result;
        }
        if (!reply.valid) {
            result.error = LinkError::St;
            return result;
        }
        const auto data = reply.data();
        std::copy_n(data.begin(), kJournalBlockBytes4,
                    result.image.begin() + static_cast<long>(result.received));
        result.received += kJournalBlockBytes4;
        if (!reportProgress(progress, k + 1, kJournalBlocks4) && k + 1 < kJournalBlocks4) {
            result.cancelled = true;
            return result;
        }
    }
    return result;
}

JournalRead readJournal3(SerialLink& link, const TransferProgress& progress) {
    JournalRead result;
    result.image.fill(0xFF);
    const BlockReadResult block =
        blockRead(link, kJournalCommand, kJournalBlocks3, kJournalBlockBytes3, kJournalTimeoutSeconds3,
                  [&](int done, int total) { reportProgress(progress, done, total); });
    result.received = std::min(block.data.size(), result.image.size());
    std::copy_n(block.data.begin(), result.received, result.image.begin());
    if (block.error != LinkError::None) {
        result.error = block.error;
        return result;
    }
    // The controller's own sum of what it sent; a failed read of it simply fails the comparison.
    const ChecksumResult sum = readControllerChecksum(link);
    if (sum.error != LinkError::None || sum.checksum != additiveChecksum(block.data))
        result.error = LinkError::ContrSumError;
    return result;
}

std::string journalReadMessage(ControllerGeneration generation, LinkError error) {
    if (generation == ControllerGeneration::Gen3) {
        switch (error) {
        case LinkError::Time_Error:
            return "Ошибка чтения - журнал событий принят не верно";
        case LinkError::ContrSumError:
            return "Ошибка - не совпала контрольная сумма, журнал событий принят не верно";
        default:
            break;
        }
    }
    return std::string(errorMessage(error));
}

} // namespace vorsan
