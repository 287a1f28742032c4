#include "link_session.h"

#include <iostream>
#include <unistd.h>

namespace vorsan::cli {
void addLinkOptions(CLI::App* cmd, LinkOptions& o, bool withGeneration) {
    cmd->add_option("--port", o.port, "the serial device")->type_name("DEVICE")->required();
    cmd->add_option("--address", o.address, "the station's address")->type_name("N")->check(CLI::Range(1, 247));
    cmd->add_flag("--trace", o.trace, "prints every frame on stderr");
    // Not checked here: a generation other than 3 or 4 means no station to talk to (status 3).
    if (withGeneration) cmd->add_option("--gen", o.gen, "the controller generation, 3 or 4 (default: probe)")
            ->type_name("3|4");
}

LinkSession::LinkSession(const LinkOptions& o)
    : port_(o.port), address_(static_cast<std::uint8_t>(o.address)), gen_(o.gen) {
    if (o.trace) {
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

std::optional<ControllerGeneration> LinkSession::generation() {
    if (!gen_.empty()) {
        if (gen_ == "3") return ControllerGeneration::Gen3;
        if (gen_ == "4") return ControllerGeneration::Gen4;
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
