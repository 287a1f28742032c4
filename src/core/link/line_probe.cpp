#include "link/line_probe.h"

#include "link/byte_command.h"
#include "link/frame_exchange.h"

namespace vorsan {

RecorderPresence recorderPresent(SerialLink& link) {
    RecorderPresence result;
    const FramedReply reply = framedRequest(link, recorderPresentRequest());
    result.error = reply.error;
    if (reply.valid) result.count = reply.registerValue(0);
    return result;
}

PadWellReply readPadWell(SerialLink& link, std::uint8_t address, int timeoutMs) {
    PadWellReply result;
    const FramedReply reply = framedRequest(link, padWellRequest(address, timeoutMs));
    result.error = reply.error;
    if (reply.valid) {
        result.valid = true;
        result.pad = reply.registerValue(0);
        result.well = reply.registerValue(1);
    }
    return result;
}

LineProbe probeLine(SerialLink& link, std::uint8_t address) {
    LineProbe line;
    const ProbeResult echo = probe(link);
    if (echo.answered) line.typeCode = echo.typeCode;
    if (echo.answered && (echo.typeCode == 11 || echo.typeCode == 99)) {
        line.device = LineDevice::Gen3Controller;
        return line;
    }
    const RecorderPresence recorder = recorderPresent(link);
    line.recorderCount = recorder.count;
    if (recorder.present()) {
        line.device = LineDevice::Recorder;
        return line;
    }
    const PadWellReply padWell = readPadWell(link, address);
    line.error = padWell.error;
    line.padWellAnswered = padWell.valid;
    line.pad = padWell.pad;
    line.well = padWell.well;
    line.device = padWell.known() ? LineDevice::Gen4Station : LineDevice::Nothing;
    return line;
}

} // namespace vorsan
