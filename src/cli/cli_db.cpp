// Database commands: create an empty database directory, print a table, check a table's index.
#include "command.h"

#include "db/table.h"
#include "db/well_database.h"
#include "text/cp1251.h"

#include <iostream>

namespace {

using vorsan::cli::Args;
using namespace vorsan::db;

int dbInit(const Args& a) {
    if (a.positional().size() != 1) return vorsan::cli::fail("usage: db init DIR");
    if (const DbStatus st = initDatabase(a.positional()[0]); !st) return vorsan::cli::fail(st.detail);
    std::cout << "database ready in " << a.positional()[0] << "\n";
    return 0;
}

int dbfDump(const Args& a) {
    if (a.positional().size() != 1) return vorsan::cli::fail("usage: dbf dump FILE [--tag NAME]");
    Table t;
    if (const DbStatus st = t.open(a.positional()[0], OpenMode::ReadOnly); !st)
        return vorsan::cli::fail(st.detail);
    if (const auto tag = a.value("--tag"))
        if (const DbStatus st = t.setTag(*tag); !st) return vorsan::cli::fail(st.detail);
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

int dbfCheck(const Args& a) {
    if (a.positional().size() != 1) return vorsan::cli::fail("usage: dbf check FILE");
    Table t;
    if (const DbStatus st = t.open(a.positional()[0], OpenMode::ReadOnly); !st)
        return vorsan::cli::fail(st.detail);
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

VORSAN_CLI_COMMAND(
    {"db init", "DIR", "creates a database directory with empty ustavki.DBF and temp.DBF", {}, dbInit});
VORSAN_CLI_COMMAND({"dbf dump",
                    "FILE [--tag NAME]",
                    "prints a table's rows, in a tag's order when given",
                    {"--tag"},
                    dbfDump});
VORSAN_CLI_COMMAND(
    {"dbf check", "FILE", "checks that a table's index agrees with its rows (every tag)", {}, dbfCheck});
