// Database commands: create an empty database directory, print a table, check a table's index.
#include "command.h"

#include "db/table.h"
#include "db/well_database.h"
#include "text/cp1251.h"

#include <iostream>
#include <memory>

namespace vorsan::cli {
namespace {

using namespace vorsan::db;

int dbInit(const std::string& dir) {
    if (const DbStatus st = initDatabase(dir); !st) return fail(st.detail);
    std::cout << "database ready in " << dir << "\n";
    return 0;
}

int dbfDump(const std::string& path, const std::string& tag) {
    Table t;
    if (const DbStatus st = t.open(path, OpenMode::ReadOnly); !st) return fail(st.detail);
    if (!tag.empty())
        if (const DbStatus st = t.setTag(tag); !st) return fail(st.detail);
    std::cout << "recno";
    for (const FieldDef& f : t.fields())
        std::cout << '\t' << f.name;
    std::cout << '\n';
    for (t.first(); !t.eof(); t.next()) {
        std::cout << t.recno();
        for (std::size_t i = 0; i < t.fields().size(); ++i)
            std::cout << '\t' << vorsan::cp1251ToUtf8(t.displayText(static_cast<int>(i)));
        std::cout << '\n';
    }
    return 0;
}

int dbfCheck(const std::string& path) {
    Table t;
    if (const DbStatus st = t.open(path, OpenMode::ReadOnly); !st) return fail(st.detail);
    // A table of the database is checked against the tags the program defines for it (their
    // expressions and flags), not only against what its own index says.
    if (const TableLayout* layout = layoutByFieldNames(t.fields()))
        if (const DbStatus st = t.open(path, OpenMode::ReadOnly, layout->tags); !st) return fail(st.detail);
    std::cout << t.path() << ": " << t.physicalCount() << " rows, " << t.count() << " live\n";
    for (const TagDef& tag : t.tags()) {
        t.setTag(tag.name);
        std::cout << "tag " << tag.name << (tag.unique ? " (unique)" : "") << ": " << tag.expression << ", "
                  << t.count() << " rows in order\n";
    }
    for (const std::string& p : t.indexProblems())
        std::cout << "problem: " << p << '\n';
    std::cout << (t.indexProblems().empty() ? "index agrees with the rows\n"
                                            : "index does NOT agree with the rows\n");
    return t.indexProblems().empty() ? 0 : 2;
}

} // namespace

void addDatabaseCommands(CLI::App& app) {
    struct Options {
        std::string path;
        std::string tag;
    };
    CLI::App* db = group(app, "db", "the well database");
    CLI::App* init = command(*db, "init", "creates a database directory with empty ustavki.DBF and temp.DBF");
    auto initOpts = std::make_shared<Options>();
    init->add_option("DIR", initOpts->path, "the database directory")->required();
    onRun(init, [initOpts] { return dbInit(initOpts->path); });

    CLI::App* dbf = group(app, "dbf", "dBASE tables and their indexes");
    CLI::App* dump = command(*dbf, "dump", "prints a table's rows, in a tag's order when given");
    auto dumpOpts = std::make_shared<Options>();
    dump->add_option("FILE", dumpOpts->path, "the table (.DBF)")->required();
    dump->add_option("--tag", dumpOpts->tag, "the index tag whose order to follow")->type_name("NAME");
    onRun(dump, [dumpOpts] { return dbfDump(dumpOpts->path, dumpOpts->tag); });

    CLI::App* check = command(*dbf, "check", "checks that a table's index agrees with its rows (every tag)");
    auto checkOpts = std::make_shared<Options>();
    check->add_option("FILE", checkOpts->path, "the table (.DBF)")->required();
    onRun(check, [checkOpts] { return dbfCheck(checkOpts->path); });
}

} // namespace vorsan::cli
