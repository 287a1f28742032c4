#include "link_session.h"

#include <iostream>
#include <unistd.h>

namespace vorsan::cli {
LinkSession::LinkSession(const Args& args, std::string& error) {
    const auto port = args.value("--port");
    if (!port) {
        error = "--port DEVICE is required";
        return;
    }
    port_ = *port;
    if (const auto a = args.number("--address", 1, 247, error)) address_ = static_cast<std::uint8_t>(*a);
    if (args.flag("--trace")) {
        trace_ = std::make_unique<TraceWriter>(std::cerr);
        link_.setObserver(trace_.get());
    }
}

bool LinkSession::open(int speed) {
    const OpenResult r = link_.open(port_, speed);
    if (r.ok()) return true;
    std::cerr << "vorsan-cli: " << openFailureMessage(r) << " (" << errorWord(r.error) << ")\n";
    return false;
}

std::optional<ControllerGeneration> LinkSession::generation(const Args& args) {
    if (const auto g = args.value("--gen")) {
        if (*g == "3") return ControllerGeneration::Gen3;
        if (*g == "4") return ControllerGeneration::Gen4;
        std::cerr << "vorsan-cli: --gen takes 3 or 4\n";
        return std::nullopt;
    }
    const LineProbe line = probeLine(link_, address_);
    switch (line.device) {
    case LineDevice::Gen3Controller:
        return ControllerGeneration::Gen3;
    case LineDevice::Gen4Station:
        return ControllerGeneration::Gen4;
    default:
        std::cerr << "vorsan-cli: " << describe(line, address_) << '\n';
        return std::nullopt;
    }
}

TransferProgress progressLine(const std::string& what) {
    // A line rewritten in place makes sense on a terminal only.
    if (!isatty(STDERR_FILENO)) return {};
    return [what](int done, int total) {
        std::cerr << '\r' << what << ": " << done << '/' << total << (done == total ? "\n" : "")
                  << std::flush;
        return true;
    };
}

int linkFailure(LinkError error, const std::string& message) {
    const std::string text = message.empty() ? std::string(errorMessage(error)) : message;
    std::cerr << "vorsan-cli: " << (text.empty() ? "transfer failed" : text);
    if (error != LinkError::None) std::cerr << " (" << errorWord(error) << ")";
    std::cerr << '\n';
    return 1;
}

std::string describe(const LineProbe& line, std::uint8_t address) {
    switch (line.device) {
    case LineDevice::Gen3Controller:
        return "generation 3 controller, type code " + std::to_string(line.typeCode);
    case LineDevice::Gen4Station:
        return "generation 4 station at address " + std::to_string(address) + ": pad " +
               std::to_string(line.pad) + ", well " + std::to_string(line.well);
    case LineDevice::Recorder:
        return "data recorder with " + std::to_string(line.recorderCount) + " chronologies";
    case LineDevice::Nothing:
        if (line.padWellAnswered)
            return "Нет соединения со станцией (the station at address " + std::to_string(address) +
                   " answers, but its pad or well is unset: pad " + std::to_string(line.pad) + ", well " +
                   std::to_string(line.well) + ")";
        break;
    }
    return "Нет соединения со станцией (nothing answered at address " + std::to_string(address) + ")";
}

} // namespace vorsan::cli
