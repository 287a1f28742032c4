#include "link/open_failure.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorsan {

OpenFailureCause openFailureCause(int e) {
    switch (e) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return OpenFailureCause::Missing;
    case EACCES:
    case EPERM:
        return OpenFailureCause::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
        return OpenFailureCause::Busy;
    case ENOTTY:
        return OpenFailureCause::NotATerminal;
    default:
        return OpenFailureCause::Other;
    }
}

std::string openFailureReason(OpenFailureCause cause, const std::string& device, const std::string& group,
                              const std::string& user, int errnoValue) {
    switch (cause) {
    case OpenFailureCause::Missing:
        return "Устройство " + device + " не существует.";
    case OpenFailureCause::PermissionDenied:
        return "Нет прав на устройство " + device + " (группа " + group +
               "). Добавьте пользователя в группу: sudo usermod -aG " + group + " " + user +
               " и войдите в систему заново.";
    case OpenFailureCause::Busy:
        return "Порт " + device + " занят другой программой.";
    case OpenFailureCause::NotATerminal:
        return device + " не является последовательным портом.";
    case OpenFailureCause::Other:
        break;
    }
    return device + ": " + std::strerror(errnoValue);
}

namespace {

std::string deviceGroup(const std::string& device) {
    struct stat st {};
    if (stat(device.c_str(), &st) == 0)
        if (const group* g = getgrgid(st.st_gid); g && g->gr_name) return g->gr_name;
    return "dialout";
}

std::string userName() {
    if (const passwd* p = getpwuid(geteuid()); p && p->pw_name) return p->pw_name;
    return "<пользователь>";
}

} // namespace

std::string describeOpenFailure(const std::string& device, int errnoValue) {
    const OpenFailureCause cause = openFailureCause(errnoValue);
    if (cause == OpenFailureCause::PermissionDenied)
        return openFailureReason(cause, device, deviceGroup(device), userName(), errnoValue);
    return openFailureReason(cause, device, {}, {}, errnoValue);
}

} // namespace vorsan
