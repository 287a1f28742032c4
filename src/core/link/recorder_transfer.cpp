#include "link/recorder_transfer.h"

#include "link/frame_exchange.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>
#include <cstdio>

namespace vorsan {
namespace {

constexpr int kJournalBlocks = 256;
constexpr int kSettingsBlocks = 16;
constexpr int kControllerSpeed = 9600;
constexpr std::uint8_t kBaseSpeedCode = 47; // 9600 bit/s
constexpr std::size_t kPadEntryIndex = 62;  // the 63rd entry of the catalogue

FramedRequest once(FramedRequest request) {
    request.tries = 1;
    return request;
}

std::string twoHex(std::uint8_t b) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

// Appends the data of one single-try request; St when it did not come intact.
LinkError appendBlock(SerialLink& link, const FramedRequest& request, std::uint8_t* out) {
    const FramedReply reply = framedRequest(link, once(request));
    if (reply.error != LinkError::None) return reply.error;
    if (!reply.valid) return LinkError::St;
    std::copy(reply.data().begin(), reply.data().end(), out);
    return LinkError::None;
}

// The entry's journal and settings blocks at the recorder speed.
void transferEntry(SerialLink& link, std::uint8_t entry, const TransferProgress& progress,
                   RecorderDownload& out) {
    const int total = kJournalBlocks + kSettingsBlocks;
    if (!reportProgress(progress, 0, total)) {
        out.cancelled = true;
        return;
    }
    for (int k = 0; k < total; ++k) {
        out.error = k < kJournalBlocks
                        ? appendBlock(link, journalBlockRequest(entry, k), out.image.data() + 128 * k)
                        : appendBlock(link, settingsBlockRequest(entry, k - kJournalBlocks),
                                      out.block.data() + 32 * (k - kJournalBlocks));
        if (out.error != LinkError::None) return;
        if (!reportProgress(progress, k + 1, total) && k + 1 < total) {
            out.cancelled = true;
            return;
        }
    }
}

// What the block says about itself: E1 EC at its start marks a chronology of a generation 3 station.
void interpretEntry(RecorderDownload& out) {
    out.generation = out.block[0] == 0xE1 && out.block[1] == 0xEC ? ControllerGeneration::Gen3
                                                                  : ControllerGeneration::Gen4;
    out.catalogue = buildCatalogue(out.generation);
    if (out.generation == ControllerGeneration::Gen3) std::reverse(out.image.begin(), out.image.end());
    readSettingsBlock(out.catalogue, out.block, BlockLayout::controller);
    applyVariantFromValue(out.catalogue);
    out.state = decodeParameterBlockState(out.block);
    if (const SettingDef* padDef = out.catalogue.at(kPadEntryIndex)) {
        const std::size_t at = 352 + padDef->offset;
        if (at + 3 < out.block.size()) {
            out.pad = static_cast<std::uint16_t>(out.block[at] << 8 | out.block[at + 1]);
            out.well = static_cast<std::uint16_t>(out.block[at + 2] << 8 | out.block[at + 3]);
        }
    }
}

} // namespace

RecorderDirectory readRecorderDirectory(SerialLink& link, int count) {
    RecorderDirectory dir;
    const int n = std::clamp(count, 0, kMaxRecorderEntries);
    dir.entries.resize(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i) {
        RecorderDirectoryEntry& e = dir.entries[static_cast<std::size_t>(i - 1)];
        const auto entry = static_cast<std::uint8_t>(i);
        for (const FramedRequest& request :
             {recorderEntryClockRequest(entry), recorderEntryIdentityRequest(entry)}) {
            const FramedReply reply = framedRequest(link, request);
            if (reply.error != LinkError::None) {
                dir.error = reply.error;
                return dir;
            }
            if (reply.valid)
                std::copy_n(reply.data().begin(), 8,
                            e.bytes.begin() + (request.registerNumber() == 16 ? 0 : 8));
        }
    }
    return dir;
}

std::string recorderEntryCaption(int entry, const RecorderDirectoryEntry& e) {
    std::string text = std::to_string(entry) + ".Дата считывания:" + twoHex(e.hourBcd()) + ":" +
                       twoHex(e.minuteBcd()) + ":" + twoHex(e.secondBcd()) + "  " + twoHex(e.dayBcd()) + "." +
                       twoHex(e.monthBcd()) + "." + twoHex(e.yearBcd());
    if (!e.loadable()) return text;
    text += " куст" + std::to_string(e.pad()) + " скв." + std::to_string(e.well());
    if (e.motor() != 0xFFFF) text += " ПЭД-" + std::to_string(e.motor());
    if (e.pump() != 0xFFFF) text += " ЭЦН-" + std::to_string(e.pump());
    return text;
}

RecorderDownload downloadRecorderEntry(SerialLink& link, const std::string& device, int recorderSpeed,
                                       std::uint8_t entry, const TransferProgress& progress) {
    RecorderDownload out;
    out.image.fill(0xFF);
    out.block.fill(0xFF);
    link.close();
    out.open = link.open(device, kControllerSpeed);
    if (!out.open.ok()) return out;
    out.error = framedRequest(link, recorderSpeedRequest(recorderSpeedCode(recorderSpeed))).error;
    link.close();
    if (out.error != LinkError::None) return out;
    out.open = link.open(device, recorderSpeed);
    if (!out.open.ok()) return out;
    transferEntry(link, entry, progress, out);
    // Back to 9600 bit/s whatever happened, so the recorder stays reachable for the next probe.
    if (out.error != LinkError::Write_Error) framedRequest(link, recorderSpeedRequest(kBaseSpeedCode));
    link.close();
    if (out.ok()) interpretEntry(out);
    return out;
}

LinkError clearRecorder(SerialLink& link) {
    return framedRequest(link, recorderClearRequest()).error;
}

} // namespace vorsan
