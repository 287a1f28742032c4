#pragma once
// A connection to the company's PostgreSQL server through libpq: the connection and each result
// owned by a small RAII type, parameters sent apart from the statement text, bulk rows by COPY.
// Every failure is a ServerStatus value naming its cause; nothing throws.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace vorsan::company {

enum class ServerFault {
    None,
    Unreachable,    // no server answers at that address
    NeedsPassword,  // the server asks for a password and libpq found none
    WrongPassword,  // the user name or the password was refused
    HostRefused,    // pg_hba.conf lets no such connection in
    NoRights,       // the role lacks a privilege the operation needs
    NoArchive,      // the database has no schema vorsan (server-init not run)
    ConnectionLost, // the connection broke in the middle of the work
    ServerError,    // any other refusal of the server
    BadConninfo,    // the connection string cannot be parsed
    PasswordSaved,  // a connection string with password= offered for saving
    Cancelled,      // the user stopped the sync between two batches
    LocalDatabase,  // the local database refused a change
};

struct ServerStatus {
    ServerFault fault = ServerFault::None;
    std::string detail; // libpq's or the server's own words

    bool ok() const { return fault == ServerFault::None; }
    explicit operator bool() const { return ok(); }
    // The Russian sentence for the user, naming the cause.
    std::string message() const;
    static ServerStatus fail(ServerFault f, std::string detail) { return {f, std::move(detail)}; }
};

class PgResult {
public:
    PgResult() = default;
    explicit PgResult(PGresult* r) : r_(r, &clear) {}
    PGresult* get() const { return r_.get(); }
    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    std::string_view value(int row, int column) const;
    long long number(int row, int column) const; // 0 for NULL or anything else than an integer
    long long affected() const;                  // PQcmdTuples as a number

private:
    static void clear(PGresult* r);
    std::unique_ptr<PGresult, void (*)(PGresult*)> r_{nullptr, &clear};
};

using Param = std::optional<std::string>; // nullopt is SQL NULL

class PgSession {
public:
    PgSession() = default;
    ~PgSession();
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    // Connects with `conninfo` (keywords or a URI, as libpq reads them; a password comes from
    // ~/.pgpass, PGPASSFILE or a service file). `password`, when given, is used for this
    // connection only and kept nowhere.
    ServerStatus connect(const std::string& conninfo,
                         const std::optional<std::string>& password = std::nullopt);
    bool connected() const { return conn_ != nullptr; }
    void close();

    // A statement without parameters (one or more commands); `out` gets the last result.
    ServerStatus exec(const std::string& sql, PgResult* out = nullptr);
    // One statement with $1 ... $n sent as text values.
    ServerStatus execParams(const std::string& sql, const std::vector<Param>& params,
                            PgResult* out = nullptr);
    // COPY ... FROM STDIN with `data` in COPY's text format.
    ServerStatus copyIn(const std::string& sql, std::string_view data);
    // COPY ... TO STDOUT; `line` gets each row's text (without its newline).
    ServerStatus copyOut(const std::string& sql, const std::function<void(std::string_view)>& line);

private:
    ServerStatus resultStatus(PGresult* r, bool copyIn = false, bool copyOut = false);
    ServerStatus lostOr(ServerFault f, std::string detail);
    PGconn* conn_ = nullptr;
};

// What the window's dialog asks for: a server, or a service of the user's pg_service.conf.
struct ServerAddress {
    std::string host, port, database, user, service;
};
// The libpq connection string of the filled fields, each value quoted ("host='office' ...").
std::string conninfoOf(const ServerAddress& a);

// Whether the connection string names a password; refused when it is to be saved.
bool conninfoHasPassword(const std::string& conninfo);
// The connection string may be saved in the program's settings: parsable and without password=.
ServerStatus checkSavedConninfo(const std::string& conninfo);

// COPY's text format: backslash, tab, newline and carriage return escaped.
void appendCopyText(std::string& out, std::string_view text);
// One field of a COPY text line back to its text (escapes undone).
std::string copyFieldText(std::string_view field);
// The fields of one COPY text line, split at its tabs (escaped as they came).
std::vector<std::string_view> copyFields(std::string_view line);

} // namespace vorsan::company
