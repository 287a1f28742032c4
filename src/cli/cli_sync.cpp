// The company archive: "db server-init" makes the schema vorsan on a PostgreSQL server, "db sync"
// syncs a local database with it. The connection string goes to libpq as given; the password,
// when the server asks for one, comes from ~/.pgpass, PGPASSFILE or a service file.
#include "command.h"

#include "cli_database.h"
#include "company/company_sync.h"
#include "company/server_schema.h"

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace vorsan::cli {

namespace {

using company::ServerStatus;

int serverFailure(const ServerStatus& st) {
    return fail(st.message() + (st.detail.empty() ? "" : " (" + st.detail + ")"));
}

int serverInit(const std::string& conninfo) {
    company::PgSession session;
    if (auto st = session.connect(conninfo); !st) return serverFailure(st);
    if (auto st = company::initServerSchema(session); !st) return serverFailure(st);
    std::cout << "the archive vorsan is ready\n";
    return kDone;
}

// Each batch on stderr, so that scripts (and the tests) see how far a sync got.
class PrintedProgress : public company::SyncObserver {
public:
    void progress(std::string_view stage, std::size_t done, std::size_t total) override {
        (void)total;
        std::cerr << "vorsan-cli: " << stage << ": " << done << std::endl;
    }
};

struct SyncOptions {
    std::string server, db;
    bool pushOnly = false, pullOnly = false;
    std::vector<std::string> fields;
};

std::size_t batchRows() {
    // Tests shorten the batches to stop a sync between two of them.
    const char* v = std::getenv("VORSAN_SYNC_BATCH_ROWS");
    std::size_t n = 0;
    if (v && std::from_chars(v, v + std::char_traits<char>::length(v), n).ec == std::errc() && n > 0)
        return n;
    return company::SyncOptions{}.batchRows;
}

int sync(const SyncOptions& o) {
    int status = kDone;
    auto database = openWellDatabase(o.db, status);
    if (!database) return status;
    company::PgSession session;
    if (auto st = session.connect(o.server); !st) return serverFailure(st);
    company::SyncOptions options;
    options.push = !o.pullOnly;
    options.pull = !o.pushOnly;
    options.fields = o.fields;
    options.batchRows = batchRows();
    PrintedProgress progress;
    const company::SyncReport report = company::syncWithArchive(*database, session, options, &progress);
    for (const std::string& note : report.notes)
        std::cerr << "vorsan-cli: " << note << '\n';
    if (!report.status) return serverFailure(report.status);
    std::cout << report.summaryLine() << '\n';
    return kDone;
}

} // namespace

void addSyncCommands(CLI::App& app) {
    CLI::App* db = app.get_subcommand("db");
    {
        auto server = std::make_shared<std::string>();
        CLI::App* c =
            command(*db, "server-init",
                    "creates or updates the company archive (schema vorsan and the roles vorsan_field, "
                    "vorsan_admin) on a PostgreSQL server");
        c->add_option("--server", *server, "libpq connection string of the server")
            ->required()
            ->type_name("CONNINFO");
        onRun(c, [server] { return serverInit(*server); });
    }
    auto o = std::make_shared<SyncOptions>();
    CLI::App* c = command(
        *db, "sync", "pushes the rows and snapshots the server lacks, then pulls those the database lacks");
    c->add_option("--server", o->server, "libpq connection string of the server")
        ->required()
        ->type_name("CONNINFO");
    c->add_option("--db", o->db, "the database directory (the window's when not given)")->type_name("DIR");
    auto* push = c->add_flag("--push-only", o->pushOnly, "only push");
    c->add_flag("--pull-only", o->pullOnly, "only pull")->excludes(push);
    c->add_option("--field", o->fields, "pull only this oilfield (may be repeated)")->type_name("NAME");
    onRun(c, [o] { return sync(*o); });
}

} // namespace vorsan::cli
