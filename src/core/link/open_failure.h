#pragma once
// Why a port could not be opened, in words a Linux user can act on. The reason becomes the second
// line of the message "Не удалось открыть порт"; the same words are given before opening when a
// device is chosen that the user may not use.
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vorsan {

enum class OpenFailureCause {
    Missing,          // no such device
    Unplugged,        // the device was there and is gone (an adapter pulled out)
    PermissionDenied, // the user is not in the device's group
    Busy,             // another program holds the port
    NotATerminal,     // the path is not a serial device
    Other,
};

OpenFailureCause openFailureCause(int errnoValue);

// device: the path; group: the device's group ("dialout" typically); user: the login name.
std::string openFailureReason(OpenFailureCause cause, const std::string& device, const std::string& group,
                              const std::string& user, int errnoValue);

// What keeps the user from reading and writing a device, from its owner, group and mode and the
// user's groups.
enum class AccessProblem {
    None,         // the user may open it
    NotInGroup,   // not a member of the device's group: usermod, then log in again
    LoginPending, // a member by the group database, but this session started before that
    OwnerOnly,    // the device's mode lets nobody but its owner in
};

struct AccessFacts {
    bool root = false;            // effective user 0
    bool owner = false;           // the user owns the device
    bool sessionHasGroup = false; // the running program has the device's group
    bool listedInGroup = false;   // the group database names the user (or it is the user's primary group)
    mode_t mode = 0;              // the device's permission bits
};

AccessProblem accessProblem(const AccessFacts& facts);

// The facts for `device` and the running program's user. False when the device cannot be stat'ed.
bool accessFacts(const std::string& device, AccessFacts& facts, std::string& group, std::string& user);

// The text for a problem other than None: for NotInGroup the exact command
// "sudo usermod -aG <group> <user>" and that it takes effect at the next login.
std::string accessProblemText(AccessProblem problem, const std::string& device, const std::string& group,
                              const std::string& user);

// A program that has a device open, as /proc tells.
struct DeviceHolder {
    int pid = 0;
    std::string name; // /proc/<pid>/comm
};

// Every process under `procRoot` with an open descriptor on the same file as `device`. Processes
// whose descriptors the user may not look at are not seen.
std::vector<DeviceHolder> deviceHolders(const std::string& device,
                                        const std::filesystem::path& procRoot = "/proc");

// A device path that stands for a plug-in adapter: a by-id or by-path link, ttyUSB*, ttyACM*.
bool isPluggableDevice(const std::string& device);

// The reason for a failed open of device with errno: the group command for a permission problem,
// the holding program for a busy port, "отключено" for an adapter that is gone.
std::string describeOpenFailure(const std::string& device, int errnoValue);

// Said before opening a device the user chose: "" when nothing is known against it, otherwise why
// opening it will fail (gone, or not permitted and what to do).
std::string portAccessWarning(const std::string& device);

} // namespace vorsan
