#include "link/settings_transfer.h"

#include "link/byte_command.h"
#include "link/checksums.h"
#include "link/frame_exchange.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>

namespace vorsan {
namespace {

constexpr int kSettingsBlocks4 = 16; // of 16 registers = 32 bytes
constexpr std::size_t kSettingsBlockBytes4 = 32;
constexpr int kSettingsBlocks3 = 8; // of 64 bytes
constexpr int kSettingsBlockBytes3 = 64;
constexpr int kSettingsTimeoutSeconds3 = 10;
constexpr int kWriteBeginTries3 = 10;
constexpr int kFillerLimit3 = 3;

// The controller's block and its sum (generation 3), shared by the read and the write.
struct Gen3Block {
    LinkError error = LinkError::None;
    ParameterBlock block{};
};

Gen3Block readGen3Block(SerialLink& link, const TransferProgress& progress) {
    Gen3Block result;
    const BlockReadResult read = blockRead(
        link, kSettingsReadCommand, kSettingsBlocks3, kSettingsBlockBytes3, kSettingsTimeoutSeconds3,
        [&](int done, int total) { reportProgress(progress, done, total); });
    std::copy_n(read.data.begin(), std::min(read.data.size(), result.block.size()), result.block.begin());
    if (read.error != LinkError::None) {
        result.error = read.error;
        return result;
    }
    const ChecksumResult sum = readControllerChecksum(link);
    if (sum.error != LinkError::None || sum.checksum != additiveChecksum(read.data))
        result.error = LinkError::ContrSumError;
    return result;
}

} // namespace

SettingsRead readSettings4(SerialLink& link, std::uint8_t address, const TransferProgress& progress) {
    SettingsRead result;
    result.catalogue = buildCatalogue(ControllerGeneration::Gen4);
    result.block.fill(0xFF);
    if (!reportProgress(progress, 0, kSettingsBlocks4)) {
        result.cancelled = true;
        return result;
    }
    for (int k = 0; k < kSettingsBlocks4; ++k) {
        const FramedReply reply = framedRequest(link, settingsBlockRequest(address, k));
        if (reply.error != LinkError::None || !reply.valid) {
            result.error = reply.error != LinkError::None ? reply.error : LinkError::St;
            return result;
        }
        std::copy_n(reply.data().begin(), kSettingsBlockBytes4, result.block.begin() + k * 32);
        if (!reportProgress(progress, k + 1, kSettingsBlocks4) && k + 1 < kSettingsBlocks4) {
            result.cancelled = true;
            return result;
        }
    }
    readSettingsBlock(result.catalogue, result.block, BlockLayout::controller);
    applyVariantFromValue(result.catalogue);
    result.state = decodeParameterBlockState(result.block);
    return result;
}

SettingsRead readSettings3(SerialLink& link, const TransferProgress& progress) {
    SettingsRead result;
    result.catalogue = buildCatalogue(ControllerGeneration::Gen3);
    const ValueResult type = valueRequest(link, kTypeCodeCommand);
    if (type.error == LinkError::None) {
        result.typeCode = type.value;
        applyTransformerVariant(result.catalogue, variantForTypeCode(type.value));
    }
    const Gen3Block read = readGen3Block(link, progress);
    result.block = read.block;
    result.error = read.error;
    if (result.error == LinkError::None)
        readSettingsBlock(result.catalogue, result.block, BlockLayout::controller);
    return result;
}

std::string settingsReadMessage(ControllerGeneration generation, LinkError error) {
    if (generation == ControllerGeneration::Gen3) {
        switch (error) {
        case LinkError::Time_Error:
            return "Ошибка чтения - уставки приняты не верно";
        case LinkError::ContrSumError:
            return "Ошибка - не совпала контрольная сумма, уставки приняты не верно";
        default:
            break;
        }
    }
    return std::string(errorMessage(error));
}

SettingsWrite4 writeSettings4(SerialLink& link, std::uint8_t address, const SettingsCatalogue& catalogue,
                              const TransferProgress& progress) {
    SettingsWrite4 result;
    const int total = static_cast<int>(catalogue.size());
    if (!reportProgress(progress, 0, total)) {
        result.cancelled = true;
        return result;
    }
    for (const SettingDef& def : catalogue.entries) {
        const FramedReply reply =
            framedRequest(link, writeSettingRequest(address, settingRegister(def.offset), def.value));
        result.retries += std::max(0, reply.tries - 1);
        if (reply.error != LinkError::None || !reply.valid) {
            result.error = reply.error != LinkError::None ? reply.error : LinkError::St;
            return result;
        }
        ++result.written;
        if (!reportProgress(progress, result.written, total) && result.written < total) {
            result.cancelled = true;
            return result;
        }
    }
    return result;
}

SettingsWrite3 writeSettings3(SerialLink& link, const SettingsCatalogue& catalogue,
                              const TransferProgress& progress) {
    SettingsWrite3 result;
    const Gen3Block read = readGen3Block(link, {});
    result.error = read.error;
    switch (read.error) {
    case LinkError::None:
        break;
    case LinkError::Write_Error:
        result.message = "Ошибка записи в порт";
        return result;
    case LinkError::Read_Error:
        result.message = "Ошибка чтения из порта";
        return result;
    case LinkError::Time_Error:
        result.message = "Ошибка чтения";
        return result;
    default:
        result.message = "Ошибка - не совпала контрольная сумма";
        return result;
    }
    result.sent = read.block;
    overlayGen3Settings(result.sent, catalogue);

    bool opened = false;
    for (int t = 0; t < kWriteBeginTries3 && !opened; ++t)
        opened = singleCommand(link, kSettingsWriteBegin) == CommandEcho::Echoed;
    if (!opened) {
        result.message = "Не удается отправить уставки";
        return result;
    }
    // Each byte is a command the controller echoes; a byte that could not be written at all is
    // made up for by a filler afterwards so the controller still counts 512.
    bool bad = false;
    const int total = static_cast<int>(result.sent.size());
    reportProgress(progress, 0, total);
    for (int k = 0; k < total; ++k) {
        const CommandEcho echo = singleCommand(link, result.sent[static_cast<std::size_t>(k)]);
        if (echo != CommandEcho::Echoed) bad = true;
        if (echo == CommandEcho::NotWritten) ++result.missingBytes;
        reportProgress(progress, k + 1, total);
    }
    while (result.missingBytes > 0 && result.fillerBytes < kFillerLimit3) {
        const int round = result.missingBytes;
        for (int k = 0; k < round; ++k) {
            if (singleCommand(link, kProbeCommand) != CommandEcho::NotWritten) --result.missingBytes;
            ++result.fillerBytes;
        }
    }
    if (bad) {
        result.message = "Уставки отправлены не верно!";
        return result;
    }
    singleCommand(link, kSettingsWriteEnd); // its answer carries nothing the program uses
    result.catalogue = catalogue;
    readSettingsBlock(result.catalogue, result.sent, BlockLayout::controller);
    return result;
}

} // namespace vorsan
