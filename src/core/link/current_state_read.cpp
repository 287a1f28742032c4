#include "link/current_state_read.h"

#include "link/byte_command.h"
#include "link/frame_exchange.h"

#include <array>

namespace vorsan {
namespace {

constexpr std::uint16_t kFirstBlockRegister = 63;
constexpr std::uint16_t kSecondBlockRegister = 16;
constexpr std::uint16_t kPadRegister = 238;

// One state block: Write_Error as it is, any other failure as Crc.
LinkError readStateBlock(SerialLink& link, const FramedRequest& request, std::uint16_t firstRegister,
                         CurrentState& state) {
    const FramedReply reply = framedRequest(link, request);
    if (reply.error != LinkError::None) return reply.error;
    if (!reply.valid) return LinkError::Crc;
    applyStateRegisterBytes(state, firstRegister, reply.data());
    return LinkError::None;
}

} // namespace

CurrentStateRead readCurrentState4(SerialLink& link, std::uint8_t address) {
    CurrentStateRead result;
    result.error = readStateBlock(link, currentStateFirstRequest(address), kFirstBlockRegister, result.state);
    if (result.error == LinkError::None)
        result.error =
            readStateBlock(link, currentStateSecondRequest(address), kSecondBlockRegister, result.state);
    if (result.error != LinkError::None) return result;
    const FramedReply padWell = framedRequest(link, padWellRequest(address, kPadWellInStateReadTimeoutMs));
    if (padWell.valid) applyStateRegisterBytes(result.state, kPadRegister, padWell.data());
    return result;
}

std::string currentStateReadMessage(ControllerGeneration generation, LinkError error) {
    if (generation == ControllerGeneration::Gen4 && error == LinkError::Write_Error)
        return std::string(errorMessage(error));
    return {};
}

CurrentStateRead readCurrentState3(SerialLink& link) {
    CurrentStateRead result;
    for (std::uint8_t parameter : kGen3StateParameters) {
        const ValueResult v = valueRequest(link, parameter);
        if (v.error != LinkError::None) {
            result.error = v.error;
            return result;
        }
        applyGen3StateValue(result.state, parameter, v.value);
    }
    const std::uint8_t command = kClockCommand;
    const WriteResult w = link.write(std::span(&command, 1));
    if (!w.ok || w.written != 1) {
        result.error = LinkError::Write_Error;
        return result;
    }
    std::array<std::uint8_t, 8> answer{}; // the echo, then second, minute, hour, weekday, day, month, year
    for (std::uint8_t& b : answer) {
        const auto got = readWithAttempts(link, kValueReadAttempts);
        if (!got) {
            result.error = LinkError::Read_Error3;
            return result;
        }
        b = *got;
    }
    applyGen3Clock(result.state, std::span<const std::uint8_t, 7>(answer.data() + 1, 7));
    return result;
}

} // namespace vorsan
