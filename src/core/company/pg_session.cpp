#include "company/pg_session.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstring>

namespace vorsan::company {

namespace {

// The SQLSTATE classes and codes the sync tells apart.
constexpr std::string_view kInsufficientPrivilege = "42501";
constexpr std::string_view kInvalidSchema = "3F000";
constexpr std::string_view kUndefinedTable = "42P01";
constexpr std::string_view kInvalidPassword = "28P01";
constexpr std::string_view kInvalidAuthorization = "28000";
constexpr std::string_view kConnectionClass = "08";
constexpr std::string_view kAdminShutdown = "57P0"; // shut down, crashed, cannot connect now

// libpq's message on one line: its lines (the second one indented with a tab) joined by spaces.
std::string trimmed(const char* text) {
    std::string s;
    for (const char* p = text ? text : ""; *p; ++p) {
        const bool space = *p == '\n' || *p == '\t' || *p == ' ' || *p == '\r';
        if (!space)
            s += *p;
        else if (!s.empty() && s.back() != ' ')
            s += ' ';
    }
    if (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

// libpq's own reading of a connection string, so that a typing mistake is named before a
// connection is tried.
ServerStatus checkConninfoSyntax(const std::string& conninfo) {
    char* parseError = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(conninfo.c_str(), &parseError);
    if (!parsed) {
        const std::string why = trimmed(parseError);
        PQfreemem(parseError);
        return ServerStatus::fail(ServerFault::BadConninfo, why);
    }
    PQconninfoFree(parsed);
    return {};
}

} // namespace

std::string ServerStatus::message() const {
    std::string m;
    switch (fault) {
    case ServerFault::None:
        return {};
    case ServerFault::Unreachable:
        m = "Сервер недоступен";
        break;
    case ServerFault::NeedsPassword:
        m = "Сервер требует пароль, а он не задан (~/.pgpass или окно синхронизации)";
        break;
    case ServerFault::WrongPassword:
        m = "Сервер не принял имя пользователя или пароль";
        break;
    case ServerFault::HostRefused:
        m = "Сервер не пускает этот компьютер (pg_hba.conf)";
        break;
    case ServerFault::NoRights:
        m = "Нет прав на сервере для этой операции";
        break;
    case ServerFault::NoArchive:
        m = "На сервере нет архива vorsan: администратор должен выполнить «vorsan-cli db server-init»";
        break;
    case ServerFault::ConnectionLost:
        m = "Связь с сервером прервана";
        break;
    case ServerFault::ServerError:
        m = "Сервер отказал";
        break;
    case ServerFault::BadConninfo:
        m = "Неверная строка подключения";
        break;
    case ServerFault::PasswordSaved:
        m = "Пароль не сохраняется в настройках: уберите password= из строки подключения";
        break;
    case ServerFault::Cancelled:
        m = "Синхронизация отменена";
        break;
    case ServerFault::LocalDatabase:
        m = "Ошибка записи в базу данных";
        break;
    }
    return m + ".";
}

void PgResult::clear(PGresult* r) {
    if (r) PQclear(r);
}

int PgResult::rows() const {
    return r_ ? PQntuples(r_.get()) : 0;
}
int PgResult::columns() const {
    return r_ ? PQnfields(r_.get()) : 0;
}
bool PgResult::isNull(int row, int column) const {
    return !r_ || PQgetisnull(r_.get(), row, column);
}

std::string_view PgResult::value(int row, int column) const {
    if (!r_) return {};
    return {PQgetvalue(r_.get(), row, column), std::size_t(PQgetlength(r_.get(), row, column))};
}

long long PgResult::number(int row, int column) const {
    const std::string_view v = value(row, column);
    long long n = 0;
    std::from_chars(v.data(), v.data() + v.size(), n);
    return n;
}

long long PgResult::affected() const {
    if (!r_) return 0;
    const char* t = PQcmdTuples(r_.get());
    long long n = 0;
    std::from_chars(t, t + std::strlen(t), n);
    return n;
}

PgSession::~PgSession() {
    close();
}

void PgSession::close() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
}

ServerStatus PgSession::connect(const std::string& conninfo, const std::optional<std::string>& password) {
    close();
    if (ServerStatus s = checkConninfoSyntax(conninfo); !s.ok()) return s;
    // The connection string is expanded by libpq as given ("dbname" carries it whole); a
    // password typed in the window travels beside it and is never spliced into it.
    // The time-outs come first, so that the connection string's own win: a server that does not
    // answer, or a network cut in the middle, ends the sync with its reason instead of hanging.
    std::vector<const char*> keys{"connect_timeout",     "keepalives_idle", "keepalives_interval",
                                  "keepalives_count",    "dbname",          "fallback_application_name"};
    std::vector<const char*> values{"15", "30", "10", "3", conninfo.c_str(), "vorsan"};
    if (password) {
        keys.push_back("password");
        values.push_back(password->c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = PQconnectdbParams(keys.data(), values.data(), 1);
    if (conn_ && PQstatus(conn_) == CONNECTION_OK) {
        // The server's notices ("already exists, skipping") are not the user's business.
        PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
        return {};
    }
    const std::string why = trimmed(conn_ ? PQerrorMessage(conn_) : "out of memory");
    ServerFault fault = ServerFault::Unreachable;
    if (conn_ && PQconnectionNeedsPassword(conn_) && !password)
        fault = ServerFault::NeedsPassword;
    else if ((conn_ && PQconnectionUsedPassword(conn_)) || contains(why, "authentication failed") ||
             contains(why, "password"))
        fault = ServerFault::WrongPassword;
    else if (contains(why, "pg_hba.conf"))
        fault = ServerFault::HostRefused;
    else if (contains(why, "does not exist"))
        fault = ServerFault::ServerError; // no such role or database
    close();
    return ServerStatus::fail(fault, why);
}

ServerStatus PgSession::lostOr(ServerFault f, std::string detail) {
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK)
        return ServerStatus::fail(ServerFault::ConnectionLost, detail);
    return ServerStatus::fail(f, std::move(detail));
}

ServerStatus PgSession::resultStatus(PGresult* r, bool copyIn, bool copyOut) {
    const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK || (copyIn && s == PGRES_COPY_IN) ||
        (copyOut && s == PGRES_COPY_OUT))
        return {};
    const std::string why = trimmed(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_));
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const std::string_view code = state ? state : "";
    if (code == kInsufficientPrivilege) return ServerStatus::fail(ServerFault::NoRights, why);
    if (code == kInvalidSchema || code == kUndefinedTable)
        return ServerStatus::fail(ServerFault::NoArchive, why);
    if (code == kInvalidPassword || code == kInvalidAuthorization)
        return ServerStatus::fail(ServerFault::WrongPassword, why);
    // Errors libpq makes itself (no SQLSTATE) are those of the connection: the server closed it,
    // the network went away.
    if (code.empty() || code.substr(0, 2) == kConnectionClass || code.substr(0, 4) == kAdminShutdown)
        return ServerStatus::fail(ServerFault::ConnectionLost, why);
    return lostOr(ServerFault::ServerError, why);
}

ServerStatus PgSession::exec(const std::string& sql, PgResult* out) {
    if (!conn_) return ServerStatus::fail(ServerFault::ConnectionLost, "not connected");
    PgResult r(PQexec(conn_, sql.c_str()));
    ServerStatus st = resultStatus(r.get());
    if (out) *out = std::move(r);
    return st;
}

ServerStatus PgSession::execParams(const std::string& sql, const std::vector<Param>& params, PgResult* out) {
    if (!conn_) return ServerStatus::fail(ServerFault::ConnectionLost, "not connected");
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    PgResult r(
        PQexecParams(conn_, sql.c_str(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
    ServerStatus st = resultStatus(r.get());
    if (out) *out = std::move(r);
    return st;
}

ServerStatus PgSession::copyIn(const std::string& sql, std::string_view data) {
    if (!conn_) return ServerStatus::fail(ServerFault::ConnectionLost, "not connected");
    if (auto st = resultStatus(PgResult(PQexec(conn_, sql.c_str())).get(), true); !st) return st;
    // Sent in pieces of 1 MiB: libpq buffers what it is given until the socket takes it.
    constexpr std::size_t kPiece = std::size_t(1) << 20;
    for (std::size_t at = 0; at < data.size(); at += kPiece) {
        const std::size_t n = std::min(kPiece, data.size() - at);
        if (PQputCopyData(conn_, data.data() + at, int(n)) != 1)
            return ServerStatus::fail(ServerFault::ConnectionLost, trimmed(PQerrorMessage(conn_)));
    }
    if (PQputCopyEnd(conn_, nullptr) != 1)
        return ServerStatus::fail(ServerFault::ConnectionLost, trimmed(PQerrorMessage(conn_)));
    ServerStatus st;
    while (PGresult* r = PQgetResult(conn_)) {
        PgResult owned(r);
        if (st) st = resultStatus(r);
    }
    return st;
}

ServerStatus PgSession::copyOut(const std::string& sql, const std::function<void(std::string_view)>& line) {
    if (!conn_) return ServerStatus::fail(ServerFault::ConnectionLost, "not connected");
    if (auto st = resultStatus(PgResult(PQexec(conn_, sql.c_str())).get(), false, true); !st) return st;
    for (;;) {
        char* buf = nullptr;
        const int n = PQgetCopyData(conn_, &buf, 0);
        if (n > 0) {
            std::string_view text(buf, std::size_t(n));
            if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
            line(text);
            PQfreemem(buf);
            continue;
        }
        if (n == -2) return ServerStatus::fail(ServerFault::ConnectionLost, trimmed(PQerrorMessage(conn_)));
        break; // -1: the copy is done
    }
    ServerStatus st;
    while (PGresult* r = PQgetResult(conn_)) {
        PgResult owned(r);
        if (st) st = resultStatus(r);
    }
    return st;
}

std::string conninfoOf(const ServerAddress& a) {
    std::string out;
    const auto add = [&out](const char* key, const std::string& value) {
        if (value.empty()) return;
        if (!out.empty()) out += ' ';
        out.append(key).append("='");
        for (char c : value) {
            if (c == '\\' || c == '\'') out += '\\';
            out += c;
        }
        out += '\'';
    };
    add("service", a.service);
    add("host", a.host);
    add("port", a.port);
    add("dbname", a.database);
    add("user", a.user);
    return out;
}

bool conninfoHasPassword(const std::string& conninfo) {
    PQconninfoOption* parsed = PQconninfoParse(conninfo.c_str(), nullptr);
    if (!parsed) return false;
    bool found = false;
    for (PQconninfoOption* o = parsed; o->keyword; ++o)
        if (std::strcmp(o->keyword, "password") == 0 && o->val) found = true;
    PQconninfoFree(parsed);
    return found;
}

ServerStatus checkSavedConninfo(const std::string& conninfo) {
    if (ServerStatus s = checkConninfoSyntax(conninfo); !s.ok()) return s;
    if (conninfoHasPassword(conninfo))
        return ServerStatus::fail(ServerFault::PasswordSaved, "the connection string holds password=");
    return {};
}

void appendCopyText(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::string copyFieldText(std::string_view f) {
    std::string out;
    out.reserve(f.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '\\' || i + 1 == f.size()) {
            out += f[i];
            continue;
        }
        const char e = f[++i];
        out += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    }
    return out;
}

std::vector<std::string_view> copyFields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= line.size(); ++i)
        if (i == line.size() || line[i] == '\t') {
            out.push_back(line.substr(from, i - from));
            from = i + 1;
        }
    return out;
}

} // namespace vorsan::company
