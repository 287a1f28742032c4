#pragma once
// Why a port could not be opened, in words a Linux user can act on. The reason becomes the second
// line of the message "Не удалось открыть порт".
#include <string>

namespace vorsan {

enum class OpenFailureCause {
    Missing,          // no such device
    PermissionDenied, // the user is not in the device's group
    Busy,             // another program holds the port
    NotATerminal,     // the path is not a serial device
    Other,
};

OpenFailureCause openFailureCause(int errnoValue);

// device: the path; group: the device's group ("dialout" typically); user: the login name.
std::string openFailureReason(OpenFailureCause cause, const std::string& device, const std::string& group,
                              const std::string& user, int errnoValue);

// The reason for a failed open of device with errno, looking up the device's group and the user.
std::string describeOpenFailure(const std::string& device, int errnoValue);

} // namespace vorsan
