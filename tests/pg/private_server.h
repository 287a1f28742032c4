#pragma once
// A PostgreSQL server of the test's own: initdb into a fresh temporary directory, postgres on a
// Unix socket in that directory with TCP off, stopped and removed when the object goes (also
// when the test failed). PostgreSQL refuses to run as root, so under root (CI) the directory is
// given to the system user "postgres" (or "nobody") and initdb and pg_ctl run as that user.
// A machine without initdb is a failure, never a skip: the tests are only worth anything
// against a real server.
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace vorsan::test {

class PrivateServer {
public:
    // `durable`: the server syncs its files as an office server does (the benchmarks); the tests
    // run without.
    explicit PrivateServer(bool durable = false) : durable_(durable) { error_ = create(); }
    ~PrivateServer() {
        stop();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // Empty when the server runs; else what went wrong.
    const std::string& error() const { return error_; }
    const std::string& socketDir() const { return dir_; }
    // The superuser's connection string (trust on the socket); `user` for another role.
    std::string conninfo(const std::string& user = "postgres", const std::string& db = "postgres") const {
        return "host=" + dir_ + " port=5432 user=" + user + " dbname=" + db;
    }

    bool start() {
        const std::string opts = "-c listen_addresses='' -k " + dir_ + (durable_ ? "" : " -c fsync=off") +
                                 " -c unix_socket_permissions=0777";
        return run(bin("pg_ctl") + " -D " + data() + " -o \"" + opts + "\" -l " + dir_ +
                   "/server.log -w start");
    }
    // mode: "fast" or "immediate" (a server that vanishes under its clients).
    bool stop(const char* mode = "fast") {
        if (dir_.empty() || !std::filesystem::exists(data() + "/postmaster.pid")) return true;
        return run(bin("pg_ctl") + " -D " + data() + " -m " + mode + " -w stop");
    }
    // Rewrites pg_hba.conf (lines in its format) and makes the server read it again.
    bool setHba(const std::string& lines) {
        { std::ofstream(data() + "/pg_hba.conf") << lines; }
        return run(bin("pg_ctl") + " -D " + data() + " reload");
    }
    std::string log() const {
        std::ifstream in(dir_ + "/server.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::string data() const { return dir_ + "/data"; }
    std::string bin(const char* name) const { return binDir_ + "/" + name; }

    static std::string findBinDir() {
        // Debian keeps initdb out of PATH, under /usr/lib/postgresql/<version>/bin.
        for (const char* d : {"/usr/local/bin", "/usr/bin"})
            if (::access((std::string(d) + "/initdb").c_str(), X_OK) == 0 &&
                ::access((std::string(d) + "/pg_ctl").c_str(), X_OK) == 0)
                return d;
        std::string best;
        std::error_code ec;
        for (const auto& v : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
            const std::string b = v.path().string() + "/bin";
            if (::access((b + "/initdb").c_str(), X_OK) == 0 && b > best) best = b;
        }
        return best;
    }

    bool run(const std::string& command) const {
        const std::string line = "cd / && " + prefix_ + command + " >>" + dir_ + "/tools.log 2>&1";
        return std::system(line.c_str()) == 0;
    }

    std::string create() {
        binDir_ = findBinDir();
        if (binDir_.empty()) return "initdb not found (install the package postgresql)";
        char tmpl[] = "/tmp/vorsan-pg-XXXXXX";
        if (!::mkdtemp(tmpl)) return "no temporary directory";
        dir_ = tmpl;
        if (::geteuid() == 0) {
            const passwd* pw = ::getpwnam("postgres");
            if (!pw) pw = ::getpwnam("nobody");
            if (!pw) return "no unprivileged user to run the server as";
            if (::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) return "cannot give " + dir_ + " away";
            const std::string user = pw->pw_name;
            prefix_ = ::access("/usr/sbin/runuser", X_OK) == 0 || ::access("/sbin/runuser", X_OK) == 0
                          ? "runuser -u " + user + " -- "
                          : "setpriv --reuid=" + std::to_string(pw->pw_uid) +
                                " --regid=" + std::to_string(pw->pw_gid) + " --clear-groups ";
        }
        if (!run(bin("initdb") + " -D " + data() + " -U postgres --auth=trust -E UTF8 --locale=C --no-sync"))
            return "initdb failed: see " + dir_ + "/tools.log";
        if (!start()) return "pg_ctl start failed: " + log();
        watch();
        return {};
    }

    // A test program that crashes runs no destructor: a watcher stops the server and removes the
    // directory as soon as the program is gone.
    void watch() const {
        const std::string script = "while kill -0 " + std::to_string(::getpid()) +
                                   " 2>/dev/null; do sleep 1; done; " + prefix_ + bin("pg_ctl") + " -D " +
                                   data() + " -m immediate stop; rm -rf " + dir_;
        const pid_t pid = ::fork();
        if (pid != 0) return;
        const int null = ::open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd)
            ::dup2(null, fd);
        ::setsid();
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }

    bool durable_;
    std::string binDir_, dir_, prefix_, error_;
};

} // namespace vorsan::test
