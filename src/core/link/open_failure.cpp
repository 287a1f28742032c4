#include "link/open_failure.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vorsan {

OpenFailureCause openFailureCause(int e) {
    switch (e) {
    case ENOENT:
        return OpenFailureCause::Missing;
    case ENODEV:
    case ENXIO:
    case EIO:
        // The node is there but no device answers behind it: a USB adapter pulled out while its
        // node was still being removed, or a port whose driver has gone.
        return OpenFailureCause::Unplugged;
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

std::string accessProblemText(AccessProblem problem, const std::string& device, const std::string& group,
                              const std::string& user) {
    switch (problem) {
    case AccessProblem::None:
        return {};
    case AccessProblem::NotInGroup:
        return "Нет прав на устройство " + device + ": пользователь " + user + " не входит в группу " + group +
               ". Добавьте его командой\nsudo usermod -aG " + group + " " + user +
               "\nПрава вступят в силу при следующем входе в систему.";
    case AccessProblem::LoginPending:
        return "Нет прав на устройство " + device + ": пользователь " + user + " уже добавлен в группу " + group +
               ", но права вступят в силу только при следующем входе в систему. Выйдите из системы и "
               "войдите снова.";
    case AccessProblem::OwnerOnly:
        return "Нет прав на устройство " + device + ": оно доступно только своему владельцу.";
    }
    return {};
}

std::string openFailureReason(OpenFailureCause cause, const std::string& device, const std::string& group,
                              const std::string& user, int errnoValue) {
    switch (cause) {
    case OpenFailureCause::Missing:
        if (isPluggableDevice(device)) return "Адаптер " + device + " отключён (устройство не найдено).";
        return "Устройство " + device + " не существует.";
    case OpenFailureCause::Unplugged:
        return "Устройство " + device + " отключено.";
    case OpenFailureCause::PermissionDenied:
        return accessProblemText(AccessProblem::NotInGroup, device, group, user);
    case OpenFailureCause::Busy:
        return "Порт " + device + " занят другой программой.";
    case OpenFailureCause::NotATerminal:
        return device + " не является последовательным портом.";
    case OpenFailureCause::Other:
        break;
    }
    return device + ": " + std::strerror(errnoValue);
}

AccessProblem accessProblem(const AccessFacts& f) {
    if (f.root) return AccessProblem::None;
    if (f.owner) return (f.mode & 0600) == 0600 ? AccessProblem::None : AccessProblem::OwnerOnly;
    if ((f.mode & 0006) == 0006) return AccessProblem::None;
    if ((f.mode & 0060) != 0060) return AccessProblem::OwnerOnly;
    if (f.sessionHasGroup) return AccessProblem::None;
    return f.listedInGroup ? AccessProblem::LoginPending : AccessProblem::NotInGroup;
}

bool accessFacts(const std::string& device, AccessFacts& facts, std::string& groupName, std::string& userName) {
    struct stat st {};
    if (stat(device.c_str(), &st) != 0) return false;
    const uid_t uid = geteuid();
    facts = {};
    facts.root = uid == 0;
    facts.owner = st.st_uid == uid;
    facts.mode = st.st_mode & 07777;
    facts.sessionHasGroup = getegid() == st.st_gid;
    if (!facts.sessionHasGroup) {
        std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
        const int n = getgroups(static_cast<int>(groups.size()), groups.data());
        groups.resize(static_cast<std::size_t>(std::max(n, 0)));
        facts.sessionHasGroup = std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    }
    const passwd* pw = getpwuid(uid);
    userName = pw && pw->pw_name ? pw->pw_name : "<пользователь>";
    if (pw && pw->pw_gid == st.st_gid) facts.listedInGroup = true;
    if (const group* g = getgrgid(st.st_gid); g && g->gr_name) {
        groupName = g->gr_name;
        for (char** m = g->gr_mem; m && *m; ++m)
            if (userName == *m) facts.listedInGroup = true;
    } else {
        groupName = std::to_string(st.st_gid);
    }
    return true;
}

std::vector<DeviceHolder> deviceHolders(const std::string& device, const fs::path& procRoot) {
    std::vector<DeviceHolder> holders;
    struct stat target {};
    if (stat(device.c_str(), &target) != 0) return holders;
    std::error_code ec;
    for (const auto& process : fs::directory_iterator(procRoot, ec)) {
        const std::string pidText = process.path().filename().string();
        if (pidText.empty() || !std::all_of(pidText.begin(), pidText.end(), ::isdigit)) continue;
        std::error_code fec;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fec)) {
            struct stat st {};
            if (stat(fd.path().c_str(), &st) != 0) continue;
            if (st.st_dev != target.st_dev || st.st_ino != target.st_ino) continue;
            DeviceHolder h;
            h.pid = std::stoi(pidText);
            std::ifstream comm(process.path() / "comm");
            std::getline(comm, h.name);
            holders.push_back(h);
            break;
        }
    }
    return holders;
}

bool isPluggableDevice(const std::string& device) {
    const std::string name = fs::path(device).filename().string();
    return device.find("/serial/by-") != std::string::npos || name.starts_with("ttyUSB") ||
           name.starts_with("ttyACM");
}

namespace {

std::string busyText(const std::string& device) {
    std::vector<DeviceHolder> holders = deviceHolders(device);
    const int self = getpid();
    std::erase_if(holders, [self](const DeviceHolder& h) { return h.pid == self; });
    if (holders.empty()) return openFailureReason(OpenFailureCause::Busy, device, {}, {}, EBUSY);
    std::string names;
    for (const auto& h : holders) {
        if (!names.empty()) names += ", ";
        names += (h.name.empty() ? std::string("?") : h.name) + " (процесс " + std::to_string(h.pid) + ")";
    }
    return "Порт " + device + " занят другой программой: " + names + ".";
}

} // namespace

std::string describeOpenFailure(const std::string& device, int errnoValue) {
    const OpenFailureCause cause = openFailureCause(errnoValue);
    if (cause == OpenFailureCause::PermissionDenied) {
        AccessFacts facts;
        std::string group = "dialout", user = "<пользователь>";
        if (accessFacts(device, facts, group, user)) {
            const AccessProblem problem = accessProblem(facts);
            // Refused although the bits allow it: a security module or a read-only file system.
            if (problem != AccessProblem::None) return accessProblemText(problem, device, group, user);
        }
        return openFailureReason(cause, device, group, user, errnoValue);
    }
    if (cause == OpenFailureCause::Busy) return busyText(device);
    return openFailureReason(cause, device, {}, {}, errnoValue);
}

std::string portAccessWarning(const std::string& device) {
    AccessFacts facts;
    std::string group, user;
    if (!accessFacts(device, facts, group, user)) {
        const int e = errno;
        return openFailureReason(openFailureCause(e), device, {}, {}, e);
    }
    return accessProblemText(accessProblem(facts), device, group, user);
}

} // namespace vorsan
